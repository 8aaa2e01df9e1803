#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The camera's clock keeps local time; GPX wants UTC. Dates are reckoned in the proleptic
// Gregorian calendar of <chrono>, never with the C library's time zone functions, so that
// neither the machine's time zone nor its calendar range changes a result.
namespace nordavel {

// Minutes east of UTC, from "+HH:MM" or "-HH:MM" (hours 00 to 23, minutes 00 to 59). Empty for
// any other text: the sign and both digits of each field are required.
std::optional<int> ParseUtcOffset(std::string_view text);

// A log's date and time as seconds since 1970-01-01 00:00:00 on the same clock. The text must be
// exactly "YYYY/MM/DD HH:MM:SS" or "YYYY-MM-DD HH:MM:SS" (one blank between date and time, every
// field with all its digits) and name a real moment: year 0001 to 9999, the month's own days
// (February 29 in leap years only), hours 00 to 23, seconds 00 to 59. Empty otherwise.
std::optional<std::int64_t> LocalSeconds(std::string_view localText);

// The xsd:dateTime of seconds since 1970-01-01 00:00:00 UTC; empty outside the years 0001 to
// 9999.
std::optional<std::string> UtcText(std::int64_t utcSeconds);

} // namespace nordavel
