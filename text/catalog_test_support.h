// Small hand-made archives for the text layer's tests, packed by our encoder
// exactly as the build packs the real one.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/lzari_encoder.h"

namespace tarnwell::text::testing {

// The archive of a UTF-16 text with a byte-order mark put in front.
inline std::vector<uint8_t> PackText(std::u16string_view text) {
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (char16_t unit : text) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return EncodeLzari(bytes);
}

// The usual layout around the given sections: preamble, about section, two
// reserved sections, the language sections and the closing marker.
inline std::u16string ArchiveText(std::u16string_view about, std::u16string_view languages) {
  return u"head\r\n##\r\n" + std::u16string(about) + u"##\r\n##\r\n" + std::u16string(languages) +
         u"##";
}

#ifndef _WIN32  // Windows takes its temporary folder from TMP and TEMP
// Points the temporary folder ($TMPDIR) at folder for one scope.
class ScopedTempDirectory {
 public:
  explicit ScopedTempDirectory(const std::string& folder) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~ScopedTempDirectory() {
    if (old_) {
      setenv("TMPDIR", old_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  ScopedTempDirectory(const ScopedTempDirectory&) = delete;
  ScopedTempDirectory& operator=(const ScopedTempDirectory&) = delete;

 private:
  std::optional<std::string> old_;
};
#endif

}  // namespace tarnwell::text::testing
