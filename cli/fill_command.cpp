// tarnwell-cli fill: the free-space fill of the window, driven from a
// terminal.
#include <CLI/CLI.hpp>
#include <atomic>
#include <iostream>
#include <memory>

#include "cli/cli_context.h"
#include "cli/terminal_port.h"
#include "fill/fill_job.h"
#include "items/format_size.h"

namespace tarnwell::cli {
namespace {

struct FillCliOptions {
  bool yes = false;
  bool include_reserved = false;
  std::string folder;
};

// Set by the first Ctrl-C or SIGTERM; the fill then stops writing and
// deletes its files before the process ends. Static, as the handler needs.
std::atomic<int> interrupted{0};

bool Confirmed(CliContext& context) {
  context.out << "Fill the free space with zeros? It is free again when the fill ends. [y/N] "
              << std::flush;
  std::string answer;
  if (!std::getline(context.in, answer)) return false;
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES";
}

// Checks the arguments before anything is touched; false with the reason on
// context.err.
bool Usable(CliContext& context, const FillCliOptions& options, const std::string& fill_folder) {
  platform::Env& env = context.env;
  platform::Result<std::string> chosen = env.AbsolutePath(options.folder);
  platform::Result<platform::FileInfo> info =
      chosen.ok() ? env.Describe(*chosen) : platform::Result<platform::FileInfo>(chosen.status());
  if (!info.ok() || info->kind != platform::FileKind::kDirectory) {
    context.err << "tarnwell-cli: " << options.folder << " is not a folder\n";
    return false;
  }
  if (options.include_reserved) {
    platform::Status usable = fill::CheckIncludeReserved(env, fill_folder);
    if (!usable.ok()) {
      context.err << "tarnwell-cli: --include-reserved refused: " << usable.message() << '\n';
      return false;
    }
  }
  return true;
}

int RunFill(CliContext& context, const FillCliOptions& options) {
  platform::Env& env = context.env;
  const std::string fill_folder = fill::FillFolderFor(env, options.folder);
  if (!Usable(context, options, fill_folder)) return kExitUsage;
  if (!options.yes && !env.IsTerminal(0)) {
    context.err << "tarnwell-cli: no terminal to confirm on; add --yes to fill without asking\n";
    return kExitUsage;
  }
  platform::Result<platform::MountInfo> mount = env.FindMount(fill_folder);
  const int64_t free = fill::MeasureDiskSpace(env, fill_folder);
  context.out << "Temporary files go to " << fill_folder;
  if (mount.ok()) context.out << " (" << mount->fs_type << " on " << mount->mount_point << ")";
  if (free >= 0) context.out << ", " << items::FormatSize(static_cast<uint64_t>(free)) << " free";
  context.out << '\n';
  if (!options.yes && !Confirmed(context)) {
    context.out << "Nothing was written.\n";
    return kExitFailure;
  }

  TerminalPort port(context.out, context.err, env.IsTerminal(1), env.TerminalColumns(1));
  env.StopOnInterrupt(&interrupted);
  fill::FillOptions fill_options;
  fill_options.include_reserved = options.include_reserved;
  fill_options.interrupt = &interrupted;
  fill_options.progress_listener = [&port](const erase::ProgressSnapshot& s) {
    port.ShowProgress(s);
  };
  const fill::FillReport report =
      fill::FillFreeSpace(env, port, context.run_state, options.folder, fill_options);
  port.EndProgress();
  // Exact figures for scripts; the coverage row above rounds them.
  if (report.free_bytes != UINT64_MAX) {
    context.out << "Written " << report.written_bytes << " bytes of " << report.free_bytes
                << " bytes free at the start\n";
  }
  if (report.stopped) {
    context.err << "tarnwell-cli: the fill was stopped before the volume was full\n";
    return kExitFailure;
  }
  if (!report.filled || report.errors > 0) return kExitFailure;
  return kExitSuccess;
}

constexpr char kNotes[] =
    "The free space is filled through temporary files named tmp_ttt_... beside DIR\n"
    "(inside DIR when it is a mount point), which are deleted again at the end, also\n"
    "after Ctrl-C. Files left by a fill that was killed are deleted by the next fill.\n"
    "While the volume is full, other programs writing to it get 'no space left'.\n"
    "\n"
    "ext4 holds back reserved clusters (2% of the volume, at most 4096 clusters)\n"
    "that no write reaches, not even root's. Without --include-reserved the fill\n"
    "gives ext4 that much of its own zeroed blocks back at the end and takes as many\n"
    "again one block at a time, which ext4 serves from the small holes deleted files\n"
    "left; what stays held back is then mostly blocks the fill has zeroed.\n"
    "\n"
    "--include-reserved (root, ext4 only) lowers that reserve to zero for the fill\n"
    "and writes it too, then puts the old value back (a killed fill's old value is\n"
    "put back by the next start). Meanwhile the volume is completely full: other\n"
    "programs writing to it, and ext4 itself, may fail.\n"
    "\n"
    "Zeros reach only free blocks the file system hands out: on copy-on-write and\n"
    "compressing file systems, snapshots, SSDs and network file systems old data may\n"
    "survive elsewhere; the fill warns when the volume is one of those.";

}  // namespace

void AddFillCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<FillCliOptions>();
  CLI::App* fill =
      app.add_subcommand("fill", "Overwrite the free space of the volume holding DIR with zeros");
  fill->add_flag("-y,--yes", options->yes, "Do not ask for confirmation");
  fill->add_flag("--include-reserved", options->include_reserved,
                 "Root, ext4 only: also fill the clusters ext4 holds back (see below)");
  fill->add_option("DIR", options->folder, "A folder on the volume to fill")->required();
  fill->footer(kNotes);
  fill->callback([&context, options] { context.exit_code = RunFill(context, *options); });
}

}  // namespace tarnwell::cli
