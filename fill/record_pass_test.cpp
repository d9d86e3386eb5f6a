// The record pass inside a fill: its files, their end, their clean-up after a
// kill, and the events that tell of it.
#include "fill/record_pass.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fill/leftovers.h"
#include "fill/test_volume.h"
#include "tests/support/recording_sink.h"
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

// A file system with room for `records` more files in the pass's folder;
// returns the count of records made so far.
std::shared_ptr<int> LimitRecords(platform::FaultEnv& env, int records) {
  auto made = std::make_shared<int>(0);
  env.fail_call = [made, records](const std::string& operation,
                                  const std::string& path) -> std::optional<platform::Status> {
    // Only files inside a pass's folder are records of the pass.
    const size_t first = path.find("/tmp_ttt_");
    const bool inside =
        first != std::string::npos && path.find("/tmp_ttt_", first + 1) != std::string::npos;
    if (!inside || operation != "CreateAt") return std::nullopt;
    if (++*made > records)
      return platform::Status::Error(ENOSPC, "create: No space left on device");
    return std::nullopt;
  };
  return made;
}

class RecordPassTest : public ::testing::Test {
 protected:
  RecordPassTest() : folder(dir.MakeDir("fill")) {
    volume.count_record_pass = true;
    run_state.fill_running = true;
    state.folder = folder;
    held = std::move(env.OpenFolder(folder, nullptr).value());
    state.held = held.get();
  }

  testing::TempDir dir;
  std::string folder;
  SmallVolume volume{2'000'000};  // bounds the spare
  platform::FaultEnv& env = volume.env;
  testing::RecordingSink sink;
  core::RunState run_state;
  FillContext context{env, sink, run_state, {}, nullptr};
  FillState state;
  std::unique_ptr<platform::Folder> held;
};

TEST_F(RecordPassTest, WritesRecordsUntilNoFreedOneIsLeftAndLeavesNothingBehind) {
  LimitRecords(env, 25);
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

  // Free space that falls by a record's size per file is a table of records
  // growing (new records, not freed ones): the pass ends at its next look,
  // long before the refusal. Folder entries alone cost less and go on.
  for (const uint64_t bytes_per_record : {1024, 100}) {
    std::shared_ptr<int> made = LimitRecords(env, 600);
    uint64_t free_at_start = 0;
    env.adjust_space = [&](const std::string&, platform::VolumeSpace& space) {
      if (free_at_start == 0) free_at_start = space.free_bytes;
      space.free_bytes = free_at_start - static_cast<uint64_t>(*made) * bytes_per_record;
    };
    pass = RecordPass::Prepare(context, state, true);
    ASSERT_NE(pass, nullptr);
    EXPECT_EQ(pass->Run(context, state), bytes_per_record == 1024 ? 256u : 600u)
        << bytes_per_record << " bytes a record";
    pass->Delete(context, state);
    EXPECT_TRUE(Tree(folder).empty());
  }
  env.adjust_space = nullptr;

  // A stopped fill writes no record, and its pass leaves nothing either.
  pass = RecordPass::Prepare(context, state, true);
  ASSERT_NE(pass, nullptr);
  run_state.fill_running = false;
  EXPECT_EQ(pass->Run(context, state), 0u);
  pass->Delete(context, state);
  EXPECT_TRUE(Tree(folder).empty());
}

TEST_F(RecordPassTest, TheCleanUpTakesAKilledPassesFolderButNotARunningOnes) {
  // A killed pass: its folder with records and a lock file nobody holds.
  const std::string killed = dir.MakeDir("fill/" + NewFillFileName(env));
  for (int i = 0; i < 4; ++i)
    dir.Write("fill/" + fs::path(killed).filename().string() + "/" + NewFillFileName(env), "");
  EXPECT_EQ(RemoveFillLeftovers(*held, sink), 4);
  EXPECT_TRUE(Tree(folder).empty());

  // A running pass holds its lock file: its folder stays whole, with a notice.
  LimitRecords(env, 3);
  std::unique_ptr<RecordPass> pass = RecordPass::Prepare(context, state, true);
  ASSERT_NE(pass, nullptr);
  pass->Run(context, state);
  const size_t entries = Tree(folder).size();
  auto other = platform::DefaultEnv().OpenFolder(folder, nullptr);
  ASSERT_TRUE(other.ok());
  sink.Clear();
  EXPECT_EQ(RemoveFillLeftovers(**other, sink), 0);
  EXPECT_EQ(Tree(folder).size(), entries);
  ASSERT_EQ(sink.Of<job::Notice>().size(), 1u);
  EXPECT_EQ(sink.Of<job::Notice>()[0].reason, job::Reason::kInUseByFill);
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
    testing::RecordingSink sink;
    core::RunState run_state;
    FillOptions options;
    options.state_folder = dir / "state";
    options.records = records;
    const FillReport report = FillFreeSpace(volume.env, sink, run_state, chosen, options);
    EXPECT_TRUE(report.filled);
    EXPECT_EQ(report.errors, 0);
    // The temporary test folder keeps no file data in its records: the pass
    // runs only when asked, and its estimate follows the row naming the
    // volume (the terminal's first).
    std::vector<std::string_view> codes;
    for (const job::Event& event : sink.events()) {
      for (const ui::EventRow& row : ui::RowsOf(event, ui::Front::kWindow)) {
        codes.push_back(row.code);
      }
    }
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[0], "fill_started");
    const std::vector<job::RecordsWritten> written = sink.Of<job::RecordsWritten>();
    bool attributes_may_remain = false;
    for (const job::Notice& notice : sink.Of<job::Notice>()) {
      attributes_may_remain |= notice.reason == job::Reason::kAttributesMayRemain;
    }
    if (records) {
      EXPECT_EQ(codes[1], "record_pass_planned");
      EXPECT_EQ(report.records, 40u);
      ASSERT_EQ(written.size(), 1u);
      EXPECT_TRUE(written[0].final);
      EXPECT_EQ(written[0].records, 40u);
      const std::vector<ui::EventRow> rows = ui::RowsOf(written[0], ui::Front::kWindow);
      ASSERT_EQ(rows.size(), 1u);
      EXPECT_NE(rows[0].text.find("40"), std::string::npos) << rows[0].text;
      EXPECT_FALSE(attributes_may_remain);
    } else {
      EXPECT_EQ(report.records, 0u);
      EXPECT_TRUE(written.empty());
      EXPECT_TRUE(attributes_may_remain);
    }
    for (const std::string& name : Tree(dir / "fill")) EXPECT_FALSE(IsFillFileName(name)) << name;
  }
}

}  // namespace
}  // namespace tarnwell::fill
