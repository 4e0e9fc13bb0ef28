#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace tavirel::platform {

void AdviseLargeBuffer(void* data, size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  if (data == nullptr || size < kHugePage) return;
  const uintptr_t begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (begin + size) & ~(kHugePage - 1);
  // A refusal (no huge pages configured) leaves the ordinary pages.
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace tavirel::platform
