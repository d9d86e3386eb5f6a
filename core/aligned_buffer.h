// Heap blocks aligned for direct (unbuffered) I/O. One helper because the C
// libraries disagree: Windows' has no std::aligned_alloc and needs its own
// free for such blocks.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#ifdef _WIN32
#include <malloc.h>
#endif

namespace tarnwell::core {

struct AlignedFree {
  void operator()(unsigned char* p) const {
#ifdef _WIN32
    _aligned_free(p);
#else
    std::free(p);
#endif
  }
};

using AlignedBuffer = std::unique_ptr<unsigned char, AlignedFree>;

// size bytes at an address that is a multiple of alignment (a power of two),
// all zero. Aborts when memory is exhausted: the callers cannot work without.
inline AlignedBuffer AllocateZeroedAligned(size_t alignment, size_t size) {
#ifdef _WIN32
  void* p = _aligned_malloc(size, alignment);
#else
  void* p = std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
#endif
  if (p == nullptr) std::abort();
  std::memset(p, 0, size);
  return AlignedBuffer(static_cast<unsigned char*>(p));
}

}  // namespace tarnwell::core
