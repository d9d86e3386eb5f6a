// Erases what the desktop keeps of each erased item: its thumbnails, its
// recent-list bookmark and recent-document entries, the .trashinfo of a
// trashed item and Windows shortcuts to it, in the stores of the running
// user and, for root under sudo, of SUDO_USER. Files are erased through the
// erase engine (overwrite, rename, delete); the recent list is rewritten.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/window_port.h"
#include "erase/erased_items.h"
#include "platform/env.h"
#include "traces/trace_finder.h"

namespace tarnwell::traces {

struct ErasedTrace {
  TraceKind kind = TraceKind::kThumbnail;
  std::string path;  // the trace file (for a bookmark, the list it was in)
  std::string of;    // the erased path it remembered
};
using TraceListener = std::function<void(const ErasedTrace&)>;

// Collects the erased items of one job and erases their traces when the
// erase's own work is over. Not thread-safe: the job's thread alone uses it.
class TraceEraser final : public erase::ErasedItemSink {
 public:
  // Rows (the count, stores left alone, failures) go to port; listener,
  // when set, hears of each trace erased.
  TraceEraser(platform::Env& env, core::WindowPort& port, TraceListener listener = {});

  void ItemErased(const std::string& listed_path, platform::FileKind kind) override;
  // Finds and erases the traces of every item reported so far, then forgets
  // the items.
  void ErasingDone() override;

  int erased() const { return erased_; }
  // Traces found but not erased, and stores that could not be read: the
  // caller's exit status counts them as failures.
  int failures() const { return failures_; }

 private:
  void Refused(const StoreResult& why);
  void EraseFiles(const std::vector<FoundTrace>& found);
  void Erased(TraceKind kind, const std::string& path, const std::string& of);

  platform::Env& env_;
  core::WindowPort& port_;
  TraceListener listener_;
  std::set<std::string> items_;
  int erased_ = 0;
  int failures_ = 0;
};

// Whose stores: the running user's (from the environment) and, for root
// under sudo, SUDO_USER's (from the account database). A running user's
// store that lies in SUDO_USER's home is hers and is taken as hers alone.
// An account that cannot be looked up is a warning row on port.
std::vector<platform::DesktopStores> StoresToClean(platform::Env& env, core::WindowPort& port);

}  // namespace tarnwell::traces
