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

// Reserves room for `size` elements of a string or vector and advises the
// room as above.
template <class Buffer>
void ReserveLarge(Buffer& buffer, size_t size) {
  buffer.reserve(size);
  AdviseLargeBuffer(buffer.data(), buffer.capacity() * sizeof(*buffer.data()));
}

}  // namespace tavirel::platform
