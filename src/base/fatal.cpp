// The fault report written just before the process aborts.
#include "base/fatal.hpp"

#include <pthread.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "base/decimal.hpp"

namespace kolvi::base {

namespace {

std::string_view as_view(const char* text) {
  return {text, std::strlen(text)};
}

}  // namespace

// Builds nothing on the heap: a fault may be a failed allocation. The report goes out in one
// writev so that faults on two threads do not interleave mid-line.
void fatal(std::string_view message, std::source_location where) {
  char thread_name[64] = {};
  if (pthread_getname_np(pthread_self(), thread_name, sizeof thread_name) != 0
      || thread_name[0] == '\0') {
    std::strcpy(thread_name, "<unnamed>");
  }
  const Decimal line(where.line());

  const std::string_view pieces[] = {"thread '",
                                     as_view(thread_name),
                                     "' hit an internal fault at ",
                                     as_view(where.file_name()),
                                     ":",
                                     line.view(),
                                     ":\n",
                                     message,
                                     "\n"};
  iovec vectors[std::size(pieces)];
  for (std::size_t i = 0; i < std::size(pieces); ++i) {
    vectors[i].iov_base = const_cast<char*>(pieces[i].data());
    vectors[i].iov_len = pieces[i].size();
  }
  [[maybe_unused]] const ssize_t ignored =
      ::writev(STDERR_FILENO, vectors, static_cast<int>(std::size(pieces)));
  std::abort();
}

}  // namespace kolvi::base
