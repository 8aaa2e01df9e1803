#include "cli/CliMain.h"

#include <exception>
#include <new>
#include <optional>

#include "batch/BatchRun.h"
#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/ConsoleReport.h"
#include "cli/FileArguments.h"
#include "cli/GeotagOptions.h"
#include "cli/GeotagRun.h"
#include "conversion/ConvertLogFile.h"
#include "conversion/GpxLayout.h"
#include "platform/CodePage.h"
#include "platform/IoError.h"
#include "version/Version.h"
#include "zones/TimeZone.h"

namespace nordavel::cli {

namespace {

void PrintList(const VectorFileList& list, ConsoleReport& out) {
    std::string text;
    for (const std::string& line : list.Lines()) {
        text += line;
        text += '\n';
    }
    out.Write(text);
}

int Fail(const std::exception& error) {
    WriteStderr(std::string("nordavel-cli: ") + error.what() + "\n");
    return kExitPassedOnError;
}

int Convert(const CliOptions& options, const CodePage& codePage) {
    ConsoleReport report;
    VectorFileList list;
    try {
        const ExpandedFiles expanded =
            ExpandFileArguments(options.files, {.recursive = options.recursive});
        for (const std::string& note : expanded.notes)
            report.Note(note);
        list = VectorFileList(expanded.files);
        GpxTrackLayout gpx(options.gpx);
        const BatchSummary summary = RunBatch(
            list, report,
            [&](const std::string& name) {
                if (options.format == OutputFormat::Gpx)
                    return ConvertLogFile(name, gpx, report, codePage);
                return ConvertLogFile(name, options.csv, report, codePage);
            },
            ListNames::Exact, options.format);
        PrintList(list, report);
        return summary.completedWithData == summary.lines && expanded.notes.empty()
                   ? kExitAllConverted
                   : kExitSomeNotConverted;
    } catch (const std::exception& error) {
        try {
            PrintList(list, report);
        } catch (const IoError&) {
            // The error that ended the run is the one to tell.
        }
        return Fail(error);
    }
}

// The character set named on the command line, or the system's; nothing after a usage error
// was told.
std::optional<CodePage> UsableCodePage(const std::optional<std::string>& name) {
    // iconv would read a suffix as its own option ("//IGNORE": drop what cannot be converted).
    if (name && name->find('/') != std::string::npos) {
        WriteStderr("nordavel-cli: code page " + *name +
                    " cannot be used: a character set is named without a suffix\n");
        return std::nullopt;
    }
    std::optional<CodePage> codePage = name ? CodePage::FromName(*name) : CodePage::System();
    if (!codePage) {
        WriteStderr("nordavel-cli: unknown code page " + *name + "\n");
    } else if (!IsAsciiCompatible(*codePage)) {
        WriteStderr("nordavel-cli: code page " + codePage->Name() +
                    " cannot be used: logs need a character set in which ASCII stays ASCII, one "
                    "byte per character (not UTF-16, UTF-32, EBCDIC or a stateful one such as "
                    "ISO-2022-JP)\n");
        codePage.reset();
    }
    return codePage;
}

int Geotag(const std::vector<std::string>& arguments) {
    const GeotagParseResult parsed = ParseGeotagArguments(arguments);
    if (!parsed.error.empty()) {
        WriteStderr("nordavel-cli geotag: " + parsed.error + "\n" + GeotagUsageText());
        return kExitUsage;
    }
    if (parsed.options.help) {
        WriteStdout(GeotagUsageText());
        return kExitAllConverted;
    }
    const std::optional<CodePage> codePage = UsableCodePage(parsed.options.codePage);
    if (!codePage) return kExitUsage;
    return RunGeotag(parsed.options, *codePage);
}

int Run(const std::vector<std::string>& arguments) {
    if (!arguments.empty() && arguments.front() == "geotag")
        return Geotag(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    const ParseResult parsed = ParseArguments(arguments);
    if (!parsed.error.empty()) {
        WriteStderr("nordavel-cli: " + parsed.error + "\n" + UsageText());
        return kExitUsage;
    }
    const CliOptions& options = parsed.options;
    if (options.help) {
        WriteStdout(UsageText());
        return kExitAllConverted;
    }
    if (options.version) {
        WriteStdout(std::string("nordavel-cli ") + kVersionString + " (time zones " +
                    std::string(TimeZone::DataVersion()) + ")\n");
        return kExitAllConverted;
    }

    const std::optional<CodePage> codePage = UsableCodePage(options.codePage);
    if (!codePage) return kExitUsage;
    return Convert(options, *codePage);
}

} // namespace

int RunCli(const std::function<std::vector<std::string>()>& arguments) {
    try {
        return Run(arguments());
    } catch (const std::bad_alloc&) {
        return Fail(IoError(OutOfMemoryError(), "Cannot run", ""));
    } catch (const std::exception& error) {
        return Fail(error);
    } catch (...) {
        WriteStderr("nordavel-cli: failed for an unknown reason\n");
        return kExitPassedOnError;
    }
}

} // namespace nordavel::cli
