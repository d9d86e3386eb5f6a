// The seven random renames of an erased entry, made inside its open folder.
#pragma once

#include <string>
#include <unordered_set>

#include "platform/env.h"

namespace tarnwell::erase {

struct RenameOutcome {
  std::string name;  // the entry's name afterwards
  // The last failure other than a random name that was taken already; ok
  // when every attempt either worked or only met an existing name.
  platform::Status failure;
};

// Seven renames of name inside folder, each to a fresh random name of the
// same shape (see job::RandomizeName) that differs from the one it has; a
// taken name is drawn again, never replaced. A failed rename leaves the entry
// where it is and the next one starts from there. taken, when given, holds
// names known to exist in folder (the caller's earlier random names): they
// are drawn again without asking the disk, and it is kept up to date.
RenameOutcome RenameRandomlyIn(platform::Env& env, platform::Folder& folder,
                               const std::string& name,
                               std::unordered_set<std::string>* taken = nullptr);

}  // namespace tarnwell::erase
