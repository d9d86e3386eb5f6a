// MD5 (RFC 1321), for the names the desktop gives thumbnails: not for
// anything that must resist an attacker.
#pragma once

#include <string>
#include <string_view>

namespace tarnwell::traces {

// The 32 lower-case hex digits of the MD5 digest of data.
std::string Md5Hex(std::string_view data);

}  // namespace tarnwell::traces
