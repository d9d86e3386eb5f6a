// tarnwell-cli fill: the free-space fill of the window, driven from a
// terminal.
#include <CLI/CLI.hpp>
#include <atomic>
#include <cerrno>
#include <iostream>
#include <memory>

#include "cli/cli_context.h"
#include "fill/fill_job.h"
#include "items/format_size.h"
#include "text/catalog.h"
#include "text/format_text.h"
#include "ui/killed_jobs.h"

namespace tarnwell::cli {
namespace {

struct FillCliOptions {
  bool yes = false;
  bool include_reserved = false;
  bool records = false;
  std::string folder;
};

// Set by the first Ctrl-C, SIGTERM, SIGHUP or SIGQUIT; the fill then stops
// writing and deletes its files before the process ends. Static, as the
// handler needs.
std::atomic<bool> interrupted{false};

// Checks the arguments before anything is touched; false with the reason on
// context.err.
bool Usable(CliContext& context, const FillCliOptions& options, platform::Folder* fill_folder) {
  platform::Env& env = context.env;
  platform::Result<std::string> chosen = env.AbsolutePath(options.folder);
  platform::Result<platform::FileInfo> info =
      chosen.ok() ? env.Describe(*chosen) : platform::Result<platform::FileInfo>(chosen.status());
  if (!info.ok() || info->kind != platform::FileKind::kDirectory) {
    context.err << ErrRow(context, "tarnwell-cli: " +
                                       text::FormatText(text::LookupUtf8(text::TextId::kNotAFolder),
                                                        {options.folder}))
                << '\n';
    return false;
  }
  if (options.include_reserved) {
    platform::Status usable =
        fill_folder == nullptr ? platform::Status::Error(ENOENT, "the fill folder cannot be opened")
                               : fill::CheckIncludeReserved(env, *fill_folder);
    if (!usable.ok()) {
      context.err << ErrRow(context,
                            "tarnwell-cli: " +
                                text::FormatText(text::LookupUtf8(text::TextId::kReservedRefused),
                                                 {usable.message()}))
                  << '\n';
      return false;
    }
  }
  return true;
}

int RunFill(CliContext& context, FillCliOptions options) {
  platform::Env& env = context.env;
  options.folder = env.UserPath(options.folder);
  const std::string fill_folder = fill::FillFolderFor(env, options.folder);
  // Only to tell where the files would go; the fill opens it again.
  platform::Result<std::unique_ptr<platform::Folder>> held = fill::OpenFillFolder(env, fill_folder);
  if (!Usable(context, options, held.ok() ? held->get() : nullptr)) return kExitUsage;
  if (!options.yes && !env.IsTerminal(0)) {
    context.err << "tarnwell-cli: " << text::LookupUtf8(text::TextId::kFillNoTerminal) << '\n';
    return kExitUsage;
  }
  platform::Result<platform::MountInfo> mount =
      held.ok() ? (*held)->Mount() : platform::Result<platform::MountInfo>(held.status());
  const int64_t free = held.ok() ? fill::MeasureDiskSpace(env, **held) : -1;
  context.out << OutRow(context,
                        text::FormatText(
                            text::LookupUtf8(text::TextId::kWhereFilesGo),
                            {fill_folder, mount.ok() ? mount->fs_type : "?",
                             mount.ok() ? mount->mount_point : "?",
                             free >= 0 ? items::FormatSize(static_cast<uint64_t>(free)) : "?"}))
              << '\n';
  if (!options.yes && !AskToConfirm(context, text::LookupUtf8(text::TextId::kFillPrompt))) {
    context.out << text::LookupUtf8(text::TextId::kNothingWritten) << '\n';
    return kExitFailure;
  }
  // Held in memory only: nothing on a disk to protect, and every program
  // loses the memory while the fill runs.
  if (mount.ok() && fill::IsInMemory(*mount) && !options.yes) {
    context.out << OutRow(context, text::FormatText(text::LookupUtf8(text::TextId::kInMemory),
                                                    {mount->mount_point, mount->fs_type}))
                << '\n';
    if (!AskToConfirm(context, text::LookupUtf8(text::TextId::kFillPrompt))) {
      context.out << text::LookupUtf8(text::TextId::kNothingWritten) << '\n';
      return kExitFailure;
    }
  }

  CliPort& port = OpenPort(context, env.IsTerminal(1));
  // The fill cleans up after killed fills itself; killed erases are finished here.
  ui::FinishKilledJobs(env, port);
  env.StopOnInterrupt(&interrupted);
  fill::FillOptions fill_options;
  fill_options.include_reserved = options.include_reserved;
  fill_options.records = options.records;
  fill_options.interrupt = &interrupted;
  const fill::FillReport report =
      fill::FillFreeSpace(env, port, context.run_state, options.folder, fill_options);
  port.EndProgress();
  // Exact figures for scripts; the coverage row above rounds them.
  if (report.free_bytes != UINT64_MAX) {
    port.AddFigure("written_bytes", report.written_bytes);
    port.AddFigure("free_bytes", report.free_bytes);
    port.AddFigure("records", report.records);
    context.out << "Written " << report.written_bytes << " bytes of " << report.free_bytes
                << " bytes free at the start\n";
  }
  if (report.stopped) {
    context.err << "tarnwell-cli: " << text::LookupUtf8(text::TextId::kFillStoppedEarly) << '\n';
    return kExitFailure;
  }
  if (!report.filled || report.errors > 0) return kExitFailure;
  return kExitSuccess;
}

}  // namespace

void AddFillCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<FillCliOptions>();
  CLI::App* fill =
      app.add_subcommand("fill", "Overwrite the free space of the volume holding DIR with zeros");
  fill->add_flag("-y,--yes", options->yes, "Do not ask for confirmation");
  fill->add_flag("--include-reserved", options->include_reserved,
                 "Root, ext4 only: also fill the clusters ext4 holds back (see below)");
  fill->add_flag("--records", options->records,
                 "Also overwrite every free file record (inode), where deleted files' "
                 "extended attributes stay; slower");
  fill->add_option("DIR", options->folder, "A folder on the volume to fill")->required();
  fill->footer(text::LookupLines(text::TextId::kFillNotes));
  fill->callback([&context, options] { context.exit_code = RunFill(context, *options); });
}

}  // namespace tarnwell::cli
