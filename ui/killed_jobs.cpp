#include "ui/killed_jobs.h"

#include <memory>

#include "erase/erase_note.h"
#include "fill/running_fills.h"
#include "job/state_notes.h"

namespace tarnwell::ui {

void FinishKilledJobs(platform::Env& env, job::EventSink& sink) {
  const std::unique_ptr<platform::Folder> state =
      job::OpenStateFolder(env, job::RuntimeStateFolder(env), sink);
  fill::CleanUpAfterKilledFills(env, state.get(), sink);
  erase::FinishKilledErases(env, state.get(), sink);
}

}  // namespace tarnwell::ui
