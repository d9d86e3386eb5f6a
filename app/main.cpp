// tarnwell: the window. Start-up in a fixed order (arguments, settings, texts,
// number format, Qt), then the main window until it closes; the exit code is
// always 0. Several copies may run at once and share one settings file.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/menu_runner.h"
#include "app/worker_slot.h"
#include "core/program.h"
#include "items/format_size.h"
#include "platform/env.h"
#include "settings/settings_store.h"
#include "text/catalog.h"

int main(int argc, char** argv) {
  using namespace tarnwell;
  // Each argument is one path, as the desktop passes dropped files.
  const std::vector<std::string> paths(argv + 1, argv + argc);
  // The identifier names the translation template; it is a constant here.
  static_assert(!core::kProgramIdentifier.empty());

  platform::Env& env = platform::DefaultEnv();
  settings::LoadedSettings loaded = settings::LoadSettings(env);
  if (!loaded.problem.ok()) {
    std::fprintf(stderr, "tarnwell: settings not used, defaults apply: %s\n",
                 loaded.problem.message().c_str());
  }
  text::BuildTextCatalog();
  text::SetCurrentLanguage(loaded.language);
  items::SetNumberFormat(env.UserNumberFormat());

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarnwell"));
  QApplication::setDesktopFileName(QStringLiteral("tarnwell"));

  app::MenuRunner runner;
  app::WorkerSlot worker;
  auto* dialog = new app::MainDialog({env, loaded.store, runner, worker}, paths);
  dialog->exec();
  if (!dialog->EndRun()) {
    // A worker still runs and uses the window's list: end the process without
    // destroying anything it might touch.
    std::_Exit(0);
  }
  delete dialog;
  return 0;
}
