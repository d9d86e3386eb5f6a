#include "ui/window_help.h"

#include "text/catalog.h"

namespace tarnwell::ui {
namespace {

constexpr char kOptionsAndExitStatus[] =
    "Options:\n"
    "  --help  Show this text and end.\n"
    "  --version  Show the version and end.\n"
    "  --fill DIR  Start the fill of the free space of the volume holding DIR, after\n"
    "      asking.\n"
    "  --trash  List everything in your trashes (the files and their records),\n"
    "      ready to be erased.\n"
    "  --  Every later argument is a path, also one that starts with a dash.\n"
    "      Each path is taken exactly as given, blanks and newlines included.\n"
    "\n"
    "Exit status:\n"
    "  0  always; what failed is in the window's message list.";

}  // namespace

std::string WindowHelpText() {
  return "Usage: tarnwell [--help | --version | --fill DIR | --trash | [--] [FILE|FOLDER]...]\n\n" +
         text::LookupLines(text::TextId::kWindowDescription) + "\n\n" + kOptionsAndExitStatus +
         "\n\n" + text::LookupLines(text::TextId::kFilesHelp) + "\n\n" +
         text::LookupLines(text::TextId::kLimitsHelp) + "\n";
}

}  // namespace tarnwell::ui
