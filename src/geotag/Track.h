#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "conversion/ConversionReport.h"
#include "conversion/GpxLayout.h"
#include "platform/CodePage.h"

// Camera logs as tracks to place photos on: the points of a log with their UTC times.
namespace nordavel::geotag {

// One track point with a valid position and a UTC time.
struct Fix {
    std::int64_t utcMicroseconds = 0;
    double latitude = 0, longitude = 0;      // for arithmetic
    std::string latitudeText, longitudeText; // the log's own digits, less a leading "+"
    std::optional<double> height;
    std::optional<std::string> heightText;
};

struct Track {
    std::string logFileName;
    std::vector<Fix> fixes; // in time order; points without a valid position or time left out
};

// The track of one camera log, read as the conversion reads it, its points' times in UTC by the
// same rules as the GPX output (UtcSettler): a point has the time here that it has in the GPX
// file. Nothing, and the report told why, when the log cannot be opened (NotFound), is no camera
// log (NotCameraLog, Failed) or has a line too long (LineTooLong, Failed); the report hears
// nothing of a log that is read. Throws IoError for read errors and memory exhaustion, as
// ConvertLogFile does, after telling the report Failed.
std::optional<Track> ReadTrack(const std::string& logFileName, const GpxOptions& clock,
                               ConversionReport& report, const CodePage& codePage);

} // namespace nordavel::geotag
