#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Local time in a place by the IANA time zone data built into the program, so that every
// platform converts alike, whatever zones its system knows. The data lists every change of
// offset from 1970 to 2099; a time outside that range is in no zone, never extrapolated.
namespace nordavel {

// The UTC moments, in seconds since 1970, that one local date and time stands for, earliest
// first: none in an hour that is skipped (spring) or outside the data, two in one that repeats
// (autumn).
struct UtcCandidates {
    std::array<std::int64_t, 4> times{};
    std::size_t count = 0;
};

class TimeZone {
public:
    // A zone by its name or an alias of it, in any letter case ("europe/berlin", "US/Eastern").
    static std::optional<TimeZone> Find(std::string_view name);
    // Up to `most` names of zones and aliases that contain `text` in any letter case, sorted.
    static std::vector<std::string> NamesContaining(std::string_view text, std::size_t most);
    // The version of the data, such as "2025b".
    static std::string_view DataVersion();

    // The zone's own name, also when it was found by an alias.
    const std::string& Name() const noexcept { return name_; }
    // `local`: a date and time on this zone's clocks, counted in seconds since 1970-01-01
    // 00:00:00 as if it were UTC.
    UtcCandidates UtcTimesOf(std::int64_t local) const;

private:
    std::string name_;
    std::vector<std::int64_t> changes_; // when each offset begins; the last one ends the data
    std::vector<std::int32_t> offsets_; // seconds east of UTC, from each change to the next
};

} // namespace nordavel
