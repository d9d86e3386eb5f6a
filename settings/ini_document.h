// An INI file held as its lines, edited in place: section and key names match
// regardless of ASCII case, blanks around keys and values are trimmed, and
// every line that is not the one being changed stays byte for byte as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::settings {

class IniDocument final {
 public:
  // Splits text into lines, each keeping its own line end; lines this
  // document adds use the style of the first line end ("\n" by default).
  explicit IniDocument(std::string_view text);

  // The trimmed value of the first matching key in the first matching section,
  // surrounding double quotes removed; nullopt when either is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;

  // Replaces the value of the key, or adds the key at the end of the section,
  // or adds the section at the end of the file.
  void Set(std::string_view section, std::string_view key, std::string_view value);

  std::string ToString() const;

 private:
  struct Line {
    std::string text;
    std::string end;  // "\r\n", "\n", or "" for a last line without one
  };
  // Index range [begin, end) of the lines that belong to the section's body.
  struct Range {
    size_t header = 0, begin = 0, end = 0;
  };
  std::optional<Range> FindSection(std::string_view section) const;
  std::optional<size_t> FindKey(const Range& range, std::string_view key) const;

  std::vector<Line> lines_;
  std::string line_end_ = "\n";
};

}  // namespace tarnwell::settings
