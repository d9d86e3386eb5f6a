#include "fill/ext4_reserve.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <vector>

#include "job/state_notes.h"
#include "platform/lock_wait.h"

namespace tarnwell::fill {
namespace {

constexpr std::string_view kStatePrefix = "ext4-reserve-";
constexpr uint64_t kLoweredClusters = 0;
// A note holds two numbers.
constexpr size_t kMaxNoteBytes = 256;

std::string SettingPathFor(const std::string& device_name) {
  return "/sys/fs/ext4/" + device_name + "/reserved_clusters";
}

// The first unsigned number of text; nullopt when it starts with none.
std::optional<uint64_t> ParseNumber(std::string_view text, size_t* end = nullptr) {
  uint64_t value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc()) return std::nullopt;
  if (end != nullptr) *end = static_cast<size_t>(ptr - text.data());
  return value;
}

platform::Result<uint64_t> ReadSetting(platform::Env& env, const std::string& setting_path) {
  platform::Result<std::string> text = env.ReadFile(setting_path);
  if (!text.ok()) return text.status();
  std::optional<uint64_t> value = ParseNumber(*text);
  if (!value) return platform::Status::Error(EINVAL, "unreadable value in '" + setting_path + "'");
  return *value;
}

}  // namespace

platform::Result<Ext4Reserve> ReadExt4Reserve(platform::Env& env, platform::Folder& on_volume) {
  platform::Result<platform::MountInfo> mount = on_volume.Mount();
  if (!mount.ok()) return mount.status();
  if (mount->fs_type != "ext4") {
    return platform::Status::Error(ENOTSUP, "'" + mount->mount_point + "' holds a " +
                                                mount->fs_type + " file system, not ext4");
  }
  platform::Result<std::string> device = env.BlockDeviceName(mount->device);
  if (!device.ok()) return device.status();
  platform::Result<platform::VolumeSpace> space = on_volume.Space();
  if (!space.ok()) return space.status();
  Ext4Reserve reserve;
  reserve.device = *device;
  reserve.setting_path = SettingPathFor(*device);
  platform::Result<uint64_t> clusters = ReadSetting(env, reserve.setting_path);
  if (!clusters.ok()) return clusters.status();
  reserve.clusters = *clusters;
  reserve.bytes = *clusters * space->block_size;
  return reserve;
}

platform::Result<std::unique_ptr<LoweredReserve>> LoweredReserve::Lower(
    platform::Env& env, platform::Folder& on_volume, platform::Folder& state,
    const std::function<bool()>& stop) {
  platform::Result<std::unique_ptr<platform::FileLock>> lock =
      platform::LockWithin(env, state, kReserveLockName, platform::kLockWaitMillis, stop);
  if (!lock.ok()) return lock.status();
  platform::Result<Ext4Reserve> old = ReadExt4Reserve(env, on_volume);
  if (!old.ok()) return old.status();
  const std::string note = std::string(kStatePrefix) + old->device;
  // The old value is written before the reserve changes, so a kill in
  // between still leaves what the next start needs. Not synced: the kernel
  // itself forgets the lowered reserve when the machine goes down.
  platform::Status saved = job::WriteNewNote(
      state, note, std::to_string(old->clusters) + " " + std::to_string(kLoweredClusters) + "\n");
  if (saved.code() == EEXIST) {
    // A reserve no start could put back yet: its note keeps the value from
    // before, which the current, lowered one must not replace.
    platform::Result<std::string> kept = job::ReadNote(state, note, kMaxNoteBytes);
    std::optional<uint64_t> value = kept.ok() ? ParseNumber(*kept) : std::nullopt;
    if (!value) return platform::Status::Error(EEXIST, "unreadable note '" + note + "'");
    old->clusters = *value;
  } else if (!saved.ok()) {
    return saved;
  }
  platform::Status lowered =
      env.WriteKernelSetting(old->setting_path, std::to_string(kLoweredClusters));
  if (!lowered.ok()) {
    if (saved.ok()) state.RemoveAt(note, false);
    return lowered;
  }
  return std::unique_ptr<LoweredReserve>(
      new LoweredReserve(env, std::move(*old), state, note, std::move(*lock)));
}

LoweredReserve::~LoweredReserve() { Restore(); }

platform::Status LoweredReserve::Restore() {
  if (restored_) return platform::Status::Ok();
  platform::Status status =
      env_.WriteKernelSetting(old_.setting_path, std::to_string(old_.clusters));
  if (!status.ok()) return status;
  restored_ = true;
  state_.RemoveAt(note_, false);
  lock_.reset();
  return platform::Status::Ok();
}

int RestoreAbandonedReserves(platform::Env& env, platform::Folder& state, job::EventSink* sink) {
  // Only root can have lowered a reserve, and only root can put it back.
  if (!env.IsPrivileged()) return 0;
  platform::Result<std::vector<std::string>> names = state.ListNames();
  if (!names.ok()) return 0;
  std::vector<std::string> devices;
  for (const std::string& name : *names) {
    if (name.starts_with(kStatePrefix)) devices.push_back(name.substr(kStatePrefix.size()));
  }
  if (devices.empty()) return 0;
  // Held by a running fill that keeps its reserve lowered: it puts it back
  // itself, and a start must not wait for the fill to end.
  platform::Result<std::unique_ptr<platform::FileLock>> lock =
      state.TryLockAt(kReserveLockName, true, nullptr);
  if (!lock.ok()) return 0;
  int restored = 0;
  for (const std::string& device : devices) {
    const std::string note = std::string(kStatePrefix) + device;
    platform::Result<std::string> text = job::ReadNote(state, note, kMaxNoteBytes);
    if (!text.ok()) continue;  // restored by the fill that held the lock
    size_t end = 0;
    std::optional<uint64_t> old = ParseNumber(*text, &end);
    std::optional<uint64_t> lowered =
        old ? ParseNumber(std::string_view(*text).substr(std::min(end + 1, text->size())))
            : std::nullopt;
    const std::string setting = SettingPathFor(device);
    platform::Result<uint64_t> current = ReadSetting(env, setting);
    if (old && lowered && current.ok() && *current == *lowered && *current != *old) {
      platform::Status status = env.WriteKernelSetting(setting, std::to_string(*old));
      if (!status.ok()) {
        if (sink)
          sink->Report(job::Notice{.severity = job::Severity::kError,
                                   .reason = job::Reason::kFillFailed,
                                   .subject = setting,
                                   .error_code = status.code(),
                                   .detail = status.message()});
        continue;  // kept for the next start
      }
      ++restored;
      if (sink) {
        sink->Report(job::Notice{.severity = job::Severity::kInfo,
                                 .reason = job::Reason::kReserveRestored,
                                 .subject = device,
                                 .second = std::to_string(*old)});
      }
    }
    state.RemoveAt(note, false);
  }
  return restored;
}

}  // namespace tarnwell::fill
