#include "fill/state_notes.h"

#include <cerrno>

namespace tarnwell::fill {

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

}  // namespace tarnwell::fill
