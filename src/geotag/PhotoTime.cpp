#include "geotag/PhotoTime.h"

#include <optional>
#include <string>

#include "conversion/UtcTime.h"

namespace nordavel::geotag {

namespace {

constexpr std::int64_t kMicroseconds = 1'000'000;

// Seconds of "YYYY:MM:DD HH:MM:SS", EXIF's own form, by the log's reader of dates.
std::optional<std::int64_t> ExifSeconds(std::string_view text) {
    if (text.size() != 19 || text[4] != ':' || text[7] != ':') return std::nullopt;
    std::string logForm(text);
    logForm[4] = logForm[7] = '-';
    return LocalSeconds(logForm);
}

std::int64_t FractionMicroseconds(std::string_view digits) {
    if (digits.find_first_not_of("0123456789") != std::string_view::npos) return 0;
    std::int64_t value = 0;
    for (std::size_t i = 0; i < 6; ++i)
        value = value * 10 + (i < digits.size() ? digits[i] - '0' : 0);
    return value;
}

} // namespace

PhotoTime PhotoTimeOf(std::string_view dateTimeOriginal, std::string_view subSec,
                      std::string_view offsetTag, const GpxOptions& clock,
                      std::int64_t photoOffsetSeconds) {
    PhotoTime time;
    const std::optional<int> tagOffset = ParseUtcOffset(offsetTag);
    time.source = tagOffset        ? OffsetSource::Tag
                  : clock.timeZone ? OffsetSource::Zone
                                   : OffsetSource::Fixed;
    const std::optional<std::int64_t> seconds = ExifSeconds(dateTimeOriginal);
    if (!seconds) return time;
    const std::int64_t local = *seconds + photoOffsetSeconds;
    const std::int64_t fraction = FractionMicroseconds(subSec);
    time.localMicroseconds = local * kMicroseconds + fraction;
    if (time.source == OffsetSource::Zone) {
        const UtcCandidates candidates = clock.timeZone->UtcTimesOf(local);
        for (std::size_t i = 0; i < candidates.count; ++i)
            time.utcMicroseconds.push_back(candidates.times[i] * kMicroseconds + fraction);
        return time;
    }
    const int offsetMinutes = tagOffset ? *tagOffset : clock.utcOffsetMinutes;
    time.utcMicroseconds.push_back(time.localMicroseconds -
                                   std::int64_t{offsetMinutes} * 60 * kMicroseconds);
    return time;
}

} // namespace nordavel::geotag
