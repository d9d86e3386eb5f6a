// Commands, jobs and labels of the window. Every text comes from the
// catalogue when it is shown, so ApplyLanguageTexts relabels everything
// after a language change.
#include "ui/window_logic.h"

#include <algorithm>
#include <optional>

#include "erase/erase_job.h"
#include "fill/fill_job.h"
#include "fill/running_fills.h"
#include "items/add_items.h"
#include "items/item_list.h"
#include "platform/env.h"
#include "settings/settings_store.h"
#include "text/catalog.h"
#include "text/format_text.h"
#include "text/language_menu.h"
#include "text/translation_template.h"
#include "traces/trace_eraser.h"
#include "traces/trash_listing.h"
#include "ui/option_menus.h"
#include "ui/window_texts.h"

namespace tarnwell::ui {
namespace {

constexpr int kMaxTimeMode = 2;

std::string HeaderLabel(std::string_view label) {
  return "\u00bb\u00bb " + std::string(label) + " \u00ab\u00ab";
}
std::string Text(int id) { return text::LookupUtf8(id); }
bool German() { return text::CurrentLanguage() == 0; }

}  // namespace

WindowLogic::WindowLogic(WindowServices services, WindowView& view,
                         const WorkerPortFactory& make_port)
    : services_(services),
      view_(view),
      items_(std::make_unique<items::ItemList>(services.env)),
      port_(make_port(*this)) {
  const int stored =
      services_.settings.ReadIntSetting(settings::kOptionsSection, "TimeMode", time_mode_, -1, -1);
  time_mode_ = std::clamp(stored, 0, kMaxTimeMode);
  // Only a stored value out of range is mended: a plain start writes no file.
  if (time_mode_ != stored) {
    services_.settings.WriteIntSetting(settings::kOptionsSection, "TimeMode", time_mode_);
  }
}

WindowLogic::~WindowLogic() = default;

void WindowLogic::AddStartPaths(const std::vector<std::string>& argument_paths) {
  // A fill killed meanwhile left files and maybe a lowered reserve behind.
  fill::CleanUpAfterKilledFills(services_.env, fill::RuntimeStateFolder(services_.env), *port_);
  // A path that names nothing would otherwise vanish without a word; an
  // empty argument names nothing either.
  for (const std::string& path : argument_paths) {
    if (path.empty() || !services_.env.Describe(path).ok()) {
      InsertMessage(text::FormatText(Text(texts::kNotAdded), {path}), core::MessageIcon::kWarning);
    }
  }
  items::ItemAdder(services_.env, *items_, port_.get()).AddArguments(argument_paths);
}

void WindowLogic::ApplyLanguageTexts() {
  view_.SetTitle(text::AboutUtf8(texts::kAboutProduct) + " [Unicode]");
  view_.SetStatusText(Text(texts::kReady));
  view_.SetControlText(Control::kInstructions, Text(texts::kInstructions));
  view_.SetControlText(Control::kDelete, Text(texts::kDelete));
  view_.SetControlText(Control::kDeleteExit, Text(texts::kDeleteExit));
  view_.SetControlText(Control::kFill, HeaderLabel(Text(texts::kFill)));
  view_.SetControlText(Control::kCancel, HeaderLabel(Text(texts::kExit)));
  view_.SetControlText(Control::kLanguage, HeaderLabel("LNG"));
  view_.SetControlText(Control::kHelp, HeaderLabel("?"));
  UpdateOptionLabels();
  view_.SetControlText(Control::kReset, Text(texts::kReset));
  view_.SetControlText(Control::kImport, Text(texts::kImport));
  view_.SetControlText(Control::kGroup, Text(texts::kGroup));
  view_.SetControlText(Control::kWebLink, text::AboutUtf8(German() ? texts::kAboutLinkGerman
                                                                   : texts::kAboutLinkOther));
  view_.ClearMessages();
  view_.InsertMessage(Text(texts::kLegendInfo), core::MessageIcon::kInfo);
  view_.InsertMessage(Text(texts::kLegendError), core::MessageIcon::kError);
  view_.InsertMessage(Text(texts::kLegendWarning), core::MessageIcon::kWarning);
  view_.SetColumnTitles(Text(texts::kPath), Text(texts::kSize), Text(texts::kMessages));
  view_.TextsChanged();
}

// ---- core::WindowPort on the UI thread --------------------------------------

void WindowLogic::InsertMessage(std::string_view text, core::MessageIcon icon) {
  view_.InsertMessage(text, icon);
}

void WindowLogic::SetStatusText(std::string_view text) { view_.SetStatusText(text); }

void WindowLogic::SetTitle(std::string_view text) { view_.SetTitle(text); }

void WindowLogic::SetInstructionText(std::string_view text) {
  view_.SetControlText(Control::kInstructions, text);
}

void WindowLogic::SetBusy(bool busy) {
  for (Control control : kBusyControls) view_.EnableControl(control, !busy);
}

std::string WindowLogic::UpdateOptionLabels() {
  view_.SetControlText(Control::kOverwrite, text::FormatText(Text(texts::kOverwriteFormat),
                                                             {OverwriteCount(services_.settings)}));
  services_.settings.ReadIntoVariable(settings::kOptionsSection, "del_delay",
                                      run_state_.deleteDelaySeconds);
  const int delay = std::clamp(run_state_.deleteDelaySeconds.load(), 0, kMaxDelaySeconds);
  run_state_.deleteDelaySeconds.store(delay);
  std::string label = text::FormatText(Text(texts::kDelayFormat), {delay});
  view_.SetControlText(Control::kDelay, label);
  view_.TextsChanged();
  return label;
}

void WindowLogic::ItemRowsChanged(int row_count) { view_.ItemRowsChanged(row_count); }

void WindowLogic::SendCancel() { Cancel(); }

// ---- commands -------------------------------------------------------------

void WindowLogic::Run(Command command) {
  switch (command) {
    case Command::kCancel:
      return Cancel();
    case Command::kDelete:
      return StartErase(false);
    case Command::kDeleteExit:
      return StartErase(true);
    case Command::kReset:
      return items_->ResetList(port_.get());
    case Command::kOverwrite:
      return ShowOverwriteMenu();
    case Command::kDelay:
      return ShowDelayMenu();
    case Command::kLanguage:
      return ShowLanguageMenu();
    case Command::kHelp:
      return ShowHelp();
    case Command::kFill:
      return ShowFillMenu();
    case Command::kWebLink:
      return OpenWebLink();
    case Command::kImport:
      return ShowImportMenu();
  }
}

bool WindowLogic::AskToStop(int text_id) {
  return view_.AskYesNo(Text(texts::kStop), Text(text_id));
}

void WindowLogic::Cancel() {
  // A running fill or erase is stopped, not cut off: the fill deletes its
  // files, the erase ends at a file boundary, and the window stays open to
  // say what was done.
  if (run_state_.fillRunning.load() != 0) {
    if (AskToStop(texts::kStopFill)) run_state_.fillRunning.store(0);
    return;
  }
  if (run_state_.erasing.load() != 0) {
    if (run_state_.stopRequested.load() == 0 && AskToStop(texts::kStopErase)) {
      run_state_.stopRequested.store(1);
    }
    return;
  }
  // The first Cancel ends an erase's countdown; with nothing to stop, it closes.
  if (run_state_.stopRequested.load() == 1) view_.Close(kCancelResult);
  run_state_.stopRequested.store(1);
}

bool WindowLogic::StartWorker(std::function<void()> work) {
  if (services_.worker.Start(std::move(work))) return true;
  InsertMessage(Text(texts::kError) + ": " + Text(texts::kWorkerNotStarted),
                core::MessageIcon::kError);
  SetBusy(false);
  return false;
}

void WindowLogic::StartErase(bool exit_after) {
  if (services_.worker.Running()) return;
  fill_started_ = false;
  SetBusy(true);
  run_state_.exitAfterErase.store(exit_after ? 1 : 0);
  // The job works on the rows as they are now; later drops cannot change
  // which file a row number names.
  items::ItemList& list = *items_;
  core::WindowPort& port = *port_;
  // Made here, used on the worker: it lives as long as the job does.
  std::shared_ptr<traces::TraceEraser> trace_eraser;
  if (ReadImportSettings(services_.settings).traces != 0) {
    trace_eraser = std::make_shared<traces::TraceEraser>(services_.env, port);
  }
  erase::EraseJobContext job{.env = services_.env,
                             .settings = services_.settings,
                             .port = port,
                             .run_state = run_state_,
                             .listed = items_->Listed(),
                             .refresh_list = [&list, &port] { list.RefreshList(&port); },
                             .options = {.erased_items = trace_eraser.get()},
                             .pass_count = std::nullopt,
                             .delay_seconds = std::nullopt,
                             .on_progress = {},
                             .countdown_text_id = erase::kWindowCountdownText,
                             .erasing_text_id = erase::kTextErasingWindow};
  StartWorker([job = std::move(job), trace_eraser] { erase::RunEraseJob(job); });
}

void WindowLogic::ShowOverwriteMenu() {
  const int chosen =
      view_.RunMenu(Control::kOverwrite, OverwriteMenu(OverwriteCount(services_.settings)));
  if (chosen > 0) services_.settings.WriteIntSetting(settings::kOptionsSection, "re_write", chosen);
  UpdateOptionLabels();
}

void WindowLogic::ShowDelayMenu() {
  services_.settings.ReadIntoVariable(settings::kOptionsSection, "del_delay",
                                      run_state_.deleteDelaySeconds);
  const int chosen =
      view_.RunMenu(Control::kDelay, DelayMenu(run_state_.deleteDelaySeconds.load()));
  if (chosen >= kDelayCommandBase) {
    services_.settings.WriteIntSetting(settings::kOptionsSection, "del_delay",
                                       chosen - kDelayCommandBase);
  }
  UpdateOptionLabels();
}

void WindowLogic::ShowLanguageMenu() {
  const int chosen = std::max(0, view_.RunMenu(Control::kLanguage, LanguageMenu()));
  switch (text::HandleLanguageMenuCommand(chosen, services_.settings, services_.env)) {
    case text::LanguageMenuOutcome::kLanguageChanged:
      ApplyLanguageTexts();
      break;
    case text::LanguageMenuOutcome::kTemplateExported: {
      // Without a default text program nothing opens: say where the file is.
      const std::string path = text::TranslationTemplatePath(services_.env);
      const bool written = services_.env.Describe(path).ok();
      InsertMessage(
          text::FormatText(Text(written ? texts::kTemplateWritten : texts::kTemplateNotWritten),
                           {path}),
          written ? core::MessageIcon::kInfo : core::MessageIcon::kError);
      break;
    }
    case text::LanguageMenuOutcome::kNothing:
      break;
  }
}

void WindowLogic::ShowHelp() {
  std::string help;
  auto add_pairs = [&help](int first, int pairs) {
    for (int pair = 0; pair < pairs; ++pair) {
      if (!help.empty()) help += '\n';
      help += Text(first + 2 * pair) + '\n' + Text(first + 2 * pair + 1) + '\n';
    }
  };
  add_pairs(texts::kFirstHelpPair, texts::kHelpPairs);
  add_pairs(texts::kFirstMoreHelpPair, texts::kMoreHelpPairs);
  view_.ShowText(Text(texts::kHelpCaption), help);
}

void WindowLogic::ShowFillMenu() {
  if (services_.worker.Running()) return;
  const int records = ReadFillRecords(services_.settings);
  const int chosen = view_.RunMenu(Control::kFill, FillMenu(records));
  if (chosen == kFillRecords) FlipFillRecords(services_.settings, records);
  if (chosen == kFillRun) StartFill(records != 0);
}

void WindowLogic::StartFill(bool records) {
  if (services_.worker.Running()) return;
  std::optional<std::string> folder = view_.ChooseFolder();
  if (!folder || folder->empty()) return;
  SetBusy(true);
  fill_started_ = true;
  platform::Env& env = services_.env;
  core::WindowPort& port = *port_;
  core::RunState& run_state = run_state_;
  fill::FillOptions options;
  options.records = records;
  StartWorker([&env, &port, &run_state, chosen = std::move(*folder), options] {
    fill::FillFreeSpace(env, port, run_state, chosen, options);
  });
}

void WindowLogic::OpenWebLink() {
  view_.OpenUrl(text::AboutUtf8(German() ? texts::kAboutUrlGerman : texts::kAboutUrlOther));
}

void WindowLogic::ShowImportMenu() {
  const ImportSettings current = ReadImportSettings(services_.settings);
  const int chosen = view_.RunMenu(Control::kImport, ImportMenu(current));
  if (chosen == kEraseTrash) return StartTrashImport();
  if (chosen != kImportRun) {
    FlipImportSetting(services_.settings, current, chosen);
    return;
  }
  std::optional<std::string> folder = view_.ChooseFolder();
  if (folder && !folder->empty()) StartImport(*folder);
}

void WindowLogic::StartImport(const std::string& folder) {
  if (services_.worker.Running()) return;
  fill_started_ = false;
  const ImportSettings chosen = ReadImportSettings(services_.settings);
  items::ScanFlags options;
  options.include_subfolders = chosen.subfolders != 0;
  options.add_files = chosen.files != 0;
  options.add_folders = chosen.folders != 0;
  SetBusy(true);
  platform::Env& env = services_.env;
  items::ItemList& list = *items_;
  core::WindowPort& port = *port_;
  StartWorker([&env, &list, &port, folder, options] {
    items::ItemAdder(env, list, &port).ScanFolder(folder, options);
    list.RefreshList(&port);
    port.SetBusy(false);
  });
}

void WindowLogic::StartTrashImport() {
  if (services_.worker.Running()) return;
  fill_started_ = false;
  SetBusy(true);
  platform::Env& env = services_.env;
  items::ItemList& list = *items_;
  core::WindowPort& port = *port_;
  StartWorker([&env, &list, &port] {
    const std::vector<std::string> entries =
        traces::TrashEntries(env, traces::StoresToClean(env, port));
    if (entries.empty()) port.InsertMessage(Text(texts::kTrashEmpty), core::MessageIcon::kInfo);
    items::ItemAdder adder(env, list, &port);
    for (const std::string& entry : entries) adder.AddPath(entry);
    list.RefreshList(&port);
    port.SetBusy(false);
  });
}

// ---- drops and the end of the run ------------------------------------------

void WindowLogic::DropPaths(const std::vector<std::string>& paths) {
  items::ItemAdder adder(services_.env, *items_, port_.get());
  for (const std::string& path : paths) adder.AddPath(path);
  items_->RefreshList(port_.get());
}

bool WindowLogic::EndRun(int timeout_ms, const std::function<void()>& pump_events) {
  port_->Detach();
  if (timeout_ms < 0) timeout_ms = fill_started_ ? kFillCleanupWaitMs : kWorkerWaitMs;
  // A confirmed Cancel has cleared it already; closing by any other way while
  // the fill runs must still let it delete its files.
  run_state_.fillRunning.store(0);
  run_state_.stopRequested.store(1);
  return services_.worker.WaitForEnd(timeout_ms, pump_events);
}

}  // namespace tarnwell::ui
