// What a path says without asking the disk: its folder, its parent and its
// last name, found by the last slash. A path without a slash is a name in
// the current folder.
#pragma once

#include <string>
#include <string_view>

namespace tarnwell::core {

// The folder part of path: "." when it has no slash, "/" for a name in the
// root.
inline std::string FolderOf(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

// The next folder up for a walk towards the root: "" when path has no slash
// or is "/" itself (nothing above), "/" for a name in the root.
inline std::string_view ParentOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return path.size() > 1 ? std::string_view("/") : std::string_view();
  return path.substr(0, slash);
}

// The last name of path; all of it when it has no slash.
inline std::string_view NameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace tarnwell::core
