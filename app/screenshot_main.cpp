// tarnwell-screenshot: renders the main window to a PNG for the docs. It
// erases the files after --erase for real (so the message list shows a real
// job; a file named after --deny is refused as the system refuses a file
// without write permission), then drops the paths after --list on the
// window and saves what the window shows. With --mid-job the files after
// --erase are listed and the picture is taken while their erase runs, its
// writes slowed down so the progress can be seen. With --countdown the
// picture is taken during the countdown of an erase of the listed items
// (which the end of the run aborts); with --fill FOLDER during a slowed
// fill of FOLDER's volume (which the end of the run stops, deleting its
// files). --hold MS keeps the window up that much longer before the
// picture (for the screen-reader test). Not installed; scripts/screenshots.sh
// drives it.
#include <QApplication>
#include <QCursor>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QThread>
#include <QUrl>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/main_dialog.h"
#include "app/menu_runner.h"
#include "app/worker_slot.h"
#include "items/format_size.h"
#include "job/state_notes.h"
#include "platform/env.h"
#include "platform/fault_env.h"
#include "settings/job_options.h"
#include "settings/settings_store.h"
#include "text/catalog.h"

namespace {

// Each write of a mid-job picture waits this long, so a few megabytes take
// seconds.
constexpr int kSlowWriteMs = 120;
// How long a mid-job picture lets the erase run before it is taken.
constexpr int kMidJobMs = 1500;
// The countdown shown, and how long into it the picture is taken.
constexpr int kCountdownSeconds = 5;
constexpr int kCountdownMs = 1300;

// The fill's folder comes from the command line, not from a chooser.
class PresetRunner final : public tarnwell::app::MenuRunner {
 public:
  QString folder;
  QString ChooseFolder(QWidget*, const QString&) override { return folder; }
};
// Smallest files, strongest compression.
constexpr int kPngQuality = 0;

void ProcessEventsFor(int milliseconds) {
  for (int waited = 0; waited < milliseconds; waited += 10) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(10);
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarnwell;
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: %s OUTPUT.png LANGUAGE [--mid-job] [--erase PATH...] [--list PATH...]\n",
                 argv[0]);
    return 2;
  }
  const QString output = QString::fromLocal8Bit(argv[1]);
  const int language = std::atoi(argv[2]);
  bool mid_job = false;
  bool countdown = false;
  int hold_ms = 0;  // the window stays up this long before the picture
  std::string deny;
  std::string fill_folder;
  std::vector<std::string> erase_paths;
  QList<QUrl> list_urls;
  std::vector<std::string>* target = nullptr;
  for (int i = 3; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--mid-job") {
      mid_job = true;
    } else if (argument == "--countdown") {
      countdown = true;
    } else if (argument == "--deny" && i + 1 < argc) {
      deny = argv[++i];
    } else if (argument == "--fill" && i + 1 < argc) {
      fill_folder = argv[++i];
    } else if (argument == "--hold" && i + 1 < argc) {
      hold_ms = std::atoi(argv[++i]);
    } else if (argument == "--erase") {
      target = &erase_paths;
    } else if (argument == "--list") {
      target = nullptr;
    } else if (target != nullptr) {
      target->push_back(argument);
    } else {
      list_urls.push_back(QUrl::fromLocalFile(QFile::decodeName(argv[i])));
    }
  }

  platform::Env& real_env = platform::DefaultEnv();
  platform::FaultEnv env(real_env);
  if (mid_job || !fill_folder.empty()) {
    // The jobs' own notes are written at full speed: only the work is slowed.
    const std::string notes = job::RuntimeStateFolder(real_env);
    env.fail_write = [notes](const std::string& path, uint64_t, size_t,
                             bool) -> std::optional<platform::Result<size_t>> {
      if (!notes.empty() && path.starts_with(notes + "/")) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(kSlowWriteMs));
      return std::nullopt;
    };
  }
  if (!deny.empty()) {
    // As the system answers for a file without write permission, in its own words.
    env.fail_call = [deny](const std::string& operation,
                           const std::string& path) -> std::optional<platform::Status> {
      if (operation != "OpenAt" || path.size() < deny.size() ||
          path.compare(path.size() - deny.size(), deny.size(), deny) != 0) {
        return std::nullopt;
      }
      return platform::Status::Error(EACCES, "open for writing '" + path + "': Permission denied");
    };
  }
  settings::LoadedSettings loaded = settings::LoadSettings(real_env);
  text::BuildTextCatalog();
  text::SetCurrentLanguage(language);
  items::SetNumberFormat(real_env.UserNumberFormat());

  QApplication application(argc, argv);
  PresetRunner runner;
  runner.folder = QFile::decodeName(QByteArray::fromStdString(fill_folder));
  app::WorkerSlot worker;
  app::MainDialog dialog({env, loaded.store, runner, worker}, erase_paths);
  dialog.show();
  if (!erase_paths.empty()) {
    dialog.RunCommand(QString::fromLatin1(app::ids::kDelete));
    if (mid_job) {
      while (!dialog.run_state().erasing.load() && worker.Running()) ProcessEventsFor(10);
      ProcessEventsFor(kMidJobMs);
    } else {
      worker.WaitForEnd(120000, [] { ProcessEventsFor(5); });
    }
  }
  if (!list_urls.isEmpty()) {
    QMimeData mime;
    mime.setUrls(list_urls);
    // Qt delivers a drop to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &drop);
  }
  if (countdown) {
    loaded.store.WriteIntSetting(settings::kOptionsSection, settings::kDelayKey, kCountdownSeconds);
    dialog.RunCommand(QString::fromLatin1(app::ids::kDelete));
    ProcessEventsFor(kCountdownMs);
  }
  if (!fill_folder.empty()) {
    dialog.RunCommand(QString::fromLatin1(app::ids::kFill));
    ProcessEventsFor(kMidJobMs);
  }
  ProcessEventsFor(200 + hold_ms);
  // The pointer rests off the buttons, so none shows as hovered.
  QCursor::setPos(dialog.mapToGlobal(QPoint(dialog.width() / 2, dialog.height() - 2)));
  ProcessEventsFor(50);
  const bool saved = dialog.grab().save(output, "PNG", kPngQuality);
  dialog.done(app::MainDialog::kCancelResult);
  // A running erase stops at its next file; the process ends either way.
  if (!dialog.EndRun()) std::_Exit(saved ? 0 : 1);
  return saved ? 0 : 1;
}
