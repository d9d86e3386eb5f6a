// The fill against someone who swaps its folder for a link to another one
// (or the state folder) at exactly the moments the race hook names.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "fill/fill_job.h"
#include "fill/leftovers.h"
#include "fill/test_volume.h"
#include "platform/race_hook.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::fill {
namespace {

namespace fs = std::filesystem;
using platform::RaceStep;

struct HookGuard {
  explicit HookGuard(platform::RaceHook hook) { platform::SetRaceHook(std::move(hook)); }
  ~HookGuard() { platform::SetRaceHook(nullptr); }
};

std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Puts a link to target where path was; the real folder moves aside.
void SwapForLink(const std::string& path, const std::string& aside, const std::string& target) {
  fs::rename(path, aside);
  fs::create_directory_symlink(target, path);
}

TEST(HeldFill, AFolderSwappedForALinkAfterTheOpenOrBeforeTheDeletesIsNotFollowed) {
  for (const RaceStep step : {RaceStep::kFillFolderOpened, RaceStep::kBeforeFillDeletes}) {
    testing::TempDir dir;
    const std::string folder = dir.MakeDir("user/fill");
    const std::string chosen = dir.MakeDir("user/fill/data");
    const std::string aside = dir / "user/fill.real";
    const std::string other = dir.MakeDir("other");
    const std::string state = dir / "state";
    const std::string state_aside = dir / "state.real";
    const std::string elsewhere = dir.MakeDir("elsewhere");
    SmallVolume volume(3'000'000);
    std::set<std::string> made;
    volume.on_write = [&](int) {
      // While the fill writes, its files and note are where it opened them.
      EXPECT_TRUE(NamesIn(other).empty());
      EXPECT_TRUE(NamesIn(elsewhere).empty());
      const std::string where = step == RaceStep::kFillFolderOpened ? aside : folder;
      for (const std::string& name : NamesIn(where)) {
        // The record pass's folder, if any, is gone before the deletes.
        if (IsFillFileName(name) && !fs::is_directory(where + "/" + name)) made.insert(name);
      }
    };
    HookGuard hook([&](RaceStep reached, const std::string& path) {
      if (reached == RaceStep::kStateFolderChecked && step == RaceStep::kFillFolderOpened &&
          path == state && !fs::is_symlink(state)) {
        SwapForLink(state, state_aside, elsewhere);
      }
      if (reached != step || path != folder) return;
      if (step == RaceStep::kBeforeFillDeletes) {
        // Names the fill made planted in the other folder: a delete by path
        // would take them.
        for (const std::string& name : NamesIn(folder)) {
          if (IsFillFileName(name)) dir.Write("other/" + name, "theirs");
        }
      }
      SwapForLink(folder, aside, other);
    });
    testing::RecordingSink sink;
    core::RunState run_state;
    FillOptions options;
    options.state_folder = state;
    const FillReport report = FillFreeSpace(volume.env, sink, run_state, chosen, options);
    EXPECT_EQ(report.folder, folder);
    EXPECT_TRUE(report.filled);
    EXPECT_EQ(report.errors, 0);
    EXPECT_GE(report.files, 1);
    EXPECT_EQ(volume.used(), 3'000'000u);
    // Every file the fill made is gone from where it made them.
    for (const std::string& name : NamesIn(aside)) EXPECT_FALSE(IsFillFileName(name)) << name;
    if (step == RaceStep::kFillFolderOpened) {
      EXPECT_TRUE(NamesIn(other).empty());
      EXPECT_TRUE(NamesIn(elsewhere).empty());
      EXPECT_TRUE(NamesIn(state_aside).empty());  // the note went at the end
    } else {
      EXPECT_EQ(NamesIn(other).size(), made.size());
      for (const std::string& name : NamesIn(other)) {
        EXPECT_EQ(testing::ReadAll(other + "/" + name), "theirs");
      }
    }
  }
}

}  // namespace
}  // namespace tarnwell::fill
