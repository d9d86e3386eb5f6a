// Any bytes: the recent-list reader either refuses them or cuts bookmarks so
// that what is left reads again, with no erased bookmark left and nothing
// else changed; the other record readers never fail on them.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "traces/store_records.h"
#include "traces/xbel_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tarnwell::traces::RemoveBookmarks;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto none = [](const std::string&) { return false; };
  const auto odd = [](const std::string& path) { return path.size() % 2 == 1; };
  auto kept = RemoveBookmarks(text, none);
  if (!kept.ok()) return 0;
  if (kept->content != text || !kept->removed.empty()) std::abort();
  auto cut = RemoveBookmarks(text, odd);
  if (!cut.ok()) std::abort();
  auto again = RemoveBookmarks(cut->content, odd);
  if (!again.ok() || !again->removed.empty() || again->content != cut->content) std::abort();
  (void)tarnwell::traces::ShellLinkTarget(text);
  (void)tarnwell::traces::RecentDocumentPath(text, "/home");
  (void)tarnwell::traces::TrashedFromPath(text, "/mnt");
  return 0;
}
