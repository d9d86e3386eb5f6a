// Builds Windows shell links (.lnk) in the documented layout, for tests of
// the shortcut reader: a header, no ID list, and a LinkInfo block naming a
// local target in ANSI or, with wide set, in UTF-16 as well.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwell::testing {

inline void Put32(std::string& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i));
}

// target uses '\' as Windows writes it; ASCII only.
inline std::string BuildShellLink(const std::string& target, bool wide = false) {
  std::string link;
  Put32(link, 0x4C);
  link += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  Put32(link, 0x2);  // HasLinkInfo
  link.resize(0x4C, '\0');
  const uint32_t header = wide ? 0x24 : 0x1C;
  const uint32_t base_ansi = header;
  const uint32_t suffix_ansi = base_ansi + static_cast<uint32_t>(target.size()) + 1;
  const uint32_t base_wide = suffix_ansi + 1;
  const uint32_t suffix_wide = base_wide + 2 * (static_cast<uint32_t>(target.size()) + 1);
  const uint32_t size = wide ? suffix_wide + 2 : suffix_ansi + 1;
  std::string info;
  Put32(info, size);
  Put32(info, header);
  Put32(info, 0x1);  // VolumeIDAndLocalBasePath
  Put32(info, 0);    // no VolumeID block: the reader does not need it
  Put32(info, base_ansi);
  Put32(info, 0);
  Put32(info, suffix_ansi);
  if (wide) {
    Put32(info, base_wide);
    Put32(info, suffix_wide);
  }
  info += target + '\0';
  info += '\0';
  if (wide) {
    for (char c : target) info += std::string{c, '\0'};
    info += std::string(4, '\0');
  }
  return link + info + std::string(4, '\0');  // no string data, an empty extra block
}

}  // namespace tarnwell::testing
