// tarnwell-screenshot: renders the main window to a PNG for the docs. It
// erases the files after --erase for real (so the message list shows a real
// job), then drops the paths after --list on the window and saves what the
// window shows. Not installed; scripts/screenshots.sh drives it.
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QThread>
#include <QUrl>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/menu_runner.h"
#include "app/worker_slot.h"
#include "items/format_size.h"
#include "platform/env.h"
#include "settings/settings_store.h"
#include "text/catalog.h"

int main(int argc, char** argv) {
  using namespace tarnwell;
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTPUT.png LANGUAGE [--erase PATH...] [--list PATH...]\n",
                 argv[0]);
    return 2;
  }
  const QString output = QString::fromLocal8Bit(argv[1]);
  const int language = std::atoi(argv[2]);
  std::vector<std::string> erase_paths;
  QList<QUrl> list_urls;
  std::vector<std::string>* target = nullptr;
  for (int i = 3; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--erase") {
      target = &erase_paths;
    } else if (argument == "--list") {
      target = nullptr;
    } else if (target != nullptr) {
      target->push_back(argument);
    } else {
      list_urls.push_back(QUrl::fromLocalFile(QFile::decodeName(argv[i])));
    }
  }

  platform::Env& env = platform::DefaultEnv();
  settings::LoadedSettings loaded = settings::LoadSettings(env);
  text::BuildTextCatalog();
  text::SetCurrentLanguage(language);
  items::SetNumberFormat(env.UserNumberFormat());

  QApplication application(argc, argv);
  app::MenuRunner runner;
  app::WorkerSlot worker;
  app::MainDialog dialog({env, loaded.store, runner, worker}, erase_paths);
  dialog.show();
  if (!erase_paths.empty()) {
    dialog.RunCommand(QString::fromLatin1(app::ids::kDelete));
    worker.WaitForEnd(120000, [] {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      QThread::msleep(5);
    });
  }
  QMimeData mime;
  mime.setUrls(list_urls);
  // Qt delivers a drop to the widget that accepted the drag's entry.
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&dialog, &enter);
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&dialog, &drop);
  for (int i = 0; i < 20; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(10);
  }
  const bool saved = dialog.grab().save(output);
  dialog.done(app::MainDialog::kCancelResult);
  if (!dialog.EndRun()) std::_Exit(saved ? 0 : 1);
  return saved ? 0 : 1;
}
