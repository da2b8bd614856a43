// Event blocks byte for byte, plain and coloured, with fields, spans and bridged locations.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "capture.hpp"
#include "logging/subscriber.hpp"
#include "logging/thread_id.hpp"

namespace kolvi::logging {
namespace {

using testing::FdCapture;
using testing::fixed_clock;
using testing::kFixedTime;

constexpr Metadata kInfoSite{Level::kInfo, "example::module", "event src/example:42", "src/example",
                             42};
constexpr Metadata kParseSpan{Level::kInfo, "example::module", "parse", "src/example", 10};
constexpr Metadata kOuterSpan{Level::kInfo, "example::outer", "outer", std::nullopt, std::nullopt};

std::string thread_text() {
  return "ThreadId(" + std::to_string(current_thread_id()) + ")";
}

std::string head_line(std::string_view level_word, std::string_view fields) {
  return std::string("  ") + kFixedTime + " " + std::string(level_word)
         + " example::module: " + std::string(fields) + "\n";
}

std::string location_line() {
  return "    at src/example:42 on " + thread_text() + "\n";
}

class LogBlock : public ::testing::Test {
 protected:
  template <class Emit>
  static std::string written_by(Emit emit) {
    FdCapture stdout_capture;
    emit();
    return stdout_capture.finish();
  }

  Subscriber plain_{{.colour = false, .clock = fixed_clock}};
};

TEST_F(LogBlock, MessageOnlyOutsideSpansIsThreeLines) {
  const Field fields[] = {{"message", Text{"Parsed input"}}};
  EXPECT_EQ(written_by([&] { plain_.event(kInfoSite, fields); }),
            head_line(" INFO", "Parsed input") + location_line() + "\n");
}

TEST_F(LogBlock, FieldRules) {
  struct Case {
    std::vector<Field> fields;
    std::string expected;
  };
  const Case cases[] = {
      {{{"message", Text{"Parsed input"}}, {"count", std::int64_t{3}}}, "Parsed input, count: 3"},
      {{{"count", std::int64_t{3}}, {"message", Text{"later"}}}, "count: 3, later"},
      {{{"log.x", Text{"hidden"}}}, ""},
      {{{"log.file", Text{"a"}}, {"message", Text{"m"}}, {"log.line", std::uint64_t{7}}}, "m"},
      {{{"r#type", Text{"\"semver\""}}}, "type: \"semver\""},
      {{{"ok", true}, {"big", std::uint64_t{18446744073709551615u}}, {"delta", std::int64_t{-5}}},
       "ok: true, big: 18446744073709551615, delta: -5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(written_by([&] { plain_.event(kInfoSite, c.fields); }),
              head_line(" INFO", c.expected) + location_line() + "\n");
  }
}

TEST_F(LogBlock, LevelColumnIsFiveWide) {
  Subscriber everything({.colour = false, .max_level = LevelFilter::kTrace, .clock = fixed_clock});
  const std::pair<Level, const char*> levels[] = {{Level::kTrace, "TRACE"},
                                                  {Level::kDebug, "DEBUG"},
                                                  {Level::kInfo, " INFO"},
                                                  {Level::kWarn, " WARN"},
                                                  {Level::kError, "ERROR"}};
  const Field fields[] = {{"message", Text{"m"}}};
  for (const auto& [level, word] : levels) {
    Metadata site = kInfoSite;
    site.level = level;
    EXPECT_EQ(written_by([&] { everything.event(site, fields); }),
              head_line(word, "m") + location_line() + "\n");
  }
}

TEST_F(LogBlock, TraceAndDebugWriteNothingUnderTheInfoFilter) {
  const Field fields[] = {{"message", Text{"m"}}};
  for (Level level : {Level::kTrace, Level::kDebug}) {
    Metadata site = kInfoSite;
    site.level = level;
    EXPECT_FALSE(plain_.enabled(site));
    EXPECT_EQ(written_by([&] { plain_.event(site, fields); }), "");
  }
}

TEST_F(LogBlock, LocationLineShowsWhatIsKnown) {
  const std::pair<Metadata, std::string> cases[] = {
      {{Level::kWarn, "t", "n", "src/a.cpp", 7}, "    at src/a.cpp:7 on "},
      {{Level::kWarn, "t", "n", "src/a.cpp", std::nullopt}, "    at src/a.cpp on "},
      {{Level::kWarn, "t", "n", std::nullopt, std::nullopt}, "    on "},
  };
  for (const auto& [site, prefix] : cases) {
    const std::string block = written_by([&] { plain_.event(site, {}); });
    EXPECT_EQ(block,
              std::string("  ") + kFixedTime + "  WARN t: \n" + prefix + thread_text() + "\n\n");
  }
}

TEST_F(LogBlock, BridgedRecordsShowTheirOwnOrigin) {
  constexpr Metadata bridge{Level::kInfo, "log", "log event", "bridge.cpp", 1};
  const Field fields[] = {{"message", Text{"legacy"}},
                          {"log.target", Text{"legacy::module"}},
                          {"log.module_path", Text{"legacy::module"}},
                          {"log.file", Text{"legacy.c"}},
                          {"log.line", std::uint64_t{99}}};
  EXPECT_EQ(written_by([&] { plain_.event(bridge, fields); }),
            std::string("  ") + kFixedTime + "  INFO legacy::module: legacy\n    at legacy.c:99 on "
                + thread_text() + "\n\n");
}

TEST_F(LogBlock, ContextLinesRunFromInnermostSpanOutwards) {
  const Field parse_fields[] = {{"attempt", std::int64_t{2}}};
  const Field message[] = {{"message", Text{"Parsed input"}}};
  const SpanId outer = plain_.new_span(kOuterSpan, {});
  plain_.enter(outer);
  const SpanId inner = plain_.new_span(kParseSpan, parse_fields);
  plain_.enter(inner);
  const std::string block = written_by([&] { plain_.event(kInfoSite, message); });
  plain_.exit(inner);
  plain_.exit(outer);
  EXPECT_EQ(block, head_line(" INFO", "Parsed input") + location_line() +
                       "    in example::module::parse with attempt: 2\n"
                       "    in example::outer::outer\n"
                       "\n");
  EXPECT_EQ(plain_.current_span(), kNoSpan);
}

TEST_F(LogBlock, ExplicitParentWinsOverTheCurrentSpan) {
  const Field attempt[] = {{"attempt", std::int64_t{1}}};
  const Field message[] = {{"message", Text{"m"}}};
  const SpanId entered = plain_.new_span(kOuterSpan, {});
  const SpanId elsewhere = plain_.new_span(kParseSpan, attempt, ParentSpan::root());
  plain_.enter(entered);
  const std::string explicit_block =
      written_by([&] { plain_.event(kInfoSite, message, ParentSpan::of(elsewhere)); });
  const std::string unknown_parent_block =
      written_by([&] { plain_.event(kInfoSite, message, ParentSpan::of(elsewhere + 100)); });
  const std::string root_block =
      written_by([&] { plain_.event(kInfoSite, message, ParentSpan::root()); });
  plain_.exit(entered);

  const std::string head = head_line(" INFO", "m") + location_line();
  EXPECT_EQ(explicit_block, head + "    in example::module::parse with attempt: 1\n\n");
  EXPECT_EQ(unknown_parent_block, head + "    in example::outer::outer\n\n");
  EXPECT_EQ(root_block, head + "\n");
}

TEST_F(LogBlock, ColouredBlockByteForByte) {
  Subscriber coloured({.colour = true, .clock = fixed_clock});
  const Field span_fields[] = {{"attempt", std::int64_t{2}}};
  const Field fields[] = {{"message", Text{"Parsed input"}}, {"count", std::int64_t{3}}};
  const SpanId span = coloured.new_span(kParseSpan, span_fields);
  coloured.enter(span);
  const std::string block = written_by([&] { coloured.event(kInfoSite, fields); });
  coloured.exit(span);
  EXPECT_EQ(block, std::string("  \x1b[2m") + kFixedTime +
                       "\x1b[0m \x1b[32m INFO\x1b[0m \x1b[1;32mexample::module\x1b[0m\x1b[32m: "
                       "\x1b[32mParsed input, \x1b[1mcount\x1b[0m\x1b[32m: 3\x1b[0m\n"
                       "    \x1b[2;3mat\x1b[0m src/example:42 \x1b[2;3mon\x1b[0m " +
                       thread_text() +
                       "\n"
                       "    \x1b[2;3min\x1b[0m example::module::\x1b[1mparse\x1b[0m "
                       "\x1b[2;3mwith\x1b[0m \x1b[1mattempt\x1b[0m: 2\n"
                       "\n");
}

TEST_F(LogBlock, BlocksFromManyThreadsNeverInterleave) {
  constexpr int kThreads = 4;
  constexpr int kEventsPerThread = 200;
  std::vector<std::uint64_t> ids(kThreads);
  const std::string block = written_by([&] {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        ids[t] = current_thread_id();
        const std::string message = "from thread " + std::to_string(t);
        const Field fields[] = {{"message", Text{message}}};
        for (int i = 0; i < kEventsPerThread; ++i)
          plain_.event(kInfoSite, fields);
      });
    }
    for (std::thread& thread : threads)
      thread.join();
  });
  std::string expected_blocks[kThreads];
  for (int t = 0; t < kThreads; ++t) {
    expected_blocks[t] = head_line(" INFO", "from thread " + std::to_string(t))
                         + "    at src/example:42 on ThreadId(" + std::to_string(ids[t]) + ")\n\n";
  }
  int counts[kThreads] = {};
  for (std::size_t pos = 0; pos < block.size();) {
    int matched = -1;
    for (int t = 0; t < kThreads; ++t) {
      if (block.compare(pos, expected_blocks[t].size(), expected_blocks[t]) == 0) matched = t;
    }
    ASSERT_NE(matched, -1) << "garbled output at byte " << pos;
    ++counts[matched];
    pos += expected_blocks[matched].size();
  }
  for (int count : counts)
    EXPECT_EQ(count, kEventsPerThread);
}

TEST(LogThreadId, NumbersThreadsInOrderOfFirstUse) {
  std::uint64_t first = 0;
  std::uint64_t second = 0;
  std::thread([&] { first = current_thread_id(); }).join();
  std::thread([&] { second = current_thread_id(); }).join();
  EXPECT_GE(first, 1u);
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(current_thread_id(), current_thread_id());
}

bool fail_to_format(const void*, std::string&) {
  return false;
}

// Emits an event of its own while the outer event is being formatted.
bool format_with_nested_event(const void* context, std::string& out) {
  const auto* subscriber = static_cast<const Subscriber*>(context);
  const Field inner[] = {{"message", Text{"inner"}}};
  subscriber->event(kInfoSite, inner);
  out += "outer value";
  return true;
}

TEST_F(LogBlock, EventDuringFormattingGetsItsOwnBuffer) {
  const Field fields[] = {{"message", Text{"outer"}},
                          {"nested", CustomValue{format_with_nested_event, &plain_}}};
  EXPECT_EQ(written_by([&] { plain_.event(kInfoSite, fields); }),
            head_line(" INFO", "inner") + location_line() + "\n"
                + head_line(" INFO", "outer, nested: outer value") + location_line() + "\n");
}

TEST_F(LogBlock, UnformattableEventIsReplacedByAnErrorLine) {
  const Field fields[] = {{"message", Text{"m"}}, {"bad", CustomValue{fail_to_format, nullptr}}};
  EXPECT_EQ(written_by([&] { plain_.event(kInfoSite, fields); }),
            "Unable to format the following event. Name: event src/example:42; Fields: "
            "[\"message\", \"bad\"]\n");
}

TEST_F(LogBlock, SpanFieldThatCannotBeFormattedIsLeftOut) {
  const Field span_fields[] = {{"bad", CustomValue{fail_to_format, nullptr}}, {"kept", true}};
  const SpanId span = plain_.new_span(kParseSpan, span_fields);
  const std::string block = written_by([&] { plain_.event(kInfoSite, {}, ParentSpan::of(span)); });
  EXPECT_EQ(block, head_line(" INFO", "") + location_line()
                       + "    in example::module::parse with kept: true\n\n");
}

// Runs `emit` with fd 1 on a pipe nobody reads and returns what reached stderr.
template <class Emit>
std::string stderr_after_broken_pipe(Emit emit) {
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  int ends[2];
  EXPECT_EQ(::pipe(ends), 0);
  ::close(ends[0]);
  FdCapture stderr_capture(2);
  flush_stdout();
  const int saved_stdout = ::dup(1);
  ::dup2(ends[1], 1);
  ::close(ends[1]);
  emit();
  ::dup2(saved_stdout, 1);
  ::close(saved_stdout);
  std::signal(SIGPIPE, previous);
  return stderr_capture.finish();
}

TEST_F(LogBlock, WriteFailuresAreReportedOnStderr) {
  const Field fields[] = {{"message", Text{"m"}}};
  EXPECT_EQ(stderr_after_broken_pipe([&] { plain_.event(kInfoSite, fields); }),
            "[kolvi::logging::fmt] Unable to write an event to the Writer for this Subscriber! "
            "Error: Broken pipe\n\n");

  const Field bad[] = {{"bad", CustomValue{fail_to_format, nullptr}}};
  EXPECT_EQ(stderr_after_broken_pipe([&] { plain_.event(kInfoSite, bad); }),
            "[kolvi::logging::fmt] Unable to write an \"event formatting error\" to the Writer "
            "for this Subscriber! Error: Broken pipe\n\n");
}

TEST_F(LogBlock, ClosedStdoutIsSilent) {
  const Field fields[] = {{"message", Text{"m"}}};
  FdCapture stderr_capture(2);
  flush_stdout();
  const int saved_stdout = ::dup(1);
  ::close(1);
  plain_.event(kInfoSite, fields);
  ::dup2(saved_stdout, 1);
  ::close(saved_stdout);
  EXPECT_EQ(stderr_capture.finish(), "");
}

}  // namespace
}  // namespace kolvi::logging
