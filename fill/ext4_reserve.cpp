#include "fill/ext4_reserve.h"

#include <cerrno>
#include <charconv>
#include <vector>

namespace tarnwell::fill {
namespace {

constexpr std::string_view kStatePrefix = "ext4-reserve-";
constexpr uint64_t kLoweredClusters = 0;

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

platform::Result<Ext4Reserve> ReadExt4Reserve(platform::Env& env, const std::string& path) {
  platform::Result<platform::MountInfo> mount = env.FindMount(path);
  if (!mount.ok()) return mount.status();
  if (mount->fs_type != "ext4") {
    return platform::Status::Error(ENOTSUP, "'" + mount->mount_point + "' holds a " +
                                                mount->fs_type + " file system, not ext4");
  }
  platform::Result<std::string> device = env.BlockDeviceName(mount->device);
  if (!device.ok()) return device.status();
  platform::Result<platform::VolumeSpace> space = env.GetVolumeSpace(path);
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
    platform::Env& env, const std::string& path, const std::string& state_folder) {
  platform::Status made = env.CreateDirectories(state_folder);
  if (!made.ok()) return made;
  platform::Result<std::unique_ptr<platform::FileLock>> lock = env.LockExclusive(state_folder);
  if (!lock.ok()) return lock.status();
  platform::Result<Ext4Reserve> old = ReadExt4Reserve(env, path);
  if (!old.ok()) return old.status();
  const std::string state_file = state_folder + "/" + std::string(kStatePrefix) + old->device;
  // The old value is written before the reserve changes, so a kill in
  // between still leaves what the next start needs. Not synced: the kernel
  // itself forgets the lowered reserve when the machine goes down.
  platform::Status saved = env.ReplaceFileAtomically(
      state_file, std::to_string(old->clusters) + " " + std::to_string(kLoweredClusters) + "\n",
      platform::Env::Durability::kProcessKill);
  if (!saved.ok()) return saved;
  platform::Status lowered =
      env.WriteKernelSetting(old->setting_path, std::to_string(kLoweredClusters));
  if (!lowered.ok()) {
    env.RemoveFile(state_file);
    return lowered;
  }
  return std::unique_ptr<LoweredReserve>(
      new LoweredReserve(env, std::move(*old), state_file, std::move(*lock)));
}

LoweredReserve::~LoweredReserve() { Restore(); }

platform::Status LoweredReserve::Restore() {
  if (restored_) return platform::Status::Ok();
  platform::Status status =
      env_.WriteKernelSetting(old_.setting_path, std::to_string(old_.clusters));
  if (!status.ok()) return status;
  restored_ = true;
  env_.RemoveFile(state_file_);
  lock_.reset();
  return platform::Status::Ok();
}

int RestoreAbandonedReserves(platform::Env& env, const std::string& state_folder,
                             core::WindowPort* window) {
  // Only root can have lowered a reserve, and only root can put it back.
  if (!env.IsPrivileged()) return 0;
  platform::Result<std::unique_ptr<platform::Directory>> dir = env.OpenDirectory(state_folder);
  if (!dir.ok()) return 0;
  std::vector<std::string> devices;
  platform::DirEntry entry;
  while ((*dir)->Next(&entry)) {
    if (entry.name.starts_with(kStatePrefix))
      devices.push_back(entry.name.substr(kStatePrefix.size()));
  }
  if (devices.empty()) return 0;
  // Held by a running fill that keeps its reserve lowered: it puts it back
  // itself, and a start must not wait for the fill to end.
  platform::Result<std::unique_ptr<platform::FileLock>> lock = env.TryLock(state_folder, nullptr);
  if (!lock.ok()) return 0;
  int restored = 0;
  for (const std::string& device : devices) {
    const std::string state_file = state_folder + "/" + std::string(kStatePrefix) + device;
    platform::Result<std::string> state = env.ReadFile(state_file);
    if (!state.ok()) continue;  // restored by the fill that held the lock
    size_t end = 0;
    std::optional<uint64_t> old = ParseNumber(*state, &end);
    std::optional<uint64_t> lowered =
        old ? ParseNumber(std::string_view(*state).substr(std::min(end + 1, state->size())))
            : std::nullopt;
    const std::string setting = SettingPathFor(device);
    platform::Result<uint64_t> current = ReadSetting(env, setting);
    if (old && lowered && current.ok() && *current == *lowered && *current != *old) {
      platform::Status status = env.WriteKernelSetting(setting, std::to_string(*old));
      if (!status.ok()) {
        if (window) window->InsertMessage(status.message(), core::MessageIcon::kError);
        continue;  // kept for the next start
      }
      ++restored;
      if (window) {
        window->InsertMessage(
            "Restored the ext4 reserve of " + device + " to " + std::to_string(*old) + " clusters",
            core::MessageIcon::kInfo);
      }
    }
    env.RemoveFile(state_file);
  }
  return restored;
}

}  // namespace tarnwell::fill
