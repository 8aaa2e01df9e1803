#include "cli/GeotagOptions.h"

#include <charconv>
#include <string_view>

#include "cli/CliOptions.h"
#include "conversion/UtcTime.h"

namespace nordavel::cli {

namespace {

// A whole number of seconds, with its sign when `signedValue`: no blanks, no fraction.
std::optional<std::int64_t> Seconds(std::string_view text, bool signedValue) {
    if (text.starts_with('+') && signedValue) text.remove_prefix(1);
    if (!signedValue && text.starts_with('-')) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    // Beyond a century the value is no clock error, and sums stay far from overflow.
    if (value > 3'155'760'000 || value < -3'155'760'000) return std::nullopt;
    return value;
}

} // namespace

GeotagParseResult ParseGeotagArguments(const std::vector<std::string>& arguments) {
    GeotagParseResult result;
    GeotagOptions& options = result.options;
    std::string& error = result.error;
    bool onlyPhotos = false;
    bool zoneGiven = false;
    bool offsetGiven = false;
    for (std::size_t i = 0; i < arguments.size() && error.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (onlyPhotos || argument.empty() || argument[0] != '-' || argument == "-") {
            options.photos.push_back(argument);
            continue;
        }
        if (argument == "--")
            onlyPhotos = true;
        else if (argument == "--help" || argument == "-h")
            options.help = true;
        else if (argument == "--recursive" || argument == "-r")
            options.recursive = true;
        else if (argument == "--overwrite")
            options.overwrite = true;
        else if (argument == "--dry-run" || argument == "-n")
            options.dryRun = true;
        else if (argument == "--sidecar")
            options.sidecar = true;
        else {
            const std::string name = argument.substr(0, argument.find('='));
            const std::optional<std::string> given = OptionValue(arguments, i, error);
            if (!given) break;
            const std::string& value = *given;
            if (name == "--log") {
                options.logs.push_back(value);
            } else if (name == "--codepage") {
                options.codePage = value;
            } else if (name == "--time-zone") {
                options.clock.timeZone = TimeZone::Find(value);
                zoneGiven = true;
                if (!options.clock.timeZone) error = UnknownZone(value);
            } else if (name == "--utc-offset") {
                const std::optional<int> offset = ParseUtcOffset(value);
                offsetGiven = true;
                if (offset)
                    options.clock.utcOffsetMinutes = *offset;
                else
                    error = "UTC offset " + value + " is not +HH:MM or -HH:MM";
            } else if (name == "--photo-offset" || name == "--max-gap" || name == "--max-outside") {
                const std::optional<std::int64_t> seconds =
                    Seconds(value, name == "--photo-offset");
                if (!seconds)
                    error = "option " + name + " takes a number of seconds, not " + value;
                else if (name == "--photo-offset")
                    options.photoOffsetSeconds = *seconds;
                else if (name == "--max-gap")
                    options.limits.maxGapSeconds = *seconds;
                else
                    options.limits.maxOutsideSeconds = *seconds;
            } else {
                error = "unknown option " + argument;
            }
        }
    }
    if (!error.empty() || options.help) return result;
    if (zoneGiven && offsetGiven)
        error = "--utc-offset and --time-zone cannot be given together";
    else if (!zoneGiven && !offsetGiven)
        error = "the logs' clock is needed: --time-zone AREA/CITY or --utc-offset +HH:MM";
    else if (options.logs.empty())
        error = "no log named (--log LOG.kml)";
    else if (options.photos.empty())
        error = "no photo named";
    return result;
}

std::string GeotagUsageText() {
    return "Usage: nordavel-cli geotag [options] --log LOG.kml [--log ...] PHOTO|FOLDER...\n"
           "Places each photo on the camera logs' tracks by its time and writes the position\n"
           "into it: GPS tags added to a JPEG's EXIF block in place (no other byte moves),\n"
           "or with --sidecar an XMP file NAME.EXT.xmp beside a raw file.\n"
           "A FOLDER stands for the *.jpg and *.jpeg files in it (with --sidecar, its raw\n"
           "files too: .dng, .nef, .cr2, ...); a --log folder for its logs.\n"
           "\n"
           "Options (the default is marked *):\n"
           "  --log LOG                    a camera log, or a folder of them; each log is a\n"
           "                               track of its own, never bridged to another\n"
           "  --time-zone AREA/CITY        the zone whose clock the logs keep, and photos\n"
           "                               without OffsetTimeOriginal (one of these two is\n"
           "  --utc-offset +HH:MM          needed) or a fixed offset for both\n"
           "  --photo-offset +-SECONDS     the photo camera's clock error, added to it\n"
           "  --max-gap SECONDS            interpolate between fixes at most this far apart\n"
           "                               (*1800)\n"
           "  --max-outside SECONDS        otherwise the nearest fix, if this close (*120)\n"
           "  --overwrite                  replace the GPS a photo already has (*leave it)\n"
           "  -n, --dry-run                print the table of what would be written, write\n"
           "                               nothing\n"
           "  --sidecar                    XMP sidecars for raw files where there are none\n"
           "  --codepage CP                character set of the logs (*the system's)\n"
           "  -r, --recursive              folders: also their subfolders\n"
           "  -h, --help                   show this text\n"
           "\n"
           "Prints each log's track, then each photo's status line (status, \"> \", name).\n"
           "Exit status: 0 every photo tagged; 1 some photo not; 2 usage error; 3 a file\n"
           "could not be read or written (the run stopped there, that photo unchanged).\n";
}

} // namespace nordavel::cli
