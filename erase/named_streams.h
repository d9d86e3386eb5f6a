// A file's named data streams (Windows): data of their own, such as the
// source address a download keeps in Zone.Identifier or whole contents other
// programs store there, overwritten like the main stream and removed before
// the file goes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/env.h"

namespace tarnwell::erase {

// Writes zeros over every named stream of the file name in parent once,
// through cover (given the open stream and its size), syncs and closes each.
// identity is the file's, checked at every open. Returns the first failure;
// the streams after it are left for the next pass to report.
platform::Status OverwriteStreams(
    platform::Folder& parent, const std::string& name, const platform::FileInfo& identity,
    const std::function<platform::Status(platform::WritableFile&, uint64_t)>& cover);

// Removes every named stream of the file name in parent; the first failure.
platform::Status RemoveStreams(platform::Folder& parent, const std::string& name);

}  // namespace tarnwell::erase
