#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace tavirel::platform {

void AdviseLargeBuffer(void* data, size_t size) {
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  constexpr uintptr_t kPage = 4096;
  if (data == nullptr || size < kHugePage) return;
  const uintptr_t begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t end = begin + size;
  // A refusal (no huge pages configured) leaves the ordinary pages.
  const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = end & ~(kHugePage - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
  // The pages are made in one call rather than one fault at a time as the
  // buffer fills; a system without the call makes them as it fills.
  const uintptr_t pagesBegin = (begin + kPage - 1) & ~(kPage - 1);
  const uintptr_t pagesEnd = end & ~(kPage - 1);
  if (pagesEnd > pagesBegin) {
    ::madvise(reinterpret_cast<void*>(pagesBegin), pagesEnd - pagesBegin, MADV_POPULATE_WRITE);
  }
#else
  (void)kPage;
#endif
}

}  // namespace tavirel::platform
