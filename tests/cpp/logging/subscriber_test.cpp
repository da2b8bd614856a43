// Spans: context lines, references, closing and the per-thread stack.
#include "logging/subscriber.hpp"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "capture.hpp"

namespace kolvi::logging {
namespace {

using testing::FdCapture;
using testing::fixed_clock;

constexpr Metadata kSpanSite{Level::kInfo, "app", "work", std::nullopt, std::nullopt};
constexpr Metadata kChildSite{Level::kInfo, "app", "step", std::nullopt, std::nullopt};
constexpr Metadata kEventSite{Level::kInfo, "app", "event", std::nullopt, std::nullopt};
constexpr Metadata kDebugSpan{Level::kDebug, "app", "noisy", std::nullopt, std::nullopt};

class LogSpan : public ::testing::Test {
 protected:
  // The context lines of an event emitted under `parent`.
  std::string context_of(ParentSpan parent) {
    FdCapture capture;
    subscriber_.event(kEventSite, {}, parent);
    std::string block = capture.finish();
    const std::size_t location_end = block.find('\n', block.find('\n') + 1);
    return block.substr(location_end + 1);
  }

  Subscriber subscriber_{{.colour = false, .clock = fixed_clock}};
};

TEST_F(LogSpan, IdsAreNonZeroAndDistinct) {
  const SpanId first = subscriber_.new_span(kSpanSite, {});
  const SpanId second = subscriber_.new_span(kSpanSite, {});
  EXPECT_NE(first, kNoSpan);
  EXPECT_NE(second, kNoSpan);
  EXPECT_NE(first, second);
}

TEST_F(LogSpan, FilteredLevelCreatesNoSpan) {
  EXPECT_EQ(subscriber_.new_span(kDebugSpan, {}), kNoSpan);
}

TEST_F(LogSpan, ClosesOnLastReference) {
  const SpanId span = subscriber_.new_span(kSpanSite, {});
  EXPECT_EQ(subscriber_.clone_span(span), span);
  EXPECT_FALSE(subscriber_.try_close(span));
  EXPECT_EQ(context_of(ParentSpan::of(span)), "    in app::work\n\n");
  EXPECT_TRUE(subscriber_.try_close(span));
  EXPECT_EQ(context_of(ParentSpan::of(span)), "\n");
  EXPECT_EQ(subscriber_.clone_span(span), kNoSpan);
  EXPECT_FALSE(subscriber_.try_close(span));
}

TEST_F(LogSpan, ChildKeepsItsParentOpen) {
  const SpanId parent = subscriber_.new_span(kSpanSite, {});
  const SpanId child = subscriber_.new_span(kChildSite, {}, ParentSpan::of(parent));
  EXPECT_FALSE(subscriber_.try_close(parent));
  EXPECT_EQ(context_of(ParentSpan::of(child)), "    in app::step\n    in app::work\n\n");
  EXPECT_TRUE(subscriber_.try_close(child));
  EXPECT_EQ(context_of(ParentSpan::of(parent)), "\n") << "the parent closed with its child";
}

TEST_F(LogSpan, EnterAndExitMaintainTheThreadStack) {
  const SpanId outer = subscriber_.new_span(kSpanSite, {});
  subscriber_.enter(outer);
  EXPECT_EQ(subscriber_.current_span(), outer);
  const SpanId inner = subscriber_.new_span(kChildSite, {});  // parent: the current span
  subscriber_.enter(inner);
  EXPECT_EQ(subscriber_.current_span(), inner);
  EXPECT_FALSE(subscriber_.try_close(inner)) << "entering holds a reference";
  EXPECT_EQ(context_of(ParentSpan::current()), "    in app::step\n    in app::work\n\n");
  subscriber_.exit(inner);
  EXPECT_EQ(subscriber_.current_span(), outer);
  EXPECT_EQ(context_of(ParentSpan::of(inner)), "    in app::work\n\n") << "closed on exit";
  EXPECT_EQ(context_of(ParentSpan::current()), "    in app::work\n\n");
  subscriber_.exit(outer);
  EXPECT_EQ(subscriber_.current_span(), kNoSpan);
}

TEST_F(LogSpan, StacksArePerThread) {
  const SpanId span = subscriber_.new_span(kSpanSite, {});
  subscriber_.enter(span);
  SpanId seen_elsewhere = span;
  std::thread([&] { seen_elsewhere = subscriber_.current_span(); }).join();
  EXPECT_EQ(seen_elsewhere, kNoSpan);
  subscriber_.exit(span);
}

TEST_F(LogSpan, RecordExtendsTheFieldText) {
  const Field first[] = {{"a", std::int64_t{1}}};
  const Field more[] = {{"b", true}, {"log.c", true}};
  const Field hidden[] = {{"log.d", true}};
  const SpanId with_fields = subscriber_.new_span(kSpanSite, first);
  subscriber_.record(with_fields, more);
  subscriber_.record(with_fields, hidden);
  EXPECT_EQ(context_of(ParentSpan::of(with_fields)), "    in app::work with a: 1, b: true\n\n");

  const SpanId empty = subscriber_.new_span(kSpanSite, hidden);
  EXPECT_EQ(context_of(ParentSpan::of(empty)), "    in app::work\n\n");
  subscriber_.record(empty, more);
  EXPECT_EQ(context_of(ParentSpan::of(empty)), "    in app::work with b: true\n\n");
}

TEST(LogSpanColour, FieldNamesAreBoldAndNothingElseIsColoured) {
  Subscriber coloured({.colour = true, .clock = fixed_clock});
  const Field fields[] = {{"message", Text{"msg"}}, {"r#type", Text{"\"x\""}}};
  const SpanId span = coloured.new_span(kSpanSite, fields);
  FdCapture capture;
  coloured.event(kEventSite, {}, ParentSpan::of(span));
  const std::string block = capture.finish();
  EXPECT_NE(block.find(" \x1b[2;3mwith\x1b[0m msg, \x1b[1mtype\x1b[0m: \"x\"\n"), std::string::npos)
      << block;
}

}  // namespace
}  // namespace kolvi::logging
