// The order of identifier lists.
#include "version/text_list.hpp"

#include <algorithm>

namespace kolvi::version {

std::strong_ordering compare_lists(const TextList& a, const TextList& b) noexcept {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (const auto order = compare_text(a[i], b[i]); order != 0) return order;
  }
  return a.size() <=> b.size();
}

}  // namespace kolvi::version
