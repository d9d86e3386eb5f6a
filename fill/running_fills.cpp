#include "fill/running_fills.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <vector>

#include "fill/ext4_reserve.h"
#include "fill/leftovers.h"
#include "fill/state_notes.h"
#include "platform/race_hook.h"

namespace tarnwell::fill {
namespace {

constexpr std::string_view kRecordPrefix = "fill-";
constexpr int kRecordNameDigits = 16;
constexpr int kRecordCreateAttempts = 8;
// A record holds one path; anything longer was not written by a fill.
constexpr size_t kMaxRecordBytes = 64 * 1024;

std::string NewRecordName(platform::Env& env) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name(kRecordPrefix);
  for (int i = 0; i < kRecordNameDigits; ++i) name += kHex[env.Random() % 16];
  return name;
}

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

std::string RuntimeStateFolder(platform::Env& env) {
  // Only absolute folders: a relative one would land wherever the program
  // was started.
  if (std::optional<std::string> chosen = env.GetEnvironment("TARNWELL_STATE_DIR");
      chosen && env.IsAbsolutePath(*chosen)) {
    return env.UserPath(*chosen);
  }
  return env.IsPrivileged() ? env.MachineStateFolder() : env.UserStateFolder();
}

std::unique_ptr<platform::Folder> OpenStateFolder(platform::Env& env, const std::string& path,
                                                  job::EventSink& sink) {
  if (path.empty()) return nullptr;
  platform::Result<std::unique_ptr<platform::Folder>> folder = env.OpenPrivateFolder(path);
  if (!folder.ok()) {
    sink.Report(job::Notice{.severity = job::Severity::kWarning,
                            .reason = job::Reason::kStateFolderRefused,
                            .subject = path,
                            .error_code = folder.status().code(),
                            .detail = folder.status().message()});
    return nullptr;
  }
  platform::RacePoint(platform::RaceStep::kStateFolderChecked, path);
  return std::move(*folder);
}

std::unique_ptr<RunningFillRecord> RunningFillRecord::Create(platform::Env& env,
                                                             platform::Folder* state,
                                                             const std::string& fill_folder,
                                                             const platform::FileInfo& identity) {
  if (state == nullptr) return nullptr;
  for (int attempt = 0; attempt < kRecordCreateAttempts; ++attempt) {
    const std::string name = NewRecordName(env);
    std::unique_ptr<platform::FileLock> lock;
    platform::Status written = WriteNewNote(*state, name, RecordText(fill_folder, identity), &lock);
    if (written.ok()) {
      return std::unique_ptr<RunningFillRecord>(
          new RunningFillRecord(*state, name, std::move(lock)));
    }
    if (written.code() != EEXIST && written.code() != EAGAIN) return nullptr;
  }
  return nullptr;
}

RunningFillRecord::~RunningFillRecord() {
  // Removed while still locked, so no start takes it for a killed fill's.
  state_.RemoveAt(name_, false);
}

int CleanUpAfterKilledFills(platform::Env& env, platform::Folder* state, job::EventSink& sink) {
  if (state == nullptr) return 0;
  std::vector<std::string> records;
  if (platform::Result<std::vector<std::string>> names = state->ListNames(); names.ok()) {
    for (const std::string& name : *names) {
      if (name.starts_with(kRecordPrefix)) records.push_back(name);
    }
  }
  int removed = 0;
  for (const std::string& record : records) {
    // Locked: its fill still runs. Gone: another start got there first.
    platform::Result<std::unique_ptr<platform::FileLock>> lock =
        state->TryLockAt(record, false, nullptr);
    if (!lock.ok()) continue;
    platform::Result<std::string> text = ReadNote(*state, record, kMaxRecordBytes);
    if (text.ok() && !text->empty()) {
      removed += RemoveRecordedLeftovers(env, ParseRecord(*text), sink);
    }
    state->RemoveAt(record, false);
  }
  RestoreAbandonedReserves(env, *state, &sink);
  return removed;
}

int CleanUpAfterKilledFills(platform::Env& env, const std::string& state_folder,
                            job::EventSink& sink) {
  const std::unique_ptr<platform::Folder> state = OpenStateFolder(env, state_folder, sink);
  return CleanUpAfterKilledFills(env, state.get(), sink);
}

}  // namespace tarnwell::fill
