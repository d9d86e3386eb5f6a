// tarnwell: the window. Start-up in a fixed order (arguments, settings, texts,
// number format, Qt), then the main window until it closes; the exit code is
// always 0. Several copies may run at once and share one settings file.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/fill_here_runner.h"
#include "app/main_dialog.h"
#include "app/menu_runner.h"
#include "app/start_arguments.h"
#include "app/worker_slot.h"
#include "core/program.h"
#include "core/version.h"
#include "items/format_size.h"
#include "platform/env.h"
#include "settings/settings_store.h"
#include "text/catalog.h"
#include "ui/window_help.h"

int main(int argc, char** argv) {
  using namespace tarnwell;
  const app::StartArguments start = app::ReadStartArguments(argc, argv);
  if (start.mode == app::StartArguments::Mode::kVersion) {
    std::cout << "tarnwell " << core::kProgramVersion << '\n';
    return 0;
  }
  // The identifier names the translation template; it is a constant here.
  static_assert(!core::kProgramIdentifier.empty());

  platform::Env& env = platform::DefaultEnv();
  settings::LoadedSettings loaded = settings::LoadSettings(env);
  if (!loaded.problem.ok()) {
    std::cerr << "tarnwell: settings not used, defaults apply: " << loaded.problem.message()
              << '\n';
  }
  text::BuildTextCatalog();
  text::SetCurrentLanguage(loaded.language);
  items::SetNumberFormat(env.UserNumberFormat());
  if (start.mode == app::StartArguments::Mode::kHelp) {
    std::cout << ui::WindowHelpText();
    return 0;
  }

  // Qt reads options such as -platform or -platformpluginpath from its argv,
  // "--" or not: the paths a file manager passes must never reach it.
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  QApplication application(qt_argc, qt_argv);
  QApplication::setApplicationName(QStringLiteral("tarnwell"));
  QApplication::setDesktopFileName(QStringLiteral("io.tarnwell.Tarnwell"));

  app::MenuRunner popups;
  const bool fill_here = start.mode == app::StartArguments::Mode::kFillHere;
  app::FillHereRunner runner(popups,
                             QFile::decodeName(QByteArray::fromStdString(start.fill_folder)));
  app::WorkerSlot worker;
  auto* dialog = new app::MainDialog({env, loaded.store, runner, worker}, start.paths);
  if (fill_here) {
    QTimer::singleShot(0, dialog, [dialog] {
      if (auto* fill = dialog->findChild<QToolButton*>(app::ids::kFill)) fill->click();
    });
  }
  if (start.mode == app::StartArguments::Mode::kTrash) {
    QTimer::singleShot(0, dialog, [dialog] { dialog->StartTrashImport(); });
  }
  dialog->exec();
  if (!dialog->EndRun()) {
    // A worker still runs and uses the window's list: end the process without
    // destroying anything it might touch.
    std::_Exit(0);
  }
  delete dialog;
  return 0;
}
