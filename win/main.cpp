// tarnwell.exe: the window on Windows. Start-up in a fixed order (arguments,
// settings, texts, number format, controls), then the window until it
// closes; the exit code is always 0. Several copies may run at once and
// share one settings file.

#include <cstdlib>
#include <string>
#include <vector>

#include "items/format_size.h"
#include "platform/env.h"
#include "platform/win32/win_text.h"
#include "settings/settings_store.h"
#include "text/catalog.h"
#include "win/main_window.h"
#include "win/windows_ui.h"

namespace {

// Each argument is one path, as Explorer passes dropped files, taken into
// the logic's form ('/' separators); a first argument "--" lets the paths
// start with a dash.
std::vector<std::string> ArgumentPaths() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> paths;
  for (int i = 1; i < count; ++i) {
    if (i == 1 && std::wstring_view(arguments[i]) == L"--") continue;
    paths.push_back(tarnwell::platform::win32::LogicPath(arguments[i]));
  }
  LocalFree(arguments);
  return paths;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace tarnwell;
  const std::vector<std::string> paths = ArgumentPaths();
  platform::Env& env = platform::DefaultEnv();
  // A settings file that cannot be used leaves every value at its default.
  settings::LoadedSettings loaded = settings::LoadSettings(env);
  text::BuildTextCatalog();
  text::SetCurrentLanguage(loaded.language);
  items::SetNumberFormat(env.UserNumberFormat());

  // The folder chooser and the accessibility names are COM objects.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  auto* window = new win::MainWindow(env, loaded.store);
  const bool shown = window->Run(paths);
  if (!window->EndRun()) {
    // A worker still runs and uses the window's list: end the process without
    // destroying anything it might touch.
    std::_Exit(0);
  }
  delete window;
  CoUninitialize();
  return shown ? 0 : 1;
}
