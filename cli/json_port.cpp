#include "cli/json_port.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ostream>

#include "cli/utf8.h"
#include "ui/event_texts.h"

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
    "  a \"type\"; the schema of every line is tarnwell-cli-output.schema.json in\n"
    "  /usr/share/tarnwell.\n"
    "  item  {\"type\":\"item\",\"path\":\"/a/b\",\"kind\":\"file\",\"size\":10}: one per\n"
    "      row of list; kind is file, folder, link or other; size in bytes.\n"
    "  start  {\"type\":\"start\",\"passes_asked\":35,\"passes\":10,\"delay\":5}: erase\n"
    "      begins; passes is what it does (at most 10), passes_asked what was asked.\n"
    "  result  {\"type\":\"result\",\"path\":\"/a/b\",\"kind\":\"file\",\"outcome\":\"kept\",\n"
    "      \"reason\":\"in_use\",\"detail\":\"...\",\"error_code\":16,\"bytes\":0}: exactly one\n"
    "      per listed item of erase. outcome is erased, kept or skipped; detail is\n"
    "      the system's error text or null, error_code its number or 0; count\n"
    "      follows for other_names and not_empty. Reasons: none (erased as asked),\n"
    "      changed_since_listed, no_identity, other_names (hard links outside the\n"
    "      list), in_use, changed_while_erased, kernel_file_system,\n"
    "      not_regular_file (skipped), not_removable, not_empty, folder_not_removed,\n"
    "      rename_failed (erased, its old name may remain), verify_mismatch,\n"
    "      write_failed, read_failed, delete_failed, failed, stopped and aborted\n"
    "      (skipped: the job ended before the item).\n"
    "  message  {\"type\":\"message\",\"level\":\"error\",\"code\":\"in_use\",\"text\":\"...\"}:\n"
    "      one per message row; level is info, warning or error, text is in the\n"
    "      current language and code the same in all: a reason above, or start,\n"
    "      delay, passes_limited, countdown, erasing, total, finished, stopped,\n"
    "      aborted, written, held_back, fill_finished, fill_stopped,\n"
    "      untrusted_file_system, shadow_copies, journal_keeps_names,\n"
    "      journal_not_cleared, slack_not_scrubbed, sync_failed, stepped_over,\n"
    "      folder_unreadable, refused_root, refused_dots, not_added, in_memory,\n"
    "      leftovers_removed, in_use_by_fill, fill_failed, fill_file,\n"
    "      state_folder_refused, fill_folder_changed, lock_held, reserve_restored,\n"
    "      erase_finished, partly_overwritten, erase_folder_changed,\n"
    "      log_keeps_names, record_pass_planned (fill --records: free records and\n"
    "      seconds), records_written (records the fill's record pass overwrote),\n"
    "      attributes_may_remain (no record pass ran) or other.\n"
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
    "      total_bytes (all passes), fill written_bytes, free_bytes and records\n"
    "      (free file records the record pass overwrote, 0 when none ran).\n"
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

void JsonPort::WriteMessageLocked(std::string_view code, std::string_view text,
                                  core::MessageIcon icon) {
  if (icon == core::MessageIcon::kError) ++errors_;
  if (icon == core::MessageIcon::kWarning) ++warnings_;
  WriteLocked(std::string("{\"type\":\"message\",\"level\":\"") + LevelName(icon) +
              "\",\"code\":" + JsonString(code) + ",\"text\":" + JsonString(text) + "}");
}

void JsonPort::InsertMessage(std::string_view text, core::MessageIcon icon) {
  std::lock_guard lock(mutex_);
  WriteMessageLocked("other", text, icon);
}

void JsonPort::Report(const job::Event& event) {
  if (const auto* progress = std::get_if<job::Progress>(&event)) return ShowProgress(*progress);
  if (const auto* list = std::get_if<job::ListChanged>(&event)) return ItemRowsChanged(list->rows);
  if (const auto* ended = std::get_if<job::JobEnded>(&event); ended && !ended->aborted) {
    SetStatusText(ui::EndStatusText(*ended));
  }
  std::lock_guard lock(mutex_);
  if (const auto* start = std::get_if<job::JobStarted>(&event)) {
    WriteLocked("{\"type\":\"start\",\"passes_asked\":" + std::to_string(start->passes_asked) +
                ",\"passes\":" + std::to_string(start->passes) +
                ",\"delay\":" + std::to_string(start->delay_seconds) + "}");
  }
  for (const ui::EventRow& row : ui::RowsOf(event, ui::Front::kTerminal)) {
    WriteMessageLocked(row.code, row.text, row.icon);
  }
  if (const auto* r = std::get_if<job::ItemResult>(&event)) {
    std::string line =
        "{\"type\":\"result\",\"path\":" + JsonString(r->path) + ",\"kind\":\"" +
        KindName(r->kind) + "\",\"outcome\":" + JsonString(job::OutcomeCode(r->outcome)) +
        ",\"reason\":" + JsonString(job::ReasonCode(r->reason)) +
        ",\"detail\":" + (r->detail.empty() ? std::string("null") : JsonString(r->detail)) +
        ",\"error_code\":" + std::to_string(r->error_code) +
        ",\"bytes\":" + std::to_string(r->bytes);
    if (r->count != 0) line += ",\"count\":" + std::to_string(r->count);
    WriteLocked(line + "}");
  }
}

void JsonPort::ItemRowsChanged(int row_count) {
  std::lock_guard lock(mutex_);
  if (listed_ < 0) listed_ = row_count;
  remaining_ = row_count;
}

void JsonPort::ShowProgress(const job::Progress& s) {
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
