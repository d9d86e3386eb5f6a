// Packed storage for many path strings: paths are copied into large blocks
// that never move, so a list of a million paths costs little more than their
// bytes and growing it never copies what is already stored.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace tarnwell::items {

class PathArena final {
 public:
  // Copies text into the arena; the view stays valid until Clear().
  std::string_view Store(std::string_view text) {
    if (text.size() > kBlockSize / 4) {
      // A rare long path gets a block of its own, so it cannot waste the rest
      // of a shared one.
      single_blocks_.push_back(std::make_unique_for_overwrite<char[]>(text.size()));
      std::memcpy(single_blocks_.back().get(), text.data(), text.size());
      return std::string_view(single_blocks_.back().get(), text.size());
    }
    if (blocks_.empty() || kBlockSize - used_ < text.size()) {
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
      used_ = 0;
    }
    char* place = blocks_.back().get() + used_;
    if (!text.empty()) std::memcpy(place, text.data(), text.size());
    used_ += text.size();
    return std::string_view(place, text.size());
  }

  // Frees every block; all views handed out become invalid.
  void Clear() {
    blocks_.clear();
    single_blocks_.clear();
    used_ = kBlockSize;
  }

 private:
  static constexpr size_t kBlockSize = size_t{1} << 20;

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::vector<std::unique_ptr<char[]>> single_blocks_;
  size_t used_ = kBlockSize;  // bytes used in blocks_.back(); full when none
};

}  // namespace tarnwell::items
