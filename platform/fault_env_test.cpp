#include "platform/fault_env.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/lock_wait.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::platform {
namespace {

TEST(FaultEnv, ShortWritesAndFailedCallsComeBackAsValues) {
  testing::TempDir dir;
  const std::string file = dir.Write("f", "abcdef");
  FaultEnv env(DefaultEnv());
  env.fail_write = [](const std::string&, uint64_t, size_t, bool) -> std::optional<Result<size_t>> {
    return Result<size_t>(size_t{2});
  };
  env.fail_call = [](const std::string& op, const std::string&) -> std::optional<Status> {
    if (op == "DataSync") return Status::Error(EIO, "sync: Input/output error");
    return std::nullopt;
  };
  auto opened = env.OpenForOverwrite(file, nullptr);
  ASSERT_TRUE(opened.ok());
  const char zeros[6] = {};
  EXPECT_EQ(*(*opened)->WriteAt(0, zeros, 6), 2u);
  EXPECT_EQ((*opened)->DataSync().code(), EIO);
  EXPECT_TRUE((*opened)->Close().ok());
  EXPECT_EQ(testing::ReadAll(file), std::string("\0\0cdef", 6));
}

TEST(FaultEnv, RefusedDirectIoLooksLikeEinval) {
  testing::TempDir dir;
  const std::string file = dir.Write("f", "x");
  FaultEnv env(DefaultEnv());
  env.refuse_direct = true;
  auto opened = env.OpenForOverwrite(file, nullptr);
  ASSERT_TRUE(opened.ok());
  EXPECT_EQ((*opened)->SetDirect(true).code(), EINVAL);
  EXPECT_FALSE((*opened)->direct());
}

TEST(LockWithin, AHeldLockIsAnErrorAfterTheWaitAndAStopEndsItAtOnce) {
  testing::TempDir dir;
  FaultEnv env(DefaultEnv());
  int64_t now = 0;
  int sleeps = 0;
  env.clock = [&] { return now; };
  env.sleep = [&](int64_t milliseconds) {
    now += milliseconds;
    ++sleeps;
  };
  std::unique_ptr<Folder> holder = std::move(env.OpenFolder(dir.path(), nullptr).value());
  std::unique_ptr<Folder> waiter = std::move(env.OpenFolder(dir.path(), nullptr).value());
  Result<std::unique_ptr<FileLock>> held = holder->TryLockAt("x.lock", true, nullptr);
  ASSERT_TRUE(held.ok());

  Result<std::unique_ptr<FileLock>> late = LockWithin(env, *waiter, "x.lock", kLockWaitMillis);
  EXPECT_EQ(late.status().code(), ETIMEDOUT);
  EXPECT_GE(now, kLockWaitMillis);
  EXPECT_LT(now, kLockWaitMillis + 2 * kLockRetryMillis);

  sleeps = 0;
  const auto stop_after_two = [&] { return sleeps >= 2; };
  EXPECT_EQ(LockWithin(env, *waiter, "x.lock", kLockWaitMillis, stop_after_two).status().code(),
            ECANCELED);
  EXPECT_EQ(sleeps, 2);

  held->reset();
  EXPECT_TRUE(LockWithin(env, *waiter, "x.lock", kLockWaitMillis).ok());
}

}  // namespace
}  // namespace tarnwell::platform
