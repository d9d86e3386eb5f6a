// Build tool: writes the manual pages of both programs in English.
//   tarnwell-man OUT_DIR DATE
#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/cli_context.h"
#include "cli/man_page.h"
#include "core/version.h"
#include "platform/env.h"
#include "settings/settings_store.h"
#include "text/catalog.h"
#include "ui/window_help.h"

namespace {

bool Write(const std::string& path, const std::string& page) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << page;
  out.close();
  if (out.fail()) std::fprintf(stderr, "tarnwell-man: cannot write %s\n", path.c_str());
  return !out.fail();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarnwell;
  if (argc != 3) {
    std::fprintf(stderr, "usage: tarnwell-man OUT_DIR DATE\n");
    return 2;
  }
  constexpr int kEnglish = 1;
  text::SetCurrentLanguage(kEnglish);
  if (!text::BuildTextCatalog()) return 1;

  platform::Env& env = platform::DefaultEnv();
  // Nothing is read or written: the commands are only registered.
  settings::SettingsStore settings(env, "/nonexistent/tarnwell.ini");
  core::RunState run_state;
  std::istringstream in;
  std::ostringstream sink;
  cli::CliContext context{env, settings, run_state, in, sink, sink, sink};
  CLI::App app;
  cli::BuildCommandLine(app, context);

  const std::string dir = argv[1];
  const std::string_view version = core::kProgramVersion;
  return Write(dir + "/tarnwell-cli.1",
               cli::CliManPage(app, version, argv[2],
                               text::LookupLines(text::TextId::kCliExamples))) &&
                 Write(dir + "/tarnwell.1",
                       cli::WindowManPage(ui::WindowHelpText(), version, argv[2],
                                          text::LookupLines(text::TextId::kWindowKeysAndExamples)))
             ? 0
             : 1;
}
