#include "items/item_list.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "text/catalog.h"

namespace tarnwell::items {
namespace {

namespace fs = std::filesystem;
using testing::RecordingSink;
using testing::TempDir;

class ItemListTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(text::BuildTextCatalog());
    text::SetCurrentLanguage(1);  // English
  }

  std::vector<std::string> Column(int column) const {
    std::vector<std::string> cells;
    for (int row = 0; row < list_.RowCount(); ++row)
      cells.push_back(*list_.GetCellText(row, column));
    return cells;
  }

  TempDir dir_;
  RecordingSink sink_;
  ItemList list_{platform::DefaultEnv()};
};

TEST_F(ItemListTest, EmptyListShowsZeroRowsAndZeroBytes) {
  list_.RefreshList(&sink_);
  EXPECT_EQ(sink_.port().row_counts(), std::vector<int>{0});
  EXPECT_EQ(sink_.port().last_status(), "Ready // Items:0 0.0 byte");
  EXPECT_EQ(list_.GetCellText(0, 0), std::nullopt);
}

TEST_F(ItemListTest, ExactPathsAreKeysAndRowsFollowByteOrder) {
  const std::string upper = dir_.Write("A.txt", std::string(512, 'x'));
  const std::string lower = dir_.Write("a.txt", std::string(512, 'x'));
  const std::string plain = dir_.Write("a/x", std::string(512, 'x'));
  const std::string blank = dir_.Write("a b/x", "");
  const std::string odd = dir_.Write("\xFF\xFE", "");
  for (const std::string& path : {odd, plain, lower, upper, blank}) list_.AddItem(path, 512);
  list_.AddItem(lower, 1536);  // the same bytes again: one entry, last size
  list_.RefreshList(&sink_);

  EXPECT_EQ(list_.EntryCount(), 5u);
  EXPECT_EQ(Column(ItemList::kPathColumn),
            (std::vector<std::string>{upper, blank, lower, plain, odd}));
  EXPECT_EQ(list_.RowPaths(), Column(ItemList::kPathColumn));
  EXPECT_EQ(*list_.GetCellText(2, ItemList::kSizeColumn), "1.5 KB");
  EXPECT_EQ(sink_.port().last_status(), "Ready // Items:5 3.5 KB");
  EXPECT_EQ(list_.GetCellText(5, 0), std::nullopt);
  EXPECT_EQ(list_.GetCellText(0, 2), std::nullopt);
  EXPECT_EQ(list_.GetCellText(-1, 0), std::nullopt);
}

// Enough entries to grow the duplicate index several times over.
TEST_F(ItemListTest, RowsStayInByteOrderWhenALaterBatchSortsFirst) {
  for (const char* name : {"m", "n", "a", "b", "c"}) dir_.Write(name, "");
  list_.AddItem(dir_ / "n", 1);
  list_.AddItem(dir_ / "m", 1);
  list_.RefreshList(nullptr);
  list_.AddItem(dir_ / "c", 1);
  list_.AddItem(dir_ / "a", 1);
  list_.RefreshList(nullptr);
  list_.AddItem(dir_ / "b", 1);
  list_.RefreshList(nullptr);
  EXPECT_EQ(Column(ItemList::kPathColumn),
            (std::vector<std::string>{dir_ / "a", dir_ / "b", dir_ / "c", dir_ / "m", dir_ / "n"}));
}

TEST_F(ItemListTest, ManyPathsKeepOneEntryEachWithTheLastSize) {
  for (int size : {1, 2}) {
    for (int i = 0; i < 3000; ++i) list_.AddItem(dir_ / "gone/" + std::to_string(i), size);
  }
  list_.RefreshList(&sink_);
  EXPECT_EQ(list_.EntryCount(), 3000u);
  EXPECT_EQ(sink_.port().last_status(), "Ready // Items:0 5.9 KB");  // 3000 * 2 bytes
}

TEST_F(ItemListTest, FoldersShowDirExceptDotNamesAndLinks) {
  const std::string folder = dir_.MakeDir("sub");
  const std::string link = dir_ / "link";
  fs::create_directory_symlink(folder, link);
  list_.AddItem(folder, *platform::DefaultEnv().Describe(folder));
  list_.AddItem(link, *platform::DefaultEnv().Describe(link));
  list_.AddItem(".", 4096);
  list_.AddItem("..", 2048);
  list_.RefreshList(nullptr);
  ASSERT_EQ(Column(ItemList::kPathColumn), (std::vector<std::string>{".", "..", link, folder}));
  EXPECT_EQ(Column(ItemList::kSizeColumn),
            (std::vector<std::string>{"4.0 KB", "2.0 KB", std::to_string(folder.size()) + ".0 byte",
                                      "<DIR>"}));
}

// Twelve entries in one folder are checked by one listing, two in another by
// a stat each; both ways must drop exactly the deleted paths.
TEST_F(ItemListTest, RefreshDropsVanishedPathsButTotalKeepsThem) {
  platform::FaultEnv env(platform::DefaultEnv());
  ItemList list(env);
  std::vector<std::string> many, few;
  for (int i = 0; i < 12; ++i)
    many.push_back(dir_.Write("many/" + std::to_string(i + 10), "0123456789"));
  for (int i = 0; i < 2; ++i) few.push_back(dir_.Write("few/" + std::to_string(i), "0123456789"));
  for (const auto& path : many) list.AddItem(path, 100);
  for (const auto& path : few) list.AddItem(path, 100);
  list.AddItem(dir_ / "gone/a", 100);  // a folder that never existed
  for (int i : {0, 5, 11}) fs::remove(many[i]);
  fs::remove(few[0]);

  std::vector<std::string> expected = {few[1]};
  for (int i = 0; i < 12; ++i) {
    if (i != 0 && i != 5 && i != 11) expected.push_back(many[i]);
  }
  list.RefreshList(&sink_);
  EXPECT_EQ(list.RowPaths(), expected);
  EXPECT_EQ(sink_.port().last_status(), "Ready // Items:10 1.5 KB");

  // A folder that may be searched but not listed is asked entry by entry.
  env.fail_call = [](const std::string& operation,
                     const std::string&) -> std::optional<platform::Status> {
    if (operation == "ListNames") return platform::Status::Error(EACCES, "denied");
    return std::nullopt;
  };
  list.RefreshList(nullptr);
  EXPECT_EQ(list.RowPaths(), expected);
  // One that may be listed but not searched: its names cannot be examined.
  const std::string many_folder = dir_ / "many/";
  env.fail_call = [&](const std::string& operation,
                      const std::string& path) -> std::optional<platform::Status> {
    if (operation == "Describe" && path.starts_with(many_folder)) {
      return platform::Status::Error(EACCES, "denied");
    }
    return std::nullopt;
  };
  list.RefreshList(nullptr);
  EXPECT_EQ(list.RowPaths(), std::vector<std::string>{few[1]});
  env.fail_call = nullptr;

  fs::remove_all(dir_ / "many");
  list.RefreshList(&sink_);
  EXPECT_EQ(list.RowPaths(), std::vector<std::string>{few[1]});
  EXPECT_EQ(sink_.port().last_status(), "Ready // Items:1 1.5 KB");
}

TEST_F(ItemListTest, ResetForgetsEverythingAndTouchesNoFile) {
  const std::string file = dir_.Write("f", "data");
  list_.AddItem(file, 4);
  list_.RefreshList(&sink_);
  list_.ResetList(&sink_);
  EXPECT_EQ(list_.RowCount(), 0);
  EXPECT_EQ(list_.EntryCount(), 0u);
  EXPECT_EQ(sink_.port().row_counts(), (std::vector<int>{1, 0}));
  EXPECT_EQ(sink_.port().last_status(), "Ready");  // no stale count after a reset
  list_.RefreshList(&sink_);
  EXPECT_EQ(sink_.port().last_status(), "Ready // Items:0 0.0 byte");
  EXPECT_TRUE(fs::exists(file));
  list_.AddItem(file, 4);  // usable again after a reset
  list_.RefreshList(nullptr);
  EXPECT_EQ(list_.RowPaths(), std::vector<std::string>{file});
}

// Rows taken out stay out of refreshes, the erase's rows and the total, and
// come back only when added again; numbers past the end are ignored.
TEST_F(ItemListTest, RemovedRowsStayOutUntilAddedAgain) {
  const std::string a = dir_.Write("a", std::string(100, 'x'));
  const std::string b = dir_.Write("b", std::string(20, 'x'));
  const std::string c = dir_.Write("c", std::string(3, 'x'));
  for (const std::string& path : {a, b, c})
    list_.AddItem(path, *platform::DefaultEnv().Describe(path));
  list_.RefreshList(nullptr);
  list_.RemoveRows({2, 0, 9}, &sink_);
  EXPECT_EQ(list_.RowPaths(), std::vector<std::string>{b});
  EXPECT_EQ(list_.ItemsSummary().total_bytes, 20u);
  list_.RefreshList(&sink_);
  ASSERT_EQ(list_.Listed().rows.size(), 1u);
  EXPECT_EQ(list_.Listed().rows[0].path, b);
  list_.AddItem(c, *platform::DefaultEnv().Describe(c));
  list_.RefreshList(&sink_);
  EXPECT_EQ(list_.RowPaths(), (std::vector<std::string>{b, c}));
  EXPECT_EQ(sink_.port().row_counts(), (std::vector<int>{1, 1, 2}));
  EXPECT_TRUE(fs::exists(a));
}

}  // namespace
}  // namespace tarnwell::items
