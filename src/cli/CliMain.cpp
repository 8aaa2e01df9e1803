#include "cli/CliMain.h"

#include <exception>
#include <new>
#include <optional>

#include "batch/BatchRun.h"
#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/FileArguments.h"
#include "conversion/ConvertLogFile.h"
#include "conversion/GpxLayout.h"
#include "platform/CodePage.h"
#include "platform/IoError.h"
#include "version/Version.h"
#include "zones/TimeZone.h"

namespace nordavel::cli {

namespace {

// The report as it happens: each line goes to standard output when it is told, so that a file's
// lines are out before the next file begins. Once standard output has failed, the run ends with
// that error, and the lines that its unwinding tells go nowhere rather than fail again.
class ConsoleReport final : public ReportLines {
public:
    void RunBegun() override {}
    void Warning(std::string_view text) override {
        WriteStderr("nordavel-cli: warning: " + std::string(text) + "\n");
    }
    // What the command line's names came to, before the run, each followed by an empty line.
    void Note(std::string_view text) {
        Line(text);
        Line("");
    }
    void Write(std::string_view text) {
        if (failed_) return;
        try {
            WriteStdout(text);
        } catch (const IoError&) {
            failed_ = true;
            throw;
        }
    }

private:
    void Line(std::string_view text) override { Write(std::string(text) + '\n'); }
    void Reveal() override {}

    bool failed_ = false;
};

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

int Run(const std::vector<std::string>& arguments) {
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

    // iconv would read a suffix as its own option ("//IGNORE": drop what cannot be converted).
    if (options.codePage && options.codePage->find('/') != std::string::npos) {
        WriteStderr("nordavel-cli: code page " + *options.codePage +
                    " cannot be used: a character set is named without a suffix\n");
        return kExitUsage;
    }
    const std::optional<CodePage> codePage =
        options.codePage ? CodePage::FromName(*options.codePage) : CodePage::System();
    if (!codePage) {
        WriteStderr("nordavel-cli: unknown code page " + *options.codePage + "\n");
        return kExitUsage;
    }
    if (!IsAsciiCompatible(*codePage)) {
        WriteStderr("nordavel-cli: code page " + codePage->Name() +
                    " cannot be used: logs need a character set in which ASCII stays ASCII, one "
                    "byte per character (not UTF-16, UTF-32, EBCDIC or a stateful one such as "
                    "ISO-2022-JP)\n");
        return kExitUsage;
    }
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
