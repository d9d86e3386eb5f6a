#include "cli/man_page.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <vector>

namespace tarnwell::cli {
namespace {

// Roff takes a backslash as an escape and a leading dot or quote as a
// request; a plain "-" may be typeset as a hyphen, which breaks copy and paste.
std::string Escaped(std::string_view text) {
  std::string out;
  if (!text.empty() && (text.front() == '.' || text.front() == '\'')) out = "\\&";
  for (const char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Uppercase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trimmed(std::string_view line) {
  const size_t start = line.find_first_not_of(" \n");
  if (start == std::string_view::npos) return {};
  return line.substr(start, line.find_last_not_of(" \n") + 1 - start);
}

std::string Header(std::string_view name, std::string_view version, std::string_view date,
                   std::string_view summary) {
  // Left-aligned and unhyphenated: the JSON examples are long words that would
  // stretch the gaps, and a hyphen inside an option cannot be typed back.
  return ".TH " + Uppercase(name) + " 1 \"" + std::string(date) + "\" \"tarnwell " +
         std::string(version) + "\" \"User Commands\"\n.ad l\n.nh\n.SH NAME\n" + Escaped(name) +
         " \\- " + Escaped(summary) + "\n";
}

// CLI11 names an option's value by its type and checks ("INT:INT in [1 - 10]");
// a page shows a placeholder and says the range in words.
struct ValueText {
  std::string placeholder;  // "" for a flag or a positional argument
  std::string range;        // "1 to 10", or ""
};

ValueText ValueOf(const CLI::Option* option, bool positional) {
  if (positional || option->get_type_size() == 0) return {};
  const std::string type = option->get_type_name();
  const size_t colon = type.find(':');
  const std::string base = type.substr(0, colon);
  ValueText value{base == "INT" || base == "UINT" ? "N" : base, ""};
  const size_t open = type.find(" in [", colon == std::string::npos ? 0 : colon);
  const size_t dash = type.find(" - ", open);
  const size_t close = type.find(']', dash);
  if (open != std::string::npos && dash != std::string::npos && close != std::string::npos) {
    value.range =
        type.substr(open + 5, dash - open - 5) + " to " + type.substr(dash + 3, close - dash - 3);
  }
  return value;
}

std::string OptionEntry(const CLI::Formatter& formatter, const CLI::Option* option,
                        bool positional) {
  const ValueText value = ValueOf(option, positional);
  return ".TP\n\\fB" + Escaped(formatter.make_option_name(option, positional)) + "\\fR" +
         (value.placeholder.empty() ? "" : " \\fI" + Escaped(value.placeholder) + "\\fR") + "\n" +
         Escaped(option->get_description()) +
         (value.range.empty() ? "" : "; " + Escaped(value.range)) + "\n";
}

std::string SeeAlso(std::string_view page) {
  return ".SH SEE ALSO\n\\fB" + Escaped(page) + "\\fR(1), \\fBshred\\fR(1)\n";
}

std::string OptionEntries(const CLI::App& app) {
  CLI::Formatter formatter;
  std::string out;
  for (const CLI::Option* option : app.get_options()) {
    out += OptionEntry(formatter, option, option->get_positional());
  }
  return out;
}

}  // namespace

std::string HelpToRoff(std::string_view help) {
  std::string out;
  bool in_section = false;
  size_t start = 0;
  while (start < help.size()) {
    const size_t end = std::min(help.find('\n', start), help.size());
    const std::string_view line = help.substr(start, end - start);
    start = end + 1;
    const std::string_view text = Trimmed(line);
    if (text.empty()) {
      if (in_section) out += ".PP\n";
      continue;
    }
    if (line.starts_with("Usage: ")) {
      out += ".SH SYNOPSIS\n" + Escaped(line.substr(7)) + "\n";
      in_section = false;
      continue;
    }
    const size_t indent = line.find_first_not_of(' ');
    if (indent == 0 && line.back() == ':') {
      out += ".SH " + Escaped(Uppercase(line.substr(0, line.size() - 1))) + "\n";
      in_section = true;
      continue;
    }
    if (!in_section) {
      out += ".SH DESCRIPTION\n";
      in_section = true;
    }
    const size_t gap = text.find("  ");
    if (indent == 2 && gap != std::string_view::npos) {
      out +=
          ".TP\n" + Escaped(text.substr(0, gap)) + "\n" + Escaped(Trimmed(text.substr(gap))) + "\n";
    } else {
      out += Escaped(text) + "\n";
    }
  }
  return out;
}

std::string CliManPage(const CLI::App& app, std::string_view version, std::string_view date,
                       std::string_view examples) {
  CLI::Formatter formatter;
  const std::vector<const CLI::App*> commands =
      app.get_subcommands([](const CLI::App*) { return true; });
  const std::string description = app.get_description();
  const size_t colon = description.find(": ");
  std::string out =
      Header(app.get_name(), version, date,
             colon == std::string::npos ? description : description.substr(colon + 2));
  out += ".SH SYNOPSIS\n";
  for (const CLI::App* command : commands) {
    out += ".B " + Escaped(app.get_name()) + "\n" +
           Escaped(Trimmed(formatter.make_usage(command, command->get_name()).substr(7))) +
           "\n.br\n";
  }
  out += ".SH DESCRIPTION\n" + Escaped(app.get_description()) + ".\n.SH OPTIONS\n" +
         OptionEntries(app) + ".SH COMMANDS\n";
  for (const CLI::App* command : commands) {
    out += ".SS " + command->get_name() + "\n" + Escaped(command->get_description()) + ".\n" +
           OptionEntries(*command);
  }
  out += HelpToRoff(app.get_footer());
  // A sub-command without its own epilogue shows the program's.
  for (const CLI::App* command : commands) {
    if (command->get_footer() != app.get_footer()) out += HelpToRoff(command->get_footer());
  }
  return out + HelpToRoff(examples) + SeeAlso("tarnwell");
}

std::string WindowManPage(std::string_view help, std::string_view version, std::string_view date,
                          std::string_view keys_and_examples) {
  return Header("tarnwell", version, date, "a window to erase files and folders for good") +
         HelpToRoff(help) + HelpToRoff(keys_and_examples) + SeeAlso("tarnwell-cli");
}

}  // namespace tarnwell::cli
