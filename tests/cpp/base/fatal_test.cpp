// The fault report: it names the thread, the place and the message, then the process aborts.
#include "base/fatal.hpp"

#include <gtest/gtest.h>
#include <pthread.h>

namespace kolvi::base {
namespace {

TEST(FatalDeathTest, ReportsThreadPlaceAndMessageThenAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        pthread_setname_np(pthread_self(), "worker-7");
        fatal("an invariant broke");
      },
      "^thread 'worker-7' hit an internal fault at .*fatal_test\\.cpp:[0-9]+:\nan invariant "
      "broke\n$");
}

}  // namespace
}  // namespace kolvi::base
