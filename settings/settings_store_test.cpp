#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "platform/fault_env.h"
#include "platform/lock_wait.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::settings {
namespace {

using testing::ReadAll;
using testing::TempDir;

platform::Env& env = platform::DefaultEnv();

TEST(ReadIntSetting, ParsesLeadingNumbersAndLeavesClampingToCallers) {
  TempDir dir;
  const std::string path =
      dir.Write("t.ini",
                "[Program]\nlng=\nabc=abc\nseven=7x\nneg=-3\nfifty=50\nbig=99999999999\n"
                "small=-99999999999\nblank=   12\n");
  SettingsStore store(env, path);
  EXPECT_EQ(store.ReadIntSetting("Program", "lng", 1, -1, -1), 1);  // empty: default
  EXPECT_EQ(store.ReadIntSetting("Program", "abc", 5, -1, -1), 0);
  EXPECT_EQ(store.ReadIntSetting("Program", "seven", 5, -1, -1), 7);
  EXPECT_EQ(store.ReadIntSetting("Program", "neg", 5, -1, -1), -3);
  EXPECT_EQ(store.ReadIntSetting("Program", "fifty", 5, -1, -1), 50);
  EXPECT_EQ(store.ReadIntSetting("Program", "big", 5, -1, -1), INT_MAX);
  EXPECT_EQ(store.ReadIntSetting("Program", "small", 5, -1, -1), INT_MIN);
  EXPECT_EQ(store.ReadIntSetting("Program", "blank", 5, -1, -1), 12);
  EXPECT_EQ(store.ReadIntSetting("program", "MISSING", 42, -1, -1), 42);
  // Bounds apply only when neither is -1; the lower bound wins when they cross.
  EXPECT_EQ(store.ReadIntSetting("Program", "fifty", 0, 1, 10), 10);
  EXPECT_EQ(store.ReadIntSetting("Program", "neg", 0, 0, 10), 0);
  EXPECT_EQ(store.ReadIntSetting("Program", "fifty", 0, 20, 10), 20);
  EXPECT_EQ(store.ReadIntSetting("Program", "fifty", 0, -1, 10), 50);
}

TEST(WriteIntSetting, ValuesReadBackAndOtherLinesSurvive) {
  TempDir dir;
  const std::string path = dir.Write("t.ini", "; mine\n[program]\nLNG=2\nnote = keep\n");
  SettingsStore store(env, path);
  for (int value : {-3, 50, 99}) {
    ASSERT_TRUE(store.WriteIntSetting("Orlenvik", "re_write", value));
    EXPECT_EQ(store.ReadIntSetting("orlenvik", "RE_WRITE", 0, -1, -1), value);
  }
  ASSERT_TRUE(store.WriteProgramSetting("lng", 5));
  EXPECT_EQ(ReadAll(path), "; mine\n[program]\nLNG=5\nnote = keep\n[Orlenvik]\nre_write=99\n");
  std::atomic<int> delay{5};
  store.ReadIntoVariable("Orlenvik", "del_delay", delay);
  EXPECT_EQ(delay, 5);  // missing key leaves the variable as it was
}

TEST(WriteIntSetting, AnUnreadableFileIsNeverReplacedByAFreshOne) {
  TempDir dir;
  const std::string path = dir.Write("t.ini", "[Program]\nlng=3\n");
  platform::FaultEnv faulty(env);
  faulty.fail_call = [](const std::string& op,
                        const std::string&) -> std::optional<platform::Status> {
    if (op == "ReadFile") return platform::Status::Error(EACCES, "open: Permission denied");
    return std::nullopt;
  };
  SettingsStore store(faulty, path);
  EXPECT_FALSE(store.WriteIntSetting("Orlenvik", "re_write", 2));
  EXPECT_EQ(store.ReadIntSetting("Program", "lng", 7, -1, -1), 7);  // unreadable: default
  EXPECT_EQ(ReadAll(path), "[Program]\nlng=3\n");
}

TEST(WriteIntSetting, AMissingFileIsCreatedOnFirstWrite) {
  TempDir dir;
  SettingsStore store(env, dir / "new.ini");
  EXPECT_EQ(store.ReadIntSetting("Orlenvik", "TimeMode", 0, -1, -1), 0);
  ASSERT_TRUE(store.WriteIntSetting("Orlenvik", "TimeMode", 2));
  EXPECT_EQ(ReadAll(dir / "new.ini"), "[Orlenvik]\nTimeMode=2\n");
}

TEST(WriteIntSetting, ALockHeldElsewhereFailsTheWriteInsteadOfHanging) {
  TempDir dir;
  platform::FaultEnv fake(env);
  int64_t now = 0;
  fake.clock = [&] { return now; };
  fake.sleep = [&](int64_t milliseconds) { now += milliseconds; };
  const std::string path = dir.Write("held.ini", "[Orlenvik]\nTimeMode=1\n");
  auto holder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(holder.ok());
  auto held = (*holder)->TryLockAt("held.ini.lock", true, nullptr);
  ASSERT_TRUE(held.ok());
  SettingsStore store(fake, path);
  EXPECT_FALSE(store.WriteIntSetting("Orlenvik", "TimeMode", 2));
  EXPECT_GE(now, platform::kLockWaitMillis);
  EXPECT_EQ(ReadAll(path), "[Orlenvik]\nTimeMode=1\n");
  held->reset();
  EXPECT_TRUE(store.WriteIntSetting("Orlenvik", "TimeMode", 2));
  EXPECT_EQ(ReadAll(path), "[Orlenvik]\nTimeMode=2\n");
}

TEST(WriteIntSetting, TwoProcessesWritingAtOnceLoseNothing) {
  TempDir dir;
  const std::string path = dir.Write("t.ini", "");
  constexpr int kWrites = 200;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      SettingsStore store(env, path);
      const std::string prefix = c == 0 ? "a" : "b";
      for (int i = 0; i < kWrites; ++i) {
        if (!store.WriteIntSetting("Orlenvik", prefix + std::to_string(i), i)) _exit(1);
      }
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  SettingsStore store(env, path);
  for (int i = 0; i < kWrites; ++i) {
    EXPECT_EQ(store.ReadIntSetting("Orlenvik", "a" + std::to_string(i), -1, -1, -1), i);
    EXPECT_EQ(store.ReadIntSetting("Orlenvik", "b" + std::to_string(i), -1, -1, -1), i);
  }
}

TEST(SettingsPath, CutsOnlyWithinTheFileName) {
  EXPECT_EQ(SettingsPathBesideExecutable("/opt/app.v2/tarnwell"), "/opt/app.v2/tarnwell.ini");
  EXPECT_EQ(SettingsPathBesideExecutable("/opt/eraser.exe"), "/opt/eraser.ini");
  EXPECT_EQ(SettingsPathBesideExecutable("/usr/bin/tarnwell-cli"), "/usr/bin/tarnwell.ini");
  EXPECT_EQ(SettingsPathBesideExecutable("tarnwell"), "tarnwell.ini");
}

TEST(SystemLanguage, OnlyFourGermanLocalesPickGerman) {
  for (const char* name : {"de_DE.UTF-8", "de_CH", "de_AT.utf8", "de_LU@euro"}) {
    EXPECT_EQ(DefaultLanguageForLocale(name), 0) << name;
  }
  for (const char* name : {"de_LI.UTF-8", "en_US.UTF-8", "C", "", "de", "fr_FR"}) {
    EXPECT_EQ(DefaultLanguageForLocale(name), 1) << name;
  }
}

class LoadSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* var : kVariables) {
      if (const char* v = std::getenv(var)) saved_.emplace_back(var, v);
      unsetenv(var);
    }
  }
  void TearDown() override {
    for (const char* var : kVariables) unsetenv(var);
    for (auto& [var, value] : saved_) setenv(var.c_str(), value.c_str(), 1);
  }
  static constexpr const char* kVariables[] = {"TARNWELL_SETTINGS", "XDG_CONFIG_HOME", "LC_ALL",
                                               "LC_MESSAGES", "LANG"};
  TempDir dir_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(LoadSettingsTest, FirstStartCreatesNothingAndTakesTheSystemLanguage) {
  const std::string path = dir_ / "cfg/first.ini";
  setenv("TARNWELL_SETTINGS", path.c_str(), 1);
  setenv("LANG", "de_AT.UTF-8", 1);
  LoadedSettings loaded = LoadSettings(env);
  EXPECT_EQ(loaded.store.path(), path);
  EXPECT_EQ(loaded.language, 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "cfg"));
  setenv("LC_ALL", "de_LI.UTF-8", 1);  // LC_ALL wins over LANG
  EXPECT_EQ(LoadSettings(env).language, 1);
  // The first change brings the folder and the file.
  EXPECT_TRUE(loaded.store.WriteProgramSetting("lng", 3));
  EXPECT_EQ(ReadAll(path), "[Program]\nlng=3\n");
}

// A program in a system folder (root may write there) keeps its settings in
// the user's folder; a copy elsewhere keeps them beside it. Neither start
// writes a file.
TEST_F(LoadSettingsTest, AnInstalledProgramNeverKeepsItsSettingsBesideIt) {
  setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  const std::string beside = SettingsPathBesideExecutable(*env.ExecutablePath());
  const std::string name = beside.substr(beside.rfind('/'));
  platform::FaultEnv fault(env);
  fault.system_program_folder = true;
  LoadedSettings installed = LoadSettings(fault);
  EXPECT_EQ(installed.store.path(), dir_ / "config/tarnwell" + name);
  fault.system_program_folder = false;
  EXPECT_EQ(LoadSettings(fault).store.path(), beside);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "config"));
  EXPECT_FALSE(std::filesystem::exists(beside));
}

TEST_F(LoadSettingsTest, AnExistingFileKeepsContentAndModeAndItsLanguage) {
  const std::string path = dir_.Write("old.ini", "[Program]\nlng=99\n");
  chmod(path.c_str(), 0600);
  setenv("TARNWELL_SETTINGS", path.c_str(), 1);
  EXPECT_EQ(LoadSettings(env).language, 99);
  EXPECT_EQ(ReadAll(path), "[Program]\nlng=99\n");
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace tarnwell::settings
