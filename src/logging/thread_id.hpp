// Small sequential thread numbers for the "on ThreadId(N)" part of a block.
#pragma once

#include <cstdint>

namespace kolvi::logging {

// The calling thread's number, unique in the process and counting from 1 in the order in
// which threads first ask for one.
std::uint64_t current_thread_id() noexcept;

}  // namespace kolvi::logging
