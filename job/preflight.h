// The check before an erase starts: on some file systems a write in place does
// not land where the old data is (copy-on-write, compression, journalled data,
// network and FUSE file systems), so overwriting cannot be trusted there.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::job {

// True when a write in place on this mount may leave the old data elsewhere.
bool OverwriteUntrusted(const platform::MountInfo& mount);

// The mounts the items live on, each once, in the order of the first item on
// them. Paths that cannot be examined are passed over (the erase reports them).
std::vector<platform::MountInfo> FindMounts(platform::Env& env,
                                            const std::vector<std::string>& paths);

// Those of FindMounts where overwriting cannot be trusted.
std::vector<platform::MountInfo> FindUntrustedMounts(platform::Env& env,
                                                     const std::vector<std::string>& paths);

// One warning per mount found by FindUntrustedMounts, naming its mount point
// and file system, and a note for each volume whose shadow copies may keep
// older copies (Windows). Returns the number of warnings.
int ReportUntrustedFileSystems(platform::Env& env, EventSink& sink,
                               const std::vector<std::string>& paths);
// The same for one mount already found.
int ReportUntrustedFileSystem(EventSink& sink, const platform::MountInfo& mount);

}  // namespace tarnwell::job
