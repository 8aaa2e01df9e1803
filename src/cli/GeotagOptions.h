#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "conversion/GpxLayout.h"
#include "geotag/Locate.h"

namespace nordavel::cli {

// nordavel-cli geotag [options] --log LOG.kml [--log ...] PHOTO|FOLDER...
struct GeotagOptions {
    std::vector<std::string> logs;       // logs or folders of logs; each log is a track of its own
    std::vector<std::string> photos;     // photos or folders of them
    GpxOptions clock;                    // of the logs, and of every photo without its own offset
    std::int64_t photoOffsetSeconds = 0; // the photo camera's clock error, added to its times
    geotag::Limits limits;
    std::optional<std::string> codePage; // of the logs, as the user named it
    bool overwrite = false;              // replace GPS a photo already has
    bool dryRun = false;                 // print the table, write nothing
    bool sidecar = false;                // XMP sidecars for photos that are not JPEG
    bool recursive = false;              // folders: their subfolders too
    bool help = false;
};

struct GeotagParseResult {
    GeotagOptions options;
    std::string error; // empty when the arguments are usable
};
// The arguments after "geotag".
GeotagParseResult ParseGeotagArguments(const std::vector<std::string>& arguments);

std::string GeotagUsageText();

} // namespace nordavel::cli
