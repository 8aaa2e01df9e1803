#include "geotag/Xmp.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "conversion/UtcTime.h"

namespace nordavel::geotag {

namespace {

// A decimal text (an optional sign, digits with at most one point) as a whole number of
// 10^-decimals, rounded half away from zero; none when it would not fit in 31 bits.
std::optional<std::int64_t> Scaled(std::string_view text, int decimals) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    int fractionDigits = -1; // none yet: before the point
    bool roundUp = false;
    for (char c : text) {
        if (c == '.') {
            fractionDigits = 0;
            continue;
        }
        if (fractionDigits >= decimals) {
            if (fractionDigits == decimals) roundUp = c >= '5';
            ++fractionDigits;
            continue;
        }
        value = value * 10 + (c - '0');
        if (fractionDigits >= 0) ++fractionDigits;
        if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    }
    for (int i = fractionDigits < 0 ? 0 : fractionDigits; i < decimals; ++i)
        value *= 10;
    if (roundUp) ++value;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return negative ? -value : value;
}

// XMP's GPSCoordinate: whole degrees, minutes with six decimals, the hemisphere.
std::string Coordinate(std::string_view text, char positive, char negative) {
    const std::int64_t scaled = Scaled(text, 7).value_or(0);
    const std::int64_t magnitude = scaled < 0 ? -scaled : scaled;
    const std::int64_t microMinutes = magnitude % 10'000'000 * 6;
    const std::string fraction = std::to_string(microMinutes % 1'000'000 + 1'000'000).substr(1);
    const std::int64_t minutes = microMinutes / 1'000'000;
    return std::to_string(magnitude / 10'000'000) + ',' + (minutes < 10 ? "0" : "") +
           std::to_string(minutes) + '.' + fraction + (scaled < 0 ? negative : positive);
}

// xsd:dateTime in UTC with the microseconds, when there are any.
std::optional<std::string> TimeStamp(std::int64_t utcMicroseconds) {
    std::int64_t seconds = utcMicroseconds / 1'000'000;
    std::int64_t micro = utcMicroseconds % 1'000'000;
    if (micro < 0) {
        micro += 1'000'000;
        --seconds;
    }
    std::optional<std::string> text = UtcText(seconds);
    if (text && micro != 0)
        text->insert(text->size() - 1, '.' + std::to_string(micro + 1'000'000).substr(1));
    return text;
}

} // namespace

std::string XmpSidecar(const Position& position) {
    std::string xmp = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                      " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                      "  <rdf:Description rdf:about=\"\"\n"
                      "    xmlns:exif=\"http://ns.adobe.com/exif/1.0/\"\n"
                      "   exif:GPSVersionID=\"2.3.0.0\"\n";
    xmp += "   exif:GPSLatitude=\"" + Coordinate(position.latitude, 'N', 'S') + "\"\n";
    xmp += "   exif:GPSLongitude=\"" + Coordinate(position.longitude, 'E', 'W') + "\"\n";
    // Millimetres at most, and fewer when the height is too large for EXIF's 32-bit rational.
    std::optional<std::int64_t> altitude;
    int decimals = 0;
    if (position.height) {
        const std::size_t point = position.height->find('.');
        if (point != std::string::npos)
            decimals =
                static_cast<int>(std::min<std::size_t>(3, position.height->size() - point - 1));
        while (!(altitude = Scaled(*position.height, decimals)) && decimals > 0)
            --decimals;
    }
    if (altitude) {
        std::int64_t denominator = 1;
        for (int i = 0; i < decimals; ++i)
            denominator *= 10;
        xmp += "   exif:GPSAltitude=\"" + std::to_string(*altitude < 0 ? -*altitude : *altitude) +
               '/' + std::to_string(denominator) + "\"\n";
        xmp += std::string("   exif:GPSAltitudeRef=\"") + (*altitude < 0 ? '1' : '0') + "\"\n";
    }
    if (const std::optional<std::string> stamp = TimeStamp(position.utcMicroseconds))
        xmp += "   exif:GPSTimeStamp=\"" + *stamp + "\"\n";
    xmp += "  />\n"
           " </rdf:RDF>\n"
           "</x:xmpmeta>\n"
           "<?xpacket end=\"w\"?>\n";
    return xmp;
}

} // namespace nordavel::geotag
