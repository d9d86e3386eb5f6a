// What must outlive a killed fill until the next start of the program: which
// folders running fills write into. Every start (window, fill, erase) cleans
// up after fills that no longer run, whatever folder it was started for.
#pragma once

#include <memory>
#include <string>

#include "job/event_sink.h"
#include "job/state_notes.h"
#include "platform/env.h"

namespace tarnwell::fill {

// A running fill's note in the state folder: the identity and the path of
// its fill folder, locked while the fill runs and removed when the note is
// destroyed. Null when the note cannot be made (no state folder, no rights);
// the fill runs all the same, only a kill then leaves files until a fill of
// the same folder. state must outlive the note.
std::unique_ptr<job::RunningNote> NoteRunningFill(platform::Env& env, platform::Folder* state,
                                                  const std::string& fill_folder,
                                                  const platform::FileInfo& identity);

// For every note in the state folder that no running fill holds: removes
// the fill's leftovers (a notice with the count) through a handle on its folder
// that is still the object the note names, or says in a notice that it cannot;
// then removes the note and puts back ext4 reserves a killed fill left
// lowered. Never waits for a running fill. Returns the number of files
// removed; 0 without a state folder.
int CleanUpAfterKilledFills(platform::Env& env, platform::Folder* state, job::EventSink& sink);
// The same for the state folder at path, opened as job::OpenStateFolder does.
int CleanUpAfterKilledFills(platform::Env& env, const std::string& state_folder,
                            job::EventSink& sink);

}  // namespace tarnwell::fill
