// How the trace eraser reaches a user's stores: a base folder opened by its
// path, then one folder at a time through the one before, never through a
// link, each owned by the store's user. What it reached is remembered with
// its identity, so the erase engine can walk there again and check it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "items/listed_items.h"
#include "platform/env.h"

namespace tarnwell::traces {

// An open folder of a store and the folders that lead there from its base.
struct HeldFolder {
  std::string path;
  std::unique_ptr<platform::Folder> folder;
  std::vector<items::ListedItems::Folder> chain;  // base first (start), this folder last
};

// Why a store was not reached. kMissing is the usual case of a store the
// desktop never made and needs no word; the others are left alone with a
// warning.
enum class StoreProblem { kNone, kMissing, kLink, kNotOwned, kTooLarge, kFailed };

struct StoreResult {
  StoreProblem problem = StoreProblem::kNone;
  std::string path;    // what was refused
  std::string detail;  // the system's text for kFailed
};

// Opens stores for one user (owner unset: no owner check).
class StoreOpener final {
 public:
  StoreOpener(platform::Env& env, std::optional<uint32_t> owner) : env_(env), owner_(owner) {}

  // The folder base, itself never a link; then each '/'-separated part of
  // below (may be empty) inside the one before.
  std::optional<HeldFolder> Open(const std::string& base, const std::string& below,
                                 StoreResult* why);
  // The folder of stores at folder, then below inside it: reached from the
  // home folder when it lies there, so every step under home is taken
  // through a held folder and never through a link.
  std::optional<HeldFolder> OpenInStores(const platform::DesktopStores& stores,
                                         const std::string& folder, const std::string& below,
                                         StoreResult* why);
  // The folder name inside held, on the same terms.
  std::optional<HeldFolder> Enter(const HeldFolder& held, const std::string& name,
                                  StoreResult* why);
  // The regular file name inside held: neither a link nor another user's,
  // and at most max_bytes long.
  std::optional<platform::FileInfo> File(HeldFolder& held, const std::string& name,
                                         uint64_t max_bytes, StoreResult* why);

 private:
  bool Check(const platform::FileInfo& info, const std::string& path, StoreResult* why) const;

  platform::Env& env_;
  std::optional<uint32_t> owner_;
};

// The whole content of a file File() accepted, read through held.
platform::Result<std::string> ReadHeldFile(HeldFolder& held, const std::string& name,
                                           const platform::FileInfo& info);

// path joined with one more name.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace tarnwell::traces
