// The desktop's traces on Windows: a Recent folder shortcut (.lnk, built
// here in the documented format) to an erased file goes, one to another
// file stays; the platform names the Recent folder and rewrites a file in
// place of another through a folder handle.
#include <gtest/gtest.h>

#include <filesystem>

#include "erase/erase_item.h"
#include "platform/fault_env.h"
#include "tests/support/pinned_paths.h"
#include "tests/support/recording_port.h"
#include "tests/support/recording_sink.h"
#include "tests/support/shell_link_builder.h"
#include "tests/windows/win_temp_dir.h"
#include "traces/trace_eraser.h"

namespace tarnwell {
namespace {

using testing::FsPath;
using testing::ReadAll;
using testing::RecordingPort;
using testing::WinTempDir;

// The path as Windows itself writes it into a shortcut.
std::string WindowsForm(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

TEST(WinTracesTest, AShortcutToTheErasedFileGoesAndOneToAnotherStays) {
  WinTempDir dir;
  platform::FaultEnv env(platform::DefaultEnv());
  platform::DesktopStores stores;
  stores.recent_links = dir.path() + "/Recent";
  env.user_stores = stores;
  const std::string gone = dir.Write("docs/Report.txt", "secret");
  const std::string kept = dir.Write("docs/kept.txt", "kept");
  std::string shouting = WindowsForm(gone);
  shouting.replace(shouting.rfind("Report"), 6, "REPORT");  // Windows ignores case
  const std::string gone_link =
      dir.Write("Recent/Report.txt.lnk", testing::BuildShellLink(shouting));
  const std::string wide_link =
      dir.Write("Recent/Report (2).lnk", testing::BuildShellLink(WindowsForm(gone), true));
  const std::string kept_link =
      dir.Write("Recent/kept.txt.lnk", testing::BuildShellLink(WindowsForm(kept)));

  RecordingPort port;
  std::vector<traces::ErasedTrace> heard;
  traces::TraceEraser traces(env, port,
                             [&heard](const traces::ErasedTrace& t) { heard.push_back(t); });
  testing::RecordingSink sink;
  job::ProgressReporter progress(env, sink);
  erase::EraseCounters counters;
  const items::ListedItems listed = testing::PinPaths({gone});
  {
    erase::ItemEraser eraser(env, sink, progress, counters, listed,
                             {.verify = false, .erased_items = &traces});
    for (const items::ListedItem& item : listed.rows) eraser.EraseItem(item);
    eraser.Finish();
  }
  traces.ErasingDone();

  EXPECT_FALSE(std::filesystem::exists(FsPath(gone)));
  EXPECT_FALSE(std::filesystem::exists(FsPath(gone_link)));
  EXPECT_FALSE(std::filesystem::exists(FsPath(wide_link)));
  EXPECT_TRUE(std::filesystem::exists(FsPath(kept_link)));
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_STREQ(traces::TraceKindName(heard[0].kind), "shortcut");
  EXPECT_EQ(heard[0].of, gone);
  EXPECT_TRUE(port.MessagesWith(core::MessageIcon::kError).empty());
  EXPECT_TRUE(sink.FailureReasons().empty());
}

TEST(WinTracesTest, PlatformNamesTheRecentFolderAndReplacesAFileThroughItsFolder) {
  platform::Env& env = platform::DefaultEnv();
  const platform::DesktopStores stores = env.UserDesktopStores();
  EXPECT_TRUE(stores.recent_links.ends_with("/Microsoft/Windows/Recent")) << stores.recent_links;
  EXPECT_TRUE(stores.cache_home.empty());
  EXPECT_FALSE(env.AccountDesktopStores("someone").ok());

  WinTempDir dir;
  const std::string list = dir.Write("list.xbel", "old content");
  dir.Write("other", "x");
  auto folder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(folder.ok()) << folder.status().message();
  const platform::Result<platform::FileInfo> info = (*folder)->DescribeAt("list.xbel");
  ASSERT_TRUE(info.ok());
  const platform::Result<platform::FileInfo> other = (*folder)->DescribeAt("other");
  EXPECT_EQ((*folder)->ReplaceFileAt("list.xbel", "new", *other).code(), ESTALE);
  EXPECT_EQ(ReadAll(list), "old content");
  ASSERT_TRUE((*folder)->ReplaceFileAt("list.xbel", "new", *info).ok());
  EXPECT_EQ(ReadAll(list), "new");
  // Nothing is left under a temporary name.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FsPath(dir.path())),
                          std::filesystem::directory_iterator()),
            2);
}

}  // namespace
}  // namespace tarnwell
