// Large working buffers.
#pragma once

#include <cstddef>

namespace orvane {

// Asks the kernel to back the memory with 2 MiB pages where it can: a buffer
// of tens of megabytes then costs a few page faults instead of thousands,
// which on a list of a million lines is a good part of the whole run. A hint
// only; call it before the memory is first written.
void AdviseHugePages(const void* data, std::size_t bytes) noexcept;

// Reserves room for n elements, asking for huge pages when that is large.
template <typename Container>
void ReserveLarge(Container& container, std::size_t n) {
    container.reserve(n);
    AdviseHugePages(container.data(), container.capacity() * sizeof(*container.data()));
}

}  // namespace orvane
