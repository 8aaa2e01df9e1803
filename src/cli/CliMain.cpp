#include "cli/CliMain.h"

#include <exception>
#include <optional>

#include "batch/BatchRun.h"
#include "cli/CliOptions.h"
#include "conversion/ConvertLogFile.h"
#include "platform/CodePage.h"
#include "platform/Console.h"
#include "version/Version.h"

namespace nordavel::cli {

namespace {

// The report as it happens: each line goes to standard output when it is added.
class ConsoleReportLog : public ReportLog {
public:
    void Clear() override {}
    void Reveal() override {}
    void Add(std::string_view text) override {
        std::string lines;
        for (std::string_view line : SplitReportText(text)) {
            lines += line;
            lines += '\n';
        }
        WriteStdout(lines);
    }
};

void PrintList(const VectorFileList& list) {
    std::string text;
    for (const std::string& line : list.Lines()) {
        text += line;
        text += '\n';
    }
    WriteStdout(text);
}

} // namespace

int RunCli(const std::vector<std::string>& arguments) {
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
        WriteStdout(std::string("nordavel-cli ") + kVersionString + "\n");
        return kExitAllConverted;
    }

    std::optional<CodePage> codePage =
        options.codePage ? CodePage::FromName(*options.codePage) : CodePage::System();
    if (!codePage) {
        WriteStderr("nordavel-cli: unknown code page " + *options.codePage + "\n");
        return kExitUsage;
    }

    VectorFileList list(options.files);
    ConsoleReportLog report;
    try {
        const BatchSummary summary = RunBatch(
            list, report, [&] { return options.csv; },
            [&](const std::string& name, const TCsvOptions& csv) {
                return ConvertLogFile(name, csv, report, *codePage);
            });
        PrintList(list);
        return summary.completedWithData == summary.lines ? kExitAllConverted
                                                          : kExitSomeNotConverted;
    } catch (const std::exception& error) {
        PrintList(list);
        WriteStderr(std::string("nordavel-cli: ") + error.what() + "\n");
        return kExitPassedOnError;
    }
}

} // namespace nordavel::cli
