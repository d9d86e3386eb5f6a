// The small records desktops keep per file: KDE's recent-document entries,
// the trash's .trashinfo files and Windows shortcuts (.lnk). Each reader
// takes the record's bytes and names the file it is about, or nothing when
// the record is not one it fully understands.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwell::traces {

// The local path in the URL key of a KDE recent-document entry
// ("[Desktop Entry]" group; "URL" or "URL[$e]", a file: URI or a path;
// "$HOME" stands for home, "$$" for "$"; \s, \t, \n, \r and \\ escapes).
std::optional<std::string> RecentDocumentPath(std::string_view entry, std::string_view home);

// The original path a .trashinfo records ("[Trash Info]", "Path=",
// percent-encoded). A relative path is taken below top, the folder that
// holds the trash on its volume.
std::optional<std::string> TrashedFromPath(std::string_view info, std::string_view top);

// The local target of a shell link (the documented .lnk format: header,
// optional ID list, LinkInfo with its local base path and common path
// suffix, the Unicode forms preferred), with '/' for '\'. nullopt for a
// link without a local target or one that is not well formed.
std::optional<std::string> ShellLinkTarget(std::string_view link);

}  // namespace tarnwell::traces
