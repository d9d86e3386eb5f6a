#include "settings/ini_document.h"

namespace tarnwell::settings {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
  line = Trim(line);
  return !line.empty() && (line.front() == ';' || line.front() == '#');
}

}  // namespace

IniDocument::IniDocument(std::string_view text) {
  size_t start = 0;
  bool first_end = true;
  while (start < text.size()) {
    const size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) {
      lines_.push_back({std::string(text.substr(start)), ""});
      break;
    }
    size_t end = lf;
    if (end > start && text[end - 1] == '\r') --end;
    std::string line_end(text.substr(end, lf + 1 - end));
    if (first_end) line_end_ = line_end;
    first_end = false;
    lines_.push_back({std::string(text.substr(start, end - start)), std::move(line_end)});
    start = lf + 1;
  }
}

std::optional<IniDocument::Range> IniDocument::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i].text);
    if (!name || !SameName(*name, section)) continue;
    Range range{i, i + 1, i + 1};
    while (range.end < lines_.size() && !SectionName(lines_[range.end].text)) ++range.end;
    return range;
  }
  return std::nullopt;
}

std::optional<size_t> IniDocument::FindKey(const Range& range, std::string_view key) const {
  for (size_t i = range.begin; i < range.end; ++i) {
    const std::string& text = lines_[i].text;
    if (IsComment(text)) continue;
    const size_t eq = text.find('=');
    if (eq == std::string::npos) continue;
    if (SameName(Trim(std::string_view(text).substr(0, eq)), Trim(key))) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const auto range = FindSection(Trim(section));
  if (!range) return std::nullopt;
  const auto index = FindKey(*range, key);
  if (!index) return std::nullopt;
  const std::string& text = lines_[*index].text;
  std::string_view value = Trim(std::string_view(text).substr(text.find('=') + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  const std::string entry = std::string(key) + "=" + std::string(value);
  // A last line without a line end gets one before anything follows it.
  if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = line_end_;
  const auto range = FindSection(section);
  if (!range) {
    lines_.push_back({"[" + std::string(section) + "]", line_end_});
    lines_.push_back({entry, line_end_});
    return;
  }
  if (const auto index = FindKey(*range, key)) {
    std::string& text = lines_[*index].text;
    // Keep the key as the file spells it, blanks before "=" included.
    text = text.substr(0, text.find('=') + 1) + std::string(value);
    return;
  }
  // After the section's last non-empty line, so blank separators stay below.
  size_t at = range->end;
  while (at > range->begin && Trim(lines_[at - 1].text).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{entry, line_end_});
}

std::string IniDocument::ToString() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += line.end;
  }
  return out;
}

}  // namespace tarnwell::settings
