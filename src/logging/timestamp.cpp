// The wall-clock timestamp at the start of every log block.
#include "logging/timestamp.hpp"

#include <ctime>

namespace kolvi::logging {
namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;

struct CivilDate {
  std::int64_t year;
  unsigned month;  // 1 to 12
  unsigned day;    // 1 to 31
};

// Proleptic Gregorian date of a day count relative to 1970-01-01, valid for negative counts.
// Works in 400-year eras, shifting the year to start in March so leap days fall last.
CivilDate civil_from_days(std::int64_t days) noexcept {
  days += 719'468;
  const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const auto day_of_era = static_cast<std::uint64_t>(days - era * 146'097);
  const std::uint64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;
  const std::uint64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::uint64_t shifted_month = (5 * day_of_year + 2) / 153;
  const auto day = static_cast<unsigned>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  const auto month =
      static_cast<unsigned>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  const std::int64_t year = static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2);
  return {year, month, day};
}

// Decimal digits, padded with leading zeros to at least `width`. Hand-rolled because a
// formatted print of the whole time costs more than the rest of an event block.
void append_padded(std::string& out, std::uint64_t value, std::size_t width) {
  char digits[20];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  if (count < width) out.append(width - count, '0');
  while (count > 0)
    out += digits[--count];
}

std::int64_t floor_div(std::int64_t a, std::int64_t b) noexcept {
  return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

}  // namespace

std::optional<WallTime> system_clock_now() noexcept {
  timespec now{};
  if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return std::nullopt;
  return WallTime{static_cast<std::int64_t>(now.tv_sec), static_cast<std::uint32_t>(now.tv_nsec)};
}

void append_timestamp(std::string& out, std::optional<WallTime> time) {
  if (!time || time->nanos >= 1'000'000'000) {
    out += "<unknown time>";
    return;
  }
  const std::int64_t days = floor_div(time->seconds, kSecondsPerDay);
  const std::int64_t second_of_day = time->seconds - days * kSecondsPerDay;
  const CivilDate date = civil_from_days(days);
  // Four digits for 0..9999, a plus sign beyond, and five characters with the minus sign
  // for years before 0.
  if (date.year > 9999) {
    out += '+';
    append_padded(out, static_cast<std::uint64_t>(date.year), 0);
  } else if (date.year < 0) {
    out += '-';
    append_padded(out, static_cast<std::uint64_t>(-date.year), 4);
  } else {
    append_padded(out, static_cast<std::uint64_t>(date.year), 4);
  }
  const auto two_digits = [&out](char separator, std::uint64_t value) {
    out += separator;
    append_padded(out, value, 2);
  };
  two_digits('-', date.month);
  two_digits('-', date.day);
  two_digits('T', static_cast<std::uint64_t>(second_of_day / 3600));
  two_digits(':', static_cast<std::uint64_t>(second_of_day / 60 % 60));
  two_digits(':', static_cast<std::uint64_t>(second_of_day % 60));
  out += '.';
  append_padded(out, time->nanos / 1000, 6);
  out += 'Z';
}

}  // namespace kolvi::logging
