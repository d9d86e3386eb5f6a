// The desktop's recent-file list (recently-used.xbel): a strict reader of
// the XML it is written in, and the removal of chosen bookmarks from it that
// keeps every other byte of the file.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace tarnwell::traces {

struct XbelEdit {
  std::string content;               // the list without the removed bookmarks
  std::vector<std::string> removed;  // the paths whose bookmarks went, in file order
};

// Reads xml as a recent list: UTF-8 XML of elements, attributes, text,
// comments and a leading declaration, with one root "xbel" whose "bookmark"
// children name their file by an "href" file: URI. Anything else (a
// doctype, CDATA, other processing instructions, an unknown entity, a
// broken tag, nesting deeper than 64) is not understood and comes back as
// EINVAL naming where. Each bookmark whose path erased() accepts is cut out
// with the indentation before it; the rest stays byte for byte.
platform::Result<XbelEdit> RemoveBookmarks(std::string_view xml,
                                           const std::function<bool(const std::string&)>& erased);

}  // namespace tarnwell::traces
