#include "traces/recent_list.h"

#include <algorithm>
#include <vector>

#include "traces/xbel_list.h"

namespace tarnwell::traces {
namespace {

constexpr char kListName[] = "recently-used.xbel";
constexpr size_t kZeroBlock = 64 << 10;

// Zeros over the whole of file, synced.
platform::Status Overwrite(platform::WritableFile& file, uint64_t size) {
  const std::vector<char> zeros(kZeroBlock, 0);
  for (uint64_t at = 0; at < size;) {
    const size_t length = static_cast<size_t>(std::min<uint64_t>(kZeroBlock, size - at));
    platform::Result<size_t> n = file.WriteAt(at, zeros.data(), length);
    if (!n.ok()) return n.status();
    if (*n == 0)
      return platform::Status::Error(EIO, "write '" + file.path() + "': no byte written");
    at += *n;
  }
  platform::Status synced = file.DataSync();
  platform::Status closed = file.Close();
  return synced.ok() ? closed : synced;
}

}  // namespace

RecentListOutcome CleanRecentList(platform::Env& env, const platform::DesktopStores& stores,
                                  const std::set<std::string>& erased) {
  RecentListOutcome outcome;
  if (stores.data_home.empty()) return outcome;
  StoreOpener opener(env, stores.owner);
  std::optional<HeldFolder> folder =
      opener.OpenInStores(stores, stores.data_home, "", &outcome.refused);
  if (!folder) return outcome;
  outcome.path = JoinPath(folder->path, kListName);
  std::optional<platform::FileInfo> info =
      opener.File(*folder, kListName, kMaxRecentListBytes, &outcome.refused);
  if (!info) return outcome;
  const auto fail = [&](StoreProblem problem, const platform::Status& status) {
    outcome.refused = {problem, outcome.path, status.message()};
    outcome.removed.clear();
    return outcome;
  };
  platform::Result<std::string> content = ReadHeldFile(*folder, kListName, *info);
  if (!content.ok()) return fail(StoreProblem::kFailed, content.status());
  platform::Result<XbelEdit> edit = RemoveBookmarks(
      *content, [&erased](const std::string& path) { return erased.contains(path); });
  if (!edit.ok()) {
    outcome.damaged = true;
    return fail(StoreProblem::kFailed, edit.status());
  }
  if (edit->removed.empty()) return outcome;
  // Held before the new list takes its name: the old bytes are reached
  // through this handle once no name leads to them.
  platform::Result<std::unique_ptr<platform::WritableFile>> old =
      folder->folder->OpenAt(kListName, &*info, false);
  if (!old.ok()) return fail(StoreProblem::kFailed, old.status());
  platform::Status replaced = folder->folder->ReplaceFileAt(kListName, edit->content, *info);
  if (!replaced.ok()) return fail(StoreProblem::kFailed, replaced);
  outcome.removed = std::move(edit->removed);
  platform::Status overwritten = Overwrite(**old, info->size);
  if (!overwritten.ok())
    outcome.refused = {StoreProblem::kFailed, outcome.path, overwritten.message()};
  return outcome;
}

}  // namespace tarnwell::traces
