// Commands, jobs and labels of the window. Every text comes from the
// catalogue when it is shown, so ApplyLanguageTexts relabels everything
// after a language change.
#include "ui/window_logic.h"

#include <algorithm>
#include <new>
#include <optional>

#include "core/paths.h"
#include "erase/erase_job.h"
#include "fill/fill_job.h"
#include "items/add_items.h"
#include "items/item_list.h"
#include "platform/env.h"
#include "settings/job_options.h"
#include "settings/settings_store.h"
#include "text/catalog.h"
#include "text/format_text.h"
#include "text/translation_template.h"
#include "traces/trace_eraser.h"
#include "traces/trash_listing.h"
#include "ui/killed_jobs.h"
#include "ui/language_menu.h"
#include "ui/option_menus.h"
#include "ui/window_texts.h"

namespace tarnwell::ui {
namespace {

constexpr int kMaxTimeMode = 2;

std::string HeaderLabel(std::string_view label) {
  return "\u00bb\u00bb " + std::string(label) + " \u00ab\u00ab";
}
std::string Text(text::TextId id) { return text::LookupUtf8(id); }
bool German() { return text::CurrentLanguage() == 0; }

// Counts an open menu or box in the run state for as long as it lives.
class ModalHold final {
 public:
  explicit ModalHold(core::RunState& state) : state_(state) { ++state_.window_modal; }
  ~ModalHold() { --state_.window_modal; }
  ModalHold(const ModalHold&) = delete;
  ModalHold& operator=(const ModalHold&) = delete;

 private:
  core::RunState& state_;
};

}  // namespace

WindowLogic::WindowLogic(WindowServices services, WindowView& view,
                         const WorkerPortFactory& make_port)
    : services_(services),
      view_(view),
      items_(std::make_unique<items::ItemList>(services.env)),
      port_(make_port(*this)),
      events_(std::make_unique<PortEvents>(*port_, Front::kWindow)) {
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
  // A fill killed meanwhile left files and maybe a lowered reserve behind,
  // an erase killed meanwhile files under random names.
  FinishKilledJobs(services_.env, *events_);
  // A path that names nothing would otherwise vanish without a word; an
  // empty argument names nothing either.
  for (const std::string& path : argument_paths) {
    if (path.empty() || !services_.env.Describe(path).ok()) {
      InsertMessage(text::FormatText(Text(texts::kNotAdded), {path}), core::MessageIcon::kWarning);
    }
  }
  items::ItemAdder(services_.env, *items_, events_.get()).AddArguments(argument_paths);
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
  view_.SetControlText(Control::kItemList, Text(texts::kDropHint));
  view_.SetControlText(Control::kAddFiles, Text(texts::kAddFilesButton));
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
  const int delay =
      settings::ReadDelaySeconds(services_.settings, run_state_.delete_delay_seconds.load());
  run_state_.delete_delay_seconds.store(delay);
  std::string label = text::FormatText(Text(texts::kDelayFormat), {delay});
  view_.SetControlText(Control::kDelay, label);
  view_.TextsChanged();
  return label;
}

void WindowLogic::ItemRowsChanged(int row_count) { view_.ItemRowsChanged(row_count); }

void WindowLogic::SendCancel() { Cancel(); }

void WindowLogic::SetProgress(double percent) { view_.SetProgress(percent); }

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
      return items_->ResetList(events_.get());
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
    case Command::kAddFiles:
      return AddFiles();
  }
}

int WindowLogic::RunMenu(Control below, const std::vector<MenuEntry>& entries) {
  ModalHold hold(run_state_);
  return view_.RunMenu(below, entries);
}

const std::string& WindowLogic::ChooserStart() {
  if (last_folder_.empty()) last_folder_ = services_.env.UserDesktopStores().home;
  return last_folder_;
}

std::optional<std::string> WindowLogic::ChooseFolder() {
  ModalHold hold(run_state_);
  std::optional<std::string> folder = view_.ChooseFolder(ChooserStart());
  if (folder && !folder->empty()) last_folder_ = *folder;
  return folder;
}

bool WindowLogic::AskToStop(text::TextId text_id) {
  // The job waits at its next file boundary (the fill before its next
  // write) until the answer: nothing more happens behind the question.
  ModalHold hold(run_state_);
  run_state_.pause_asked.store(true);
  const bool stop = view_.AskToStop(Text(texts::kStop), Text(text_id));
  run_state_.pause_asked.store(false);
  return stop;
}

void WindowLogic::Cancel() {
  // A running fill or erase is stopped, not cut off: the fill deletes its
  // files, the erase ends at a file boundary, and the window stays open to
  // say what was done. A question already open is answered there.
  if (run_state_.pause_asked.load()) return;
  if (run_state_.fill_running.load() != 0) {
    if (AskToStop(texts::kStopFill)) run_state_.fill_running.store(0);
    return;
  }
  if (run_state_.erasing.load() != 0) {
    if (!run_state_.stop_asked.load() && AskToStop(texts::kStopErase)) {
      run_state_.stop_asked.store(true);
    }
    return;
  }
  // The first Cancel ends an erase's countdown; with nothing to stop, it closes.
  if (!run_state_.erase_running.load() || run_state_.stop_asked.load()) {
    view_.Close(kCancelResult);
  }
  run_state_.stop_asked.store(true);
}

bool WindowLogic::StartWorker(std::function<void()> work) {
  core::WindowPort& port = *port_;
  core::RunState& run_state = run_state_;
  // A tree of millions of entries may not fit: the job ends with a row instead
  // of the program aborting. Unwinding has finished the running batch and
  // freed what the job held.
  auto guarded = [work = std::move(work), &port, &run_state] {
    try {
      work();
    } catch (const std::bad_alloc&) {
      run_state.erasing.store(false);
      run_state.erase_running.store(false);
      run_state.fill_running.store(0);
      port.InsertMessage(Text(texts::kError) + ": " + Text(texts::kOutOfMemory),
                         core::MessageIcon::kError);
      port.SetBusy(false);
    }
  };
  if (services_.worker.Start(std::move(guarded))) return true;
  InsertMessage(Text(texts::kError) + ": " + Text(texts::kWorkerNotStarted),
                core::MessageIcon::kError);
  SetBusy(false);
  return false;
}

void WindowLogic::StartErase(bool exit_after) {
  if (services_.worker.Running()) return;
  fill_started_ = false;
  SetBusy(true);
  run_state_.exit_after_erase.store(exit_after ? 1 : 0);
  // The settings may have changed in another copy of the program meanwhile.
  UpdateOptionLabels();
  // The job works on the rows as they are now; later drops cannot change
  // which file a row number names.
  items::ItemList& list = *items_;
  core::WindowPort& port = *port_;
  job::EventSink& events = *events_;
  core::RunState& run_state = run_state_;
  // Made here, used on the worker: it lives as long as the job does.
  std::shared_ptr<traces::TraceEraser> trace_eraser;
  if (ReadImportSettings(services_.settings).traces != 0) {
    trace_eraser = std::make_shared<traces::TraceEraser>(services_.env, port);
  }
  erase::EraseJobContext job{.env = services_.env,
                             .sink = events,
                             .run_state = run_state_,
                             .listed = items_->Listed(),
                             .refresh_list = [&list, &events] { list.RefreshList(&events); },
                             .options = {.erased_items = trace_eraser.get()},
                             .passes_asked = settings::ReadPassesAsked(services_.settings),
                             .delay_seconds = run_state_.delete_delay_seconds.load()};
  StartWorker([job = std::move(job), trace_eraser, &port, &run_state, &list, &events] {
    const erase::EraseJobResult result = erase::RunEraseJob(job);
    // Nothing was touched: the status bar shows the list again, not the countdown.
    if (result.aborted) list.RefreshList(&events);
    port.SetBusy(false);
    // Delete + Exit closes the window only when everything went.
    if (run_state.exit_after_erase.exchange(false) && !result.aborted && result.error_count == 0) {
      port.SendCancel();
    }
  });
}

void WindowLogic::ShowOverwriteMenu() {
  const int chosen =
      RunMenu(Control::kOverwrite, OverwriteMenu(OverwriteCount(services_.settings)));
  if (chosen > 0) {
    services_.settings.WriteIntSetting(settings::kOptionsSection, settings::kPassCountKey, chosen);
  }
  UpdateOptionLabels();
}

void WindowLogic::ShowDelayMenu() {
  services_.settings.ReadIntoVariable(settings::kOptionsSection, settings::kDelayKey,
                                      run_state_.delete_delay_seconds);
  const int chosen = RunMenu(Control::kDelay, DelayMenu(run_state_.delete_delay_seconds.load()));
  if (chosen >= kDelayCommandBase) {
    services_.settings.WriteIntSetting(settings::kOptionsSection, settings::kDelayKey,
                                       chosen - kDelayCommandBase);
  }
  UpdateOptionLabels();
}

void WindowLogic::ShowLanguageMenu() {
  const int chosen = std::max(0, RunMenu(Control::kLanguage, LanguageMenu()));
  switch (HandleLanguageMenuCommand(chosen, services_.settings, services_.env)) {
    case LanguageMenuOutcome::kLanguageChanged:
      ApplyLanguageTexts();
      break;
    case LanguageMenuOutcome::kTemplateExported: {
      // Without a default text program nothing opens: say where the file is.
      const std::string path = text::TranslationTemplatePath(services_.env);
      const bool written = services_.env.Describe(path).ok();
      InsertMessage(
          text::FormatText(Text(written ? texts::kTemplateWritten : texts::kTemplateNotWritten),
                           {path}),
          written ? core::MessageIcon::kInfo : core::MessageIcon::kError);
      break;
    }
    case LanguageMenuOutcome::kNothing:
      break;
  }
}

void WindowLogic::ShowHelp() {
  std::string help;
  for (const auto& [title, body] : texts::kHelpPairs) {
    if (!help.empty()) help += '\n';
    help += Text(title) + '\n' + Text(body) + '\n';
  }
  ModalHold hold(run_state_);
  view_.ShowText(Text(texts::kHelpCaption), help);
}

void WindowLogic::ShowFillMenu() {
  if (services_.worker.Running()) return;
  const int records = ReadFillRecords(services_.settings);
  const int chosen = RunMenu(Control::kFill, FillMenu(records));
  if (chosen == kFillRecords) FlipFillRecords(services_.settings, records);
  if (chosen == kFillRun) StartFill(records != 0);
}

void WindowLogic::StartFill(bool records) {
  if (services_.worker.Running()) return;
  std::optional<std::string> folder = ChooseFolder();
  if (!folder || folder->empty()) return;
  SetBusy(true);
  fill_started_ = true;
  platform::Env& env = services_.env;
  core::WindowPort& port = *port_;
  job::EventSink& events = *events_;
  core::RunState& run_state = run_state_;
  fill::FillOptions options;
  options.records = records;
  StartWorker([&env, &port, &events, &run_state, chosen = std::move(*folder), options] {
    fill::FillFreeSpace(env, events, run_state, chosen, options);
    port.SetBusy(false);
  });
}

void WindowLogic::OpenWebLink() {
  view_.OpenUrl(text::AboutUtf8(German() ? texts::kAboutUrlGerman : texts::kAboutUrlOther));
}

void WindowLogic::ShowImportMenu() {
  const ImportSettings current = ReadImportSettings(services_.settings);
  const int chosen = RunMenu(Control::kImport, ImportMenu(current));
  if (chosen == kEraseTrash) return StartTrashImport();
  if (chosen != kImportRun) {
    FlipImportSetting(services_.settings, current, chosen);
    return;
  }
  std::optional<std::string> folder = ChooseFolder();
  if (folder && !folder->empty()) StartImport(*folder);
}

void WindowLogic::AddFiles() {
  if (services_.worker.Running()) return;
  std::vector<std::string> files;
  {
    ModalHold hold(run_state_);
    files = view_.ChooseFiles(ChooserStart());
  }
  if (files.empty()) return;
  last_folder_ = core::FolderOf(files.front());
  DropPaths(files);
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
  job::EventSink& events = *events_;
  StartWorker([&env, &list, &port, &events, folder, options] {
    items::ItemAdder(env, list, &events).ScanFolder(folder, options);
    list.RefreshList(&events);
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
  job::EventSink& events = *events_;
  StartWorker([&env, &list, &port, &events] {
    const std::vector<std::string> entries =
        traces::TrashEntries(env, traces::StoresToClean(env, port));
    if (entries.empty()) port.InsertMessage(Text(texts::kTrashEmpty), core::MessageIcon::kInfo);
    items::ItemAdder adder(env, list, &events);
    for (const std::string& entry : entries) adder.AddPath(entry);
    list.RefreshList(&events);
    port.SetBusy(false);
  });
}

// ---- drops and the end of the run ------------------------------------------

void WindowLogic::DropPaths(const std::vector<std::string>& paths) {
  items::ItemAdder adder(services_.env, *items_, events_.get());
  for (const std::string& path : paths) adder.AddPath(path);
  items_->RefreshList(events_.get());
}

void WindowLogic::RemoveRows(const std::vector<int>& rows) {
  if (services_.worker.Running() || rows.empty()) return;
  items_->RemoveRows(rows, events_.get());
}

void WindowLogic::ShowItemMenu(const std::vector<int>& rows) {
  const int chosen =
      RunMenu(Control::kItemList, ItemMenu(!rows.empty(), services_.worker.Running()));
  if (chosen == kRemoveFromList) return RemoveRows(rows);
  if (chosen != kOpenContainingFolder || rows.empty()) return;
  const std::optional<std::string> path =
      items_->GetCellText(rows.front(), items::ItemList::kPathColumn);
  if (path) view_.OpenFolder(core::FolderOf(*path));
}

bool WindowLogic::EndRun(int timeout_ms, const std::function<void()>& pump_events) {
  port_->Detach();
  if (timeout_ms < 0) timeout_ms = fill_started_ ? kFillCleanupWaitMs : kWorkerWaitMs;
  // A confirmed Cancel has cleared it already; closing by any other way while
  // the fill runs must still let it delete its files.
  run_state_.fill_running.store(0);
  run_state_.stop_asked.store(true);
  return services_.worker.WaitForEnd(timeout_ms, pump_events);
}

}  // namespace tarnwell::ui
