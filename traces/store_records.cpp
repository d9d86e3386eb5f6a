#include "traces/store_records.h"

#include <cstdint>
#include <cstring>

#include "text/utf16.h"
#include "traces/file_uri.h"

namespace tarnwell::traces {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// The value of key in group of an ini-like desktop file; the key's own
// localisation or flag suffix ("[$e]") comes back in *suffix.
std::optional<std::string_view> DesktopValue(std::string_view file, std::string_view group,
                                             std::string_view key, std::string_view* suffix) {
  bool in_group = false;
  size_t at = 0;
  while (at < file.size()) {
    size_t end = file.find('\n', at);
    if (end == std::string_view::npos) end = file.size();
    const std::string_view line = TrimBlanks(file.substr(at, end - at));
    at = end + 1;
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      in_group = line.size() == group.size() + 2 && line.substr(1, group.size()) == group &&
                 line.back() == ']';
      continue;
    }
    const size_t equals = line.find('=');
    if (!in_group || equals == std::string_view::npos) continue;
    const std::string_view name = TrimBlanks(line.substr(0, equals));
    if (name.substr(0, key.size()) != key) continue;
    const std::string_view rest = name.substr(key.size());
    if (!rest.empty() && rest != "[$e]") continue;
    *suffix = rest;
    return TrimBlanks(line.substr(equals + 1));
  }
  return std::nullopt;
}

uint32_t Read32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}
uint16_t Read16(std::string_view bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                               static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// A NUL-ended ANSI string at at; only ASCII is certain without the code
// page it was written in.
std::optional<std::string> AsciiAt(std::string_view bytes, size_t at) {
  if (at >= bytes.size()) return std::nullopt;
  const size_t end = bytes.find('\0', at);
  if (end == std::string_view::npos) return std::nullopt;
  std::string text(bytes.substr(at, end - at));
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
  }
  return text;
}

std::optional<std::string> Utf16At(std::string_view bytes, size_t at) {
  std::u16string text;
  for (; at + 1 < bytes.size(); at += 2) {
    const char16_t unit = Read16(bytes, at);
    if (unit == 0) return text::Utf16ToUtf8(text);
    text += unit;
  }
  return std::nullopt;
}

constexpr uint32_t kHeaderSize = 0x4C;
constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint32_t kHasIdList = 0x1;
constexpr uint32_t kHasLinkInfo = 0x2;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x1;

}  // namespace

std::optional<std::string> RecentDocumentPath(std::string_view entry, std::string_view home) {
  std::string_view suffix;
  const std::optional<std::string_view> raw = DesktopValue(entry, "Desktop Entry", "URL", &suffix);
  if (!raw) return std::nullopt;
  std::string value;
  for (size_t i = 0; i < raw->size(); ++i) {
    const char c = (*raw)[i];
    if (c == '\\' && i + 1 < raw->size()) {
      const char next = (*raw)[++i];
      value += next == 's'   ? ' '
               : next == 't' ? '\t'
               : next == 'n' ? '\n'
               : next == 'r' ? '\r'
                             : next;
    } else if (c == '$') {
      // Link entries are expanded: $$ is a dollar, $HOME the home folder.
      const std::string_view rest = raw->substr(i + 1);
      if (rest.substr(0, 1) == "$") {
        value += '$';
        ++i;
      } else if (rest.substr(0, 4) == "HOME") {
        value += home;
        i += 4;
      } else if (rest.substr(0, 6) == "{HOME}") {
        value += home;
        i += 6;
      } else {
        return std::nullopt;  // another variable: its value is not known here
      }
    } else {
      value += c;
    }
  }
  if (!value.empty() && value[0] == '/') return value;
  return PathOfFileUri(value);
}

std::optional<std::string> TrashedFromPath(std::string_view info, std::string_view top) {
  std::string_view suffix;
  const std::optional<std::string_view> raw = DesktopValue(info, "Trash Info", "Path", &suffix);
  if (!raw || !suffix.empty() || raw->empty()) return std::nullopt;
  std::optional<std::string> path = PercentDecode(*raw);
  if (!path) return std::nullopt;
  if ((*path)[0] == '/') return path;
  return std::string(top) + (top == "/" ? "" : "/") + *path;
}

std::optional<std::string> ShellLinkTarget(std::string_view link) {
  if (link.size() < kHeaderSize || Read32(link, 0) != kHeaderSize ||
      std::memcmp(link.data() + 4, kLinkClsid, sizeof kLinkClsid) != 0) {
    return std::nullopt;
  }
  const uint32_t flags = Read32(link, 0x14);
  size_t at = kHeaderSize;
  if ((flags & kHasIdList) != 0) {
    if (at + 2 > link.size()) return std::nullopt;
    at += 2 + Read16(link, at);
  }
  if ((flags & kHasLinkInfo) == 0 || at + 28 > link.size()) return std::nullopt;
  const std::string_view info = link.substr(at);
  const uint32_t info_size = Read32(info, 0);
  const uint32_t header_size = Read32(info, 4);
  if (info_size > info.size() || header_size < 28 || header_size > info_size) return std::nullopt;
  const std::string_view block = info.substr(0, info_size);
  if ((Read32(block, 8) & kVolumeIdAndLocalBasePath) == 0) return std::nullopt;
  std::optional<std::string> base;
  std::optional<std::string> suffix;
  // The Unicode forms exist only in a longer header, and only where set.
  const bool wide = header_size >= 0x24 && Read32(block, 0x1C) != 0;
  if (wide) {
    base = Utf16At(block, Read32(block, 0x1C));
    suffix = Utf16At(block, Read32(block, 0x20));
  } else {
    base = AsciiAt(block, Read32(block, 0x10));
    suffix = AsciiAt(block, Read32(block, 0x18));
  }
  if (!base || base->empty()) return std::nullopt;
  std::string target = *base + suffix.value_or("");
  for (char& c : target) {
    if (c == '\\') c = '/';
  }
  return target;
}

}  // namespace tarnwell::traces
