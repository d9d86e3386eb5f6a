#include "job/preflight.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace tarnwell::job {
namespace {

platform::MountInfo Mount(std::string type, std::string options = "rw,relatime") {
  platform::MountInfo mount;
  mount.mount_point = "/mnt";
  mount.fs_type = std::move(type);
  mount.options = std::move(options);
  return mount;
}

TEST(Preflight, NamesTheFileSystemsWhereOverwritingCannotBeTrusted) {
  for (const char* type :
       {"btrfs", "zfs", "f2fs", "overlay", "nfs4", "cifs", "fuse.sshfs", "fuseblk", "9p"}) {
    EXPECT_TRUE(OverwriteUntrusted(Mount(type))) << type;
  }
  EXPECT_TRUE(OverwriteUntrusted(Mount("ext4", "rw,relatime,data=journal")));
  EXPECT_TRUE(OverwriteUntrusted(Mount("ext3", "rw,data=journal,errors=remount-ro")));
  EXPECT_TRUE(OverwriteUntrusted(Mount("xfs", "rw,compress=zstd:3")));
  // Windows volumes: ReFS, and what the platform reports as options.
  EXPECT_TRUE(OverwriteUntrusted(Mount("refs", "shadow-copies")));
  for (const char* options : {"network", "removable", "compress,shadow-copies"}) {
    EXPECT_TRUE(OverwriteUntrusted(Mount("ntfs", options))) << options;
  }
  EXPECT_FALSE(OverwriteUntrusted(Mount("ntfs", "shadow-copies")));
  for (const char* type : {"ext4", "ext3", "xfs", "vfat", "tmpfs", "fuseish"}) {
    EXPECT_FALSE(OverwriteUntrusted(Mount(type, "rw,data=ordered,journal_checksum"))) << type;
  }
}

TEST(Preflight, ChecksEachFileSystemOnceAndSkipsWhatCannotBeExamined) {
  testing::TempDir dir;
  const std::string a = dir.Write("a", "x");
  const std::string b = dir.Write("b", "y");
  platform::Env& env = platform::DefaultEnv();
  platform::Result<platform::MountInfo> here = env.FindMount(dir.path());
  ASSERT_TRUE(here.ok());
  const std::vector<platform::MountInfo> found =
      FindUntrustedMounts(env, {a, b, dir / "missing", dir.path()});
  EXPECT_EQ(found.size(), OverwriteUntrusted(*here) ? 1u : 0u);
}

}  // namespace
}  // namespace tarnwell::job
