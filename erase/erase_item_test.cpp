#include "erase/erase_item.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>

#include "erase/file_times.h"
#include "platform/fault_env.h"
#include "tests/support/pinned_paths.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::erase {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ReadAll;
using testing::RecordingPort;
using testing::RecordingSink;
using testing::TempDir;
namespace fs = std::filesystem;

constexpr uint64_t kMiB = 1024 * 1024;

bool AllZeros(const std::string& content) {
  return content.find_first_not_of('\0') == std::string::npos;
}

size_t EntryCount(const std::string& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

// An eraser over a FaultEnv that records, for every file it deletes, the
// contents at that moment, and counts the calls by operation.
class EraseItemTest : public ::testing::Test {
 protected:
  EraseItemTest() : fault_(platform::DefaultEnv()), progress_(fault_, sink_) {
    fault_.observe = [this](const std::string& operation, const std::string& path) {
      ++calls_[operation];
      if (operation == "RemoveAt" && fs::is_regular_file(fs::symlink_status(path))) {
        deleted_contents_.push_back(ReadAll(path));
      }
    };
  }

  void Erase(const std::vector<std::string>& paths, int passes, EraseOptions options = {}) {
    EraseListed(testing::PinPaths(paths), passes, options);
  }
  void EraseListed(const items::ListedItems& listed, int passes, EraseOptions options = {}) {
    counters_.pass_count = passes;
    ItemEraser eraser(fault_, sink_, progress_, counters_, listed, options);
    for (const items::ListedItem& item : listed.rows) eraser.EraseItem(item);
    eraser.Finish();
  }

  std::vector<std::string> Errors() const { return port_.MessagesWith(core::MessageIcon::kError); }
  // The reason of path's one result (kFailed when it has none or several).
  job::Reason Reason(const std::string& path) const {
    const std::optional<job::ItemResult> result = sink_.ResultFor(path);
    return result ? result->reason : job::Reason::kFailed;
  }

  TempDir dir_;
  platform::FaultEnv fault_;
  RecordingSink sink_;
  RecordingPort& port_ = sink_.port();
  job::ProgressReporter progress_;
  EraseCounters counters_;
  std::map<std::string, int> calls_;
  std::vector<std::string> deleted_contents_;
};

class PassesTest : public EraseItemTest, public ::testing::WithParamInterface<int> {};

TEST_P(PassesTest, FilesAreZeroedEveryPassThenDeletedAtFullLength) {
  const int passes = GetParam();
  // Empty, tiny, odd-sized, and direct blocks with a buffered tail.
  const std::vector<size_t> sizes = {0, 6, 5000, 3 * kMiB + 7};
  std::vector<std::string> paths;
  uint64_t sum = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    paths.push_back(dir_.Write("f" + std::to_string(i) + ".b.txt", std::string(sizes[i], 'S')));
    sum += sizes[i];
  }
  chmod(paths[1].c_str(), 0400);  // read-only
  paths.push_back(dir_.Write(".hidden", "hidden secret"));
  sum += 13;

  Erase(paths, passes);

  EXPECT_TRUE(Errors().empty()) << Errors()[0];
  EXPECT_EQ(counters_.written_bytes, sum * passes);
  EXPECT_EQ(calls_["OpenAt"], 5 * passes);
  // Only the read-only file needs write permission, once (root would not notice).
  EXPECT_EQ(calls_["AddOwnerWriteAt"], 1);
  EXPECT_EQ(EntryCount(dir_.path()), 0u);
  ASSERT_EQ(deleted_contents_.size(), 5u);
  std::vector<size_t> deleted_sizes;
  for (const std::string& content : deleted_contents_) {
    EXPECT_TRUE(AllZeros(content));
    deleted_sizes.push_back(content.size());
  }
  std::sort(deleted_sizes.begin(), deleted_sizes.end());
  EXPECT_THAT(deleted_sizes, ElementsAre(0, 6, 13, 5000, 3 * kMiB + 7));
}

INSTANTIATE_TEST_SUITE_P(OneAndThree, PassesTest, ::testing::Values(1, 3));

TEST_F(EraseItemTest, PathWithoutFolderPartIsErasedInTheCurrentFolder) {
  dir_.Write("plain", "data");
  const fs::path before = fs::current_path();
  fs::current_path(dir_.path());
  Erase({"plain"}, 1);
  fs::current_path(before);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(EntryCount(dir_.path()), 0u);
  EXPECT_EQ(deleted_contents_, std::vector<std::string>{std::string(4, '\0')});
}

TEST_F(EraseItemTest, FoldersStillHoldingEntriesAreUntouchedAndSayWhy) {
  const std::string empty = dir_.MakeDir("empty.d");
  const std::string full = dir_.MakeDir("full");
  const std::string leftover = dir_.Write("full/keep", "not listed");
  const std::string listed = dir_.Write("full/listed", "listed");
  const std::string stuck = dir_.MakeDir("stuck");
  const uint64_t stuck_inode = platform::DefaultEnv().Describe(stuck)->inode;
  // Folders that cannot be read (mode 0 for anyone but root): rm removes the
  // empty one all the same.
  const std::string unread = dir_.MakeDir("unread");
  const std::string unread_full = dir_.MakeDir("unread_full");
  dir_.Write("unread_full/kept", "kept");
  // A removal refused although the folder is empty (an immutable folder).
  fault_.fail_call = [&](const std::string& op,
                         const std::string& path) -> std::optional<platform::Status> {
    platform::Result<platform::FileInfo> info = platform::DefaultEnv().Describe(path);
    if (op == "RemoveAt" && info.ok() && info->inode == stuck_inode) {
      return platform::Status::Error(EPERM, "remove folder: Operation not permitted");
    }
    if (op == "ListNamesAt" && (path == unread || path == unread_full)) {
      return platform::Status::Error(EACCES, "list folder: Permission denied");
    }
    return std::nullopt;
  };

  // Row order is path order; the job erases from the last row up.
  Erase({unread_full, unread, stuck, listed, full, empty}, 2);

  EXPECT_FALSE(fs::exists(empty));
  EXPECT_FALSE(fs::exists(unread));
  EXPECT_EQ(ReadAll(unread_full + "/kept"), "kept");
  EXPECT_EQ(Reason(unread_full), job::Reason::kNotEmpty);
  EXPECT_FALSE(fs::exists(listed));
  EXPECT_EQ(ReadAll(leftover), "not listed");
  EXPECT_EQ(Reason(stuck), job::Reason::kFolderNotRemoved);
  EXPECT_EQ(sink_.ResultFor(stuck)->error_code, EPERM);
  EXPECT_EQ(Reason(full), job::Reason::kNotEmpty);
  EXPECT_EQ(sink_.ResultFor(full)->count, 1);
  EXPECT_EQ(Errors().size(), 3u);
  EXPECT_EQ(counters_.error_count, 3);
  EXPECT_TRUE(fs::is_directory(stuck));  // back under its listed name
  EXPECT_EQ(EntryCount(dir_.path()), 3u);
  // The folder that still holds an entry was not stamped.
  EXPECT_NE(std::chrono::duration_cast<std::chrono::seconds>(
                std::chrono::file_clock::to_sys(fs::last_write_time(full)).time_since_epoch())
                .count(),
            ReplacementTime(fault_)->seconds);
}

TEST_F(EraseItemTest, LinksGoAsLinksAndSpecialFilesAreLeftAlone) {
  TempDir outside;
  const std::string target = outside.Write("target", "precious");
  const std::string link = dir_ / "link";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  const std::string fifo = dir_ / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  Erase({link, fifo}, 1);  // a FIFO that were opened would block here

  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  EXPECT_EQ(ReadAll(target), "precious");
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(sink_.ResultFor(fifo)->outcome, job::Outcome::kSkipped);
  EXPECT_EQ(Reason(fifo), job::Reason::kNotRegularFile);
  EXPECT_EQ(Reason(link), job::Reason::kNone);
  EXPECT_EQ(calls_["OpenAt"], 0);
  EXPECT_EQ(counters_.written_bytes, 0u);
}

TEST_F(EraseItemTest, FailedWriteSyncOrCloseKeepsTheFileAndCountsAnError) {
  for (const std::string operation : {"WriteAt", "DataSync", "Close", "OpenAt"}) {
    SCOPED_TRACE(operation);
    TempDir dir;
    const std::string file = dir.Write("victim", std::string(10000, 'v'));
    RecordingSink sink;
    EraseCounters counters;
    counters.pass_count = 2;
    fault_.fail_call = [&](const std::string& op,
                           const std::string&) -> std::optional<platform::Status> {
      if (op == operation)
        return platform::Status::Error(EIO, op + " 'victim': Input/output error");
      return std::nullopt;
    };
    {
      const items::ListedItems listed = testing::PinPaths({file});
      ItemEraser eraser(fault_, sink, progress_, counters, listed);
      eraser.EraseItem(listed.rows[0]);
    }
    fault_.fail_call = nullptr;
    EXPECT_TRUE(fs::exists(file));  // neither renamed nor deleted
    EXPECT_EQ(counters.error_count, 1);
    EXPECT_EQ(sink.FailureReasons(), std::vector<job::Reason>{job::Reason::kWriteFailed});
    EXPECT_EQ(sink.ResultFor(file)->error_code, EIO);
    EXPECT_EQ(calls_["RenameAt"], 0);
  }
}

TEST_F(EraseItemTest, ShortWritesAreContinuedAndAWriteOfNothingIsAnError) {
  const std::string file = dir_.Write("short", std::string(kMiB + 100, 's'));
  fault_.fail_write = [](const std::string&, uint64_t, size_t length, bool) {
    return std::optional<platform::Result<size_t>>(length > 1000 ? length / 3 : length);
  };
  Erase({file}, 1);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(counters_.written_bytes, kMiB + 100);
  ASSERT_EQ(deleted_contents_.size(), 1u);
  EXPECT_TRUE(AllZeros(deleted_contents_[0]));
  EXPECT_EQ(deleted_contents_[0].size(), kMiB + 100);

  const std::string stuck = dir_.Write("stuck", "abc");
  fault_.fail_write = [](const std::string&, uint64_t, size_t, bool) {
    return std::optional<platform::Result<size_t>>(size_t{0});
  };
  Erase({stuck}, 1);
  EXPECT_EQ(ReadAll(stuck), "abc");
  EXPECT_EQ(Reason(stuck), job::Reason::kWriteFailed);
}

TEST_F(EraseItemTest, DirectIoRefusedAtOpenOrAtWriteFallsBackToBuffered) {
  const std::string a = dir_.Write("a", std::string(2 * kMiB + 3, 'a'));
  const std::string b = dir_.Write("b", std::string(2 * kMiB + 3, 'b'));
  int direct_writes = 0;
  fault_.fail_write = [&](const std::string& path, uint64_t, size_t,
                          bool direct) -> std::optional<platform::Result<size_t>> {
    if (!direct) return std::nullopt;
    ++direct_writes;
    // A 4 KiB-sector device refusing what the file system allowed.
    if (path == a)
      return platform::Result<size_t>(platform::Status::Error(EINVAL, "write: EINVAL"));
    return std::nullopt;
  };
  Erase({a}, 1);
  fault_.refuse_direct = true;
  Erase({b}, 1);
  EXPECT_TRUE(Errors().empty());
  EXPECT_GE(direct_writes, 1);
  ASSERT_EQ(deleted_contents_.size(), 2u);
  for (const std::string& content : deleted_contents_) {
    EXPECT_TRUE(AllZeros(content));
    EXPECT_EQ(content.size(), 2 * kMiB + 3);
  }
  EXPECT_EQ(counters_.written_bytes, 2 * (2 * kMiB + 3));
}

TEST_F(EraseItemTest, VerifyKeepsAFileThatDoesNotReadBackAsZeros) {
  const std::string good = dir_.Write("good", std::string(70000, 'g'));
  const std::string bad = dir_.Write("bad", std::string(70000, 'b'));
  fault_.corrupt_read = [&](const std::string& path, uint64_t offset, void* data, size_t length) {
    if (path == bad && offset <= 65536 && 65536 < offset + length) {
      static_cast<char*>(data)[65536 - offset] = 'b';  // one byte the disk never changed
    }
  };
  Erase({good, bad}, 1, EraseOptions{.verify = true});
  EXPECT_FALSE(fs::exists(good));
  EXPECT_TRUE(fs::exists(bad));
  EXPECT_EQ(Reason(bad), job::Reason::kVerifyMismatch);
  EXPECT_EQ(Reason(good), job::Reason::kNone);
  EXPECT_EQ(counters_.error_count, 1);
  EXPECT_EQ(calls_["ReadAt"] > 0, true);
}

TEST_F(EraseItemTest, FileOverFourGibibytesIsCoveredToItsLastByte) {
  const uint64_t size = 5 * 1024 * kMiB;
  const std::string file = dir_ / "sparse";
  fs::resize_file(dir_.Write("sparse", "S"), size);
  std::vector<std::pair<uint64_t, uint64_t>> spans;
  fault_.fail_write = [&](const std::string&, uint64_t offset, size_t length, bool) {
    spans.emplace_back(offset, offset + length);
    return std::optional<platform::Result<size_t>>();
  };
  uint64_t size_at_delete = 0;
  fault_.observe = [&](const std::string& operation, const std::string& path) {
    if (operation == "RemoveAt") size_at_delete = fs::file_size(path);
  };
  fault_.no_hole_map = true;  // a file system that cannot tell holes apart
  Erase({file}, 1);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(size_at_delete, size);
  EXPECT_EQ(counters_.written_bytes, size);
  std::sort(spans.begin(), spans.end());
  uint64_t covered = 0;
  for (const auto& [begin, end] : spans) {
    ASSERT_EQ(begin, covered) << "gap or overlap";
    covered = end;
  }
  EXPECT_EQ(covered, size);
}

// The order a kill or a power cut must find: no rename before the batch's
// zeros are on the disk, no delete before the random names are; a volume
// that will not sync as a whole has each file synced instead.
TEST_F(EraseItemTest, ABatchIsDurableBeforeItsRenamesAndItsNamesBeforeItsDeletes) {
  for (const bool whole_volume : {true, false}) {
    SCOPED_TRACE(whole_volume ? "syncfs" : "a sync per file");
    TempDir dir;
    std::vector<std::string> paths;
    for (const char* name : {"a", "b", "c"}) paths.push_back(dir.Write(name, "secret"));
    std::vector<std::string> order;
    fault_.observe = [&](const std::string& operation, const std::string&) {
      order.push_back(operation);
    };
    fault_.fail_call = [&](const std::string& op,
                           const std::string&) -> std::optional<platform::Status> {
      if (!whole_volume && op == "SyncFileSystem") return platform::Status::Error(EBADF, "no");
      return std::nullopt;
    };
    Erase(paths, 1);
    fault_.fail_call = nullptr;
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(EntryCount(dir.path()), 0u);
    const auto first = [&](const std::string& op) {
      return std::find(order.begin(), order.end(), op) - order.begin();
    };
    const auto last = [&](const std::string& op) {
      return order.rend() - std::find(order.rbegin(), order.rend(), op) - 1;
    };
    const auto durable = whole_volume ? first("SyncFileSystem") : last("DataSync");
    EXPECT_LT(last("WriteAt"), durable);
    EXPECT_LT(durable, first("RenameAt"));
    EXPECT_EQ(std::count(order.begin(), order.end(), "DataSync"), whole_volume ? 0 : 3);
    const auto names_synced = std::find(order.begin() + last("RenameAt"), order.end(),
                                        whole_volume ? "SyncFileSystem" : "SyncFolder") -
                              order.begin();
    EXPECT_LT(names_synced, first("RemoveAt"));
  }
}

// A batch spans folders: one sync makes the zeros of them all durable before
// any rename; every delete waits for a sync after the last rename; a folder
// is scrubbed after what it held is gone and removed after a sync that
// follows its scrub, so the deepest go first.
TEST_F(EraseItemTest, ABatchSpansFoldersAndKeepsTheOrderInEach) {
  const std::string top = dir_.MakeDir("top");
  dir_.MakeDir("top/a");
  dir_.MakeDir("top/b");
  const std::vector<std::string> paths = {dir_.Write("top/f", "secret"),
                                          dir_.Write("top/b/3", "secret"),
                                          top + "/b",
                                          dir_.Write("top/a/2", "secret"),
                                          dir_.Write("top/a/1", "secret"),
                                          top + "/a",
                                          top};
  struct Event {
    std::string op;
    ino_t entry = 0;
    ino_t folder = 0;
  };
  std::vector<Event> events;
  const auto inode = [](const fs::path& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_ino : ino_t{0};
  };
  fault_.observe = [&](const std::string& op, const std::string& path) {
    const fs::path entry(path);
    const bool scrub = entry.filename().string().starts_with(".tarnwell-slack-");
    std::string kind = op;
    if (op == "SyncFileSystem" || op == "SyncFolder") kind = "sync";
    if (op == "CreateAt" || (op == "RemoveAt" && scrub)) kind = "scrub";
    if (op == "RemoveAt" && !scrub)
      kind = fs::is_directory(fs::symlink_status(entry)) ? "rmdir" : "unlink";
    events.push_back({kind, inode(entry), inode(entry.parent_path())});
  };
  Erase(paths, 1);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(EntryCount(dir_.path()), 0u);

  const auto find = [&](size_t from, size_t to, auto match) {
    for (size_t i = from; i < to; ++i) {
      if (match(events[i])) return i;
    }
    return to;
  };
  const auto is = [](const char* op) { return [op](const Event& e) { return e.op == op; }; };
  const size_t first_sync = find(0, events.size(), is("sync"));
  const size_t first_rename = find(0, events.size(), is("RenameAt"));
  size_t last_write = 0;
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i].op == "WriteAt") last_write = i;
  }
  EXPECT_LT(last_write, first_sync);
  EXPECT_LT(first_sync, first_rename);
  EXPECT_EQ(find(first_sync + 1, first_rename, is("sync")), first_rename) << "one sync for all";
  size_t last_rename = 0;
  int folders_removed = 0;
  for (size_t i = 0; i < events.size(); ++i) {
    const Event& e = events[i];
    if (e.op == "RenameAt") last_rename = i;
    if (e.op != "unlink" && e.op != "rmdir") continue;
    EXPECT_LT(find(last_rename, i, is("sync")), i) << "a delete before its name was durable";
    if (e.op != "rmdir") continue;
    ++folders_removed;
    const auto scrub_of_it = [&](const Event& s) { return s.op == "scrub" && s.folder == e.entry; };
    const size_t scrub = find(0, i, scrub_of_it);
    ASSERT_LT(scrub, i);
    size_t last_scrub = scrub;
    for (size_t k = scrub; k < i; ++k) {
      if (scrub_of_it(events[k])) last_scrub = k;
      // Nothing it held goes after its scrub began.
      const bool held = events[k].folder == e.entry && events[k].op != "scrub";
      EXPECT_FALSE(held && (events[k].op == "unlink" || events[k].op == "rmdir"));
    }
    EXPECT_LT(find(last_scrub, i, is("sync")), i) << "removed before its scrub was durable";
  }
  EXPECT_EQ(folders_removed, 3);
}

// A one-letter name draws itself one time in seven: that draw is no rename.
TEST_F(EraseItemTest, EachOfTheSevenRenamesGivesANewName) {
  std::vector<std::string> paths;
  for (const char* folder : {"p", "q", "r", "s"}) paths.push_back(dir_.Write(folder, "x"));
  for (std::string& path : paths) {
    const std::string folder = path + "d";
    fs::create_directory(folder);
    fs::rename(path, folder + "/" + fs::path(path).filename().string());
    path = folder + "/" + fs::path(path).filename().string();
  }
  std::vector<std::string> renamed_from;
  fault_.observe = [&](const std::string& operation, const std::string& path) {
    if (operation == "RenameAt") renamed_from.push_back(path);
  };
  Erase(paths, 1);
  EXPECT_TRUE(Errors().empty());
  // Never a name renamed to itself, and seven renames each.
  EXPECT_EQ(renamed_from.size(), 4u * 7u);
}

TEST_F(EraseItemTest, NamedStreamsAreZeroedEveryPassAndRemovedBeforeTheFileGoes) {
  const std::string file = dir_.Write("download.zip", "contents");
  const std::string zone = "[ZoneTransfer]\nHostUrl=https://example.org/secret.zip\n";
  fault_.streams[file] = {{"Zone.Identifier", zone}, {"kept", std::string(70000, 'x')}};
  std::map<std::string, std::string> at_removal;
  bool streams_when_deleted = true;
  auto count = fault_.observe;
  fault_.observe = [&](const std::string& operation, const std::string& path) {
    count(operation, path);
    if (operation == "WriteAt") ++calls_["WriteAt " + path];
    if (operation == "RemoveStreamAt") {
      const std::string stream = path.substr(path.rfind(':') + 1);
      at_removal[stream] = fault_.streams[file][stream];
    }
    if (operation == "RemoveAt" && fs::is_regular_file(path)) {
      streams_when_deleted = fault_.streams.count(file) != 0;
    }
  };
  Erase({file}, 3);
  EXPECT_THAT(Errors(), ElementsAre());
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(calls_["WriteAt " + file + ":Zone.Identifier"], 3);
  EXPECT_EQ(calls_["WriteAt " + file + ":kept"], 3);
  ASSERT_EQ(at_removal.size(), 2u);
  EXPECT_EQ(at_removal["Zone.Identifier"], std::string(zone.size(), '\0'));
  EXPECT_TRUE(AllZeros(at_removal["kept"]));
  EXPECT_FALSE(streams_when_deleted);

  // A stream that cannot be opened keeps the file, with a result naming it.
  const std::string other = dir_.Write("other.txt", "contents");
  fault_.streams[other] = {{"Zone.Identifier", zone}};
  fault_.fail_call = [](const std::string& operation,
                        const std::string& path) -> std::optional<platform::Status> {
    if (operation != "OpenStreamAt") return std::nullopt;
    return platform::Status::Error(EACCES, "open stream '" + path + "': Permission denied");
  };
  Erase({other}, 1);
  EXPECT_EQ(Reason(other), job::Reason::kWriteFailed);
  EXPECT_THAT(sink_.ResultFor(other)->detail, HasSubstr("other.txt:Zone.Identifier"));
  EXPECT_TRUE(fs::exists(other));
}

}  // namespace
}  // namespace tarnwell::erase
