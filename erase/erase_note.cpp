#include "erase/erase_note.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>
#include <set>
#include <vector>

#include "erase/dir_slack.h"
#include "erase/rename_in_folder.h"
#include "job/journal_names.h"

namespace tarnwell::erase {
namespace {

constexpr std::string_view kNotePrefix = "erase-";
// A batch of 512 names of 255 bytes and the folders above it fit many times.
constexpr size_t kMaxNoteBytes = size_t{16} << 20;
constexpr size_t kReadBytes = size_t{1} << 20;

// Tags of the note's records.
constexpr char kAwaitingScrub = 'S';
constexpr char kBatchFolder = 'D';
constexpr char kOverwriting = 'W';
constexpr char kDurable = 'Z';
constexpr char kRenamed = 'N';
constexpr char kFolderParent = 'P';
constexpr char kRemovedFolder = 'F';

// "<tag> <device> <inode> <length> <text>\n": the text counted, as a name
// may hold any byte, a newline included.
std::string Record(char tag, const platform::FileInfo& info, const std::string& text) {
  std::string record(1, tag);
  record += ' ' + std::to_string(info.device) + ' ' + std::to_string(info.inode) + ' ' +
            std::to_string(text.size()) + ' ';
  record += text;
  record += '\n';
  return record;
}

struct NoteRecord {
  char tag = 0;
  platform::FileInfo info;
  std::string text;
};

bool ReadNumber(std::string_view& rest, uint64_t* value) {
  auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), *value);
  if (error != std::errc() || end == rest.data() + rest.size() || *end != ' ') return false;
  rest.remove_prefix(static_cast<size_t>(end - rest.data()) + 1);
  return true;
}

// The whole records of text; a record cut short by a kill ends the list.
std::vector<NoteRecord> ParseNote(std::string_view rest) {
  std::vector<NoteRecord> records;
  while (rest.size() >= 2 && rest[1] == ' ') {
    NoteRecord record;
    record.tag = rest[0];
    rest.remove_prefix(2);
    uint64_t length = 0;
    if (!ReadNumber(rest, &record.info.device) || !ReadNumber(rest, &record.info.inode) ||
        !ReadNumber(rest, &length) || rest.size() < length + 1 || rest[length] != '\n') {
      break;
    }
    record.text = std::string(rest.substr(0, length));
    rest.remove_prefix(length + 1);
    records.push_back(std::move(record));
  }
  return records;
}

struct NotedFile {
  platform::FileInfo info;
  std::string original;
  std::string last_name;
  bool durable = false;
};

// A folder of the batch and the files noted after it.
struct NotedSection {
  NoteRecord folder;
  std::vector<NotedFile> files;
};

// A folder being removed, and the folder it is removed from.
struct NotedRemoval {
  NoteRecord parent;
  NoteRecord folder;
};

struct KilledErase {
  std::vector<NoteRecord> awaiting_scrub;
  std::vector<NotedSection> sections;
  std::vector<NotedRemoval> removals;
};

KilledErase ReadKilledErase(std::string_view text) {
  KilledErase erase;
  std::optional<NoteRecord> parent;
  for (NoteRecord& record : ParseNote(text)) {
    switch (record.tag) {
      case kAwaitingScrub:
        erase.awaiting_scrub.push_back(std::move(record));
        break;
      case kBatchFolder:
        erase.sections.push_back({std::move(record), {}});
        break;
      case kOverwriting:
        if (!erase.sections.empty()) {
          erase.sections.back().files.push_back({record.info, record.text, record.text, false});
        }
        break;
      case kDurable:
        for (NotedSection& section : erase.sections) {
          for (NotedFile& file : section.files) file.durable = true;
        }
        break;
      case kFolderParent:
        parent = std::move(record);
        break;
      case kRemovedFolder:
        if (parent) erase.removals.push_back({*parent, std::move(record)});
        break;
      case kRenamed:
        for (NotedSection& section : erase.sections) {
          for (NotedFile& file : section.files) {
            if (platform::SameObject(file.info, record.info)) file.last_name = record.text;
          }
        }
        break;
      default:
        break;
    }
  }
  return erase;
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// Whether the file reads as zeros over its whole length now.
bool ReadsAsZeros(platform::Folder& folder, const std::string& name,
                  const platform::FileInfo& info) {
  platform::Result<std::unique_ptr<platform::ReadableFile>> file =
      folder.OpenForReadingAt(name, &info);
  if (!file.ok()) return false;
  std::vector<unsigned char> buffer(kReadBytes);
  for (uint64_t offset = 0;;) {
    platform::Result<size_t> n = (*file)->ReadAt(offset, buffer.data(), buffer.size());
    if (!n.ok()) return false;
    if (*n == 0) return true;
    for (size_t i = 0; i < *n; ++i) {
      if (buffer[i] != 0) return false;
    }
    offset += *n;
  }
}

// Where each noted file is now, by its last noted name or else by a look
// through the folder; files not found are gone.
std::map<size_t, std::string> FindNotedFiles(platform::Folder& folder,
                                             const std::vector<NotedFile>& files) {
  std::map<size_t, std::string> found;
  for (size_t i = 0; i < files.size(); ++i) {
    platform::Result<platform::FileInfo> now = folder.DescribeAt(files[i].last_name);
    if (now.ok() && platform::SameObject(*now, files[i].info)) found[i] = files[i].last_name;
  }
  if (found.size() == files.size()) return found;
  platform::Result<std::vector<std::string>> names = folder.ListNames();
  if (!names.ok()) return found;
  for (const std::string& name : *names) {
    platform::Result<platform::FileInfo> now = folder.DescribeAt(name);
    if (!now.ok() || now->kind != platform::FileKind::kRegular) continue;
    for (size_t i = 0; i < files.size(); ++i) {
      if (!found.contains(i) && platform::SameObject(*now, files[i].info)) found[i] = name;
    }
  }
  return found;
}

// Deletes the noted files that hold zeros, renamed first where they still
// have their own names; warns of each original holding something else.
int FinishBatch(platform::Env& env, platform::Folder& folder, const std::vector<NotedFile>& files,
                job::EventSink& sink) {
  std::vector<std::pair<std::string, const NotedFile*>> zeroed;
  for (const auto& [index, name] : FindNotedFiles(folder, files)) {
    const NotedFile& file = files[index];
    if (file.durable || ReadsAsZeros(folder, name, file.info)) {
      zeroed.emplace_back(name, &file);
    } else if (name == file.original) {
      sink.Report(job::Notice{.severity = job::Severity::kWarning,
                              .reason = job::Reason::kPartlyOverwritten,
                              .subject = Join(folder.path(), name)});
    }
  }
  if (zeroed.empty()) return 0;
  // A killed run's last zeros may still be in the cache only.
  folder.SyncFileSystem();
  for (auto& [name, file] : zeroed) {
    if (name == file->original) name = RenameRandomlyIn(env, folder, name).name;
  }
  folder.Sync();
  int finished = 0;
  for (const auto& [name, file] : zeroed) {
    if (folder.RemoveAt(name, false).ok()) ++finished;
  }
  folder.Sync();
  return finished;
}

// Removes empty entries a killed scrub left, then scrubs the folder.
void Scrub(platform::Folder& folder, job::EventSink& sink) {
  if (platform::Result<std::vector<std::string>> names = folder.ListNames(); names.ok()) {
    for (const std::string& name : *names) {
      if (!name.starts_with(kSlackEntryPrefix)) continue;
      platform::Result<platform::FileInfo> info = folder.DescribeAt(name);
      if (info.ok() && info->kind == platform::FileKind::kRegular && info->size == 0) {
        folder.RemoveAt(name, false);
      }
    }
  }
  const SlackScrubResult scrub = ScrubFolderSlack(*SlackFolderOf(folder));
  if (!scrub.status.ok()) {
    sink.Report(job::Notice{.severity = job::Severity::kWarning,
                            .reason = job::Reason::kSlackNotScrubbed,
                            .subject = folder.path(),
                            .error_code = scrub.status.code(),
                            .detail = scrub.status.message()});
  }
}

// Removes the noted folder from parent when it is still there and empty,
// renamed first where it still has its own name.
void FinishFolderRemoval(platform::Env& env, platform::Folder& parent, const NoteRecord& folder) {
  std::string name = folder.text;
  platform::Result<platform::FileInfo> now = parent.DescribeAt(name);
  if (!now.ok() || !platform::SameObject(*now, folder.info)) {
    name.clear();
    platform::Result<std::vector<std::string>> names = parent.ListNames();
    for (const std::string& entry : names.ok() ? *names : std::vector<std::string>{}) {
      platform::Result<platform::FileInfo> info = parent.DescribeAt(entry);
      if (info.ok() && platform::SameObject(*info, folder.info)) {
        name = entry;
        now = info;
      }
    }
  }
  if (name.empty() || now->kind != platform::FileKind::kDirectory) return;
  if (name == folder.text) name = RenameRandomlyIn(env, parent, name).name;
  parent.Sync();
  // One that holds something now stays, under its own name again.
  if (!parent.RemoveAt(name, true).ok() && name != folder.text) parent.RenameAt(name, folder.text);
}

size_t Depth(const std::string& path) { return std::count(path.begin(), path.end(), '/'); }

int FinishKilledErase(platform::Env& env, const KilledErase& erase, job::EventSink& sink) {
  // Files first, then the folders they emptied, the deepest first, then the
  // scrubs still owed.
  struct Step {
    const NoteRecord* folder;
    const NotedSection* section = nullptr;
    const NotedRemoval* removal = nullptr;
  };
  std::vector<Step> steps;
  for (const NotedSection& section : erase.sections) steps.push_back({&section.folder, &section});
  std::vector<const NotedRemoval*> removals;
  for (const NotedRemoval& removal : erase.removals) removals.push_back(&removal);
  std::stable_sort(removals.begin(), removals.end(), [](const auto* a, const auto* b) {
    return Depth(a->parent.text) > Depth(b->parent.text);
  });
  for (const NotedRemoval* removal : removals)
    steps.push_back({&removal->parent, nullptr, removal});
  for (const NoteRecord& record : erase.awaiting_scrub) steps.push_back({&record});
  int finished = 0;
  // Each journal is cleared after the last step on its volume, whose renames
  // and scrubs put their folders' blocks there too; through that step's
  // folder, which no later step removes.
  std::map<uint64_t, std::pair<std::unique_ptr<platform::Folder>, platform::MountInfo>> journals;
  for (const Step& step : steps) {
    const NoteRecord* noted = step.folder;
    platform::Result<std::unique_ptr<platform::Folder>> folder =
        env.OpenFolder(noted->text, &noted->info);
    // Gone: erased after all, with nothing of it left to finish.
    if (!folder.ok() && folder.status().code() == ENOENT) continue;
    if (!folder.ok()) {
      sink.Report(job::Notice{.severity = job::Severity::kWarning,
                              .reason = job::Reason::kEraseFolderChanged,
                              .subject = noted->text,
                              .error_code = folder.status().code(),
                              .detail = folder.status().message()});
      continue;
    }
    if (step.section != nullptr) finished += FinishBatch(env, **folder, step.section->files, sink);
    if (step.removal != nullptr) FinishFolderRemoval(env, **folder, step.removal->folder);
    Scrub(**folder, sink);
    platform::Result<platform::MountInfo> mount = (*folder)->Mount();
    if (mount.ok() && job::HasClearableJournal(*mount)) {
      journals[mount->device] = {std::move(*folder), *mount};
    }
  }
  for (auto& [device, journal] : journals) job::ClearJournal(sink, *journal.first, journal.second);
  return finished;
}

}  // namespace

EraseNote::EraseNote(platform::Env& env, platform::Folder* state) : env_(env), state_(state) {}

EraseNote::~EraseNote() = default;

std::string EraseNote::AwaitingScrub() const {
  std::string content;
  for (const auto& [path, info] : awaiting_scrub_) content += Record(kAwaitingScrub, info, path);
  return content;
}

void EraseNote::Rewrite(const std::string& content) {
  // The new note exists before the old one goes, so a kill between them
  // loses nothing.
  std::unique_ptr<job::RunningNote> next =
      job::RunningNote::Create(env_, state_, kNotePrefix, content);
  note_ = std::move(next);
}

void EraseNote::BeginBatch() {
  if (state_ == nullptr) return;
  batch_folders_.clear();
  renames_.clear();
  Rewrite(AwaitingScrub());
}

void EraseNote::BatchFolder(const std::string& folder, const platform::FileInfo& identity) {
  if (state_ == nullptr) return;
  batch_folders_[folder] = identity;
  Add(kBatchFolder, identity, folder);
}

void EraseNote::Add(char tag, const platform::FileInfo& info, const std::string& text) {
  if (note_ != nullptr) note_->Append(Record(tag, info, text));
}

void EraseNote::Overwriting(const platform::FileInfo& file, const std::string& name) {
  Add(kOverwriting, file, name);
}

void EraseNote::ZerosDurable() { Add(kDurable, {}, ""); }

void EraseNote::Renamed(const platform::FileInfo& file, const std::string& name) {
  if (state_ != nullptr) renames_ += Record(kRenamed, file, name);
}

void EraseNote::RenamesDone() {
  if (note_ != nullptr && !renames_.empty()) note_->Append(renames_);
  renames_.clear();
}

void EraseNote::BatchDeleted() {
  if (state_ == nullptr || batch_folders_.empty()) return;
  awaiting_scrub_.merge(batch_folders_);
  batch_folders_.clear();
  // The deleted files need no finishing: only the scrubs are left to note.
  Rewrite(AwaitingScrub());
}

void EraseNote::Scrubbed(const std::string& folder) {
  // A note left a little behind only costs the next start a second scrub.
  awaiting_scrub_.erase(folder);
}

void EraseNote::RemovingFolder(const std::string& parent, const platform::FileInfo& parent_identity,
                               const platform::FileInfo& folder, const std::string& name) {
  if (state_ == nullptr) return;
  if (note_ == nullptr) Rewrite(AwaitingScrub());
  Add(kFolderParent, parent_identity, parent);
  Add(kRemovedFolder, folder, name);
}

int FinishKilledErases(platform::Env& env, platform::Folder* state, job::EventSink& sink) {
  int finished = 0;
  job::ForEachAbandonedNote(state, kNotePrefix, kMaxNoteBytes, [&](const std::string& text) {
    finished += FinishKilledErase(env, ReadKilledErase(text), sink);
  });
  if (finished > 0) {
    sink.Report(job::Notice{.severity = job::Severity::kInfo,
                            .reason = job::Reason::kEraseFinished,
                            .count = finished});
  }
  return finished;
}

}  // namespace tarnwell::erase
