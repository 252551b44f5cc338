#include "Memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace orvane {

void AdviseHugePages(const void* data, std::size_t bytes) noexcept {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (bytes < kHugePage) return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + page - 1) & ~(page - 1);
    const std::uintptr_t end = (start + bytes) & ~(page - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace orvane
