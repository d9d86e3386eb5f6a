#include "erase/dir_slack.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace tarnwell::erase {
namespace {

// An ext4 record is an 8-byte header and the name, rounded up to 4 bytes; a
// name that long cannot fit into fewer bytes on any file system we know.
constexpr uint64_t kRecordHeaderBytes = 8;
// Names taken by something else (a crash's leftovers) are skipped, within reason.
constexpr int kMaxTakenNames = 64;

class HandleSlackFolder final : public SlackFolder {
 public:
  HandleSlackFolder(platform::Folder& folder, bool sync) : folder_(folder), sync_(sync) {}

  platform::Result<uint64_t> Size() override {
    platform::Result<platform::FileInfo> info = folder_.Stat();
    if (!info.ok()) return info.status();
    return info->size;
  }
  platform::Status CreateEntry(const std::string& name) override { return folder_.CreateAt(name); }
  platform::Status RemoveEntry(const std::string& name) override {
    return folder_.RemoveAt(name, false);
  }
  platform::Status Sync() override { return sync_ ? folder_.Sync() : platform::Status::Ok(); }
  size_t MaxNameLength() override { return folder_.MaxNameLength(); }

 private:
  platform::Folder& folder_;
  bool sync_;
};

// The prefix, the number in decimal, then 'x' up to length bytes.
std::string EntryName(int number, size_t length) {
  std::string name(kSlackEntryPrefix);
  name += std::to_string(number);
  name.resize(std::max(length, name.size()), 'x');
  return name;
}

}  // namespace

std::unique_ptr<SlackFolder> SlackFolderOf(platform::Folder& folder, bool sync) {
  return std::make_unique<HandleSlackFolder>(folder, sync);
}

SlackScrubResult ScrubFolderSlack(SlackFolder& folder) {
  SlackScrubResult result;
  platform::Result<uint64_t> start_size = folder.Size();
  if (!start_size.ok()) {
    result.status = start_size.status();
    return result;
  }
  const size_t length = std::min<size_t>(folder.MaxNameLength(), 255);
  const uint64_t record = (kRecordHeaderBytes + length + 3) / 4 * 4;
  const uint64_t limit = *start_size / record + 1;

  std::vector<std::string> made;
  int taken = 0;
  for (int number = 0; made.size() < limit; ++number) {
    std::string name = EntryName(number, length);
    platform::Status created = folder.CreateEntry(name);
    if (created.code() == EEXIST && ++taken <= kMaxTakenNames) continue;
    // No room for another entry (a full volume, a fixed-size root folder):
    // every gap is as written over as it can be.
    if (created.code() == ENOSPC) break;
    if (!created.ok()) {
      result.status = created;
      break;
    }
    made.push_back(std::move(name));
    platform::Result<uint64_t> size = folder.Size();
    if (!size.ok()) {
      result.status = size.status();
      break;
    }
    if (*size != *start_size) break;
  }
  result.entries = static_cast<int>(made.size());
  // No sync between creating and removing: both act on the same cached
  // blocks, and the old bytes were written over when the entries went in.
  for (const std::string& name : made) {
    platform::Status removed = folder.RemoveEntry(name);
    if (result.status.ok()) result.status = removed;
  }
  platform::Status synced = folder.Sync();
  if (result.status.ok()) result.status = synced;
  return result;
}

}  // namespace tarnwell::erase
