#include "traces/xbel_list.h"

#include <cerrno>
#include <optional>
#include <set>

#include "traces/file_uri.h"

namespace tarnwell::traces {
namespace {

constexpr int kMaxDepth = 64;

bool NameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}
bool NameChar(char c) { return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }
bool Blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Valid UTF-8 without C0 controls other than tab, line feed and return.
bool PlainText(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
      if (c == 0x7F) return false;
      ++i;
      continue;
    }
    size_t length = 0;
    uint32_t min = 0;
    if ((c & 0xE0) == 0xC0) {
      length = 2;
      min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3;
      min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4;
      min = 0x10000;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    uint32_t code = c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

class Reader {
 public:
  Reader(std::string_view xml, const std::function<bool(const std::string&)>& erased)
      : xml_(xml), erased_(erased) {}

  platform::Result<XbelEdit> Run() {
    if (!PlainText(xml_)) return Fail("not UTF-8 text");
    if (xml_.substr(0, 6) == "<?xml ") {
      const size_t end = xml_.find("?>");
      if (end == std::string_view::npos) return Fail("unfinished declaration");
      at_ = end + 2;
    }
    bool root_seen = false;
    while (true) {
      SkipBlanks();
      if (at_ == xml_.size()) break;
      if (Starts("<!--")) {
        if (!Comment()) return Fail("broken comment");
        continue;
      }
      if (root_seen || !Starts("<")) return Fail("content outside the root element");
      root_seen = true;
      if (!Element(0)) return Fail(problem_);
    }
    if (!root_seen) return Fail("no root element");
    XbelEdit edit;
    size_t kept = 0;
    for (const auto& [begin, end] : cuts_) {
      edit.content.append(xml_.substr(kept, begin - kept));
      kept = end;
    }
    edit.content.append(xml_.substr(kept));
    edit.removed = std::move(removed_);
    return edit;
  }

 private:
  platform::Status Fail(const std::string& why) const {
    return platform::Status::Error(EINVAL, why + " at byte " + std::to_string(at_));
  }
  bool Starts(std::string_view text) const { return xml_.substr(at_, text.size()) == text; }
  void SkipBlanks() {
    while (at_ < xml_.size() && Blank(xml_[at_])) ++at_;
  }
  bool Error(const char* why) {
    problem_ = why;
    return false;
  }

  bool Comment() {
    const size_t end = xml_.find("--", at_ + 4);
    if (end == std::string_view::npos || xml_.substr(end, 3) != "-->") return false;
    at_ = end + 3;
    return true;
  }

  std::optional<std::string> Name() {
    const size_t begin = at_;
    if (at_ >= xml_.size() || !NameStart(xml_[at_])) return std::nullopt;
    while (at_ < xml_.size() && NameChar(xml_[at_])) ++at_;
    return std::string(xml_.substr(begin, at_ - begin));
  }

  // Text with its entities replaced; false for an unknown or broken one.
  bool Unescape(std::string_view raw, std::string* out) {
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&') {
        if (out) *out += raw[i];
        continue;
      }
      const size_t semi = raw.find(';', i);
      if (semi == std::string_view::npos) return false;
      const std::string_view entity = raw.substr(i + 1, semi - i - 1);
      std::string value;
      if (entity == "amp") {
        value = "&";
      } else if (entity == "lt") {
        value = "<";
      } else if (entity == "gt") {
        value = ">";
      } else if (entity == "quot") {
        value = "\"";
      } else if (entity == "apos") {
        value = "'";
      } else if (!CharacterReference(entity, &value)) {
        return false;
      }
      if (out) *out += value;
      i = semi;
    }
    return true;
  }

  static bool CharacterReference(std::string_view entity, std::string* value) {
    if (entity.size() < 2 || entity[0] != '#') return false;
    const bool hex = entity[1] == 'x';
    const std::string_view digits = entity.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 6) return false;
    uint32_t code = 0;
    for (char c : digits) {
      int digit;
      if (c >= '0' && c <= '9') {
        digit = c - '0';
      } else if (hex && c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
      } else if (hex && c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
      } else {
        return false;
      }
      code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
    }
    const bool allowed = code == 0x9 || code == 0xA || code == 0xD ||
                         (code >= 0x20 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF) &&
                          code != 0xFFFE && code != 0xFFFF);
    if (!allowed) return false;
    if (code < 0x80) {
      *value += static_cast<char>(code);
    } else if (code < 0x800) {
      *value += static_cast<char>(0xC0 | code >> 6);
      *value += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *value += static_cast<char>(0xE0 | code >> 12);
      *value += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *value += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *value += static_cast<char>(0xF0 | code >> 18);
      *value += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      *value += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *value += static_cast<char>(0x80 | (code & 0x3F));
    }
    return true;
  }

  // One element from its '<' on, its content included; depth 0 is the root.
  bool Element(int depth) {
    if (depth >= kMaxDepth) return Error("nested too deep");
    const size_t begin = at_;
    ++at_;
    const std::optional<std::string> name = Name();
    if (!name) return Error("broken tag name");
    if (depth == 0 && *name != "xbel") return Error("the root is not xbel");
    std::set<std::string> seen;
    std::optional<std::string> href;
    bool empty = false;
    while (true) {
      const size_t before = at_;
      SkipBlanks();
      if (Starts("/>")) {
        at_ += 2;
        empty = true;
        break;
      }
      if (Starts(">")) {
        ++at_;
        break;
      }
      if (at_ == before) return Error("broken tag");
      const std::optional<std::string> attribute = Name();
      if (!attribute || !seen.insert(*attribute).second) return Error("broken attribute");
      SkipBlanks();
      if (!Starts("=")) return Error("attribute without value");
      ++at_;
      SkipBlanks();
      if (at_ >= xml_.size() || (xml_[at_] != '"' && xml_[at_] != '\'')) {
        return Error("unquoted attribute");
      }
      const char quote = xml_[at_++];
      const size_t end = xml_.find(quote, at_);
      if (end == std::string_view::npos) return Error("unfinished attribute");
      const std::string_view raw = xml_.substr(at_, end - at_);
      std::string value;
      if (raw.find('<') != std::string_view::npos || !Unescape(raw, &value)) {
        return Error("broken attribute value");
      }
      if (*attribute == "href") href = std::move(value);
      at_ = end + 1;
    }
    if (!empty && !Content(*name, depth)) return false;
    if (depth == 1 && *name == "bookmark") {
      if (!href) return Error("bookmark without href");
      const std::optional<std::string> path = PathOfFileUri(*href);
      if (path && erased_(*path)) {
        size_t from = begin;
        while (from > 0 && (xml_[from - 1] == ' ' || xml_[from - 1] == '\t')) --from;
        if (from > 0 && xml_[from - 1] == '\n') --from;
        if (from > 0 && xml_[from - 1] == '\r') --from;
        cuts_.emplace_back(from, at_);
        removed_.push_back(*path);
      }
    }
    return true;
  }

  // What lies between the start tag and the end tag of name.
  bool Content(const std::string& name, int depth) {
    while (true) {
      const size_t next = xml_.find('<', at_);
      if (next == std::string_view::npos) return Error("unfinished element");
      const std::string_view text = xml_.substr(at_, next - at_);
      // Writers escape '>' in text; a bare one could end "]]>" once a cut
      // brings two texts together.
      if (text.find('>') != std::string_view::npos || !Unescape(text, nullptr)) {
        return Error("broken text");
      }
      at_ = next;
      if (Starts("</")) {
        at_ += 2;
        const std::optional<std::string> end = Name();
        SkipBlanks();
        if (!end || *end != name || !Starts(">")) return Error("mismatched end tag");
        ++at_;
        return true;
      }
      if (Starts("<!--")) {
        if (!Comment()) return Error("broken comment");
        continue;
      }
      if (Starts("<!") || Starts("<?")) return Error("markup that is not understood");
      if (!Element(depth + 1)) return false;
    }
  }

  std::string_view xml_;
  const std::function<bool(const std::string&)>& erased_;
  size_t at_ = 0;
  std::string problem_;
  std::vector<std::pair<size_t, size_t>> cuts_;
  std::vector<std::string> removed_;
};

}  // namespace

platform::Result<XbelEdit> RemoveBookmarks(std::string_view xml,
                                           const std::function<bool(const std::string&)>& erased) {
  return Reader(xml, erased).Run();
}

}  // namespace tarnwell::traces
