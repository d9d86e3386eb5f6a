#include "fill/running_fills.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <vector>

#include "fill/ext4_reserve.h"
#include "fill/leftovers.h"

namespace tarnwell::fill {
namespace {

constexpr std::string_view kRecordPrefix = "fill-";
// A record holds one path; anything longer was not written by a fill.
constexpr size_t kMaxRecordBytes = 64 * 1024;

// "<device> <inode>\n<path>": the path last, as it may hold any byte.
std::string RecordText(const std::string& fill_folder, const platform::FileInfo& identity) {
  return std::to_string(identity.device) + " " + std::to_string(identity.inode) + "\n" +
         fill_folder;
}

struct RecordedFolder {
  std::string path;
  std::optional<platform::FileInfo> identity;  // none in a record without one
};

RecordedFolder ParseRecord(std::string_view text) {
  RecordedFolder folder;
  const size_t newline = text.find('\n');
  if (newline == std::string_view::npos) {
    folder.path = std::string(text);
    return folder;
  }
  folder.path = std::string(text.substr(newline + 1));
  const std::string_view numbers = text.substr(0, newline);
  platform::FileInfo identity;
  const char* end = numbers.data() + numbers.size();
  auto [after_device, device_error] = std::from_chars(numbers.data(), end, identity.device);
  if (device_error != std::errc() || after_device == end || *after_device != ' ') {
    folder.path = std::string(text);
    return folder;
  }
  auto [after_inode, inode_error] = std::from_chars(after_device + 1, end, identity.inode);
  if (inode_error != std::errc() || after_inode != end) {
    folder.path = std::string(text);
    return folder;
  }
  folder.identity = identity;
  return folder;
}

// The leftovers of the fill a record names, reached only through a handle
// on the very folder the fill used.
int RemoveRecordedLeftovers(platform::Env& env, const RecordedFolder& recorded,
                            job::EventSink& sink) {
  platform::Result<std::unique_ptr<platform::Folder>> folder =
      recorded.identity ? env.OpenFolder(recorded.path, &*recorded.identity)
                        : platform::Result<std::unique_ptr<platform::Folder>>(
                              platform::Status::Error(ESTALE, "no identity recorded"));
  if (!folder.ok()) {
    sink.Report(job::Notice{.severity = job::Severity::kWarning,
                            .reason = job::Reason::kFillFolderChanged,
                            .subject = recorded.path,
                            .error_code = folder.status().code(),
                            .detail = folder.status().message()});
    return 0;
  }
  const int count = RemoveFillLeftovers(**folder, sink);
  if (count > 0)
    sink.Report(job::Notice{.severity = job::Severity::kInfo,
                            .reason = job::Reason::kLeftoversRemoved,
                            .count = count});
  return count;
}

}  // namespace

std::unique_ptr<job::RunningNote> NoteRunningFill(platform::Env& env, platform::Folder* state,
                                                  const std::string& fill_folder,
                                                  const platform::FileInfo& identity) {
  return job::RunningNote::Create(env, state, kRecordPrefix, RecordText(fill_folder, identity));
}

int CleanUpAfterKilledFills(platform::Env& env, platform::Folder* state, job::EventSink& sink) {
  if (state == nullptr) return 0;
  int removed = 0;
  job::ForEachAbandonedNote(state, kRecordPrefix, kMaxRecordBytes, [&](const std::string& text) {
    removed += RemoveRecordedLeftovers(env, ParseRecord(text), sink);
  });
  RestoreAbandonedReserves(env, *state, &sink);
  return removed;
}

int CleanUpAfterKilledFills(platform::Env& env, const std::string& state_folder,
                            job::EventSink& sink) {
  const std::unique_ptr<platform::Folder> state = job::OpenStateFolder(env, state_folder, sink);
  return CleanUpAfterKilledFills(env, state.get(), sink);
}

}  // namespace tarnwell::fill
