// What every start of the program does first: it finishes what killed jobs
// (a fill, an erase) of this user left behind, as their notes say.
#pragma once

#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::ui {

// Opens the user's state folder (job::RuntimeStateFolder) once, removes the
// files of killed fills and puts back their reserves, then finishes killed
// erases; every step reports its rows to sink. Never waits for a running job.
void FinishKilledJobs(platform::Env& env, job::EventSink& sink);

}  // namespace tarnwell::ui
