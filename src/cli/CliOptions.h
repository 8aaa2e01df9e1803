#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/CsvOptions.h"
#include "conversion/GpxLayout.h"
#include "conversion/TrackLayout.h"

namespace nordavel::cli {

struct CliOptions {
    OutputFormat format = OutputFormat::Csv;
    CsvOptions csv;
    GpxOptions gpx;
    std::optional<std::string> codePage; // as the user named it
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

// The value of the option at arguments[i], given as "--NAME VALUE" (i then moves past it) or
// "--NAME=VALUE"; nothing, and `error` says so, when none follows.
std::optional<std::string> OptionValue(const std::vector<std::string>& arguments, std::size_t& i,
                                       std::string& error);

// The usage error for a zone name that is none, with up to five zones whose names hold it.
std::string UnknownZone(std::string_view name);

} // namespace nordavel::cli
