#include "erase/rename_in_folder.h"

#include <cerrno>

#include "job/random_name.h"

namespace tarnwell::erase {
namespace {

// Draws per rename: a short name often draws itself or a taken name (a
// one-letter name one in seven times), a name of dots only never changes.
constexpr int kDrawsPerRename = 32;

}  // namespace

RenameOutcome RenameRandomlyIn(platform::Env& env, platform::Folder& folder,
                               const std::string& name, std::unordered_set<std::string>* taken) {
  const size_t limit = folder.MaxNameLength();
  RenameOutcome outcome{name, platform::Status::Ok()};
  for (int rename = 0; rename < job::kRenameAttempts; ++rename) {
    for (int draw = 0; draw < kDrawsPerRename; ++draw) {
      std::string candidate = job::RandomizeName(env, name, limit);
      if (candidate == outcome.name) continue;
      if (taken != nullptr && taken->contains(candidate)) continue;
      platform::Status status = folder.RenameAt(outcome.name, candidate);
      if (status.code() == EEXIST) {
        if (taken != nullptr) taken->insert(std::move(candidate));
        continue;
      }
      if (status.ok()) {
        if (taken != nullptr) {
          taken->erase(outcome.name);
          taken->insert(candidate);
        }
        outcome.name = std::move(candidate);
      } else {
        outcome.failure = std::move(status);
      }
      break;
    }
  }
  return outcome;
}

}  // namespace tarnwell::erase
