#include "cli/json_port.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ostream>

#include "cli/utf8.h"

namespace tarnwell::cli {
namespace {

const char* KindName(platform::FileKind kind) {
  switch (kind) {
    case platform::FileKind::kRegular:
      return "file";
    case platform::FileKind::kDirectory:
      return "folder";
    case platform::FileKind::kSymlink:
      return "link";
    default:
      return "other";
  }
}

const char* LevelName(core::MessageIcon icon) {
  switch (icon) {
    case core::MessageIcon::kError:
      return "error";
    case core::MessageIcon::kWarning:
      return "warning";
    case core::MessageIcon::kInfo:
      break;
  }
  return "info";
}

// Locale-free, so a German decimal comma never reaches the JSON.
std::string Number(double value) {
  if (!std::isfinite(value)) return "null";
  char buffer[32];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
  return std::string(buffer, result.ptr);
}

}  // namespace

const char kJsonHelp[] =
    "JSON output:\n"
    "  With --json, erase, fill and list write one JSON object per line to standard\n"
    "  output; prompts and lines for people go to standard error. Every object has\n"
    "  a \"type\":\n"
    "  item  {\"type\":\"item\",\"path\":\"/a/b\",\"kind\":\"file\",\"size\":10}: one per\n"
    "      row of list; kind is file, folder, link or other; size in bytes.\n"
    "  message  {\"type\":\"message\",\"level\":\"error\",\"text\":\"...\"}: one per\n"
    "      message row; level is info, warning or error.\n"
    "  trace  {\"type\":\"trace\",\"kind\":\"thumbnail\",\"path\":\"...\",\"of\":\"/a/b\"}:\n"
    "      one per erased trace of an erased item (erase): kind is thumbnail,\n"
    "      bookmark (path is the recent list it was taken out of), recent_document,\n"
    "      trash_info or shortcut; of is the erased item it remembered.\n"
    "  progress  {\"type\":\"progress\",\"done\":4096,\"total\":8192,\"percent\":50.0}:\n"
    "      bytes written so far and in all, a few times a second.\n"
    "  summary  {\"type\":\"summary\",\"command\":\"erase\",\"listed\":3,\"remaining\":0,\n"
    "      \"erased\":3,\"errors\":0,\"warnings\":0,\"exit_status\":0}: always the last\n"
    "      line. listed counts the rows found, remaining those still there at the end\n"
    "      (erase) and erased the difference. erase adds written_bytes and\n"
    "      total_bytes (all passes), fill written_bytes and free_bytes.\n"
    "  Paths and texts are UTF-8; bytes that are not UTF-8 show as U+FFFD.";

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const size_t length = Utf8SequenceLength(text.substr(i));
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (length > 1) {
      out.append(text.substr(i, length));
    } else if (byte == '"' || byte == '\\') {
      out += '\\';
      out += static_cast<char>(byte);
    } else if (byte < 0x20 || byte == 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += static_cast<char>(byte);
    }
    i += length;
  }
  return out + "\"";
}

JsonPort::JsonPort(std::ostream& out, platform::Env& env) : out_(out), env_(env) {}

void JsonPort::WriteLocked(const std::string& line) { out_ << line << '\n' << std::flush; }

void JsonPort::InsertMessage(std::string_view text, core::MessageIcon icon) {
  std::lock_guard lock(mutex_);
  if (icon == core::MessageIcon::kError) ++errors_;
  if (icon == core::MessageIcon::kWarning) ++warnings_;
  WriteLocked(std::string("{\"type\":\"message\",\"level\":\"") + LevelName(icon) +
              "\",\"text\":" + JsonString(text) + "}");
}

void JsonPort::ItemRowsChanged(int row_count) {
  std::lock_guard lock(mutex_);
  if (listed_ < 0) listed_ = row_count;
  remaining_ = row_count;
}

void JsonPort::ShowProgress(const erase::ProgressSnapshot& s) {
  std::lock_guard lock(mutex_);
  WriteLocked("{\"type\":\"progress\",\"done\":" + std::to_string(s.done) + ",\"total\":" +
              std::to_string(s.total) + ",\"percent\":" + Number(s.percentage) + "}");
}

bool JsonPort::WriteListRows(const items::ItemList& list) {
  for (const std::string& path : list.RowPaths()) {
    const platform::Result<platform::FileInfo> info = env_.Describe(path);
    if (!info.ok()) continue;  // gone since the listing: nothing to erase there
    std::lock_guard lock(mutex_);
    WriteLocked("{\"type\":\"item\",\"path\":" + JsonString(path) + ",\"kind\":\"" +
                KindName(info->kind) + "\",\"size\":" + std::to_string(info->size) + "}");
  }
  return true;
}

void JsonPort::TraceErased(std::string_view kind, std::string_view path, std::string_view of) {
  std::lock_guard lock(mutex_);
  WriteLocked("{\"type\":\"trace\",\"kind\":" + JsonString(kind) + ",\"path\":" + JsonString(path) +
              ",\"of\":" + JsonString(of) + "}");
}

void JsonPort::AddFigure(std::string_view name, uint64_t value) {
  std::lock_guard lock(mutex_);
  figures_.emplace_back(name, value);
}

void JsonPort::Finish(std::string_view command, int exit_code) {
  std::lock_guard lock(mutex_);
  const int listed = std::max(listed_, 0);
  const int remaining = std::max(remaining_, 0);
  std::string line = "{\"type\":\"summary\",\"command\":" + JsonString(command) +
                     ",\"listed\":" + std::to_string(listed);
  if (command == "erase") {
    line += ",\"remaining\":" + std::to_string(remaining) +
            ",\"erased\":" + std::to_string(listed - remaining);
  }
  line += ",\"errors\":" + std::to_string(errors_) + ",\"warnings\":" + std::to_string(warnings_);
  for (const auto& [name, value] : figures_) {
    line += ",\"" + name + "\":" + std::to_string(value);
  }
  WriteLocked(line + ",\"exit_status\":" + std::to_string(exit_code) + "}");
}

}  // namespace tarnwell::cli
