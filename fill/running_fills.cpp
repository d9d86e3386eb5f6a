#include "fill/running_fills.h"

#include <cerrno>
#include <vector>

#include "fill/ext4_reserve.h"
#include "fill/leftovers.h"
#include "text/catalog.h"
#include "text/format_text.h"

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

std::unique_ptr<RunningFillRecord> RunningFillRecord::Create(platform::Env& env,
                                                             const std::string& state_folder,
                                                             const std::string& fill_folder) {
  if (state_folder.empty() || !env.CreateDirectories(state_folder).ok()) return nullptr;
  for (int attempt = 0; attempt < kRecordCreateAttempts; ++attempt) {
    const std::string path = state_folder + "/" + NewRecordName(env);
    std::unique_ptr<platform::FileLock> lock;
    platform::Result<std::unique_ptr<platform::WritableFile>> file =
        env.CreateExclusiveLocked(path, 0600, &lock);
    if (!file.ok()) {
      if (file.status().code() == EEXIST || file.status().code() == EAGAIN) continue;
      return nullptr;
    }
    platform::Result<size_t> n = (*file)->WriteAt(0, fill_folder.data(), fill_folder.size());
    const bool written = n.ok() && *n == fill_folder.size() && (*file)->Close().ok();
    if (!written) {
      env.RemoveFile(path);
      return nullptr;
    }
    return std::unique_ptr<RunningFillRecord>(new RunningFillRecord(env, path, std::move(lock)));
  }
  return nullptr;
}

RunningFillRecord::~RunningFillRecord() {
  // Removed while still locked, so no start takes it for a killed fill's.
  env_.RemoveFile(path_);
}

int CleanUpAfterKilledFills(platform::Env& env, const std::string& state_folder,
                            core::WindowPort& window) {
  if (state_folder.empty()) return 0;
  std::vector<std::string> records;
  if (platform::Result<std::unique_ptr<platform::Directory>> dir = env.OpenDirectory(state_folder);
      dir.ok()) {
    platform::DirEntry entry;
    while ((*dir)->Next(&entry)) {
      if (entry.name.starts_with(kRecordPrefix) && entry.info_ok &&
          entry.info.kind == platform::FileKind::kRegular) {
        records.push_back(state_folder + "/" + entry.name);
      }
    }
  }
  int removed = 0;
  for (const std::string& record : records) {
    // Locked: its fill still runs. Gone: another start got there first.
    platform::Result<std::unique_ptr<platform::FileLock>> lock = env.TryLock(record, nullptr);
    if (!lock.ok()) continue;
    platform::Result<std::string> folder = env.ReadRegularFile(record, kMaxRecordBytes);
    if (folder.ok() && !folder->empty()) {
      const int count = RemoveFillLeftovers(env, *folder, window);
      if (count > 0) {
        window.InsertMessage(
            text::FormatText(text::LookupUtf8(text::TextId::kLeftoversRemoved), {count}),
            core::MessageIcon::kInfo);
      }
      removed += count;
    }
    env.RemoveFile(record);
  }
  RestoreAbandonedReserves(env, state_folder, &window);
  return removed;
}

}  // namespace tarnwell::fill
