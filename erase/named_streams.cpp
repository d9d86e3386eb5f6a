#include "erase/named_streams.h"

#include <vector>

namespace tarnwell::erase {

platform::Status OverwriteStreams(
    platform::Folder& parent, const std::string& name, const platform::FileInfo& identity,
    const std::function<platform::Status(platform::WritableFile&, uint64_t)>& cover) {
  platform::Result<std::vector<std::string>> streams = parent.ListStreamsAt(name);
  if (!streams.ok()) return streams.status();
  for (const std::string& stream : *streams) {
    platform::Result<std::unique_ptr<platform::WritableFile>> opened =
        parent.OpenStreamAt(name, stream, &identity);
    if (!opened.ok()) return opened.status();
    platform::WritableFile& file = **opened;
    platform::Result<platform::FileInfo> info = file.Stat();
    platform::Status status = info.ok() ? cover(file, info->size) : info.status();
    if (status.ok()) status = file.DataSync();
    const platform::Status closed = file.Close();
    if (!status.ok()) return status;
    if (!closed.ok()) return closed;
  }
  return platform::Status::Ok();
}

platform::Status RemoveStreams(platform::Folder& parent, const std::string& name) {
  platform::Result<std::vector<std::string>> streams = parent.ListStreamsAt(name);
  if (!streams.ok()) return streams.status();
  for (const std::string& stream : *streams) {
    platform::Status removed = parent.RemoveStreamAt(name, stream);
    if (!removed.ok()) return removed;
  }
  return platform::Status::Ok();
}

}  // namespace tarnwell::erase
