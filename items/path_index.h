// The duplicate index of the item list: finds the entry number of a path
// among many. Open addressing over 8-byte slots that keep a part of each
// path's hash, so a lookup touches the stored path only on a likely match.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace tarnwell::items {

class PathIndex final {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  // Returns the entry number stored for path, or records next (whose path
  // must be path) and returns kNone. path_of gives the path of an entry number.
  template <typename PathOf>
  uint32_t FindOrInsert(std::string_view path, uint32_t next, const PathOf& path_of) {
    if ((count_ + 1) * 2 > slots_.size()) Grow(path_of);
    const size_t hash = std::hash<std::string_view>{}(path);
    const auto tag = static_cast<uint32_t>(hash >> 32);
    for (size_t i = hash & Mask();; i = (i + 1) & Mask()) {
      Slot& slot = slots_[i];
      if (slot.entry == kNone) {
        slot = {tag, next};
        ++count_;
        return kNone;
      }
      if (slot.tag == tag && path_of(slot.entry) == path) return slot.entry;
    }
  }

  // Forgets everything and gives the memory back.
  void Clear() {
    std::vector<Slot>().swap(slots_);
    count_ = 0;
  }

 private:
  struct Slot {
    uint32_t tag = 0;
    uint32_t entry = kNone;
  };
  static constexpr size_t kInitialSlots = 1024;

  size_t Mask() const { return slots_.size() - 1; }

  template <typename PathOf>
  void Grow(const PathOf& path_of) {
    std::vector<Slot> old(slots_.empty() ? kInitialSlots : slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.entry == kNone) continue;
      size_t i = std::hash<std::string_view>{}(path_of(slot.entry)) & Mask();
      while (slots_[i].entry != kNone) i = (i + 1) & Mask();
      slots_[i] = slot;
    }
  }

  std::vector<Slot> slots_;  // size a power of two, at most half full
  size_t count_ = 0;
};

}  // namespace tarnwell::items
