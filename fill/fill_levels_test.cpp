#include "fill/fill_levels.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "fill/leftovers.h"
#include "fill/test_volume.h"
#include "platform/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::fill {
namespace {

using testing::RecordingPort;
using testing::TempDir;

platform::Env& real_env = platform::DefaultEnv();

std::vector<std::string> FillFilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with(kFillNamePrefix)) {
      names.push_back(entry.path().filename().string());
    }
  }
  return names;
}

std::vector<std::string> FileRows(const RecordingPort& port) {
  std::vector<std::string> rows;
  for (const std::string& text : port.MessagesWith(core::MessageIcon::kInfo)) {
    if (text.starts_with("File:")) rows.push_back(text.substr(5));
  }
  return rows;
}

struct Fill {
  explicit Fill(platform::Env& env, const std::string& folder, uint64_t free_bytes)
      : context{env, sink, run_state,
                [this](uint64_t done, uint64_t total) { progress.emplace_back(done, total); }} {
    state.folder = folder;
    held = std::move(env.OpenFolder(folder, nullptr).value());
    state.held = held.get();
    state.free_bytes = free_bytes;
    run_state.fill_running = 1;
  }
  // Files until one is empty twice in a row, the volume is full or the fill
  // stops, as FillFreeSpace chains them.
  void Run() {
    int empty = 0;
    for (;;) {
      FillFileResult result = WriteFillFile(context, state);
      ends.push_back(result.end);
      if (result.end != FillFileEnd::kFull && result.end != FillFileEnd::kSizeLimit) break;
      empty = result.bytes == 0 ? empty + 1 : 0;
      if (empty == kMaxEmptyFillFiles || state.written_bytes >= state.free_bytes) break;
    }
  }

  testing::RecordingSink sink;
  RecordingPort& port = sink.port();
  core::RunState run_state;
  std::vector<std::pair<uint64_t, uint64_t>> progress;
  FillContext context;
  std::unique_ptr<platform::Folder> held;
  FillState state;
  std::vector<FillFileEnd> ends;
};

TEST(FillFileNames, HaveTheFillShapeAndNothingElseMatches) {
  const std::string name = NewFillFileName(real_env);
  ASSERT_TRUE(name.starts_with("tmp_ttt_"));
  EXPECT_TRUE(IsFillFileName(name));
  EXPECT_NE(NewFillFileName(real_env), name);
  EXPECT_FALSE(IsFillFileName("tmp_ttt_.xxx"));
  EXPECT_FALSE(IsFillFileName("tmp_ttt_((((((((((((((.xxx"));    // 14 characters
  EXPECT_FALSE(IsFillFileName("tmp_ttt_((((((((((((((((.xxx"));  // 16
  EXPECT_FALSE(IsFillFileName("tmp_ttt_(((((((((((((((a.xxx"));
  EXPECT_FALSE(IsFillFileName("tmp_ttt_((((((((((((((().xxx"));  // ')' is no alphabet character
  const std::string every = "tmp_ttt_\xC2\xB3\xC2\xB2~{([]]]]]]]]].xxx";  // 15 characters
  EXPECT_TRUE(IsFillFileName(every));
  EXPECT_FALSE(IsFillFileName(every + ".bak"));
  EXPECT_FALSE(IsFillFileName("x" + every));
}

TEST(FillFile, FillsTheVolumeAndDeletesItsFilesNewestFirst) {
  TempDir dir;
  const std::string keep = dir.Write("keep.txt", "x");
  SmallVolume volume(3'000'000);
  std::vector<std::string> removed;
  volume.env.observe = [&](const std::string& operation, const std::string& path) {
    if (operation == "RemoveAt") removed.push_back(path);
  };
  Fill fill(volume.env, dir.path(), 3'000'000);
  fill.Run();

  EXPECT_EQ(volume.used(), 3'000'000u);
  EXPECT_EQ(fill.state.written_bytes, 3'000'000u);
  // 3,000,000 bytes are 46.875 blocks; the block begun last counts whole.
  EXPECT_EQ(fill.state.counted_bytes, 47u * kFillBlockBytes);
  ASSERT_EQ(fill.state.paths.size(), 1u);
  EXPECT_EQ(std::filesystem::file_size(fill.state.paths[0]), 3'000'000u);
  EXPECT_EQ(FileRows(fill.port), fill.state.paths);
  EXPECT_EQ(fill.progress.back(), std::make_pair(47u * kFillBlockBytes, uint64_t{3'000'000}));

  const std::vector<std::string> made = fill.state.paths;
  DeleteFillFiles(fill.context, fill.state);
  EXPECT_TRUE(FillFilesIn(dir.path()).empty());
  EXPECT_EQ(removed, std::vector<std::string>(made.rbegin(), made.rend()));
  EXPECT_TRUE(std::filesystem::exists(keep));
  EXPECT_EQ(fill.state.errors, 0);
}

TEST(FillFile, SizeLimitLeadsToFurtherFilesDeletedNewestFirst) {
  TempDir dir;
  SmallVolume volume(2'500'000, 1'000'000);
  std::vector<std::string> removed;
  volume.env.observe = [&](const std::string& operation, const std::string& path) {
    if (operation == "RemoveAt") removed.push_back(path);
  };
  Fill fill(volume.env, dir.path(), 2'500'000);
  fill.Run();
  ASSERT_EQ(fill.state.paths.size(), 3u);
  EXPECT_EQ(fill.ends[0], FillFileEnd::kSizeLimit);
  EXPECT_EQ(fill.ends[1], FillFileEnd::kSizeLimit);
  EXPECT_EQ(std::filesystem::file_size(fill.state.paths[0]), 1'000'000u);
  EXPECT_EQ(std::filesystem::file_size(fill.state.paths[2]), 500'000u);
  EXPECT_EQ(fill.state.written_bytes, 2'500'000u);
  const std::vector<std::string> made = fill.state.paths;
  DeleteFillFiles(fill.context, fill.state);
  EXPECT_TRUE(FillFilesIn(dir.path()).empty());
  EXPECT_EQ(removed, std::vector<std::string>(made.rbegin(), made.rend()));
}

TEST(FillFile, DirectWritesHalveWhenRefusedUntilTheLastBlockIsTaken) {
  TempDir dir;
  constexpr uint64_t kMiB = 1 << 20;
  constexpr uint64_t kCapacity = 11 * kMiB + 5 * 4096;
  SmallVolume volume(kCapacity, 0, true);
  Fill fill(volume.env, dir.path(), kCapacity);
  fill.Run();
  const std::vector<size_t> lengths = volume.direct_lengths();
  if (lengths.empty()) GTEST_SKIP() << "no direct I/O in " << dir.path();

  EXPECT_EQ(volume.used(), kCapacity);
  EXPECT_EQ(fill.state.written_bytes, kCapacity);
  ASSERT_EQ(fill.state.paths.size(), 1u);
  EXPECT_EQ(std::filesystem::file_size(fill.state.paths[0]), kCapacity);
  EXPECT_EQ(volume.writes(), static_cast<int>(lengths.size()));  // none buffered
  // 8 MiB taken, then 8 and 4 refused, 2 taken and so on down the halves.
  ASSERT_GE(lengths.size(), 5u);
  EXPECT_EQ(std::vector<size_t>(lengths.begin(), lengths.begin() + 5),
            (std::vector<size_t>{8 * kMiB, 8 * kMiB, 4 * kMiB, 2 * kMiB, 2 * kMiB}));
  EXPECT_EQ(fill.progress.back().first,
            (kCapacity + kFillBlockBytes - 1) / kFillBlockBytes * kFillBlockBytes);
  EXPECT_EQ(fill.state.errors, 0);
}

TEST(FillFile, NameClashDrawsNewNamesWithoutTouchingTheOtherFile) {
  TempDir dir;
  platform::FaultEnv env(real_env);
  int attempts = 0;
  env.fail_call = [&](const std::string& operation,
                      const std::string& path) -> std::optional<platform::Status> {
    if (operation == "CreateLockedAt" && ++attempts < 3) {
      return platform::Status::FromErrno(EEXIST, "create", path);
    }
    return std::nullopt;
  };
  SmallVolume volume(100'000);
  env.fail_write = volume.env.fail_write;
  env.refuse_direct = volume.env.refuse_direct;
  Fill fill(env, dir.path(), 100'000);
  fill.Run();
  EXPECT_EQ(attempts, 3);
  EXPECT_EQ(fill.state.paths.size(), 1u);
  EXPECT_EQ(FileRows(fill.port), fill.state.paths);
}

TEST(FillFile, FailedSyncOrDeleteIsAnErrorRow) {
  TempDir dir;
  SmallVolume volume(200'000);
  volume.env.fail_call = [](const std::string& operation,
                            const std::string& path) -> std::optional<platform::Status> {
    if (operation == "DataSync") return platform::Status::FromErrno(EIO, "sync", path);
    if (operation == "RemoveAt") return platform::Status::FromErrno(EBUSY, "delete", path);
    return std::nullopt;
  };
  Fill fill(volume.env, dir.path(), 200'000);
  fill.Run();
  EXPECT_EQ(fill.ends, std::vector<FillFileEnd>{FillFileEnd::kFailed});
  DeleteFillFiles(fill.context, fill.state);
  EXPECT_EQ(fill.state.errors, 2);
  EXPECT_EQ(fill.port.MessagesWith(core::MessageIcon::kError).size(), 2u);
}

std::string ReadAll(const std::string& path) {
  std::string content;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return content;
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, n);
  std::fclose(file);
  return content;
}

struct SweepSetup {
  SweepSetup() : fill(env, dir.path(), 0) {
    fill.state.paths.push_back(dir.Write("first", std::string(kFirstBytes, 'x')));
    fill.state.identities.push_back(*real_env.Describe(dir / "first"));
    env.fail_call = [this](const std::string& operation,
                           const std::string& path) -> std::optional<platform::Status> {
      if (operation == "Allocate") ++allocations;
      if (call_fault) return call_fault(operation, path);
      return std::nullopt;
    };
    env.fail_write = [this](const std::string&, uint64_t, size_t length,
                            bool) -> std::optional<platform::Result<size_t>> {
      written.push_back(length);
      if (write_fault) return write_fault(written.size());
      return std::nullopt;
    };
  }
  uint64_t block() { return fill.held->Space()->block_size; }

  static constexpr size_t kFirstBytes = 1 << 20;
  TempDir dir;
  platform::FaultEnv env{real_env};
  std::function<std::optional<platform::Status>(const std::string&, const std::string&)> call_fault;
  std::function<std::optional<platform::Result<size_t>>(size_t)> write_fault;
  int allocations = 0;
  std::vector<size_t> written;
  Fill fill;
};

TEST(FillSweep, GivesTheFirstFilesLeadingBlocksBackAndTakesAsManyOneByOne) {
  SweepSetup setup;
  Fill& fill = setup.fill;
  const uint64_t swept = SweepHeldBackBlocks(fill.context, fill.state, 256 << 10);
  if (swept == 0 && fill.state.paths.size() == 1) GTEST_SKIP() << "no hole punching here";
  ASSERT_EQ(fill.state.paths.size(), 2u);
  EXPECT_EQ(FileRows(fill.port), std::vector<std::string>{fill.state.paths[1]});
  EXPECT_EQ(swept, 256u << 10);
  // Every block asked for on its own, then all of them written with zeros.
  EXPECT_EQ(setup.allocations, (256 << 10) / setup.block());
  EXPECT_EQ(ReadAll(fill.state.paths[1]), std::string(256 << 10, '\0'));
  uint64_t total = 0;
  for (size_t length : setup.written) total += length;
  EXPECT_EQ(total, 256u << 10);
  const std::string first = ReadAll(fill.state.paths[0]);
  EXPECT_EQ(first, std::string(256 << 10, '\0') + std::string((1 << 20) - (256 << 10), 'x'));
  EXPECT_EQ(fill.state.errors, 0);
}

TEST(FillSweep, NothingHappensWithoutHolePunchingOrAfterAStop) {
  for (const bool stopped : {false, true}) {
    SweepSetup setup;
    Fill& fill = setup.fill;
    if (stopped) {
      fill.run_state.fill_running = 0;
    } else {
      setup.call_fault = [](const std::string& operation,
                            const std::string& path) -> std::optional<platform::Status> {
        if (operation == "PunchHole") return platform::Status::FromErrno(EOPNOTSUPP, "free", path);
        return std::nullopt;
      };
    }
    EXPECT_EQ(SweepHeldBackBlocks(fill.context, fill.state, 256 << 10), 0u);
    EXPECT_EQ(fill.state.paths.size(), 1u);
    EXPECT_TRUE(fill.port.messages().empty());
    EXPECT_EQ(ReadAll(fill.state.paths[0]), std::string(SweepSetup::kFirstBytes, 'x'));
  }
}

TEST(FillSweep, AFullVolumeEndsItQuietlyOtherFailuresAreErrorRows) {
  for (const int error : {ENOSPC, EIO}) {
    SweepSetup setup;
    Fill& fill = setup.fill;
    setup.call_fault = [&setup, error](const std::string& operation,
                                       const std::string& path) -> std::optional<platform::Status> {
      if (operation == "Allocate" && setup.allocations == 4) {
        return platform::Status::FromErrno(error, "allocate", path);
      }
      return std::nullopt;
    };
    const uint64_t swept = SweepHeldBackBlocks(fill.context, fill.state, 256 << 10);
    if (swept == 0 && fill.state.paths.size() == 1) GTEST_SKIP() << "no hole punching here";
    EXPECT_EQ(setup.allocations, 4);
    EXPECT_EQ(fill.state.errors, error == EIO ? 1 : 0);
    EXPECT_EQ(fill.port.MessagesWith(core::MessageIcon::kError).size(), error == EIO ? 1u : 0u);
    // What was allocated is written either way: it holds old bytes until then.
    EXPECT_EQ(swept, 3 * setup.block());
  }
  SweepSetup setup;
  setup.write_fault = [](size_t) -> std::optional<platform::Result<size_t>> {
    return platform::Status::FromErrno(EIO, "write", "x");
  };
  SweepHeldBackBlocks(setup.fill.context, setup.fill.state, 256 << 10);
  EXPECT_EQ(setup.fill.state.errors, 1);
}

TEST(FillLeftovers, OnlyRegularFilesOfTheFillShapeAreRemoved) {
  TempDir dir;
  const std::string leftover = dir.Write(NewFillFileName(real_env), "zeros");
  dir.Write("tmp_ttt_notours.xxx", "user data");
  const std::string linked = dir / NewFillFileName(real_env);
  const std::string target = dir.Write("target", "keep");
  ASSERT_EQ(symlink(target.c_str(), linked.c_str()), 0);
  ASSERT_EQ(mkfifo((dir / NewFillFileName(real_env)).c_str(), 0600), 0);
  testing::RecordingSink sink;
  RecordingPort& port = sink.port();
  EXPECT_EQ(RemoveFillLeftovers(**real_env.OpenFolder(dir.path(), nullptr), sink), 1);
  EXPECT_TRUE(port.MessagesWith(core::MessageIcon::kError).empty());
  EXPECT_FALSE(std::filesystem::exists(leftover));
  EXPECT_TRUE(std::filesystem::exists(dir / "tmp_ttt_notours.xxx"));
  EXPECT_TRUE(std::filesystem::is_symlink(linked));
  EXPECT_EQ(testing::ReadAll(target), "keep");
}

TEST(FillFolder, IsTheParentUnlessTheFolderIsAMountPoint) {
  TempDir dir;
  const std::string chosen = dir.MakeDir("data/old");
  EXPECT_EQ(FillFolderFor(real_env, chosen), dir / "data");
  EXPECT_EQ(FillFolderFor(real_env, chosen + "/"), dir / "data");
  EXPECT_EQ(FillFolderFor(real_env, "/"), "/");
  EXPECT_EQ(FillFolderFor(real_env, "/proc"), "/proc");  // its own file system
}

TEST(MeasureDiskSpace, CountsWhatThisProcessMayWrite) {
  TempDir dir;
  platform::FaultEnv env(real_env);
  std::unique_ptr<platform::Folder> folder = std::move(env.OpenFolder(dir.path(), nullptr).value());
  uint64_t total = 0;
  const int64_t free = MeasureDiskSpace(env, *folder, &total);
  ASSERT_GT(free, 0);
  EXPECT_GE(total, static_cast<uint64_t>(free));
  const platform::VolumeSpace space = *folder->Space();
  EXPECT_EQ(static_cast<uint64_t>(free), geteuid() == 0 ? space.free_bytes : space.available_bytes);
  env.fail_call = [](const std::string& operation,
                     const std::string& path) -> std::optional<platform::Status> {
    if (operation == "Space") return platform::Status::FromErrno(EIO, "measure", path);
    return std::nullopt;
  };
  uint64_t untouched = 7;
  EXPECT_EQ(MeasureDiskSpace(env, *folder, &untouched), -1);
  EXPECT_EQ(untouched, 7u);
}

}  // namespace
}  // namespace tarnwell::fill
