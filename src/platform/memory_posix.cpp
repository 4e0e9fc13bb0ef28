#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace tavirel::platform {

namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
constexpr uintptr_t kPage = 4096;
// What the allocator keeps in front of a large block.
constexpr size_t kAllocatorHeader = 64;

}  // namespace

size_t LargeBufferBytes(size_t bytes) {
  if (bytes < kHugePage) return bytes;
  return ((bytes + kAllocatorHeader + kHugePage - 1) & ~(kHugePage - 1)) - kAllocatorHeader;
}

void AdviseLargeBuffer(void* data, size_t size) {
  if (data == nullptr || size < kHugePage) return;
  const uintptr_t begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t end = begin + size;
  // A large block starts a few bytes into a huge page that the system
  // aligned for it and, sized by LargeBufferBytes, ends a few bytes before
  // another: those huge pages are the block's too, as the pages that hold
  // its first and last bytes are. A refusal (no huge pages configured)
  // leaves the ordinary pages.
  const uintptr_t down = begin & ~(kHugePage - 1);
  const uintptr_t up = (end + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t first = begin - down < kPage ? down : (begin + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = up - end < kPage ? up : end & ~(kHugePage - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
  // The pages are made in one call rather than one fault at a time as the
  // buffer fills; a system without the call makes them as it fills.
  const uintptr_t pagesBegin = (begin + kPage - 1) & ~(kPage - 1);
  const uintptr_t pagesEnd = end & ~(kPage - 1);
  if (pagesEnd > pagesBegin) {
    ::madvise(reinterpret_cast<void*>(pagesBegin), pagesEnd - pagesBegin, MADV_POPULATE_WRITE);
  }
#endif
}

}  // namespace tavirel::platform
