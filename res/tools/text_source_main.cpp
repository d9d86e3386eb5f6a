// Build tool: turns the editable UTF-8 text sources into the archive's text.
//   text_source OUT SECTION...
// Writes UTF-16LE with a byte-order mark: every section file in order, each
// line ended by CR LF, then the closing "##" marker with no line end.
// Refuses ids the catalogue has no slot for, an id given twice in one section,
// a named text id (text/text_ids.h) without an English text, and a text larger
// than the catalogue's buffer: each would lose a text silently at run time.
#include <cstdio>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "platform/env.h"
#include "text/text_catalog.h"
#include "text/text_ids.h"
#include "text/utf16.h"

namespace {

// Section files are a few kilobytes; see lzari_main.cpp for the cap.
constexpr size_t kMaxSectionBytes = size_t{64} << 20;

std::optional<std::string> ReadFile(const char* path) {
  tarnwell::platform::Result<std::string> text =
      tarnwell::platform::DefaultEnv().ReadRegularFile(path, kMaxSectionBytes);
  if (!text.ok()) {
    std::fprintf(stderr, "text_source: %s\n", text.status().message().c_str());
    return std::nullopt;
  }
  return std::move(*text);
}

// LF or CR LF line ends become CR LF; a missing last line end is added.
std::string WithCrLf(std::string_view text) {
  constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
  if (text.starts_with(kUtf8Mark)) text.remove_prefix(kUtf8Mark.size());
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n') out += '\r';
    out += text[i];
  }
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}

// The English section's header starts so; its ids are the ones every named
// id must have.
constexpr std::string_view kEnglishHeader = "##=English";

// The first problem with the "id=text" lines of one section file, if any.
// english receives the ids of the English section, when the file holds it.
std::optional<std::string> CheckIds(const std::string& crlf_text, std::set<long>* english) {
  std::set<long> seen;
  bool in_english = false;
  size_t start = 0;
  while (start < crlf_text.size()) {
    size_t end = crlf_text.find('\n', start);
    if (end == std::string::npos) end = crlf_text.size();
    const std::string line = crlf_text.substr(start, end - start);
    start = end + 1;
    if (line.starts_with("##")) {
      seen.clear();
      in_english = line.starts_with(kEnglishHeader);
      continue;
    }
    size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    if (digits == 0 || digits > 6 || digits >= line.size() || line[digits] != '=') continue;
    const long id = std::stol(line.substr(0, digits));
    if (id >= tarnwell::text::kTextIdCount) return "id " + std::to_string(id) + " out of range";
    if (!seen.insert(id).second) return "id " + std::to_string(id) + " given twice";
    // An empty text counts as none: the lookup would show nothing.
    if (in_english && digits + 1 < line.size() && line[digits + 1] != '\r') english->insert(id);
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: text_source OUT SECTION...\n");
    return 2;
  }
  std::string utf8;
  std::set<long> english;
  for (int i = 2; i < argc; ++i) {
    const std::optional<std::string> section = ReadFile(argv[i]);
    if (!section) {
      std::fprintf(stderr, "text_source: cannot read %s\n", argv[i]);
      return 1;
    }
    const std::string lines = WithCrLf(*section);
    if (const std::optional<std::string> problem = CheckIds(lines, &english)) {
      std::fprintf(stderr, "text_source: %s: %s\n", argv[i], problem->c_str());
      return 1;
    }
    utf8 += lines;
  }
  for (const tarnwell::text::NamedTextId& named : tarnwell::text::kAllTextIds) {
    const long id = static_cast<long>(named.id);
    if (!english.contains(id)) {
      std::fprintf(stderr, "text_source: text id %.*s (%ld) has no English text\n",
                   static_cast<int>(named.name.size()), named.name.data(), id);
      return 1;
    }
  }
  utf8 += "##";
  const std::optional<std::u16string> text = tarnwell::text::Utf8ToUtf16(utf8);
  if (!text) {
    std::fprintf(stderr, "text_source: the sections are not valid UTF-8\n");
    return 1;
  }
  if ((text->size() + 1) * 2 >= tarnwell::text::TextCatalog::kDecodedCapacity) {
    std::fprintf(stderr, "text_source: the texts outgrow the catalogue's buffer\n");
    return 1;
  }
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : *text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  if (out.fail()) {
    std::fprintf(stderr, "text_source: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
