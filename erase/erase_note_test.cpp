// A killed erase's note, finished at the next start.
#include "erase/erase_note.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "erase/rename_in_folder.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::erase {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

platform::Env& env = platform::DefaultEnv();

bool HasRowStartingWith(const testing::RecordingPort& port, std::string_view start) {
  for (const auto& message : port.messages()) {
    if (message.text.starts_with(start)) return true;
  }
  return false;
}

// How often reason was noticed (the journal's own warnings vary by system).
long Noticed(const testing::RecordingSink& sink, job::Reason reason) {
  const std::vector<job::Reason> reasons = sink.NoticeReasons();
  return std::count(reasons.begin(), reasons.end(), reason);
}

std::unique_ptr<platform::Folder> Held(const std::string& path) {
  return std::move(env.OpenFolder(path, nullptr).value());
}

// Runs steps in a child process that ends without a word, as kill -9 would
// end it: its note stays behind, unlocked.
void RunAndKill(const std::function<void()>& steps) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    steps();
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
}

TEST(EraseNote, AKilledBatchOfSeveralFoldersIsFinishedAndWhatItCutShortIsNamed) {
  TempDir state;
  TempDir dir;
  const std::string folder = dir.MakeDir("batch");
  // A second folder of the batch: its file was renamed, then the folder
  // emptied; the kill came before either went.
  const std::string second = dir.MakeDir("batch/second");
  dir.Write("batch/second/gone", std::string(7, '\0'));
  const platform::FileInfo second_info = *env.Describe(second);
  // renamed: zeroed, durable, renamed once. zeroed: zeroed under its own
  // name. half: cut short. other: never noted, random-looking all the same.
  dir.Write("batch/renamed", std::string(5000, '\0'));
  dir.Write("batch/zeroed", std::string(3000, '\0'));
  const std::string half = dir.Write("batch/half", std::string(100, '\0') + "secret");
  const std::string other = dir.Write("batch/other", std::string(10, '\0'));
  // A folder emptied and renamed; the kill came before its removal.
  const platform::FileInfo empty = *env.Describe(dir.MakeDir("batch/empty"));
  const platform::FileInfo folder_info = *env.Describe(folder);
  RunAndKill([&] {
    std::unique_ptr<platform::Folder> state_folder = Held(state.path());
    std::unique_ptr<platform::Folder> held = Held(folder);
    std::unique_ptr<platform::Folder> held_second = Held(second);
    EraseNote note(env, state_folder.get());
    note.BeginBatch();
    note.BatchFolder(folder, folder_info);
    for (const char* name : {"renamed", "zeroed"})
      note.Overwriting(*env.Describe(folder + "/" + name), name);
    note.BatchFolder(second, second_info);
    note.Overwriting(*env.Describe(second + "/gone"), "gone");
    note.ZerosDurable();
    const platform::FileInfo renamed = *env.Describe(folder + "/renamed");
    note.Renamed(renamed, RenameRandomlyIn(env, *held, "renamed").name);
    note.RenamesDone();
    // Renamed after the last note of its name: found by its identity.
    RenameRandomlyIn(env, *held_second, "gone");
    note.BatchFolder(folder, folder_info);
    note.Overwriting(*env.Describe(half), "half");
    note.RemovingFolder(folder, folder_info, second_info, "second");
    note.RemovingFolder(folder, folder_info, empty, "empty");
    RenameRandomlyIn(env, *held, "empty");
    _exit(0);  // no destructor runs: the note stays
  });

  // A running erase's note is left alone.
  std::unique_ptr<platform::Folder> state_folder = Held(state.path());
  EraseNote running(env, state_folder.get());
  running.BeginBatch();
  running.BatchFolder(folder, folder_info);
  ASSERT_EQ(std::distance(fs::directory_iterator(state.path()), {}), 2);

  testing::RecordingSink sink;
  EXPECT_EQ(FinishKilledErases(env, state_folder.get(), sink), 3);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder)) left.push_back(entry.path());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{half, other}));
  EXPECT_EQ(Noticed(sink, job::Reason::kPartlyOverwritten), 1);
  EXPECT_TRUE(HasRowStartingWith(sink.port(), "Finished the erase of 3 files"));
  EXPECT_TRUE(HasRowStartingWith(sink.port(), half + " was only partly overwritten"));
  EXPECT_EQ(std::distance(fs::directory_iterator(state.path()), {}), 1);
}

TEST(EraseNote, AKilledErasesFolderThatWasSwappedIsLeftAlone) {
  TempDir state;
  TempDir dir;
  const std::string folder = dir.MakeDir("batch");
  const std::string zeros = dir.Write("batch/zeros", std::string(10, '\0'));
  const platform::FileInfo folder_info = *env.Describe(folder);
  const platform::FileInfo file_info = *env.Describe(zeros);
  RunAndKill([&] {
    std::unique_ptr<platform::Folder> state_folder = Held(state.path());
    EraseNote note(env, state_folder.get());
    note.BeginBatch();
    note.BatchFolder(folder, folder_info);
    note.Overwriting(file_info, "zeros");
    note.ZerosDurable();
    _exit(0);
  });
  // Another folder of zeroed files now has the noted path.
  fs::rename(folder, dir / "moved");
  dir.MakeDir("batch");
  const std::string planted = dir.Write("batch/zeros", std::string(10, '\0'));

  testing::RecordingSink sink;
  std::unique_ptr<platform::Folder> state_folder = Held(state.path());
  EXPECT_EQ(FinishKilledErases(env, state_folder.get(), sink), 0);
  EXPECT_TRUE(fs::exists(planted));
  EXPECT_TRUE(fs::exists(dir / "moved/zeros"));
  EXPECT_EQ(Noticed(sink, job::Reason::kEraseFolderChanged), 1);
  EXPECT_TRUE(fs::is_empty(state.path()));
}

}  // namespace
}  // namespace tarnwell::erase
