// What a held descriptor tells about the volume under it: its space, its
// mount, and the ext4 journal's checkpoint, all asked through the descriptor.
#pragma once

#include <string>
#include <vector>

#include "platform/env.h"

namespace tarnwell::platform::posix {

// fstatvfs of fd; path names it in messages.
Result<VolumeSpace> SpaceOf(int fd, const std::string& path);
// The mount holding fd, by its mount id where the kernel tells it, else by
// its device.
Result<MountInfo> MountOf(int fd, const std::string& path);
// Every mount of /proc/self/mountinfo, in its order.
Result<std::vector<MountInfo>> ListMountTable();
// The ext4 checkpoint ioctl on fd.
Status CheckpointJournalOf(int fd, const std::string& path, bool zero_out, bool dry_run);

}  // namespace tarnwell::platform::posix
