// The default subscriber slot, the registry and the level filter.
#include "logging/dispatch.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <latch>
#include <memory>
#include <string>
#include <thread>

#include "capture.hpp"

namespace kolvi::logging {
namespace {

std::shared_ptr<Subscriber> make_subscriber(LevelFilter max_level = LevelFilter::kInfo) {
  return std::make_shared<Subscriber>(
      SubscriberOptions{.colour = false, .max_level = max_level, .clock = testing::fixed_clock});
}

TEST(LogLevel, FilterPassesItsLevelAndLessVerboseOnes) {
  EXPECT_TRUE(passes(LevelFilter::kInfo, Level::kInfo));
  EXPECT_TRUE(passes(LevelFilter::kInfo, Level::kError));
  EXPECT_FALSE(passes(LevelFilter::kInfo, Level::kDebug));
  EXPECT_FALSE(passes(LevelFilter::kOff, Level::kError));
  EXPECT_TRUE(passes(LevelFilter::kTrace, Level::kTrace));
  EXPECT_EQ(most_verbose(LevelFilter::kOff, LevelFilter::kWarn), LevelFilter::kWarn);
  EXPECT_EQ(most_verbose(LevelFilter::kTrace, LevelFilter::kInfo), LevelFilter::kTrace);
}

TEST(LogRegistry, PurgesDeadSubscribersAndRecomputesTheMaximumLevel) {
  std::atomic<LevelFilter> max_level{LevelFilter::kOff};
  SubscriberRegistry registry(max_level);
  auto verbose = make_subscriber(LevelFilter::kTrace);
  registry.register_subscriber(verbose);
  EXPECT_EQ(max_level.load(), LevelFilter::kTrace);

  verbose.reset();
  auto info = make_subscriber();
  registry.register_subscriber(info);
  EXPECT_EQ(max_level.load(), LevelFilter::kInfo) << "the dead TRACE subscriber no longer counts";
  EXPECT_EQ(registry.size(), 1u);

  auto warn = make_subscriber(LevelFilter::kWarn);
  registry.register_subscriber(warn);
  EXPECT_EQ(max_level.load(), LevelFilter::kInfo) << "the most verbose live subscriber wins";
  EXPECT_EQ(registry.size(), 2u);
}

TEST(LogDefaultSlot, OnlyTheFirstInstallSucceeds) {
  std::atomic<LevelFilter> max_level{LevelFilter::kOff};
  LoggingState state(max_level);
  EXPECT_EQ(state.installed(), nullptr);
  auto first = make_subscriber();
  Subscriber* first_address = first.get();
  EXPECT_TRUE(state.install(std::move(first)));
  EXPECT_EQ(state.installed(), first_address);
  EXPECT_FALSE(state.install(make_subscriber()));
  EXPECT_FALSE(state.install(make_subscriber()));
  EXPECT_EQ(state.installed(), first_address);
  EXPECT_EQ(state.max_level(), LevelFilter::kInfo);
  EXPECT_EQ(state.registry().size(), 2u) << "refused subscribers are purged at the next install";
}

TEST(LogDefaultSlot, ExactlyOneOfTwoRacingInstallsSucceeds) {
  for (int round = 0; round < 200; ++round) {
    std::atomic<LevelFilter> max_level{LevelFilter::kOff};
    LoggingState state(max_level);
    std::latch start(2);
    std::atomic<int> successes{0};
    auto race = [&] {
      auto subscriber = make_subscriber();
      start.arrive_and_wait();
      if (state.install(std::move(subscriber))) successes.fetch_add(1);
    };
    std::thread a(race);
    std::thread b(race);
    a.join();
    b.join();
    ASSERT_EQ(successes.load(), 1) << "round " << round;
    ASSERT_NE(state.installed(), nullptr);
  }
}

// The process-wide state cannot be reset, so it is exercised in a child process. The child
// reports the first broken expectation on stderr and exits with 1.
[[noreturn]] void check_global_facade() {
  const auto require = [](bool condition, const char* what) {
    if (!condition) {
      std::fprintf(stderr, "%s\n", what);
      std::_Exit(1);
    }
  };
  constexpr Metadata info{Level::kInfo, "app", "e", std::nullopt, std::nullopt};
  constexpr Metadata debug{Level::kDebug, "app", "e", std::nullopt, std::nullopt};
  const Field message[] = {{"message", Text{"hello"}}};

  require(!level_enabled(Level::kError), "nothing passes before a subscriber is installed");
  require(new_span(info, {}) == kNoSpan, "no spans before a subscriber is installed");
  require(install_global_subscriber(false), "first install succeeds");
  require(!install_global_subscriber(true), "second install is refused");
  require(level_enabled(Level::kInfo) && !level_enabled(Level::kDebug), "INFO filter");

  testing::FdCapture capture;
  const SpanId span = new_span(info, {});
  enter_span(span);
  require(current_span() == span, "entered span is current");
  event(debug, message);
  event(info, message);
  exit_span(span);
  require(close_span(span), "span closes");
  const std::string out = capture.finish();
  require(out.find("  INFO app: hello\n") != std::string::npos, "INFO event written");
  require(out.find("    in app::e\n\n") != std::string::npos, "span context written");
  require(out.find('\x1b') == std::string::npos, "first install's colour decision holds");
  require(out.find("DEBUG") == std::string::npos, "DEBUG event dropped");
  std::_Exit(0);
}

TEST(LogGlobalFacade, InstallsOnceAndDispatchesToTheInstalledSubscriber) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(check_global_facade(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kolvi::logging
