// Text lists: texts of every length read back the same whichever way the list was made, indexed
// across index strides, copied, compared; the size a parsed list takes; absent and empty lists.
#include "version/text_list.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "version/kinds.hpp"
#include "version/version.hpp"

// Allocations counted while a test asks for it; this program's every allocation comes here.
namespace {
std::atomic<bool> counting{false};
std::atomic<std::size_t> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (counting) ++allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}

namespace kolvi::version {
namespace {

template <class Work>
std::size_t allocations_of(Work&& work) {
  allocations = 0;
  counting = true;
  work();
  counting = false;
  return allocations;
}

using namespace std::string_literals;

// Each length where the stored length grows a byte, either side of it, and NUL and high bytes.
std::vector<std::string> awkward_texts() {
  std::vector<std::string> texts = {"", "a", "\0"s, "\xF4\x8F\xBF\xBF", std::string(200, '\xFF')};
  for (const std::size_t size : {127U, 128U, 16383U, 16384U, 2097152U})
    texts.push_back(std::string(size, static_cast<char>('a' + size % 26)));
  return texts;
}

std::vector<std::string> read_back(const TextList& list) {
  return std::vector<std::string>(list.begin(), list.end());
}

TEST(TextList, KeepsEveryTextAsGiven) {
  const std::vector<std::string> texts = awkward_texts();
  TextList list;
  for (const std::string& text : texts)
    list.push_back(text);
  EXPECT_EQ(list.size(), texts.size());
  EXPECT_EQ(read_back(list), texts);
  for (std::size_t i = 0; i < texts.size(); ++i)
    EXPECT_EQ(list[i], texts[i]) << i;
  const TextList copy = list;
  EXPECT_EQ(read_back(copy), texts);
  EXPECT_EQ(copy, list);
  std::size_t stored = 0;
  for (const std::string& text : texts)
    stored += TextList::stored_size_of(text.size());
  EXPECT_EQ(list.stored_size(), stored);
}

// Lists long enough for several index entries, made by appending, from a dotted text and by
// copying, with texts that grow their stored length on the way.
TEST(TextList, IndexesEveryTextAcrossStrides) {
  for (const std::size_t count : {1U, 31U, 32U, 33U, 64U, 65U, 1000U}) {
    SCOPED_TRACE(count);
    std::vector<std::string> texts;
    std::string dotted;
    std::size_t stored = 0;
    for (std::size_t i = 0; i < count; ++i) {
      texts.push_back(std::to_string(i) + std::string(i % 7 == 0 ? 130 : 1, 'x'));
      dotted += (i == 0 ? "" : ".") + texts.back();
      stored += TextList::stored_size_of(texts.back().size());
    }
    TextList appended;
    for (const std::string& text : texts)
      appended.push_back(text);
    const TextList split = TextList::from_dotted(dotted, count, stored);
    const TextList copied = split;
    const TextList* const lists[] = {&appended, &split, &copied};
    for (const TextList* list : lists) {
      ASSERT_EQ(list->size(), count);
      EXPECT_EQ(read_back(*list), texts);
      for (std::size_t i = 0; i < count; ++i)
        ASSERT_EQ((*list)[i], texts[i]) << i;
    }
    EXPECT_EQ(split, appended);
  }
}

TEST(TextList, EqualityAndOrder) {
  const std::strong_ordering less = std::strong_ordering::less;
  const std::strong_ordering equal = std::strong_ordering::equal;
  const struct {
    TextList a, b;
    std::strong_ordering order;
  } cases[] = {
      {{}, {}, equal},
      {{}, {""}, less},
      {{""}, {"", ""}, less},
      {{"a"}, {"a", ""}, less},
      {{"ab"}, {"a", "b"}, std::strong_ordering::greater},
      {{"a", "b"}, {"a", "b"}, equal},
      {{"1", "10"}, {"1", "9"}, less},
      {{"z"}, {"\xC3\xA9"}, less},
      {{"\0"s}, {"\x01"}, less},
      {{std::string(128, 'a')}, {std::string(127, 'a') + "b"}, less},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compare_lists(c.a, c.b), c.order);
    EXPECT_EQ(compare_lists(c.b, c.a), 0 <=> c.order);
    EXPECT_EQ(c.a == c.b, c.order == equal);
  }
}

// Long lists that differ in one text, found through the index, where the stored lengths differ
// or only the characters, and lists that are prefixes of each other.
TEST(TextList, OrderOfLongListsFollowsTheirFirstDifferentText) {
  for (const std::size_t count : {40U, 100U, 1000U}) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < count; ++i)
      texts.push_back(std::string(i % 5 == 0 ? 140 : 3, static_cast<char>('a' + i % 7)));
    const auto list_of = [](const std::vector<std::string>& from) {
      TextList list;
      for (const std::string& text : from)
        list.push_back(text);
      return list;
    };
    const TextList base = list_of(texts);
    for (const std::size_t at :
         {std::size_t{0}, std::size_t{31}, std::size_t{32}, count / 2, count - 1}) {
      SCOPED_TRACE(testing::Message() << count << " texts, differing at " << at);
      for (const std::string& changed :
           {texts[at] + "a", texts[at].substr(1), std::string(texts[at].size(), 'z'),
            std::string(200, 'a')}) {
        std::vector<std::string> other = texts;
        other[at] = changed;
        const std::strong_ordering expected = compare_text(texts[at], changed);
        EXPECT_EQ(compare_lists(base, list_of(other)), expected);
        EXPECT_EQ(compare_lists(list_of(other), base), 0 <=> expected);
      }
      const std::vector<std::string> prefix(texts.begin(), texts.begin() + at);
      EXPECT_EQ(compare_lists(list_of(prefix), base), std::strong_ordering::less);
    }
  }
}

// A parsed list costs its identifiers and a length byte each, with an index entry every
// kIndexStride identifiers: a line of tiny parts takes about its own size again, not a string
// object per part.
TEST(TextList, ParsedListsTakeTheirTextAndALengthByteEach) {
  const std::size_t parts = 100000;
  std::string text;
  for (std::size_t i = 0; i < parts; ++i)
    text += i == 0 ? "1" : ".1";
  const ParseResult<DotSeparated> parsed = parse_dot_separated(text);
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(parsed.value().parts.size(), parts);
  EXPECT_EQ(parsed.value().parts.stored_size(), text.size() + 1);
}

// The shapes of long hostile lines: the validity tests build nothing, and a parse makes each of
// its lists in one allocation.
TEST(TextList, ValidityTestsAllocateNothingAndParsesOncePerList) {
  std::string tiny_parts;
  for (int i = 0; i < 20000; ++i)
    tiny_parts += i == 0 ? "1" : ".1";
  const std::string semver = "1.2.3-" + tiny_parts + "+" + tiny_parts;
  const struct {
    std::string text;
    bool valid;
    std::size_t lists;  // that a Version parse of it builds
  } cases[] = {
      {tiny_parts, true, 1},
      {std::string(50000, 'a'), true, 1},
      {semver, true, 2},
      {semver + "_", false, 0},
      {tiny_parts + ".", false, 0},
      {std::string(50000, '\n'), false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 20));
    for (std::size_t row = 0; row < kParseTargetCount; ++row) {
      visit_target(row, [&]<class Target>(Target) {
        std::optional<ParseResult<void>> checked;
        EXPECT_EQ(allocations_of([&] { checked = Target::check(c.text); }), 0U) << Target::name;
        if (row == 0) {
          EXPECT_EQ(checked->ok(), c.valid);
        }
      });
    }
    std::optional<ParseResult<Version>> parsed;
    EXPECT_EQ(allocations_of([&] { parsed = parse_version(c.text); }), c.lists);
    EXPECT_EQ(parsed->ok(), c.valid);
  }
}

TEST(OptionalTextList, AbsentEmptyAndFull) {
  OptionalTextList absent;
  OptionalTextList empty(TextList{});
  OptionalTextList full(TextList{"rc", "1"});
  EXPECT_FALSE(absent.has_value());
  EXPECT_EQ(absent.get(), nullptr);
  EXPECT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());
  EXPECT_EQ(*full, (TextList{"rc", "1"}));

  OptionalTextList copy = full;
  copy->push_back("2");
  EXPECT_EQ(*full, (TextList{"rc", "1"}));
  const OptionalTextList copy_of_empty = empty;
  const OptionalTextList copy_of_absent = absent;
  EXPECT_TRUE(copy_of_empty.has_value());
  EXPECT_FALSE(copy_of_absent.has_value());

  OptionalTextList moved = std::move(full);
  EXPECT_EQ(*moved, (TextList{"rc", "1"}));
  EXPECT_FALSE(full.has_value());  // NOLINT(bugprone-use-after-move): moving leaves it absent

  moved.emplace();
  EXPECT_TRUE(moved.has_value());
  EXPECT_TRUE(moved->empty());
  *moved = TextList{};
  EXPECT_TRUE(moved.has_value()) << "an empty list assigned keeps it present";
  moved.reset();
  EXPECT_FALSE(moved.has_value());
}

}  // namespace
}  // namespace kolvi::version
