#include "job/state_notes.h"

#include <cerrno>
#include <optional>
#include <vector>

#include "platform/race_hook.h"

namespace tarnwell::job {
namespace {

constexpr int kNoteNameDigits = 16;
constexpr int kNoteCreateAttempts = 8;

std::string NewNoteName(platform::Env& env, std::string_view prefix) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name(prefix);
  for (int i = 0; i < kNoteNameDigits; ++i) name += kHex[env.Random() % 16];
  return name;
}

}  // namespace

std::string RuntimeStateFolder(platform::Env& env) {
  // Only absolute folders: a relative one would land wherever the program
  // was started.
  if (std::optional<std::string> chosen = env.GetEnvironment("TARNWELL_STATE_DIR");
      chosen && env.IsAbsolutePath(*chosen)) {
    return env.UserPath(*chosen);
  }
  return env.IsPrivileged() ? env.MachineStateFolder() : env.UserStateFolder();
}

std::unique_ptr<platform::Folder> OpenStateFolder(platform::Env& env, const std::string& path,
                                                  EventSink& sink) {
  if (path.empty()) return nullptr;
  platform::Result<std::unique_ptr<platform::Folder>> folder = env.OpenPrivateFolder(path);
  if (!folder.ok()) {
    sink.Report(Notice{.severity = Severity::kWarning,
                       .reason = Reason::kStateFolderRefused,
                       .subject = path,
                       .error_code = folder.status().code(),
                       .detail = folder.status().message()});
    return nullptr;
  }
  platform::RacePoint(platform::RaceStep::kStateFolderChecked, path);
  return std::move(*folder);
}

platform::Status WriteNewNote(platform::Folder& folder, const std::string& name,
                              std::string_view content, std::unique_ptr<platform::FileLock>* lock) {
  std::unique_ptr<platform::FileLock> held;
  platform::Result<std::unique_ptr<platform::WritableFile>> file =
      folder.CreateLockedAt(name, &held);
  if (!file.ok()) return file.status();
  platform::Result<size_t> n = (*file)->WriteAt(0, content.data(), content.size());
  platform::Status closed = (*file)->Close();
  if (!n.ok() || *n != content.size() || !closed.ok()) {
    folder.RemoveAt(name, false);
    if (!n.ok()) return n.status();
    if (!closed.ok()) return closed;
    return platform::Status::Error(EIO, "only part of '" + name + "' was written");
  }
  if (lock != nullptr) *lock = std::move(held);
  return platform::Status::Ok();
}

platform::Result<std::string> ReadNote(platform::Folder& folder, const std::string& name,
                                       size_t max_bytes) {
  platform::Result<std::unique_ptr<platform::ReadableFile>> file =
      folder.OpenForReadingAt(name, nullptr);
  if (!file.ok()) return file.status();
  std::string content;
  char buffer[4096];
  for (;;) {
    platform::Result<size_t> n = (*file)->ReadAt(content.size(), buffer, sizeof buffer);
    if (!n.ok()) return n.status();
    if (*n == 0) return content;
    if (content.size() + *n > max_bytes) {
      return platform::Status::Error(EFBIG, "'" + name + "' is larger than a note");
    }
    content.append(buffer, *n);
  }
}

RunningNote::RunningNote(platform::Folder& state, std::string name,
                         std::unique_ptr<platform::WritableFile> file,
                         std::unique_ptr<platform::FileLock> lock, uint64_t size)
    : state_(state),
      name_(std::move(name)),
      file_(std::move(file)),
      lock_(std::move(lock)),
      size_(size) {}

std::unique_ptr<RunningNote> RunningNote::Create(platform::Env& env, platform::Folder* state,
                                                 std::string_view prefix,
                                                 std::string_view content) {
  if (state == nullptr) return nullptr;
  for (int attempt = 0; attempt < kNoteCreateAttempts; ++attempt) {
    const std::string name = NewNoteName(env, prefix);
    std::unique_ptr<platform::FileLock> lock;
    platform::Result<std::unique_ptr<platform::WritableFile>> file =
        state->CreateLockedAt(name, &lock);
    if (!file.ok()) {
      if (file.status().code() != EEXIST && file.status().code() != EAGAIN) return nullptr;
      continue;
    }
    std::unique_ptr<RunningNote> note(
        new RunningNote(*state, name, std::move(*file), std::move(lock), 0));
    if (!note->Append(content).ok()) return nullptr;
    return note;
  }
  return nullptr;
}

RunningNote::~RunningNote() {
  file_->Close();
  // Removed while still locked, so no start takes it for a killed job's.
  state_.RemoveAt(name_, false);
}

platform::Status RunningNote::Append(std::string_view text) {
  while (!text.empty()) {
    platform::Result<size_t> n = file_->WriteAt(size_, text.data(), text.size());
    if (!n.ok()) return n.status();
    if (*n == 0) return platform::Status::Error(EIO, "no byte of '" + name_ + "' was written");
    size_ += *n;
    text.remove_prefix(*n);
  }
  return platform::Status::Ok();
}

void ForEachAbandonedNote(platform::Folder* state, std::string_view prefix, size_t max_bytes,
                          const std::function<void(const std::string& text)>& left_by_killed_job) {
  if (state == nullptr) return;
  std::vector<std::string> notes;
  if (platform::Result<std::vector<std::string>> names = state->ListNames(); names.ok()) {
    for (const std::string& name : *names) {
      if (name.starts_with(prefix)) notes.push_back(name);
    }
  }
  for (const std::string& note : notes) {
    // Locked: its job still runs. Gone: another start got there first.
    platform::Result<std::unique_ptr<platform::FileLock>> lock =
        state->TryLockAt(note, false, nullptr);
    if (!lock.ok()) continue;
    platform::Result<std::string> text = ReadNote(*state, note, max_bytes);
    if (text.ok() && !text->empty()) left_by_killed_job(*text);
    state->RemoveAt(note, false);
  }
}

}  // namespace tarnwell::job
