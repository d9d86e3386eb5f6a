#include "items/add_items.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <regex>

#include "platform/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "text/catalog.h"

namespace tarnwell::items {
namespace {

namespace fs = std::filesystem;
using core::MessageIcon;
using testing::RecordingSink;
using testing::TempDir;
using Paths = std::vector<std::string>;
using Note = std::pair<job::Reason, std::string>;
using Notes = std::vector<Note>;

class AddItemsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(text::BuildTextCatalog());
    text::SetCurrentLanguage(1);  // English
  }

  // Every path of the list, shown or not, after a refresh.
  Paths Rows() {
    list_.RefreshList(&sink_);
    return list_.RowPaths();
  }
  // The warnings so far: reason and path.
  Notes Notices() const {
    Notes notes;
    for (const job::Notice& n : sink_.Of<job::Notice>()) notes.emplace_back(n.reason, n.subject);
    return notes;
  }
  // The expected rows: relative names below the temp folder, in byte order.
  Paths Under(Paths relative) const {
    for (std::string& path : relative) path = dir_ / path;
    std::sort(relative.begin(), relative.end());
    return relative;
  }

  TempDir dir_;
  RecordingSink sink_;
  ItemList list_{platform::DefaultEnv()};
  ItemAdder adder_{platform::DefaultEnv(), list_, &sink_};
};

TEST_F(AddItemsTest, DroppedFolderBringsEverythingBelowIt) {
  dir_.Write("d/a.txt", "aaa");
  dir_.Write("d/sub/b.txt", "bb");
  dir_.Write("d/sub/deeper/c", "");
  dir_.MakeDir("d/empty");
  adder_.AddPath(dir_ / "d/");  // trailing slash: the same folder
  adder_.AddPath(dir_ / "d/sub/b.txt");
  adder_.AddPath(dir_ / "missing");
  adder_.AddPath("/");
  EXPECT_EQ(Rows(), Under({"d", "d/a.txt", "d/empty", "d/sub", "d/sub/b.txt", "d/sub/deeper",
                           "d/sub/deeper/c"}));
  EXPECT_EQ(*list_.GetCellText(0, ItemList::kSizeColumn), "<DIR>");
  EXPECT_EQ(*list_.GetCellText(1, ItemList::kSizeColumn), "3.0 byte");
  EXPECT_EQ(Notices(), (Notes{{job::Reason::kRefusedRoot, "/"}}));
}

TEST_F(AddItemsTest, LinksAreItemsOfTheirOwnAndNeverFollowed) {
  dir_.Write("d/file", "x");
  fs::create_directory_symlink("/", dir_ / "d/root");
  fs::create_symlink(dir_ / "d", dir_ / "to_d");
  adder_.AddPath(dir_ / "d");
  adder_.AddPath(dir_ / "to_d/");  // the slash must not lead into d twice over
  EXPECT_EQ(Rows(), Under({"d", "d/file", "d/root", "to_d"}));
}

TEST_F(AddItemsTest, FifoSocketAndOddNamesAreListedWithoutBlocking) {
  const std::string folder = dir_.MakeDir("d");
  ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0600), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = folder + "/sock";
  ASSERT_LT(socket_path.size(), sizeof(address.sun_path));
  std::strcpy(address.sun_path, socket_path.c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  dir_.Write("d/\xFF\xFE\x80", "");
  adder_.AddPath(folder);
  close(sock);
  EXPECT_EQ(Rows(), Under({"d", "d/fifo", "d/sock", "d/\xFF\xFE\x80"}));
}

TEST_F(AddItemsTest, FlagsChooseWhatAScanAdds) {
  const struct {
    ScanFlags flags;
    Paths rows;
  } cases[] = {
      {{true, true, true}, {"lnk", "s", "s/f", "top"}},
      {{true, true, false}, {"lnk", "s/f", "top"}},
      {{true, false, true}, {"lnk", "s", "s/f", "top"}},
      {{true, false, false}, {}},
      {{false, true, false}, {"lnk", "s", "top"}},  // folders not scanned count as files
      {{false, false, true}, {"lnk", "s", "top"}},
  };
  dir_.Write("top", "");
  dir_.Write("s/f", "");
  // A link to a folder is an entry of its own, never a way into its target.
  fs::create_directory_symlink(dir_ / "s", dir_ / "lnk");
  for (const auto& c : cases) {
    list_.ResetList(nullptr);
    adder_.ScanFolder(dir_.path(), c.flags);
    EXPECT_EQ(Rows(), Under(c.rows))
        << c.flags.include_subfolders << c.flags.add_files << c.flags.add_folders;
  }
}

TEST_F(AddItemsTest, ProgressEveryTwentyOneFoldersAndOneRefreshPerBatch) {
  for (int i = 0; i < 49; ++i) dir_.MakeDir("p/" + std::to_string(i));
  adder_.AddArguments(Paths{dir_ / "p"});  // 50 folders opened
  const Paths status = sink_.port().status_texts();
  ASSERT_EQ(status.size(), 3u);  // two progress texts, then the refresh
  EXPECT_TRUE(std::regex_match(status[0], std::regex("Items:[0-9]+"))) << status[0];
  EXPECT_TRUE(status[2].starts_with("Ready // Items:50 ")) << status[2];
  EXPECT_EQ(sink_.port().row_counts(), std::vector<int>{50});
}

TEST_F(AddItemsTest, CommandLineAndArgumentsEachEndWithOneRefresh) {
  dir_.Write("my files/a.txt", "");
  dir_.Write("x.txt", "");
  adder_.AddCommandLinePaths("x:\\");
  EXPECT_EQ(sink_.port().row_counts(), std::vector<int>{0});
  adder_.AddCommandLinePaths(dir_ / "x.txt   \"" + dir_ / "my files/a.txt\"");
  EXPECT_EQ(list_.RowPaths(), Under({"my files/a.txt", "x.txt"}));
  list_.ResetList(nullptr);
  // Each argument exactly: blanks around a name belong to it, so they name nothing here.
  adder_.AddArguments(Paths{"\t" + dir_ / "x.txt ", "", dir_ / "my files/a.txt", dir_ / "my"});
  EXPECT_EQ(list_.RowPaths(), Under({"my files/a.txt"}));
  EXPECT_EQ(sink_.port().row_counts(), (std::vector<int>{0, 2, 1}));
}

// The folder part is resolved by the system once; "/", "." and ".." as the
// last name are refused, since they name far more than an entry.
TEST_F(AddItemsTest, PathsAreResolvedAsTheSystemDoesAndDotNamesRefused) {
  dir_.Write("data", "here");
  dir_.Write("other/data", "there");
  dir_.Write("other/only", "");
  fs::create_directory_symlink(dir_ / "other/inner", dir_ / "link");
  fs::create_directory(dir_ / "other/inner");
  EXPECT_TRUE(adder_.AddPath(dir_ / "link/../data").ok());
  EXPECT_TRUE(adder_.AddPath(dir_ / "link/../only").ok());
  EXPECT_EQ(Rows(), Under({"other/data", "other/only"}));

  list_.ResetList(nullptr);
  const fs::path before = fs::current_path();
  fs::current_path(dir_ / "other/inner");
  for (const std::string path : {".", "..", "./", "inner/..", "/", "//"}) {
    const platform::Status status = adder_.AddPath(path);
    EXPECT_EQ(status.code(), EINVAL) << path;
  }
  EXPECT_EQ(adder_.AddPath("../data").code(), 0);
  fs::current_path(before);
  EXPECT_EQ(Rows(), Under({"other/data"}));
  const Notes notices = Notices();
  ASSERT_EQ(notices.size(), 6u);
  EXPECT_EQ(notices[0], (Note{job::Reason::kRefusedDots, "."}));
  EXPECT_EQ(notices[4], (Note{job::Reason::kRefusedRoot, "/"}));
  // The rows people see: one warning each, in their words.
  EXPECT_EQ(sink_.port().MessagesWith(MessageIcon::kWarning).size(), 6u);
}

TEST_F(AddItemsTest, UnreadableFolderIsReportedAndTheRestScanned) {
  platform::FaultEnv env(platform::DefaultEnv());
  const std::string locked = dir_.MakeDir("d/locked");
  dir_.Write("d/locked/hidden", "");
  dir_.Write("d/open/seen", "");
  env.fail_call = [&](const std::string& operation,
                      const std::string& path) -> std::optional<platform::Status> {
    if (operation == "ListNamesAt" && path == locked) {
      return platform::Status::Error(EACCES, "denied");
    }
    return std::nullopt;
  };
  ItemAdder adder(env, list_, &sink_);
  adder.AddPath(dir_ / "d");
  EXPECT_EQ(Rows(), Under({"d", "d/locked", "d/open", "d/open/seen"}));
  EXPECT_EQ(Notices(), (Notes{{job::Reason::kFolderUnreadable, locked}}));
}

// Mounts inside a dropped folder: a tmpfs (another device) and a bind mount of
// a folder of the same file system (same device, another mount).
TEST_F(AddItemsTest, OtherMountsAreSteppedOverWithAWarning) {
  dir_.Write("d/kept", "");
  const std::string tmpfs = dir_.MakeDir("d/tmpfs");
  const std::string bind_target = dir_.MakeDir("d/bound");
  dir_.Write("elsewhere/secret", "");
  if (mount("tarnwell-test", tmpfs.c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << ")";
  }
  dir_.Write("d/tmpfs/on_tmpfs", "");
  const bool bound =
      mount((dir_ / "elsewhere").c_str(), bind_target.c_str(), nullptr, MS_BIND, nullptr) == 0;
  if (!bound) std::cout << "bind mounts are not allowed here; only the tmpfs is checked\n";
  adder_.AddPath(dir_ / "d");
  umount2(tmpfs.c_str(), MNT_DETACH);
  if (bound) umount2(bind_target.c_str(), MNT_DETACH);

  Paths expected = {"d", "d/kept"};
  Notes warnings = {{job::Reason::kSteppedOver, tmpfs}};
  if (!bound) expected.push_back("d/bound");
  if (bound) warnings.push_back({job::Reason::kSteppedOver, bind_target});
  std::sort(warnings.begin(), warnings.end());
  Notes shown = Notices();
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, warnings);
  EXPECT_EQ(Rows(), Under(expected));
}

}  // namespace
}  // namespace tarnwell::items
