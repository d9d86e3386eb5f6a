// What must outlive a killed erase until the next start of the program: the
// batch of files being erased, folder by folder (their identities and names), and
// the folders whose free entry space still holds erased names. The next start
// finishes what the note says was left half-done.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "job/event_sink.h"
#include "job/state_notes.h"
#include "platform/env.h"

namespace tarnwell::erase {

// The running erase's note in the state folder. Every call is cheap (an
// append to a file in the state folder); a note that cannot be written only
// means a kill would go unnoticed, so failures are not reported. Not
// thread-safe.
class EraseNote final {
 public:
  // Notes nothing when state is null. state must outlive the note.
  EraseNote(platform::Env& env, platform::Folder* state);
  ~EraseNote();

  // A batch begins: a fresh note holds the folders still waiting for their
  // scrub.
  void BeginBatch();
  // The files noted next are in folder (a batch spans several folders).
  void BatchFolder(const std::string& folder, const platform::FileInfo& identity);
  // Before the first byte of the file named name is written.
  void Overwriting(const platform::FileInfo& file, const std::string& name);
  // Every file of the batch noted so far holds zeros on the disk.
  void ZerosDurable();
  // The file has the name name now. Kept back until RenamesDone(): a kill
  // before only makes the next start look for the file by its identity.
  void Renamed(const platform::FileInfo& file, const std::string& name);
  // The renames so far reach the note, in one append.
  void RenamesDone();
  // The batch's files are deleted; its folders wait for their scrub.
  void BatchDeleted();
  // The folder's free entry space was written over. The note itself stays
  // until the eraser is done, so the next start clears the journal a kill
  // left uncleared.
  void Scrubbed(const std::string& folder);
  // Before the empty folder named name in parent is renamed and removed;
  // the removals noted since the last batch are all kept.
  void RemovingFolder(const std::string& parent, const platform::FileInfo& parent_identity,
                      const platform::FileInfo& folder, const std::string& name);

 private:
  void Add(char tag, const platform::FileInfo& info, const std::string& text);
  std::string AwaitingScrub() const;
  void Rewrite(const std::string& content);

  platform::Env& env_;
  platform::Folder* state_;
  std::unique_ptr<job::RunningNote> note_;
  std::string renames_;
  std::map<std::string, platform::FileInfo> batch_folders_;
  std::map<std::string, platform::FileInfo> awaiting_scrub_;
};

// For every note of an erase that no longer runs: deletes the noted files
// found in their noted folders (by identity) that read as zeros, after renaming
// any still under its own name; names each noted original that is only
// partly overwritten in a warning; scrubs the noted folders and zeroes the
// journal of their file system as the erase would; one notice with the count
// finished; an empty folder noted as being removed is removed (the deepest
// first). A folder that
// is gone is passed over; one that is no longer the noted one is left with a
// warning.
// Returns the number of files finished.
int FinishKilledErases(platform::Env& env, platform::Folder* state, job::EventSink& sink);

}  // namespace tarnwell::erase
