// The record pass inside a fill: its files, their end, their clean-up after a
// kill, and the rows that tell of it.
#include "fill/record_pass.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fill/leftovers.h"
#include "fill/test_volume.h"
#include "tests/support/recording_port.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::fill {
namespace {

namespace fs = std::filesystem;

// Entries below folder, recursively, by name.
std::vector<std::string> Tree(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// A file system with room for `records` more files in the pass's folder.
void LimitRecords(platform::FaultEnv& env, int records) {
  auto made = std::make_shared<int>(0);
  env.fail_call = [made, records](const std::string& operation,
                                  const std::string& path) -> std::optional<platform::Status> {
    // Only files inside a pass's folder are records of the pass.
    const size_t first = path.find("/tmp_ttt_");
    const bool inside =
        first != std::string::npos && path.find("/tmp_ttt_", first + 1) != std::string::npos;
    if (!inside || (operation != "CreateAt" && operation != "CreateLockedAt")) return std::nullopt;
    if (operation == "CreateAt" && ++*made > records) {
      return platform::Status::Error(ENOSPC, "create: No space left on device");
    }
    return std::nullopt;
  };
}

TEST(RecordPass, WritesRecordsUntilOneIsRefusedAndLeavesNothingBehind) {
  testing::TempDir dir;
  const std::string folder = dir.MakeDir("fill");
  SmallVolume volume(2'000'000);  // bounds the spare
  volume.count_record_pass = true;
  platform::FaultEnv& env = volume.env;
  LimitRecords(env, 25);
  testing::RecordingPort port;
  core::RunState run_state;
  run_state.fillRunning = 1;
  FillContext context{env, port, run_state, {}, nullptr};
  FillState state;
  state.folder = folder;
  auto held = env.OpenFolder(folder, nullptr);
  ASSERT_TRUE(held.ok());
  state.held = held->get();

  std::unique_ptr<RecordPass> pass = RecordPass::Prepare(context, state, true);
  ASSERT_NE(pass, nullptr);
  EXPECT_GE(state.written_bytes, uint64_t{1} << 20) << "the spare counts as written";
  // The pass's folder, its lock file and the spare, all of the fill's shape.
  std::vector<std::string> before = Tree(folder);
  EXPECT_EQ(before.size(), 3u);
  for (const std::string& name : before) EXPECT_TRUE(IsFillFileName(name)) << name;

  EXPECT_EQ(pass->Run(context, state), 25u);
  EXPECT_EQ(Tree(folder).size(), 2u + 25u) << "the spare was freed before the records";
  pass->Delete(context, state);
  EXPECT_TRUE(Tree(folder).empty());
  EXPECT_EQ(state.errors, 0);

  // A stopped fill writes no record, and its pass leaves nothing either.
  pass = RecordPass::Prepare(context, state, true);
  ASSERT_NE(pass, nullptr);
  run_state.fillRunning = 0;
  EXPECT_EQ(pass->Run(context, state), 0u);
  pass->Delete(context, state);
  EXPECT_TRUE(Tree(folder).empty());
}

TEST(RecordPass, TheCleanUpTakesAKilledPassesFolderButNotARunningOnes) {
  testing::TempDir dir;
  const std::string folder = dir.MakeDir("fill");
  SmallVolume volume(2'000'000);
  volume.count_record_pass = true;
  platform::FaultEnv& env = volume.env;
  testing::RecordingPort port;
  // A killed pass: its folder with records and a lock file nobody holds.
  const std::string killed = dir.MakeDir("fill/" + NewFillFileName(env));
  for (int i = 0; i < 4; ++i)
    dir.Write("fill/" + fs::path(killed).filename().string() + "/" + NewFillFileName(env), "");
  auto held = env.OpenFolder(folder, nullptr);
  ASSERT_TRUE(held.ok());
  EXPECT_EQ(RemoveFillLeftovers(**held, port), 4);
  EXPECT_TRUE(Tree(folder).empty());

  // A running pass holds its lock file: its folder stays whole, with a row.
  LimitRecords(env, 3);
  core::RunState run_state;
  run_state.fillRunning = 1;
  FillContext context{env, port, run_state, {}, nullptr};
  FillState state;
  state.folder = folder;
  state.held = held->get();
  std::unique_ptr<RecordPass> pass = RecordPass::Prepare(context, state, true);
  ASSERT_NE(pass, nullptr);
  pass->Run(context, state);
  const size_t entries = Tree(folder).size();
  auto other = platform::DefaultEnv().OpenFolder(folder, nullptr);
  ASSERT_TRUE(other.ok());
  EXPECT_EQ(RemoveFillLeftovers(**other, port), 0);
  EXPECT_EQ(Tree(folder).size(), entries);
  EXPECT_TRUE(
      port.MessagesWith(core::MessageIcon::kInfo).back().starts_with("In use by a running fill"));
  pass->Delete(context, state);
  EXPECT_TRUE(Tree(folder).empty());
}

TEST(RecordPass, TheFillTellsOfItsRecords) {
  for (const bool records : {false, true}) {
    testing::TempDir dir;
    const std::string chosen = dir.MakeDir("fill/data");
    SmallVolume volume(3'000'000);
    volume.count_record_pass = true;  // the spare too, so the test writes 3 MB at most
    LimitRecords(volume.env, 40);
    testing::RecordingPort port;
    core::RunState run_state;
    FillOptions options;
    options.state_folder = dir / "state";
    options.records = records;
    const FillReport report = FillFreeSpace(volume.env, port, run_state, chosen, options);
    EXPECT_TRUE(report.filled);
    EXPECT_EQ(report.errors, 0);
    std::vector<std::string> rows = port.MessagesWith(core::MessageIcon::kInfo);
    ASSERT_FALSE(rows.empty());
    // The temporary test folder keeps no file data in its records: the pass
    // runs only when asked, and says first what it will cost.
    if (records) {
      EXPECT_TRUE(rows.front().starts_with("Free file records are overwritten too: "))
          << rows.front();
      EXPECT_EQ(report.records, 40u);
      EXPECT_NE(
          std::find(rows.begin(), rows.end(), "File records overwritten with small files: 40"),
          rows.end());
    } else {
      EXPECT_EQ(report.records, 0u);
      EXPECT_NE(std::find_if(rows.begin(), rows.end(),
                             [](const std::string& row) {
                               return row.starts_with("Freed file records may still hold");
                             }),
                rows.end());
    }
    for (const std::string& name : Tree(dir / "fill")) EXPECT_FALSE(IsFillFileName(name)) << name;
  }
}

}  // namespace
}  // namespace tarnwell::fill
