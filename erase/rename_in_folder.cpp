#include "erase/rename_in_folder.h"

#include <cerrno>

#include "job/random_name.h"

namespace tarnwell::erase {

RenameOutcome RenameRandomlyIn(platform::Env& env, platform::Folder& folder,
                               const std::string& name) {
  const size_t limit = folder.MaxNameLength();
  RenameOutcome outcome{name, platform::Status::Ok()};
  for (int attempt = 0; attempt < job::kRenameAttempts; ++attempt) {
    std::string candidate = job::RandomizeName(env, name, limit);
    if (candidate == outcome.name) continue;
    platform::Status status = folder.RenameAt(outcome.name, candidate);
    if (status.ok()) {
      outcome.name = std::move(candidate);
    } else if (status.code() != EEXIST) {
      outcome.failure = std::move(status);
    }
  }
  return outcome;
}

}  // namespace tarnwell::erase
