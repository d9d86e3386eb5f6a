// How fast `tarnwell-cli list` shows a folder tree, end to end with its
// output, compared with find(1) printing the same tree; how long the item list
// alone takes; and how much memory a million items cost. Prints figures and
// the ratio against the goals; the goals are not enforced.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "items/add_items.h"
#include "items/item_list.h"
#include "platform/env.h"

extern char** environ;

namespace {

using namespace tarnwell;
using Clock = std::chrono::steady_clock;

constexpr int kTopFolders = 10;
constexpr int kFoldersPerTop = 99;   // 10 + 990 = 1,000 folders
constexpr int kFilesPerFolder = 99;  // 1,000 * 99 + 1,000 = 100,000 entries
constexpr int kRounds = 5;
constexpr double kGoalRatio = 1.5;
constexpr int kMemoryItems = 1'000'000;
constexpr int kMemoryFolders = 10'000;
constexpr size_t kMemoryPathLength = 60;
constexpr double kGoalMegabytes = 250;

std::string MakeTempRoot() {
  std::string pattern = "/tmp/tnb_XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  return pattern;
}

void CreateFile(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::perror(path.c_str());
    std::exit(1);
  }
  close(fd);
}

void MakeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0) {
    std::perror(path.c_str());
    std::exit(1);
  }
}

// 1,000 folders of 99 files each, in two levels below root/tree.
std::string MakeTree(const std::string& root) {
  const std::string tree = root + "/tree";
  MakeFolder(tree);
  for (int t = 0; t < kTopFolders; ++t) {
    const std::string top = tree + "/top" + std::to_string(t);
    MakeFolder(top);
    std::vector<std::string> folders = {top};
    for (int s = 0; s < kFoldersPerTop; ++s) {
      folders.push_back(top + "/sub" + std::to_string(s));
      MakeFolder(folders.back());
    }
    for (const std::string& folder : folders) {
      for (int f = 0; f < kFilesPerFolder; ++f) CreateFile(folder + "/file" + std::to_string(f));
    }
  }
  return tree;
}

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Returns the whole time; *refresh_ms gets the part spent in RefreshList.
double TimeItemList(const std::string& tree, size_t* rows, double* refresh_ms) {
  items::ItemList list(platform::DefaultEnv());
  const Clock::time_point start = Clock::now();
  items::ItemAdder(platform::DefaultEnv(), list, nullptr).AddPath(tree);
  const Clock::time_point scanned = Clock::now();
  list.RefreshList(nullptr);
  const Clock::time_point end = Clock::now();
  *rows = static_cast<size_t>(list.RowCount());
  *refresh_ms = Milliseconds(end - scanned);
  return Milliseconds(end - start);
}

// Runs a program with its output going to /dev/null; returns its time.
double TimeProgram(std::vector<std::string> args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    std::perror(argv[0]);
    std::exit(1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double ms = Milliseconds(Clock::now() - start);
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", argv[0]);
    std::exit(1);
  }
  return ms;
}

double TimeFind(const std::string& tree) { return TimeProgram({"find", tree, "-printf", "%s\\n"}); }

long PeakKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// A million existing 60-byte paths made cheaply: 10,000 links to one folder
// of 100 files, so every path names a real entry and refresh finds them all.
int MeasureMemory() {
  const std::string root = MakeTempRoot();
  const std::string real = root + "/real";
  MakeFolder(real);
  const size_t prefix = root.size() + std::strlen("/f00000/");
  if (prefix + 8 > kMemoryPathLength) {
    std::fprintf(stderr, "temp path too long for 60-byte items\n");
    return 1;
  }
  const int per_folder = kMemoryItems / kMemoryFolders;
  std::vector<std::string> names;
  for (int i = 0; i < per_folder; ++i) {
    std::string name = "item" + std::to_string(i) + "-";
    name.resize(kMemoryPathLength - prefix, 'x');
    CreateFile(real + "/" + name);
    names.push_back(name);
  }
  std::vector<std::string> folders;
  for (int f = 0; f < kMemoryFolders; ++f) {
    char folder[32];
    std::snprintf(folder, sizeof folder, "/f%05d", f);
    folders.push_back(root + folder);
    if (symlink(real.c_str(), folders.back().c_str()) != 0) {
      std::perror("symlink");
      return 1;
    }
  }
  const long baseline = PeakKilobytes();
  size_t rows = 0;
  double refresh_ms = 0;
  double peak_mb = 0;
  double with_copy_mb = 0;
  {
    items::ItemList list(platform::DefaultEnv());
    std::string path;
    for (const std::string& folder : folders) {
      for (const std::string& name : names) {
        path.assign(folder).append("/").append(name);
        list.AddItem(path, 4096);
      }
    }
    const Clock::time_point start = Clock::now();
    list.RefreshList(nullptr);
    refresh_ms = Milliseconds(Clock::now() - start);
    rows = static_cast<size_t>(list.RowCount());
    for (int row = 0; row < 40; ++row) (void)list.GetCellText(row, items::ItemList::kSizeColumn);
    peak_mb = static_cast<double>(PeakKilobytes()) / 1024.0;
    // What an erase job adds on top: its own copy of the rows and their identities.
    const items::ListedItems copy = list.Listed();
    with_copy_mb = static_cast<double>(PeakKilobytes()) / 1024.0;
  }
  std::filesystem::remove_all(root);
  std::printf("refresh of %zu existing items: %.0f ms\n", rows, refresh_ms);
  std::printf(
      "peak memory, %d items of %zu-byte paths: %.1f MB (process start %.1f MB; goal < %.0f MB) "
      "%s\n",
      kMemoryItems, kMemoryPathLength, peak_mb, static_cast<double>(baseline) / 1024.0,
      kGoalMegabytes, peak_mb < kGoalMegabytes ? "PASS" : "MISS");
  std::printf("peak memory with an erase job's copy of the rows: %.1f MB\n", with_copy_mb);
  return rows == static_cast<size_t>(kMemoryItems) ? 0 : 1;
}

int MeasureScan(const char* cli) {
  const std::string root = MakeTempRoot();
  const std::string tree = MakeTree(root);
  size_t rows = 0;
  double refresh_ms = 0;
  TimeFind(tree);  // warm the cache
  TimeItemList(tree, &rows, &refresh_ms);
  std::vector<double> ours, refresh, find, list;
  for (int round = 0; round < kRounds; ++round) {
    ours.push_back(TimeItemList(tree, &rows, &refresh_ms));
    refresh.push_back(refresh_ms);
    find.push_back(TimeFind(tree));
    if (cli != nullptr) list.push_back(TimeProgram({cli, "list", tree}));
  }
  std::filesystem::remove_all(root);
  std::printf("tree: %zu entries below the dropped folder, %d folders, warm cache\n", rows - 1,
              kTopFolders * (kFoldersPerTop + 1));
  std::printf("find DIR -printf '%%s\\n': %7.1f ms (median of %d)\n", Median(find), kRounds);
  std::printf(
      "AddPath + RefreshList:   %7.1f ms (median of %d; refresh alone %.1f ms), %.2f of find\n",
      Median(ours), kRounds, Median(refresh), Median(ours) / Median(find));
  if (cli == nullptr) {
    std::printf("tarnwell-cli list: not measured (set TARNWELL_CLI to the built tool)\n");
    return 0;
  }
  const double ratio = Median(list) / Median(find);
  std::printf("tarnwell-cli list DIR:   %7.1f ms (median of %d, end to end with its output)\n",
              Median(list), kRounds);
  std::printf("ratio: %.2f (goal <= %.1f) %s\n", ratio, kGoalRatio,
              ratio <= kGoalRatio ? "PASS" : "MISS");
  return 0;
}

}  // namespace

// With "memory" only the memory figure is measured; that runs in a process
// of its own so the scan's peak does not count. Without arguments both.
int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "memory") == 0) return MeasureMemory();
  const char* cli = std::getenv("TARNWELL_CLI");
  if (argc > 1 && std::strcmp(argv[1], "scan") == 0) return MeasureScan(cli);
  const int scan = MeasureScan(cli);
  std::fflush(stdout);
  const std::string self = "/proc/self/exe";
  std::vector<char*> child = {argv[0], const_cast<char*>("memory"), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, child.data(), environ) != 0) return 1;
  int status = 0;
  waitpid(pid, &status, 0);
  return scan != 0 || !WIFEXITED(status) ? 1 : WEXITSTATUS(status);
}
