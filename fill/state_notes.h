// Small notes in the held state folder, written and read through its handle.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/env.h"

namespace tarnwell::fill {

// Creates the new note name in folder with content (never replacing
// anything: EEXIST) and holds its lock in *lock when lock is given.
platform::Status WriteNewNote(platform::Folder& folder, const std::string& name,
                              std::string_view content,
                              std::unique_ptr<platform::FileLock>* lock = nullptr);

// The whole note name in folder, a regular file of at most max_bytes (EFBIG
// beyond); links, FIFOs and devices are refused without blocking.
platform::Result<std::string> ReadNote(platform::Folder& folder, const std::string& name,
                                       size_t max_bytes);

}  // namespace tarnwell::fill
