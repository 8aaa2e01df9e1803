#pragma once

#include <string>

#include "geotag/Locate.h"

namespace nordavel::geotag {

// The text of an XMP sidecar (NAME.EXT.xmp) placing a photo that cannot hold EXIF tags itself:
// exif:GPSLatitude and exif:GPSLongitude in XMP's "DD,MM.mmmmmmN" form (the texts' first seven
// decimals, rounded half away from zero, which six decimals of minutes hold exactly),
// GPSAltitude and GPSAltitudeRef with a height, GPSTimeStamp in UTC, GPSVersionID 2.3.0.0.
std::string XmpSidecar(const Position& position);

} // namespace nordavel::geotag
