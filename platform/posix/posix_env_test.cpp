#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "platform/env.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::platform {
namespace {

using testing::ReadAll;
using testing::TempDir;

Env& env = DefaultEnv();

TEST(PosixEnvFiles, DescribeNeverFollowsLinksAndNamesKinds) {
  TempDir dir;
  const std::string file = dir.Write("f", "12345");
  const std::string link = dir / "link";
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  EXPECT_EQ(env.Describe(file)->kind, FileKind::kRegular);
  EXPECT_EQ(env.Describe(file)->size, 5u);
  EXPECT_EQ(env.Describe(link)->kind, FileKind::kSymlink);
  EXPECT_EQ(env.Describe(fifo)->kind, FileKind::kFifo);
  EXPECT_EQ(env.Describe(dir.path())->kind, FileKind::kDirectory);
  Result<FileInfo> missing = env.Describe(dir / "nothing");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().code(), ENOENT);
  EXPECT_NE(missing.status().message().find("nothing"), std::string::npos);
}

TEST(PosixEnvFolders, HandlesNeverFollowLinksNeverReplaceAndCheckIdentity) {
  TempDir dir;
  const std::string file = dir.Write("f", "data");
  dir.Write("sub/g", "inner");
  const std::string link = dir / "link";
  ASSERT_EQ(symlink((dir / "sub").c_str(), link.c_str()), 0);
  Result<std::unique_ptr<Folder>> folder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(folder.ok());
  Folder& here = **folder;
  EXPECT_EQ(here.DescribeAt("link")->kind, FileKind::kSymlink);
  EXPECT_FALSE(here.OpenFolderAt("link", nullptr).ok());  // a link is never entered
  EXPECT_FALSE(here.OpenAt("link", nullptr, false).ok());
  EXPECT_EQ(here.OpenAt("..", nullptr, false).status().code(), EINVAL);
  FileInfo other = *env.Describe(file);
  EXPECT_EQ(here.OpenFolderAt("sub", &other).status().code(), ESTALE);
  EXPECT_TRUE(here.OpenFolderAt("sub", nullptr).ok());

  EXPECT_EQ(here.RenameAt("f", "sub").code(), EEXIST);  // never replaces
  EXPECT_TRUE(here.RenameAt("f", "f2").ok());
  EXPECT_EQ(ReadAll(dir / "f2"), "data");
  EXPECT_EQ(here.ListNames()->size(), 3u);
  EXPECT_EQ(here.RemoveAt("sub", true).code(), ENOTEMPTY);
  EXPECT_TRUE(here.RemoveAt("link", false).ok());
  EXPECT_TRUE(std::filesystem::exists(dir / "sub/g"));  // the link went, not its target

  // Another open descriptor makes an exclusive open fail; alone it holds.
  const int other_fd = open((dir / "f2").c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_EQ(here.OpenAt("f2", nullptr, true).status().code(), EBUSY);
  close(other_fd);
  Result<std::unique_ptr<WritableFile>> alone = here.OpenAt("f2", nullptr, true);
  ASSERT_TRUE(alone.ok());
  EXPECT_TRUE((*alone)->exclusive());
  EXPECT_TRUE((*alone)->Close().ok());

  Result<FileSystemInfo> proc = env.OpenFolder("/proc/self", nullptr).value()->StatFs();
  ASSERT_TRUE(proc.ok());
  EXPECT_EQ(proc->type, "proc");
  EXPECT_TRUE(proc->kernel_view);
  EXPECT_FALSE(here.StatFs()->kernel_view);
}

TEST(PosixEnvFolders, CreateAtMakesNewFilesBelowTheHandleOnly) {
  TempDir dir;
  TempDir outside;
  dir.MakeDir("d");
  Result<std::unique_ptr<Folder>> folder = env.OpenFolder(dir / "d", nullptr);
  ASSERT_TRUE(folder.ok());
  Folder& here = **folder;
  // The folder is moved away and its path made a link elsewhere: the handle
  // still creates in the folder it opened.
  std::filesystem::rename(dir / "d", dir / "moved");
  std::filesystem::create_directory_symlink(outside.path(), dir / "d");
  ASSERT_TRUE(here.CreateAt("new").ok());
  struct stat st;
  ASSERT_EQ(stat((dir / "moved/new").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_size, 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_FALSE(std::filesystem::exists(outside / "new"));

  EXPECT_EQ(here.CreateAt("new").code(), EEXIST);
  // A planted link, dangling or not, is never followed or replaced.
  ASSERT_EQ(symlink((outside / "planted").c_str(), (dir / "moved/trap").c_str()), 0);
  EXPECT_EQ(here.CreateAt("trap").code(), EEXIST);
  EXPECT_FALSE(std::filesystem::exists(outside / "planted"));
  EXPECT_EQ(here.CreateAt("../x").code(), EINVAL);
  EXPECT_TRUE(here.RemoveAt("new", false).ok());
}

TEST(PosixEnvFiles, OpenForOverwriteRefusesEverythingButRegularFiles) {
  TempDir dir;
  const std::string file = dir.Write("f", "data");
  const std::string link = dir / "link";
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  EXPECT_FALSE(env.OpenForOverwrite(link).ok());  // ELOOP: the target is never opened
  EXPECT_FALSE(env.OpenForOverwrite(fifo).ok());  // returns at once, no reader needed
  EXPECT_FALSE(env.OpenForOverwrite(dir.path()).ok());
  EXPECT_EQ(ReadAll(file), "data");

  // A file swapped for another one after it was examined is refused.
  FileInfo expected = *env.Describe(file);
  expected.inode += 1;
  EXPECT_EQ(env.OpenForOverwrite(file, &expected).status().code(), ESTALE);
}

TEST(PosixEnvFiles, OverwriteInPlaceKeepsLengthAndSetsTimes) {
  TempDir dir;
  const std::string file = dir.Write("f", "abcdef");
  auto opened = env.OpenForOverwrite(file);
  ASSERT_TRUE(opened.ok()) << opened.status().message();
  WritableFile& out = **opened;
  const char zeros[3] = {0, 0, 0};
  EXPECT_EQ(*out.WriteAt(2, zeros, 3), 3u);
  EXPECT_TRUE(out.DataSync().ok());
  EXPECT_TRUE(out.SetTimes({100, 0}, {200, 0}).ok());
  EXPECT_TRUE(out.Close().ok());
  struct stat st;  // before reading, which may move the access time
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 200);
  EXPECT_EQ(st.st_atime, 100);
  EXPECT_EQ(ReadAll(file), std::string("ab\0\0\0f", 6));
}

TEST(PosixEnvFiles, DirectWritesNeedAlignmentOrFailCleanly) {
  TempDir dir;
  const std::string file = dir.Write("f", std::string(8192, 'x'));
  auto opened = env.OpenForOverwrite(file);
  ASSERT_TRUE(opened.ok());
  Status direct = (*opened)->SetDirect(true);
  if (!direct.ok()) GTEST_SKIP() << "no O_DIRECT here: " << direct.message();
  const size_t align = (*opened)->direct_alignment();
  void* block = std::aligned_alloc(align, align);
  std::memset(block, 0, align);
  EXPECT_EQ(*(*opened)->WriteAt(0, block, align), align);
  // An unaligned length is refused, never reported as written.
  Result<size_t> odd = (*opened)->WriteAt(0, block, 100);
  EXPECT_FALSE(odd.ok());
  std::free(block);
  EXPECT_TRUE((*opened)->Close().ok());
}

TEST(PosixEnvFiles, PunchedRangeFreesItsBlocksAndKeepsTheSize) {
  TempDir dir;
  const std::string file = dir.Write("f", std::string(1 << 20, 'x'));
  struct stat before;
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  auto opened = env.OpenForOverwrite(file);
  ASSERT_TRUE(opened.ok());
  Status punched = (*opened)->PunchHole(0, 512 << 10);
  if (punched.code() == EOPNOTSUPP || punched.code() == ENOTSUP) {
    GTEST_SKIP() << "no hole punching here: " << punched.message();
  }
  ASSERT_TRUE(punched.ok()) << punched.message();
  EXPECT_TRUE((*opened)->Close().ok());
  struct stat after;
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_size, 1 << 20);
  EXPECT_LT(after.st_blocks, before.st_blocks);
  const std::string content = ReadAll(file);
  EXPECT_EQ(content.substr(0, 512 << 10), std::string(512 << 10, '\0'));
  EXPECT_EQ(content.substr(512 << 10), std::string(512 << 10, 'x'));
}

TEST(PosixEnvFiles, AllocatedBlocksReadAsZerosAndGrowTheFile) {
  TempDir dir;
  const std::string file = dir.Write("f", "abc");
  auto opened = env.OpenForOverwrite(file);
  ASSERT_TRUE(opened.ok());
  Status allocated = (*opened)->Allocate(8192, 4096);
  if (allocated.code() == EOPNOTSUPP || allocated.code() == ENOTSUP) {
    GTEST_SKIP() << "no allocation here: " << allocated.message();
  }
  ASSERT_TRUE(allocated.ok()) << allocated.message();
  EXPECT_TRUE((*opened)->Close().ok());
  struct stat st;
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_GE(st.st_blocks * 512, 8192);
  EXPECT_EQ(ReadAll(file), "abc" + std::string(12288 - 3, '\0'));
}

TEST(PosixEnvFiles, RenameNeverReplacesAnExistingEntry) {
  TempDir dir;
  const std::string a = dir.Write("a", "A");
  const std::string b = dir.Write("b", "B");
  Status status = env.RenameNoReplace(a, b);
  EXPECT_EQ(status.code(), EEXIST);
  EXPECT_EQ(ReadAll(a), "A");
  EXPECT_EQ(ReadAll(b), "B");
  EXPECT_TRUE(env.RenameNoReplace(a, dir / "c").ok());
  EXPECT_EQ(ReadAll(dir / "c"), "A");
}

TEST(PosixEnvFiles, CreateExclusiveDoesNotFollowAPlantedLink) {
  TempDir dir;
  const std::string victim = dir.Write("victim", "keep");
  const std::string planted = dir / "planted";
  ASSERT_EQ(symlink(victim.c_str(), planted.c_str()), 0);
  EXPECT_EQ(env.CreateExclusive(planted, 0600).status().code(), EEXIST);
  EXPECT_EQ(ReadAll(victim), "keep");
}

TEST(PosixEnvFiles, ReplaceFileAtomicallyKeepsModeAndLeavesNoTemporary) {
  TempDir dir;
  const std::string file = dir.Write("settings.ini", "old");
  ASSERT_EQ(chmod(file.c_str(), 0600), 0);
  ASSERT_TRUE(env.ReplaceFileAtomically(file, "new", Env::Durability::kProcessKill).ok());
  EXPECT_EQ(ReadAll(file), "new");
  ASSERT_TRUE(env.ReplaceFileAtomically(file, "new content", Env::Durability::kMachineCrash).ok());
  EXPECT_EQ(ReadAll(file), "new content");
  EXPECT_EQ(env.Describe(file)->mode, 0600u);
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

// Settings never go beside an installed program, however writable its folder
// is to root; a copy in a user's own folder keeps them beside it.
TEST(PosixEnvFolders, OnlyRootsFoldersUnderTheSystemRootsHoldInstalledPrograms) {
  TempDir dir;
  ASSERT_EQ(symlink("/usr/bin", (dir / "bin").c_str()), 0);
  EXPECT_TRUE(env.IsSystemProgramFolder("/usr/bin"));
  EXPECT_TRUE(env.IsSystemProgramFolder(dir / "bin"));  // resolved like the program's path
  EXPECT_FALSE(env.IsSystemProgramFolder(dir.path()));
  EXPECT_FALSE(env.IsSystemProgramFolder("/usr/bin/../../tmp"));
  EXPECT_FALSE(env.IsSystemProgramFolder("/usrlocal"));
  EXPECT_FALSE(env.IsSystemProgramFolder(dir / "missing"));
}

TEST(PosixEnvFiles, DirectoryListingSkipsDotsAndDescribesEntries) {
  TempDir dir;
  dir.Write("a", "1");
  dir.MakeDir("sub");
  ASSERT_EQ(symlink("/", (dir / "root").c_str()), 0);
  auto listing = env.OpenDirectory(dir.path());
  ASSERT_TRUE(listing.ok());
  std::set<std::string> names;
  DirEntry entry;
  while ((*listing)->Next(&entry)) {
    names.insert(entry.name);
    ASSERT_TRUE(entry.info_ok);
    if (entry.name == "root") {
      EXPECT_EQ(entry.info.kind, FileKind::kSymlink);
    }
    if (entry.name == "sub") {
      EXPECT_EQ(entry.info.kind, FileKind::kDirectory);
    }
  }
  EXPECT_TRUE((*listing)->status().ok());
  EXPECT_EQ(names, (std::set<std::string>{"a", "sub", "root"}));
  // A link to a folder is not opened as a folder.
  EXPECT_FALSE(env.OpenDirectory(dir / "root").ok());
}

TEST(PosixEnvFolders, ReplaceFileAtSwapsInTheNewContentWithTheOldModeOnly) {
  TempDir dir;
  const std::string list = dir.Write("list", "old");
  dir.Write("other", "x");
  ASSERT_EQ(chmod(list.c_str(), 0640), 0);
  Result<std::unique_ptr<Folder>> folder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(folder.ok());
  const Result<FileInfo> info = (*folder)->DescribeAt("list");
  const Result<FileInfo> other = (*folder)->DescribeAt("other");
  ASSERT_TRUE(info.ok() && other.ok());
  EXPECT_EQ(info->owner, geteuid());
  // Another object under the name than the one examined: nothing changes.
  EXPECT_EQ((*folder)->ReplaceFileAt("list", "new", *other).code(), ESTALE);
  EXPECT_EQ(ReadAll(list), "old");
  ASSERT_TRUE((*folder)->ReplaceFileAt("list", "new", *info).ok());
  EXPECT_EQ(ReadAll(list), "new");
  struct stat st;
  ASSERT_EQ(stat(list.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_NE(st.st_ino, info->inode);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            2);
}

TEST(PosixEnvSystem, DesktopStoresFollowTheXdgRulesAndTheAccountDatabase) {
  const char* saved[] = {std::getenv("HOME"), std::getenv("XDG_CACHE_HOME"),
                         std::getenv("XDG_DATA_HOME")};
  const std::string kept[] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : "",
                              saved[2] ? saved[2] : ""};
  setenv("HOME", "/h/ann/", 1);
  setenv("XDG_CACHE_HOME", "relative/cache", 1);  // not absolute: the default applies
  setenv("XDG_DATA_HOME", "/data", 1);
  const DesktopStores mine = env.UserDesktopStores();
  EXPECT_EQ(mine.home, "/h/ann");
  EXPECT_EQ(mine.cache_home, "/h/ann/.cache");
  EXPECT_EQ(mine.data_home, "/data");
  EXPECT_EQ(mine.recent_links, "");
  EXPECT_EQ(mine.owner, geteuid());
  const char* names[] = {"HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"};
  for (int i = 0; i < 3; ++i) {
    if (saved[i]) {
      setenv(names[i], kept[i].c_str(), 1);
    } else {
      unsetenv(names[i]);
    }
  }
  const Result<DesktopStores> root = env.AccountDesktopStores("root");
  ASSERT_TRUE(root.ok()) << root.status().message();
  EXPECT_EQ(root->owner, 0u);
  EXPECT_EQ(root->data_home, root->home + "/.local/share");
  EXPECT_EQ(env.AccountDesktopStores("no such account here").status().code(), ENOENT);
  const Result<std::vector<MountInfo>> mounts = env.ListMounts();
  ASSERT_TRUE(mounts.ok());
  EXPECT_TRUE(std::any_of(mounts->begin(), mounts->end(),
                          [](const MountInfo& m) { return m.mount_point == "/"; }));
}

TEST(PosixEnvFolders, PrivateFoldersAreOursAloneAndLocksAreFilesInside) {
  TempDir dir;
  const std::string state = dir / "run/state";
  Result<std::unique_ptr<Folder>> made = env.OpenPrivateFolder(state);
  ASSERT_TRUE(made.ok()) << made.status().message();
  EXPECT_EQ(env.Describe(state)->mode & 077, 0u);
  ASSERT_EQ(chmod(state.c_str(), 0750), 0);
  EXPECT_EQ(env.OpenPrivateFolder(state).status().code(), EACCES);
  ASSERT_EQ(chmod(state.c_str(), 0700), 0);
  ASSERT_EQ(symlink(state.c_str(), (dir / "link").c_str()), 0);
  EXPECT_EQ(env.OpenPrivateFolder(dir / "link").status().code(), ELOOP);
  EXPECT_EQ(env.OpenPrivateFolder(dir.Write("file", "")).status().code(), ENOTDIR);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(state.c_str(), 65534, 65534), 0);
    EXPECT_EQ(env.OpenPrivateFolder(state).status().code(), EPERM);
  }

  Folder& folder = **made;
  Result<std::unique_ptr<FileLock>> first = folder.TryLockAt("held.lock", true, nullptr);
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(folder.TryLockAt("held.lock", true, nullptr).status().code(), EWOULDBLOCK);
  first->reset();
  EXPECT_TRUE(folder.TryLockAt("held.lock", true, nullptr).ok());
  // Never a link's target, never a FIFO's wait.
  ASSERT_EQ(symlink((dir / "file").c_str(), (state + "/l").c_str()), 0);
  EXPECT_EQ(folder.TryLockAt("l", true, nullptr).status().code(), ELOOP);
  ASSERT_EQ(mkfifo((state + "/fifo").c_str(), 0600), 0);
  EXPECT_EQ(folder.TryLockAt("fifo", false, nullptr).status().code(), EINVAL);

  std::unique_ptr<FileLock> note_lock;
  Result<std::unique_ptr<WritableFile>> note = folder.CreateLockedAt("note", &note_lock);
  ASSERT_TRUE(note.ok());
  EXPECT_TRUE((*note)->Close().ok());
  EXPECT_EQ(folder.TryLockAt("note", false, nullptr).status().code(), EWOULDBLOCK);
  EXPECT_EQ(folder.CreateLockedAt("note", &note_lock).status().code(), EEXIST);
  EXPECT_EQ(folder.CreateLockedAt("l", &note_lock).status().code(), EEXIST);
}

TEST(PosixEnvSystem, VolumesMountsAndClock) {
  TempDir dir;
  std::unique_ptr<Folder> held = std::move(env.OpenFolder(dir.path(), nullptr).value());
  Result<VolumeSpace> space = held->Space();
  ASSERT_TRUE(space.ok());
  EXPECT_GT(space->total_bytes, 0u);
  EXPECT_GE(space->free_bytes, space->available_bytes);
  Result<MountInfo> mount = env.FindMount(dir.path());
  ASSERT_TRUE(mount.ok()) << mount.status().message();
  Result<MountInfo> mount_of_handle = held->Mount();
  ASSERT_TRUE(mount_of_handle.ok());
  EXPECT_EQ(mount_of_handle->mount_point, mount->mount_point);
  EXPECT_FALSE(mount->fs_type.empty());
  EXPECT_EQ(dir.path().rfind(mount->mount_point == "/" ? "/" : mount->mount_point, 0), 0u);
  const int64_t before = env.MonotonicMillis();
  env.SleepMillis(20);
  EXPECT_GE(env.MonotonicMillis() - before, 20);
  Result<std::string> exe = env.ExecutablePath();
  ASSERT_TRUE(exe.ok());
  EXPECT_NE(exe->find("platform_test"), std::string::npos);
}

}  // namespace
}  // namespace tarnwell::platform
