// file: URIs of local paths, as the desktop writes them into its stores
// (thumbnail names, recent lists, trash records).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwell::traces {

// "file://" and path with every byte percent-encoded (upper-case hex) except
// letters, digits and -_.!~*'()/&=:@+$, as the thumbnail rules (RFC 2396
// paths) ask: "/a b" -> "file:///a%20b". path must be absolute.
std::string FileUri(std::string_view path);

// The bytes %XX escapes stand for, the rest as it is; nullopt for a broken
// escape ("%4", "%zz") or an escaped NUL.
std::optional<std::string> PercentDecode(std::string_view text);

// The local path a file: URI names ("file:///a", "file://localhost/a",
// "file:/a"), decoded; nullopt for another scheme or host, or a broken one.
std::optional<std::string> PathOfFileUri(std::string_view uri);

}  // namespace tarnwell::traces
