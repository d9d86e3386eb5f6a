// The journal of ext3 and ext4 keeps copies of recently changed folder and
// inode blocks, so an erased name can outlive its entry there until the
// journal wraps. As root on Linux 5.13 and later it can be written back and
// zeroed; elsewhere the user is told.
#pragma once

#include <string>
#include <vector>

#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::job {

// True for the file systems whose journal the zero-out reaches (ext3, ext4).
bool HasClearableJournal(const platform::MountInfo& mount);

// True for the file systems where erased names may stay and no call reaches
// them (XFS): its log keeps copies of changed folder blocks until it wraps,
// and a folder block freed before its changes were written back keeps its
// old names in place, as only a freeze of the whole volume writes it back.
bool LogKeepsNames(const platform::MountInfo& mount);

// Checkpoints the journal of the mount and zeroes it through on_volume, a
// folder held on that file system, after a dry run that asks whether the
// kernel allows it. When it may not (no CAP_SYS_ADMIN, an older kernel), one
// warning says the names may stay in the mount's journal; when the
// zero-out itself fails, one warning with the reason. Returns true when
// the journal was checkpointed and zeroed (false for a file system without
// one, which gets no warning). Only for mounts HasClearableJournal accepts.
bool ClearJournal(EventSink& sink, platform::Folder& on_volume, const platform::MountInfo& mount);

// ClearJournal through the mount's own folder, opened and checked to be on
// the mount's device; a folder that is not gets the warning.
bool ClearJournalOfMount(platform::Env& env, EventSink& sink, const platform::MountInfo& mount);

// The ext3 and ext4 mounts holding the paths, each once, in the order of the
// first path on them. Paths that cannot be examined are passed over.
std::vector<platform::MountInfo> FindJournaledMounts(platform::Env& env,
                                                     const std::vector<std::string>& paths);

}  // namespace tarnwell::job
