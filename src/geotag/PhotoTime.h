#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "conversion/GpxLayout.h"

namespace nordavel::geotag {

// Where the photo's offset from UTC came from: its own OffsetTimeOriginal, the rules of the logs'
// zone, or the logs' fixed offset.
enum class OffsetSource { Tag, Zone, Fixed };

struct PhotoTime {
    std::int64_t localMicroseconds = 0; // DateTimeOriginal + SubSecTimeOriginal, as if UTC
    OffsetSource source = OffsetSource::Zone;
    // None (no real date, or a local time the zone skips), one, or two in an hour the zone
    // repeats; earliest first.
    std::vector<std::int64_t> utcMicroseconds;
};

// The photo's moment from its EXIF texts: DateTimeOriginal exactly "YYYY:MM:DD HH:MM:SS", the
// digits of SubSecTimeOriginal as a fraction of a second (ignored unless all are digits; the
// first six used), OffsetTimeOriginal "+HH:MM" or "-HH:MM" when the camera wrote one, otherwise
// the clock of the logs. `photoOffsetSeconds`, the photo camera's clock error, is added to its
// local time first.
PhotoTime PhotoTimeOf(std::string_view dateTimeOriginal, std::string_view subSec,
                      std::string_view offsetTag, const GpxOptions& clock,
                      std::int64_t photoOffsetSeconds);

} // namespace nordavel::geotag
