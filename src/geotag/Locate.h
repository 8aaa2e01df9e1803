#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "geotag/Track.h"

namespace nordavel::geotag {

// How far from the fixes a photo may be placed.
struct Limits {
    std::int64_t maxGapSeconds = 1800;    // between two fixes still interpolated between
    std::int64_t maxOutsideSeconds = 120; // from the nearest fix when none interpolates
};

struct Position {
    std::int64_t utcMicroseconds = 0; // the moment located (the photo's UTC)
    // Decimal texts: a fix's own digits, or 7 decimals when interpolated.
    std::string latitude, longitude;
    // The same; when interpolated, as many decimals as the more precise of the two fixes' heights.
    // None when the fix has none, or either of the two does.
    std::optional<std::string> height;
    bool interpolated = false;
    double secondsToFix = 0; // to the nearest fix of the track used
};

// Interpolates linearly between the two fixes of one track around the moment when they are at
// most maxGap apart (a fix at the very moment is that fix); otherwise the nearest fix of any track
// within maxOutside; nothing otherwise. Never interpolates across two tracks: logs may overlap or
// come from two cameras. With several tracks covering the moment, an interpolation is preferred,
// the one nearest a fix, then the nearest fix.
std::optional<Position> Locate(const std::vector<Track>& tracks, std::int64_t utcMicroseconds,
                               const Limits& limits);

// Distance in metres between two positions in degrees (haversine, mean Earth radius 6371008.8 m).
double DistanceMetres(double lat1, double lon1, double lat2, double lon2);

} // namespace nordavel::geotag
