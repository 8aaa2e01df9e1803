#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// The few EXIF facts of a JPEG that place it in time, and GPS tags added to its EXIF block
// without moving any byte already there: maker notes and other blocks that hold offsets of their
// own stay valid only when nothing before or inside them moves.
namespace nordavel::exif {

// A JPEG that cannot be tagged, with the reason as a short lower-case text for a status line
// ("no EXIF block", "no DateTimeOriginal", "EXIF would exceed 64 KiB", "EXIF structure out of
// bounds at offset N", ...).
class Refused : public std::runtime_error {
public:
    using runtime_error::runtime_error;
};

struct ExifFacts {
    std::string dateTimeOriginal;   // as stored, without its NUL: "YYYY:MM:DD HH:MM:SS"
    std::string subSecTimeOriginal; // as stored, blanks and NUL removed; may be empty
    std::string offsetTimeOriginal; // as stored ("+09:00"), blanks and NUL removed; may be empty
    bool hasGps = false;            // IFD0 already has a GPSInfo (0x8825) pointer

    bool operator==(const ExifFacts&) const = default;
};

struct GpsTags {
    std::string latitude;                // signed decimal degrees, as text: "35.681200", "-51.2"
    std::string longitude;               // signed decimal degrees, as text
    std::optional<std::string> altitude; // metres, signed decimal text; none: no altitude tags
    std::int64_t utcMicroseconds = 0;    // the photo's moment in UTC: GPSDateStamp/GPSTimeStamp
};

// Throws Refused when the file is no JPEG with a well-formed EXIF block holding DateTimeOriginal.
ExifFacts ReadExif(std::string_view jpeg);

// The same facts of a raw file in TIFF form (most cameras' raw formats are), for an XMP sidecar;
// Refused for any other file.
ExifFacts ReadTiffExif(std::string_view file);

// The whole file with the GPS tags added. Throws Refused (nothing written) for every case where
// ReadExif would, and when the EXIF block would exceed 64 KiB, or when the file has GPS already
// and `overwrite` is false (reason "has GPS already"). Throws std::invalid_argument when a
// coordinate or the altitude is no plain decimal ("-12.5") or out of its range, or the moment's
// year has not four digits.
std::string AddGps(std::string_view jpeg, const GpsTags& tags, bool overwrite);

} // namespace nordavel::exif
