#include "job/journal_names.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "platform/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::job {
namespace {

// The journal is asked for a zero-out, dry run first, through the held
// folder; a refusal is one warning and no second call. The calls are faked:
// only root on ext4 may really make them.
TEST(ClearJournal, AsksForAZeroOutThroughTheHeldFolder) {
  testing::TempDir dir;
  platform::FaultEnv env(platform::DefaultEnv());
  std::vector<std::string> calls;
  platform::Status answer = platform::Status::Ok();
  env.fail_call = [&](const std::string& operation,
                      const std::string& path) -> std::optional<platform::Status> {
    if (operation != "ZeroOutJournal" && operation != "CheckpointJournal") return std::nullopt;
    calls.push_back(operation + " " + path);
    return answer;
  };
  platform::MountInfo mount;
  mount.mount_point = dir.path();
  mount.fs_type = "ext4";
  auto folder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(folder.ok());
  testing::RecordingSink sink;
  EXPECT_TRUE(ClearJournal(sink, **folder, mount));
  EXPECT_EQ(calls, std::vector<std::string>(2, "ZeroOutJournal " + dir.path()));
  EXPECT_TRUE(sink.events().empty());

  calls.clear();
  answer = platform::Status::Error(EPERM, "checkpoint: Operation not permitted");
  EXPECT_FALSE(ClearJournal(sink, **folder, mount));
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_EQ(sink.NoticeReasons(), std::vector<Reason>{Reason::kJournalKeepsNames});
}

}  // namespace
}  // namespace tarnwell::job
