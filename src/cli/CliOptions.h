#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion/CsvOptions.h"
#include "conversion/TrackLayout.h"
#include "zones/TimeZone.h"

namespace nordavel::cli {

struct CliOptions {
    TCsvOptions csv;
    std::optional<std::string> codePage; // as the user named it
    OutputFormat format = OutputFormat::Csv;
    int utcOffsetMinutes = 0;         // of the camera's clock, for GPX times
    std::optional<TimeZone> timeZone; // the camera's clock's, for GPX times
    std::vector<std::string> files;
    bool recursive = false; // folders: their subfolders too
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name; a usage error comes back as its message.
struct ParseResult {
    CliOptions options;
    std::string error; // empty when the arguments are usable
};
ParseResult ParseArguments(const std::vector<std::string>& arguments);

std::string UsageText();

} // namespace nordavel::cli
