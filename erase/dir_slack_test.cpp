#include "erase/dir_slack.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>

#include "tests/support/temp_dir.h"

namespace tarnwell::erase {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A folder whose blocks hold `slots` long entries; one more makes it grow.
class FakeFolder final : public SlackFolder {
 public:
  explicit FakeFolder(int slots) : slots_(slots) {}

  platform::Result<uint64_t> Size() override {
    return uint64_t{4096} * (entries.size() > static_cast<size_t>(slots_) ? 2 : 1);
  }
  platform::Status CreateEntry(const std::string& name) override {
    calls.push_back("create");
    if (taken.contains(name)) return platform::Status::Error(EEXIST, "taken");
    if (fail_create_after >= 0 && static_cast<int>(entries.size()) >= fail_create_after) {
      return platform::Status::Error(fail_code, "refused");
    }
    longest = std::max(longest, name.size());
    entries.insert(name);
    return platform::Status::Ok();
  }
  platform::Status RemoveEntry(const std::string& name) override {
    calls.push_back("remove");
    return entries.erase(name) == 1 ? platform::Status::Ok() : platform::Status::Error(ENOENT, "");
  }
  platform::Status Sync() override {
    calls.push_back("sync");
    return platform::Status::Ok();
  }
  size_t MaxNameLength() override { return 255; }

  std::set<std::string> entries;
  std::set<std::string> taken;
  std::vector<std::string> calls;
  size_t longest = 0;
  int fail_create_after = -1;
  int fail_code = EIO;

 private:
  int slots_;
};

TEST(ScrubFolderSlack, FillsUntilTheFolderGrowsThenRemovesEverythingAndSyncs) {
  FakeFolder folder(5);
  const SlackScrubResult result = ScrubFolderSlack(folder);
  EXPECT_TRUE(result.status.ok());
  EXPECT_EQ(result.entries, 6);  // five that fit, the one that grew it
  EXPECT_EQ(folder.longest, 255u);
  EXPECT_THAT(folder.entries, IsEmpty());
  EXPECT_EQ(folder.calls.back(), "sync");

  // A folder that never grows is still bounded by its own blocks.
  FakeFolder roomy(1000);
  EXPECT_EQ(ScrubFolderSlack(roomy).entries, 4096 / 264 + 1);
  EXPECT_THAT(roomy.entries, IsEmpty());
}

TEST(ScrubFolderSlack, SkipsTakenNamesAndCleansUpAfterAFailure) {
  FakeFolder folder(5);
  folder.taken.insert(std::string(kSlackEntryPrefix) + "0" + std::string(255 - 17, 'x'));
  folder.fail_create_after = 3;
  const SlackScrubResult result = ScrubFolderSlack(folder);
  EXPECT_EQ(result.status.code(), EIO);
  EXPECT_EQ(result.entries, 3);
  EXPECT_THAT(folder.entries, IsEmpty());
  EXPECT_EQ(folder.calls.back(), "sync");

  // A folder that can take no more entries is as full as the scrub makes it.
  FakeFolder full(5);
  full.fail_create_after = 2;
  full.fail_code = ENOSPC;
  EXPECT_TRUE(ScrubFolderSlack(full).status.ok());
  EXPECT_THAT(full.entries, IsEmpty());
}

TEST(ScrubFolderSlack, RealFolderKeepsItsEntriesAndNoneOfTheScrubs) {
  testing::TempDir dir;
  dir.Write("a.txt", "a");
  dir.MakeDir("sub");
  auto handle = platform::DefaultEnv().OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(handle.ok()) << handle.status().message();
  std::unique_ptr<SlackFolder> folder = SlackFolderOf(**handle);
  const SlackScrubResult result = ScrubFolderSlack(*folder);
  ASSERT_TRUE(result.status.ok()) << result.status.message();
  EXPECT_GT(result.entries, 0);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_THAT(names, ElementsAre("a.txt", "sub"));
}

}  // namespace
}  // namespace tarnwell::erase
