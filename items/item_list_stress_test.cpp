// Adds, refreshes, cell reads and resets from three threads at once, as the
// window, an erase job and a folder import may do. Run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "items/add_items.h"
#include "items/item_list.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "text/catalog.h"

namespace tarnwell::items {
namespace {

TEST(ItemListStress, ThreeThreadsAddRefreshReadAndReset) {
  ASSERT_TRUE(text::BuildTextCatalog());
  testing::TempDir dir;
  for (int i = 0; i < 40; ++i)
    dir.Write("tree/" + std::to_string(i % 4) + "/" + std::to_string(i), "x");
  testing::RecordingSink sink;
  ItemList list(platform::DefaultEnv());
  std::atomic<bool> stop{false};
  const auto until_stopped = [&](auto step) {
    return std::thread([&, step] {
      for (int round = 0; !stop.load(); ++round) step(round);
    });
  };

  std::thread adder = until_stopped([&](int round) {
    ItemAdder items(platform::DefaultEnv(), list, &sink);
    items.AddPath(dir / "tree");
    list.AddItem(dir / "absent" + std::to_string(round % 50), 1);
  });
  std::thread refresher = until_stopped([&](int) {
    list.RefreshList(&sink);
    for (const std::string& path : list.RowPaths()) ASSERT_FALSE(path.empty());
  });
  std::thread reader = until_stopped([&](int round) {
    for (int row = 0; row < list.RowCount(); ++row) {
      // A row may vanish between the count and the read; it must not crash.
      if (auto text = list.GetCellText(row, round % 2)) {
        ASSERT_FALSE(text->empty());
      }
    }
    if (round % 16 == 0) list.ResetList(&sink);
  });
  std::this_thread::sleep_for(std::chrono::seconds(3));
  stop = true;
  adder.join();
  refresher.join();
  reader.join();

  list.ResetList(nullptr);
  ItemAdder(platform::DefaultEnv(), list, nullptr).AddPath(dir / "tree");
  list.RefreshList(nullptr);
  EXPECT_EQ(list.RowCount(), 45);  // the tree, 4 folders, 40 files
}

}  // namespace
}  // namespace tarnwell::items
