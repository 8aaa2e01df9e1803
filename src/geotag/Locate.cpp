#include "geotag/Locate.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

namespace nordavel::geotag {

namespace {

constexpr double kMicroseconds = 1e6;

// `scaled` / 10^decimals as a decimal text; never "-0".
std::string FixedText(std::int64_t scaled, int decimals) {
    std::string text = scaled < 0 ? "-" : "";
    std::int64_t magnitude = scaled < 0 ? -scaled : scaled;
    std::int64_t unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    text += std::to_string(magnitude / unit);
    if (decimals > 0) {
        const std::string fraction = std::to_string(magnitude % unit + unit);
        text += '.';
        text += fraction.substr(1);
    }
    return text;
}

int Decimals(const std::string& text) {
    const std::size_t point = text.find('.');
    return point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

Position FromFix(const Fix& fix, std::int64_t utc) {
    return {utc,
            fix.latitudeText,
            fix.longitudeText,
            fix.heightText,
            false,
            std::abs(static_cast<double>(fix.utcMicroseconds - utc)) / kMicroseconds};
}

Position Between(const Fix& before, const Fix& after, std::int64_t utc) {
    const double part = static_cast<double>(utc - before.utcMicroseconds) /
                        static_cast<double>(after.utcMicroseconds - before.utcMicroseconds);
    // Across the date line the short way, not around the world.
    double toLongitude = after.longitude;
    if (toLongitude - before.longitude > 180) toLongitude -= 360;
    if (toLongitude - before.longitude < -180) toLongitude += 360;
    const double latitude = before.latitude + (after.latitude - before.latitude) * part;
    std::int64_t longitude =
        std::llround((before.longitude + (toLongitude - before.longitude) * part) * 1e7);
    // Back within -180 up to, not including, 180.
    if (longitude >= 1'800'000'000) longitude -= 3'600'000'000;
    if (longitude < -1'800'000'000) longitude += 3'600'000'000;

    Position position{
        utc,
        FixedText(std::llround(latitude * 1e7), 7),
        FixedText(longitude, 7),
        std::nullopt,
        true,
        static_cast<double>(std::min(utc - before.utcMicroseconds, after.utcMicroseconds - utc)) /
            kMicroseconds};
    if (before.height && after.height) {
        // No more digits than the fixes have; more than nine would be noise, and overflow.
        const int decimals =
            std::min(9, std::max(Decimals(*before.heightText), Decimals(*after.heightText)));
        const double height = *before.height + (*after.height - *before.height) * part;
        position.height = FixedText(std::llround(height * std::pow(10.0, decimals)), decimals);
    }
    return position;
}

// The best position one track gives: an interpolation, or else its nearest fix.
std::optional<Position> OnTrack(const Track& track, std::int64_t utc, const Limits& limits) {
    const std::vector<Fix>& fixes = track.fixes;
    const auto after =
        std::lower_bound(fixes.begin(), fixes.end(), utc, [](const Fix& fix, std::int64_t moment) {
            return fix.utcMicroseconds < moment;
        });
    if (after != fixes.end() && after->utcMicroseconds == utc) return FromFix(*after, utc);
    if (after != fixes.end() && after != fixes.begin() &&
        after->utcMicroseconds - std::prev(after)->utcMicroseconds <=
            limits.maxGapSeconds * 1'000'000)
        return Between(*std::prev(after), *after, utc);
    std::optional<Position> nearest;
    if (after != fixes.end()) nearest = FromFix(*after, utc);
    if (after != fixes.begin()) {
        Position earlier = FromFix(*std::prev(after), utc);
        if (!nearest || earlier.secondsToFix <= nearest->secondsToFix) nearest = earlier;
    }
    return nearest;
}

// Interpolations, and a fix at the very moment, before the nearest fix; then the nearer.
bool Better(const Position& candidate, const Position& best) {
    const bool candidateBetween = candidate.interpolated || candidate.secondsToFix == 0;
    const bool bestBetween = best.interpolated || best.secondsToFix == 0;
    if (candidateBetween != bestBetween) return candidateBetween;
    return candidate.secondsToFix < best.secondsToFix;
}

} // namespace

std::optional<Position> Locate(const std::vector<Track>& tracks, std::int64_t utcMicroseconds,
                               const Limits& limits) {
    std::optional<Position> best;
    for (const Track& track : tracks) {
        std::optional<Position> candidate = OnTrack(track, utcMicroseconds, limits);
        if (candidate && (!best || Better(*candidate, *best))) best = std::move(candidate);
    }
    if (best && !best->interpolated &&
        best->secondsToFix > static_cast<double>(limits.maxOutsideSeconds))
        return std::nullopt;
    return best;
}

double DistanceMetres(double lat1, double lon1, double lat2, double lon2) {
    constexpr double kRadius = 6371008.8;
    constexpr double kRadians = std::numbers::pi / 180;
    const double sinLatitude = std::sin((lat2 - lat1) * kRadians / 2);
    const double sinLongitude = std::sin((lon2 - lon1) * kRadians / 2);
    const double a = sinLatitude * sinLatitude + std::cos(lat1 * kRadians) *
                                                     std::cos(lat2 * kRadians) * sinLongitude *
                                                     sinLongitude;
    return 2 * kRadius * std::asin(std::min(1.0, std::sqrt(a)));
}

} // namespace nordavel::geotag
