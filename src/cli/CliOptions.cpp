#include "cli/CliOptions.h"

#include <algorithm>
#include <string_view>

#include "conversion/UtcTime.h"

namespace nordavel::cli {

namespace {

bool ApplyFlag(std::string_view argument, CsvOptions& csv) {
    if (argument.substr(0, 2) != "--") return false;
    argument.remove_prefix(2);
    const bool negated = argument.substr(0, 3) == "no-";
    if (negated) argument.remove_prefix(3);
    for (const CsvOptionRow& row : kCsvOptionRows) {
        if (argument == row.flag) {
            csv.*row.field = !negated;
            return true;
        }
    }
    return false;
}

// "  --index     / --no-index     INDEX column (*on)": the flags in columns, the default marked.
std::string FlagUsageLines() {
    const auto padded = [](std::string text, std::size_t width) {
        text.resize(std::max(text.size(), width), ' ');
        return text;
    };
    const CsvOptions defaults;
    std::string lines;
    for (const CsvOptionRow& row : kCsvOptionRows) {
        lines += "  " + padded("--" + std::string(row.flag), 12) + "/ " +
                 padded("--no-" + std::string(row.flag), 15) + std::string(row.usage) + " (*" +
                 (defaults.*row.field ? "on" : "off") + ")\n";
    }
    return lines;
}

// The options with a value, as "--NAME VALUE" or "--NAME=VALUE". False when arguments[i] is none
// of them; `error` tells what is wrong with a value.
bool ApplyValueOption(const std::vector<std::string>& arguments, std::size_t& i,
                      CliOptions& options, bool& offsetGiven, std::string& error) {
    const std::string_view argument = arguments[i];
    std::string_view name = argument.substr(0, argument.find('='));
    if (name != "--codepage" && name != "--format" && name != "--utc-offset" &&
        name != "--time-zone")
        return false;
    const std::optional<std::string> given = OptionValue(arguments, i, error);
    if (!given) return true;
    const std::string_view value = *given;
    if (name == "--codepage") {
        // Checked when the run starts, where the platform's character sets are known.
        options.codePage = std::string(value);
    } else if (name == "--format") {
        if (value == "csv" || value == "gpx") {
            options.format = value == "gpx" ? OutputFormat::Gpx : OutputFormat::Csv;
        } else {
            error = "unknown format " + std::string(value) + " (csv or gpx)";
        }
    } else if (name == "--time-zone") {
        options.gpx.timeZone = TimeZone::Find(value);
        if (!options.gpx.timeZone) error = UnknownZone(value);
    } else if (const std::optional<int> offset = ParseUtcOffset(value)) {
        options.gpx.utcOffsetMinutes = *offset;
        offsetGiven = true;
    } else {
        error = "UTC offset " + std::string(value) + " is not +HH:MM or -HH:MM";
    }
    return true;
}

} // namespace

ParseResult ParseArguments(const std::vector<std::string>& arguments) {
    ParseResult result;
    CliOptions& options = result.options;
    bool onlyFiles = false;
    bool offsetGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyFiles || argument.empty() || argument[0] != '-' || argument == "-") {
            options.files.push_back(argument);
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--recursive" || argument == "-r") {
            options.recursive = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (ApplyValueOption(arguments, i, options, offsetGiven, result.error)) {
            if (!result.error.empty()) return result;
        } else if (!ApplyFlag(argument, options.csv)) {
            result.error = "unknown option " + argument;
            return result;
        }
    }
    if (offsetGiven && options.gpx.timeZone)
        result.error = "--utc-offset and --time-zone cannot be given together";
    else if (options.files.empty() && !options.help && !options.version)
        result.error = "no log file named";
    return result;
}

std::optional<std::string> OptionValue(const std::vector<std::string>& arguments, std::size_t& i,
                                       std::string& error) {
    const std::string& argument = arguments[i];
    const std::size_t equals = argument.find('=');
    if (equals != std::string::npos) return argument.substr(equals + 1);
    if (i + 1 < arguments.size()) return arguments[++i];
    error = "option " + argument + " needs a value";
    return std::nullopt;
}

std::string UnknownZone(std::string_view name) {
    std::string error = "unknown time zone " + std::string(name);
    const std::vector<std::string> near = TimeZone::NamesContaining(name, 5);
    for (std::size_t i = 0; i < near.size(); ++i)
        error += (i == 0 ? " (did you mean " : ", ") + near[i];
    if (!near.empty()) error += "?)";
    return error;
}

std::string UsageText() {
    return "Usage: nordavel-cli [options] FILE...\n"
           "       nordavel-cli geotag [options] --log LOG.kml PHOTO... (geotag --help)\n"
           "Converts each camera GPS log FILE (X.kml) into a CSV file beside it (X.csv),\n"
           "or with --format gpx into a GPX track (X.gpx).\n"
           "A FILE that is a folder stands for the *.kml files in it (any letter case, sorted);\n"
           "on Windows, * and ? in the last part of a FILE are expanded.\n"
           "\n"
           "Options (the default is marked *):\n" +
           FlagUsageLines() +
           "  --format csv|gpx             the output: CSV (*csv) or a GPX 1.1 track in UTF-8;\n"
           "                               the column options above apply to CSV only\n"
           "  --utc-offset +HH:MM          how far the camera's clock runs ahead of UTC (-HH:MM:\n"
           "                               behind), subtracted for GPX times (*+00:00)\n"
           "  --time-zone AREA/CITY        the camera's clock keeps the local time of this\n"
           "                               time zone (Europe/Berlin, America/New_York, UTC):\n"
           "                               GPX times follow its rules, daylight saving too\n"
           "  --codepage CP                character set of logs and CSV files: a Windows code\n"
           "                               page number (932, 1252, ...), or on Linux also an\n"
           "                               iconv name, in which ASCII stays ASCII; default:\n"
           "                               the system's\n"
           "  -r, --recursive              folders: also the logs in their subfolders\n"
           "  -h, --help                   show this text\n"
           "  --version                    show the version\n"
           "\n"
           "Prints the report as each file is done, then each file's status line (status,\n"
           "\"> \", name).\n"
           "Exit status: 0 every file converted with records; 1 some file not, or a folder\n"
           "without logs; 2 usage error; 3 a file or standard output could not be written,\n"
           "or a file not read (the run stopped there).\n";
}

} // namespace nordavel::cli
