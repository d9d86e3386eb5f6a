// Where an erase tells which listed items it removed from the disk, so that
// what the desktop remembers of them (thumbnails, recent lists, trash
// records) can go too.
#pragma once

#include <string>

#include "platform/env.h"

namespace tarnwell::erase {

class ErasedItemSink {
 public:
  virtual ~ErasedItemSink() = default;
  // One listed item is gone from the disk: called once per erased row, never
  // for a row that was kept or left alone, on the job's thread.
  virtual void ItemErased(const std::string& listed_path, platform::FileKind kind) = 0;
  // The erase's own work is over (items, folders, their syncs); called once
  // on the job's thread before the job's summary rows.
  virtual void ErasingDone() = 0;
};

}  // namespace tarnwell::erase
