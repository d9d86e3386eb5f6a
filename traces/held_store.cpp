#include "traces/held_store.h"

#include <cerrno>

namespace tarnwell::traces {
namespace {

StoreProblem ProblemOf(const platform::Status& status) {
  if (status.code() == ENOENT || status.code() == ENOTDIR) return StoreProblem::kMissing;
  if (status.code() == ELOOP) return StoreProblem::kLink;
  return StoreProblem::kFailed;
}

void Set(StoreResult* why, StoreProblem problem, const std::string& path,
         const std::string& detail = "") {
  if (why) *why = {problem, path, detail};
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (name.empty()) return folder;
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool StoreOpener::Check(const platform::FileInfo& info, const std::string& path,
                        StoreResult* why) const {
  if (info.kind == platform::FileKind::kSymlink) {
    Set(why, StoreProblem::kLink, path);
    return false;
  }
  if (owner_ && info.owner != *owner_) {
    Set(why, StoreProblem::kNotOwned, path);
    return false;
  }
  return true;
}

std::optional<HeldFolder> StoreOpener::Open(const std::string& base, const std::string& below,
                                            StoreResult* why) {
  if (base.empty()) {
    Set(why, StoreProblem::kMissing, base);
    return std::nullopt;
  }
  // One spelling per folder, as the erase's walk looks folders up by path.
  if (base.size() > 1 && base.back() == '/') {
    std::string trimmed = base;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    return Open(trimmed, below, why);
  }
  platform::Result<platform::FileInfo> info = env_.Describe(base);
  if (!info.ok()) {
    Set(why, ProblemOf(info.status()), base, info.status().message());
    return std::nullopt;
  }
  if (!Check(*info, base, why)) return std::nullopt;
  if (info->kind != platform::FileKind::kDirectory) {
    Set(why, StoreProblem::kMissing, base);
    return std::nullopt;
  }
  // The path's last name was examined without following it; the open must
  // reach that same folder.
  platform::Result<std::unique_ptr<platform::Folder>> folder = env_.OpenFolder(base, &*info);
  if (!folder.ok()) {
    Set(why, ProblemOf(folder.status()), base, folder.status().message());
    return std::nullopt;
  }
  HeldFolder held{base, std::move(*folder), {{{base, *info}, true}}};
  size_t at = 0;
  while (at < below.size()) {
    size_t end = below.find('/', at);
    if (end == std::string::npos) end = below.size();
    const std::string name = below.substr(at, end - at);
    at = end + 1;
    if (name.empty()) continue;
    std::optional<HeldFolder> next = Enter(held, name, why);
    if (!next) return std::nullopt;
    held = std::move(*next);
  }
  return held;
}

std::optional<HeldFolder> StoreOpener::OpenInStores(const platform::DesktopStores& stores,
                                                    const std::string& folder,
                                                    const std::string& below, StoreResult* why) {
  const std::string& home = stores.home;
  if (home.size() > 1 && folder.size() > home.size() + 1 &&
      folder.compare(0, home.size(), home) == 0 && folder[home.size()] == '/') {
    return Open(home, JoinPath(folder.substr(home.size() + 1), below), why);
  }
  return Open(folder, below, why);
}

std::optional<HeldFolder> StoreOpener::Enter(const HeldFolder& held, const std::string& name,
                                             StoreResult* why) {
  const std::string path = JoinPath(held.path, name);
  platform::Result<platform::FileInfo> info = held.folder->DescribeAt(name);
  if (!info.ok()) {
    Set(why, ProblemOf(info.status()), path, info.status().message());
    return std::nullopt;
  }
  if (!Check(*info, path, why)) return std::nullopt;
  if (info->kind != platform::FileKind::kDirectory) {
    Set(why, StoreProblem::kMissing, path);
    return std::nullopt;
  }
  platform::Result<std::unique_ptr<platform::Folder>> folder =
      held.folder->OpenFolderAt(name, &*info);
  if (!folder.ok()) {
    Set(why, ProblemOf(folder.status()), path, folder.status().message());
    return std::nullopt;
  }
  HeldFolder next{path, std::move(*folder), held.chain};
  next.chain.push_back({{path, *info}, false});
  return next;
}

std::optional<platform::FileInfo> StoreOpener::File(HeldFolder& held, const std::string& name,
                                                    uint64_t max_bytes, StoreResult* why) {
  const std::string path = JoinPath(held.path, name);
  platform::Result<platform::FileInfo> info = held.folder->DescribeAt(name);
  if (!info.ok()) {
    Set(why, ProblemOf(info.status()), path, info.status().message());
    return std::nullopt;
  }
  if (!Check(*info, path, why)) return std::nullopt;
  if (info->kind != platform::FileKind::kRegular) {
    Set(why, StoreProblem::kMissing, path);
    return std::nullopt;
  }
  if (info->size > max_bytes) {
    Set(why, StoreProblem::kTooLarge, path);
    return std::nullopt;
  }
  return *info;
}

platform::Result<std::string> ReadHeldFile(HeldFolder& held, const std::string& name,
                                           const platform::FileInfo& info) {
  platform::Result<std::unique_ptr<platform::ReadableFile>> file =
      held.folder->OpenForReadingAt(name, &info);
  if (!file.ok()) return file.status();
  std::string content(static_cast<size_t>(info.size), '\0');
  size_t done = 0;
  while (done < content.size()) {
    platform::Result<size_t> n =
        (*file)->ReadAt(done, content.data() + done, content.size() - done);
    if (!n.ok()) return n.status();
    if (*n == 0) break;
    done += *n;
  }
  content.resize(done);
  return content;
}

}  // namespace tarnwell::traces
