#include "traces/trace_finder.h"

#include <algorithm>
#include <map>
#include <utility>

#include "traces/file_uri.h"
#include "traces/md5.h"
#include "traces/store_records.h"

namespace tarnwell::traces {
namespace {

constexpr const char* kThumbnailSizes[] = {"normal", "large", "x-large", "xx-large"};
// The largest preview (1024 pixels square) stays well below this.
constexpr uint64_t kMaxThumbnailBytes = uint64_t{64} << 20;
constexpr size_t kMaxFailFolders = 1000;

void Refused(const TraceFinderOutput& out, const StoreResult& why) {
  if (why.problem != StoreProblem::kNone && why.problem != StoreProblem::kMissing && out.refused) {
    out.refused(why);
  }
}

bool EndsWithNoCase(const std::string& name, std::string_view suffix) {
  if (name.size() <= suffix.size()) return false;
  return std::equal(
      suffix.begin(), suffix.end(), name.end() - static_cast<long>(suffix.size()),
      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

std::string FoldCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The names of held's entries, unless there are more than a store holds.
std::optional<std::vector<std::string>> Names(HeldFolder& held, size_t limit,
                                              const TraceFinderOutput& out) {
  platform::Result<std::vector<std::string>> names = held.folder->ListNames();
  if (!names.ok()) {
    Refused(out, {StoreProblem::kFailed, held.path, names.status().message()});
    return std::nullopt;
  }
  if (names->size() > limit) {
    Refused(out, {StoreProblem::kTooLarge, held.path, ""});
    return std::nullopt;
  }
  std::sort(names->begin(), names->end());
  return std::move(*names);
}

void LookForThumbnails(StoreOpener& opener, HeldFolder& folder,
                       const std::map<std::string, std::string>& by_name,
                       const TraceFinderOutput& out) {
  for (const auto& [name, of] : by_name) {
    StoreResult why;
    std::optional<platform::FileInfo> info = opener.File(folder, name, kMaxThumbnailBytes, &why);
    if (!info) {
      Refused(out, why);
      continue;
    }
    out.found({TraceKind::kThumbnail, JoinPath(folder.path, name), of, *info, folder.chain});
  }
}

void FindThumbnails(StoreOpener& opener, const platform::DesktopStores& stores,
                    const std::set<std::string>& erased, const TraceFinderOutput& out) {
  if (stores.cache_home.empty()) return;
  std::map<std::string, std::string> by_name;
  for (const std::string& path : erased) {
    if (!path.empty() && path[0] == '/') by_name[Md5Hex(FileUri(path)) + ".png"] = path;
  }
  if (by_name.empty()) return;
  StoreResult why;
  std::optional<HeldFolder> thumbnails =
      opener.OpenInStores(stores, stores.cache_home, "thumbnails", &why);
  if (!thumbnails) return Refused(out, why);
  for (const char* size : kThumbnailSizes) {
    std::optional<HeldFolder> folder = opener.Enter(*thumbnails, size, &why);
    if (folder) {
      LookForThumbnails(opener, *folder, by_name, out);
    } else {
      Refused(out, why);
    }
  }
  // fail/<program>/: one folder per thumbnailer that could not make one.
  std::optional<HeldFolder> fail = opener.Enter(*thumbnails, "fail", &why);
  if (!fail) return Refused(out, why);
  const std::optional<std::vector<std::string>> programs = Names(*fail, kMaxFailFolders, out);
  for (const std::string& program : programs.value_or(std::vector<std::string>{})) {
    std::optional<HeldFolder> folder = opener.Enter(*fail, program, &why);
    if (folder) {
      LookForThumbnails(opener, *folder, by_name, out);
    } else {
      Refused(out, why);
    }
  }
}

void FindRecentDocuments(StoreOpener& opener, const platform::DesktopStores& stores,
                         const std::set<std::string>& erased, const TraceFinderOutput& out) {
  if (stores.data_home.empty()) return;
  StoreResult why;
  std::optional<HeldFolder> folder =
      opener.OpenInStores(stores, stores.data_home, "RecentDocuments", &why);
  if (!folder) return Refused(out, why);
  const std::optional<std::vector<std::string>> names = Names(*folder, kMaxStoreEntries, out);
  for (const std::string& name : names.value_or(std::vector<std::string>{})) {
    if (!EndsWithNoCase(name, ".desktop")) continue;
    std::optional<platform::FileInfo> info = opener.File(*folder, name, kMaxRecordBytes, &why);
    if (!info) {
      Refused(out, why);
      continue;
    }
    platform::Result<std::string> entry = ReadHeldFile(*folder, name, *info);
    if (!entry.ok()) continue;  // gone or changed meanwhile: nothing of it to erase
    const std::optional<std::string> path = RecentDocumentPath(*entry, stores.home);
    if (path && erased.contains(*path)) {
      out.found(
          {TraceKind::kRecentDocument, JoinPath(folder->path, name), *path, *info, folder->chain});
    }
  }
}

void FindShortcuts(StoreOpener& opener, const platform::DesktopStores& stores,
                   const std::set<std::string>& erased, const TraceFinderOutput& out) {
  if (stores.recent_links.empty()) return;
  std::map<std::string, std::string> folded;
  for (const std::string& path : erased) folded[FoldCase(path)] = path;
  StoreResult why;
  std::optional<HeldFolder> folder = opener.OpenInStores(stores, stores.recent_links, "", &why);
  if (!folder) return Refused(out, why);
  const std::optional<std::vector<std::string>> names = Names(*folder, kMaxStoreEntries, out);
  for (const std::string& name : names.value_or(std::vector<std::string>{})) {
    if (!EndsWithNoCase(name, ".lnk")) continue;
    std::optional<platform::FileInfo> info = opener.File(*folder, name, kMaxRecordBytes, &why);
    if (!info) {
      Refused(out, why);
      continue;
    }
    platform::Result<std::string> link = ReadHeldFile(*folder, name, *info);
    if (!link.ok()) continue;
    const std::optional<std::string> target = ShellLinkTarget(*link);
    if (!target) continue;
    const auto match = folded.find(FoldCase(*target));
    if (match != folded.end()) {
      out.found({TraceKind::kShortcut, JoinPath(folder->path, name), match->second, *info,
                 folder->chain});
    }
  }
}

bool AllDigits(std::string_view text) {
  return !text.empty() && text.size() <= 9 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

const char* TraceKindName(TraceKind kind) {
  switch (kind) {
    case TraceKind::kThumbnail:
      return "thumbnail";
    case TraceKind::kBookmark:
      return "bookmark";
    case TraceKind::kRecentDocument:
      return "recent_document";
    case TraceKind::kTrashInfo:
      return "trash_info";
    case TraceKind::kShortcut:
      return "shortcut";
  }
  return "other";
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void FindStoreTraces(platform::Env& env, const platform::DesktopStores& stores,
                     const std::set<std::string>& erased, const TraceFinderOutput& out) {
  StoreOpener opener(env, stores.owner);
  FindThumbnails(opener, stores, erased, out);
  FindRecentDocuments(opener, stores, erased, out);
  FindShortcuts(opener, stores, erased, out);
}

void FindTrashInfo(platform::Env& env, const std::vector<platform::DesktopStores>& users,
                   const std::string& erased_path, const TraceFinderOutput& out,
                   std::string* trashed_from) {
  const std::string files = ParentOf(erased_path);
  if (BaseName(files) != "files") return;
  const std::string trash = ParentOf(files);
  const platform::DesktopStores* home_user = nullptr;
  for (const platform::DesktopStores& user : users) {
    if (!user.data_home.empty() && trash == JoinPath(user.data_home, "Trash")) home_user = &user;
  }
  std::optional<uint32_t> owner;
  std::string top = "/";
  const std::string name = BaseName(trash);
  if (home_user != nullptr) {
    owner = home_user->owner;
  } else if (name.rfind(".Trash-", 0) == 0 && AllDigits(name.substr(7))) {
    owner = static_cast<uint32_t>(std::stoul(name.substr(7)));
    top = ParentOf(trash);
  } else if (BaseName(ParentOf(trash)) == ".Trash" && AllDigits(name)) {
    owner = static_cast<uint32_t>(std::stoul(name));
    top = ParentOf(ParentOf(trash));
  } else {
    return;  // a folder named files, in no trash
  }
  StoreOpener opener(env, owner);
  StoreResult why;
  std::optional<HeldFolder> info_folder;
  if (home_user != nullptr) {
    info_folder = opener.OpenInStores(*home_user, trash, "info", &why);
  } else {
    info_folder = opener.Open(trash, "info", &why);
  }
  if (!info_folder) return Refused(out, why);
  const std::string record = BaseName(erased_path) + ".trashinfo";
  std::optional<platform::FileInfo> info = opener.File(*info_folder, record, kMaxRecordBytes, &why);
  if (!info) return Refused(out, why);
  if (trashed_from != nullptr) {
    platform::Result<std::string> content = ReadHeldFile(*info_folder, record, *info);
    if (content.ok()) *trashed_from = TrashedFromPath(*content, top).value_or("");
  }
  out.found({TraceKind::kTrashInfo, JoinPath(info_folder->path, record), erased_path, *info,
             info_folder->chain});
}

}  // namespace tarnwell::traces
