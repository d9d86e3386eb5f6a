// The erase touches exactly what was listed: items listed by the real item
// list, then the tree changed at a point the platform double controls (the
// moment the erase opens its first folder), from a second thread.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "erase/dir_slack.h"
#include "erase/erase_item.h"
#include "items/add_items.h"
#include "items/item_list.h"
#include "platform/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::erase {
namespace {

using ::testing::ElementsAre;
using testing::ReadAll;
using testing::RecordingPort;
using testing::RecordingSink;
using testing::TempDir;
using Fail = std::pair<job::Reason, std::string>;
namespace fs = std::filesystem;

class EraseListedTest : public ::testing::Test {
 protected:
  EraseListedTest() : fault_(platform::DefaultEnv()), progress_(fault_, sink_) {
    fault_.observe = [this](const std::string& operation, const std::string&) {
      if (operation == "OpenFolder" && erasing_ && between) {
        // Another program changes the tree after the listing.
        std::thread(std::exchange(between, nullptr)).join();
      }
    };
  }

  // Lists paths as a drop would, then erases every row, last row first.
  void ListAndErase(const std::vector<std::string>& paths, int passes = 1) {
    items::ItemList list(fault_);
    items::ItemAdder adder(fault_, list, &sink_);
    for (const std::string& path : paths) ASSERT_TRUE(adder.AddPath(path).ok()) << path;
    list.RefreshList(nullptr);
    const items::ListedItems listed = list.Listed();
    erasing_ = true;
    counters_.pass_count = passes;
    ItemEraser eraser(fault_, sink_, progress_, counters_, listed);
    for (auto row = listed.rows.rbegin(); row != listed.rows.rend(); ++row) eraser.EraseItem(*row);
    eraser.ScrubKeptFolders();
    erasing_ = false;
  }

  std::vector<std::string> Errors() const { return port_.MessagesWith(core::MessageIcon::kError); }

  TempDir dir_;
  TempDir outside_;
  platform::FaultEnv fault_;
  RecordingSink sink_;
  RecordingPort& port_ = sink_.port();
  job::ProgressReporter progress_;
  EraseCounters counters_;
  std::function<void()> between;  // runs once, when the erase opens its first folder
  bool erasing_ = false;
};

TEST_F(EraseListedTest, FolderOrFileSwappedAfterListingIsLeftAloneAndOutsideUntouched) {
  const std::string target = outside_.Write("f", "outside data");
  const std::string kept = outside_.Write("g", "other outside data");
  dir_.Write("list/sub/f", "listed data");
  dir_.Write("list/file", "listed file");
  between = [&] {
    // list/sub becomes a link to the outside folder; list/file a hard link
    // to an outside file.
    fs::rename(dir_ / "list/sub", dir_ / "moved");
    fs::create_directory_symlink(outside_.path(), dir_ / "list/sub");
    fs::remove(dir_ / "list/file");
    fs::create_hard_link(kept, dir_ / "list/file");
  };
  ListAndErase({dir_ / "list"});

  EXPECT_EQ(ReadAll(target), "outside data");
  EXPECT_EQ(ReadAll(kept), "other outside data");
  EXPECT_TRUE(fs::is_symlink(dir_ / "list/sub"));
  EXPECT_THAT(sink_.Failures(), ::testing::IsSupersetOf(
                                    {Fail{job::Reason::kChangedSinceListed, dir_ / "list/sub/f"},
                                     Fail{job::Reason::kChangedSinceListed, dir_ / "list/file"}}));
  EXPECT_EQ(counters_.written_bytes, 0u);
  EXPECT_EQ(ReadAll(dir_ / "moved/f"), "listed data");  // the listed file was not reached either
}

// The walk itself checks every folder it opens: a listed folder swapped for
// another real folder stops it with ESTALE, before anything in the substitute
// is examined, stamped or scrubbed.
TEST_F(EraseListedTest, FolderSwappedForAnotherRealFolderStopsTheWalk) {
  // The swapped folder as the one the listed path was found in (opened by its
  // path), and as one the walk passes through (opened inside its parent).
  for (const std::string listed : {"list/sub/f", "list"}) {
    SCOPED_TRACE(listed);
    sink_.Clear();
    const std::string base = dir_.MakeDir(listed == "list" ? "walked" : "start");
    const std::string swapped = base + "/list/sub";
    dir_.Write(fs::relative(swapped + "/f", dir_.path()), "listed data");
    const std::string substitute = dir_.MakeDir(fs::relative(base + "/substitute", dir_.path()));
    std::ofstream(substitute + "/f") << "other data";
    std::ofstream(substitute + "/g") << "more";
    const auto before = fs::last_write_time(substitute + "/f");
    between = [&] {
      fs::rename(swapped, base + "/moved");
      fs::rename(substitute, swapped);
    };
    int touched = 0;
    fault_.observe = [&, inner = fault_.observe](const std::string& operation,
                                                 const std::string& path) {
      inner(operation, path);
      if (erasing_ && path.starts_with(swapped + "/")) ++touched;
    };
    ListAndErase({base + "/" + listed});

    const std::optional<job::ItemResult> result = sink_.ResultFor(swapped + "/f");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->reason, job::Reason::kChangedSinceListed);
    EXPECT_EQ(result->error_code, ESTALE);
    EXPECT_EQ(touched, 0);
    EXPECT_EQ(ReadAll(swapped + "/f"), "other data");
    EXPECT_EQ(fs::last_write_time(swapped + "/f"), before);
    // No scrub entry was left there, nor made.
    EXPECT_EQ(std::distance(fs::directory_iterator(swapped), {}), 2);
    EXPECT_EQ(ReadAll(base + "/moved/f"), "listed data");
  }
}

TEST_F(EraseListedTest, FolderMountedOverAListedFolderIsNotEntered) {
  if (geteuid() != 0) GTEST_SKIP() << "bind mounts need root";
  const std::string target = outside_.Write("f", "outside data");
  dir_.Write("list/sub/f", "listed data");
  bool mounted = false;
  between = [&] {
    mounted =
        mount(outside_.path().c_str(), (dir_ / "list/sub").c_str(), nullptr, MS_BIND, nullptr) == 0;
  };
  ListAndErase({dir_ / "list"});
  if (!mounted) GTEST_SKIP() << "cannot bind-mount here: " << std::strerror(errno);
  EXPECT_EQ(ReadAll(target), "outside data");
  umount2((dir_ / "list/sub").c_str(), MNT_DETACH);
  EXPECT_EQ(ReadAll(dir_ / "list/sub/f"), "listed data");
  EXPECT_THAT(sink_.FailureReasons(), ::testing::Contains(job::Reason::kChangedSinceListed));
}

TEST_F(EraseListedTest, SlackScrubStaysInTheFolderTheWalkOpened) {
  // Each case swaps the folder at a call the erase makes once the walk holds
  // the folder: moved away, a link to the outside folder at its path.
  struct Case {
    std::string listed;  // what is listed, relative to dir_
    std::string folder;  // the folder swapped, relative to dir_
    std::string swap_at;
  };
  for (const Case& c : {Case{"kept/a", "kept", "OpenAt"}, Case{"gone", "gone", "CreateAt"}}) {
    SCOPED_TRACE(c.folder);
    sink_.Clear();
    dir_.Write(c.folder + "/a", "listed data");
    const std::string real = dir_ / (c.folder + "-moved");
    int created_in_real = 0;
    fault_.observe = [&](const std::string& operation, const std::string& path) {
      if (operation == c.swap_at && !fs::exists(real)) {
        fs::rename(dir_ / c.folder, real);
        fs::create_directory_symlink(outside_.path(), dir_ / c.folder);
      }
      const std::string name = fs::path(path).filename();
      if (operation == "RemoveAt" && name.starts_with(kSlackEntryPrefix)) {
        created_in_real += fs::exists(real + "/" + name) ? 1 : 0;
      }
    };
    ListAndErase({dir_ / c.listed});

    EXPECT_TRUE(fs::is_empty(outside_.path()));
    EXPECT_GT(created_in_real, 0);
    EXPECT_TRUE(fs::is_empty(real));  // the listed file went, no scrub entry stayed
    EXPECT_TRUE(fs::is_symlink(dir_ / c.folder));
  }
  // The swapped folder itself was not removed: its name leads elsewhere now.
  EXPECT_THAT(sink_.Failures(), ElementsAre(Fail{job::Reason::kChangedSinceListed, dir_ / "gone"}));
}

TEST_F(EraseListedTest, HardLinkedFileIsErasedOnlyWhenEveryNameIsListed) {
  const std::string inside = dir_.Write("a/one", "linked data");
  const std::string other = outside_ / "other";
  fs::create_hard_link(inside, other);
  ListAndErase({inside});
  EXPECT_THAT(sink_.Failures(), ElementsAre(Fail{job::Reason::kOtherNames, inside}));
  EXPECT_EQ(sink_.ResultFor(inside)->count, 1);
  EXPECT_EQ(ReadAll(other), "linked data");
  EXPECT_EQ(ReadAll(inside), "linked data");

  sink_.Clear();
  const std::string twin = dir_ / "b/two";
  fs::create_directories(dir_ / "b");
  fs::create_hard_link(inside, twin);
  fs::remove(other);
  ListAndErase({dir_ / "a", dir_ / "b"});
  EXPECT_TRUE(Errors().empty()) << Errors()[0];
  EXPECT_FALSE(fs::exists(dir_ / "a"));
  EXPECT_FALSE(fs::exists(dir_ / "b"));
  EXPECT_EQ(counters_.written_bytes, 11u);  // one inode, overwritten once
}

TEST_F(EraseListedTest, FileAnotherProgramHasOpenOrChangesIsKept) {
  const std::string busy = dir_.Write("busy", "in use");
  const int writer = open(busy.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ListAndErase({busy});
  close(writer);
  EXPECT_THAT(sink_.Failures(), ElementsAre(Fail{job::Reason::kInUse, busy}));
  EXPECT_EQ(ReadAll(busy), "in use");

  // Where no lease can be had, a size that changes during a pass tells.
  sink_.Clear();
  fault_.deny_exclusive = true;
  const std::string growing = dir_.Write("growing", std::string(5000, 'g'));
  fault_.fail_write = [&](const std::string&, uint64_t, size_t,
                          bool) -> std::optional<platform::Result<size_t>> {
    std::ofstream(growing, std::ios::app) << "more";
    return std::nullopt;
  };
  ListAndErase({growing});
  EXPECT_THAT(sink_.Failures(), ElementsAre(Fail{job::Reason::kChangedWhileErased, growing}));
  EXPECT_TRUE(fs::exists(growing));
}

TEST_F(EraseListedTest, KernelFileSystemsAreNeverWritten) {
  // Writing zeros here would rename this thread; nothing must be written.
  const std::string comm =
      "/proc/" + std::to_string(getpid()) + "/task/" + std::to_string(gettid()) + "/comm";
  const std::string before = ReadAll(comm);
  int opened = 0;
  fault_.observe = [&](const std::string& operation, const std::string&) {
    if (operation == "OpenAt" || operation == "RenameAt") ++opened;
  };
  ListAndErase({comm});
  EXPECT_EQ(ReadAll(comm), before);
  EXPECT_EQ(opened, 0);
  EXPECT_THAT(sink_.Failures(), ElementsAre(Fail{job::Reason::kKernelFileSystem, comm}));
  EXPECT_EQ(sink_.ResultFor(comm)->detail, "proc");
}

TEST_F(EraseListedTest, SparseFileHasItsDataOverwrittenAndItsHolesLeft) {
  const std::string sparse = dir_ / "sparse";
  const uint64_t size = uint64_t{1} << 30;
  {
    const int fd = open(sparse.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const std::string data(4096, 'd');
    ASSERT_EQ(pwrite(fd, data.data(), data.size(), 0), 4096);
    ASSERT_EQ(pwrite(fd, data.data(), data.size(), static_cast<off_t>(size - 4096)), 4096);
    close(fd);
  }
  std::string tail;
  fault_.observe = [&](const std::string& operation, const std::string& path) {
    if (operation == "RemoveAt" && path.find(kSlackEntryPrefix) == std::string::npos) {
      std::ifstream in(path, std::ios::binary);
      in.seekg(static_cast<std::streamoff>(size - 4096));
      tail.assign(4096, 'x');
      in.read(tail.data(), 4096);
      EXPECT_EQ(fs::file_size(path), size);
    }
  };
  ListAndErase({sparse});
  EXPECT_TRUE(Errors().empty()) << Errors()[0];
  EXPECT_EQ(counters_.written_bytes, 8192u);
  EXPECT_EQ(tail, std::string(4096, '\0'));
}

TEST_F(EraseListedTest, PathsListedFromDifferentFoldersAreAllReached) {
  dir_.Write("top/zz/file", "one");
  dir_.Write("top/p/q/f", "two");
  dir_.Write("top/p/keep", "not listed");
  ListAndErase({dir_ / "top/zz", dir_ / "top/p/q/f"});
  EXPECT_TRUE(Errors().empty()) << Errors()[0];
  EXPECT_FALSE(fs::exists(dir_ / "top/zz"));
  EXPECT_FALSE(fs::exists(dir_ / "top/p/q/f"));
  EXPECT_EQ(ReadAll(dir_ / "top/p/keep"), "not listed");
}

TEST_F(EraseListedTest, FailedRenamesAreWarningsAndTheFileStillGoes) {
  const std::string file = dir_.Write("plain.txt", "data");
  fault_.fail_call = [](const std::string& operation,
                        const std::string& path) -> std::optional<platform::Status> {
    if (operation == "RenameAt") return platform::Status::FromErrno(EINVAL, "rename", path);
    return std::nullopt;
  };
  ListAndErase({file});
  EXPECT_TRUE(Errors().empty());
  EXPECT_THAT(sink_.NoticeReasons(), ElementsAre(job::Reason::kRenameFailed));
  EXPECT_EQ(sink_.ResultFor(file)->outcome, job::Outcome::kErased);
  EXPECT_EQ(sink_.ResultFor(file)->reason, job::Reason::kRenameFailed);
  EXPECT_EQ(sink_.ResultFor(file)->error_code, EINVAL);
  EXPECT_FALSE(fs::exists(file));
}

}  // namespace
}  // namespace tarnwell::erase
