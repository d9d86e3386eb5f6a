// Turns paths handed to the program (a drop, the command line, a folder
// import) into entries of the item list, scanning folders below them.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "items/item_list.h"
#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::items {

// What a folder scan adds.
struct ScanFlags {
  bool include_subfolders = true;  // scan the folders below, depth first
  bool add_files = true;           // entries not scanned into (files, links, ...)
  bool add_folders = true;         // every entry, whatever its kind
};

// Adds paths to one item list. Symbolic links are recorded as entries of their
// own and never followed; a scan never crosses into another mount and says so
// with a warning, as it does for a folder it could not read. Use from one
// thread at a time; the list itself may be shared.
class ItemAdder final {
 public:
  // sink receives the scan progress and the warnings; may be null.
  ItemAdder(platform::Env& env, ItemList& list, job::EventSink* sink);

  // Records path and, for a folder, everything below it, each with the
  // identity it has now. The path is resolved once, as the system resolves
  // it: links and ".." in the folder part are followed, the last name is the
  // entry itself (trailing slashes are dropped, so "link/" is the link). The
  // path is first put into the logic's form (Env::UserPath), so on Windows
  // "C:\x" and "C:/x" are the same. "/" (or a drive root) and a last name of
  // "." or ".." are refused with a warning and EINVAL, and refused() says
  // so. Returns the error (a path that names nothing: no row). Does not
  // refresh the list.
  platform::Status AddPath(std::string path);

  // Whether the last AddPath refused its path (the warning went out).
  bool refused() const { return refused_; }

  // Adds the content of folder (resolved as above) as flags say, without the
  // folder itself. Every 21 folders opened, a ScanProgress tells the
  // entries so far.
  void ScanFolder(std::string folder, ScanFlags flags);

  // Adds the paths of one Windows-style command-line string (see
  // SplitCommandLinePaths), then refreshes the list once, also when none was
  // found.
  void AddCommandLinePaths(std::string_view command_line);

  // Adds each argument of an argv (program name excluded) as one path, then
  // refreshes the list once.
  void AddArguments(std::span<const std::string> arguments);

 private:
  struct Origin;
  struct Pending;
  struct Level;
  void ScanTree(std::string root, const platform::FileInfo& info, ScanFlags flags);
  // Adds the entries of the open folder and notes its subfolders in level.
  void ScanOneFolder(Level& level, ScanFlags flags, const Origin& origin);
  bool IsOtherMount(const platform::FileInfo& info, const std::string& path, const Origin& origin);
  void CountOpenedFolder();
  void Warn(job::Reason reason, const std::string& path);

  platform::Env& env_;
  ItemList& list_;
  job::EventSink* sink_;
  int folders_opened_ = 0;
  bool refused_ = false;
};

}  // namespace tarnwell::items
