// tarnwell: the window. Start-up in a fixed order (arguments, settings, texts,
// number format, Qt), then the main window until it closes; the exit code is
// always 0. Several copies may run at once and share one settings file.
#include <QApplication>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/fill_here_runner.h"
#include "app/main_dialog.h"
#include "app/menu_runner.h"
#include "app/worker_slot.h"
#include "core/program.h"
#include "core/version.h"
#include "items/format_size.h"
#include "platform/env.h"
#include "settings/settings_store.h"
#include "text/catalog.h"
#include "text/window_help.h"

int main(int argc, char** argv) {
  using namespace tarnwell;
  // Each argument is one path, as the desktop passes dropped files; only a
  // first argument of --help or --version is read as an option, and "--"
  // before the paths lets them start with a dash.
  const bool help = argc == 2 && std::strcmp(argv[1], "--help") == 0;
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "tarnwell " << core::kProgramVersion << '\n';
    return 0;
  }
  // --fill DIR starts the fill command for DIR, which asks first.
  const bool fill_here = argc == 3 && std::strcmp(argv[1], "--fill") == 0;
  const int first_path = fill_here ? argc : argc > 1 && std::strcmp(argv[1], "--") == 0 ? 2 : 1;
  const std::vector<std::string> paths(argv + first_path, argv + argc);
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
  if (help) {
    std::cout << text::WindowHelpText();
    return 0;
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarnwell"));
  QApplication::setDesktopFileName(QStringLiteral("io.tarnwell.Tarnwell"));

  app::MenuRunner popups;
  app::FillHereRunner runner(popups, fill_here ? QString::fromLocal8Bit(argv[2]) : QString());
  app::WorkerSlot worker;
  auto* dialog = new app::MainDialog({env, loaded.store, runner, worker}, paths);
  if (fill_here) {
    QTimer::singleShot(0, dialog, [dialog] {
      if (auto* fill = dialog->findChild<QToolButton*>(app::ids::kFill)) fill->click();
    });
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
