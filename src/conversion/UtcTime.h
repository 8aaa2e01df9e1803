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

// The xsd:dateTime in UTC, such as "2023-07-06T03:34:56Z", of a log's local date and time less
// `offsetMinutes`. The log's text must be exactly "YYYY/MM/DD HH:MM:SS" or "YYYY-MM-DD HH:MM:SS"
// (one blank between date and time, every field with all its digits) and name a real moment:
// year 0001 to 9999, the month's own days (February 29 in leap years only), hours 00 to 23,
// seconds 00 to 59. Empty otherwise, and when the UTC year leaves 0001 to 9999.
std::optional<std::string> UtcDateTime(std::string_view localText, int offsetMinutes);

// A log's date and time, read as UtcDateTime reads it, as seconds since 1970-01-01 00:00:00 on
// the same clock; empty when it is no real moment.
std::optional<std::int64_t> LocalSeconds(std::string_view localText);

// The xsd:dateTime of seconds since 1970-01-01 00:00:00 UTC; empty outside the years 0001 to
// 9999.
std::optional<std::string> UtcText(std::int64_t utcSeconds);

} // namespace nordavel
