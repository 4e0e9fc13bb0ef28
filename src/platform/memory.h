// Large buffers. Filling fresh memory costs one page fault per 4 KB page,
// which on some machines (virtual ones above all) costs more than the work
// that fills it. A buffer of megabytes about to be filled can instead be
// backed by the system's huge pages, a few faults in all.
#pragma once

#include <cstddef>

namespace tavirel::platform {

// Asks for huge pages over the 2 MB-aligned part of [data, data + size) and
// has the system make its pages at once.
// Nothing for buffers under a few megabytes or where the system has none;
// the contents are never changed.
void AdviseLargeBuffer(void* data, size_t size);

// How many bytes to reserve for a buffer of `bytes`: large buffers are
// rounded up to whole huge pages (less the allocator's few bytes of header),
// so that the last part of the buffer gets a huge page as well.
size_t LargeBufferBytes(size_t bytes);

// Reserves room for at least `size` elements of a string or vector and
// advises the room as above.
template <class Buffer>
void ReserveLarge(Buffer& buffer, size_t size) {
  const size_t element = sizeof(*buffer.data());
  buffer.reserve(LargeBufferBytes(size * element) / element);
  AdviseLargeBuffer(buffer.data(), buffer.capacity() * element);
}

}  // namespace tavirel::platform
