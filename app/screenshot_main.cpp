// tarnwell-screenshot: renders the main window to a PNG for the docs. It
// erases the files after --erase for real (so the message list shows a real
// job), then drops the paths after --list on the window and saves what the
// window shows. With --mid-job the files after --erase are listed and the
// picture is taken while their erase runs, its writes slowed down so the
// progress can be seen. Not installed; scripts/screenshots.sh drives it.
#include <QApplication>
#include <QCursor>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QThread>
#include <QUrl>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/main_dialog.h"
#include "app/menu_runner.h"
#include "app/worker_slot.h"
#include "items/format_size.h"
#include "platform/env.h"
#include "platform/fault_env.h"
#include "settings/settings_store.h"
#include "text/catalog.h"

namespace {

// Each write of a mid-job picture waits this long, so a few megabytes take
// seconds.
constexpr int kSlowWriteMs = 120;
// How long a mid-job picture lets the erase run before it is taken.
constexpr int kMidJobMs = 1500;
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
  std::vector<std::string> erase_paths;
  QList<QUrl> list_urls;
  std::vector<std::string>* target = nullptr;
  for (int i = 3; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--mid-job") {
      mid_job = true;
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
  if (mid_job) {
    env.fail_write = [](const std::string&, uint64_t, size_t,
                        bool) -> std::optional<platform::Result<size_t>> {
      std::this_thread::sleep_for(std::chrono::milliseconds(kSlowWriteMs));
      return std::nullopt;
    };
  }
  settings::LoadedSettings loaded = settings::LoadSettings(real_env);
  text::BuildTextCatalog();
  text::SetCurrentLanguage(language);
  items::SetNumberFormat(real_env.UserNumberFormat());

  QApplication application(argc, argv);
  app::MenuRunner runner;
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
  ProcessEventsFor(200);
  // The pointer rests off the buttons, so none shows as hovered.
  QCursor::setPos(dialog.mapToGlobal(QPoint(dialog.width() / 2, dialog.height() - 2)));
  ProcessEventsFor(50);
  const bool saved = dialog.grab().save(output, "PNG", kPngQuality);
  dialog.done(app::MainDialog::kCancelResult);
  // A running erase stops at its next file; the process ends either way.
  if (!dialog.EndRun()) std::_Exit(saved ? 0 : 1);
  return saved ? 0 : 1;
}
