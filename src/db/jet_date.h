#pragma once

// Jet keeps a date/time as a double: whole days since 1899-12-30, the fraction is the time of
// day. Negative values count days backwards, but their fraction still runs forward from
// midnight (-1.25 is 1899-12-29 06:00). The conversion is ours rather than libmdb's, whose
// format depends on the locale and gives two-digit years. Used by the Jet reader helper too,
// so it depends on the standard library only.

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace kvsys {

// "yyyy/mm/dd hh:nn:ss", or nothing for a value outside the years 100 to 9999 that Jet accepts.
inline std::optional<std::string> JetDateText(double day_number) {
  if (!std::isfinite(day_number) || day_number < -657434.0 || day_number >= 2958466.0) {
    return std::nullopt;
  }
  long long day = static_cast<long long>(std::trunc(day_number));
  long long seconds = std::llround(std::fabs(day_number - static_cast<double>(day)) * 86400.0);
  if (seconds >= 86400) {  // rounded up to the next midnight
    seconds -= 86400;
    ++day;
  }
  // Civil date from a day count (days since 1970-01-01 after the shift).
  long long z = day - 25569 + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  const long long y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  if (y < 100 || y > 9999) return std::nullopt;
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", static_cast<int>(y),
                static_cast<int>(m), static_cast<int>(d), static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return std::string(text);
}

}  // namespace kvsys
