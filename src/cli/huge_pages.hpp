// Asks the kernel to back a large buffer with huge pages, where it allows that.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

namespace kolvi::cli {

// A buffer of many megabytes is first touched page by page, and each 4 KiB fault costs far more
// than filling the page; 2 MiB pages take 512 times fewer faults. Only whole huge pages inside
// the buffer are advised, and a refusal changes nothing but the speed.
inline void advise_huge_pages(void* data, std::size_t size) noexcept {
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (begin + size) & ~(kHugePage - 1);
  if (last > first) {
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  }
}

}  // namespace kolvi::cli
