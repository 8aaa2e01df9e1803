#include "conversion/ConvertLogFile.h"

#include <optional>

#include "conversion/CsvLayout.h"
#include "conversion/LogScanner.h"
#include "platform/File.h"
#include "text/TextFile.h"
#include "text/TextUtil.h"

namespace nordavel {

namespace {

constexpr std::string_view kSignature = "<name>exilim log</name>";

// The CSV file of one conversion, written under a temporary name beside its final one and put
// in place by Commit; until then any file already under the final name stays untouched.
class CsvOutput {
public:
    CsvOutput(const std::string& csvName, const CodePage& codePage)
        : csvName_((CheckReplaceable(csvName), csvName)),
          file_(OutputFile::CreateTemporaryBeside(csvName, temporaryName_)),
          writer_(file_, codePage) {}
    CsvOutput(const CsvOutput&) = delete;
    CsvOutput& operator=(const CsvOutput&) = delete;
    ~CsvOutput() { Discard(); }

    TextWriter& Writer() noexcept { return writer_; }

    void Commit() {
        writer_.Flush();
        file_.Close();
        MoveFileReplacing(temporaryName_, csvName_);
        temporaryName_.clear();
    }

    void Discard() noexcept {
        if (temporaryName_.empty()) return;
        try {
            file_.Close();
        } catch (...) {
            // The file goes anyway; a failed close only means lost bytes nobody wants.
        }
        RemoveFile(temporaryName_);
        temporaryName_.clear();
    }

private:
    std::string csvName_;
    std::string temporaryName_;
    OutputFile file_;
    TextWriter writer_;
};

} // namespace

std::string CsvFileName(const std::string& logFileName) {
    return ChangeFileExt(logFileName, ".csv");
}

TConversionOutcome ConvertLogFile(const std::string& logFileName, const TCsvOptions& options,
                                  ReportLog& report, const CodePage& codePage) {
    TConversionOutcome outcome;

    std::optional<InputTextFile> log;
    try {
        log.emplace(logFileName, codePage, TextReader::LetterCase::Lower);
    } catch (const std::exception&) {
        report.Reveal();
        report.Add("Not found: " + logFileName + "\r\n");
        outcome.Count = kLogNotOpened;
        return outcome;
    }

    const std::string csvName = CsvFileName(logFileName);
    std::optional<CsvOutput> csv;
    try {
        csv.emplace(csvName, codePage);
    } catch (const std::exception&) {
        report.Reveal();
        report.Add("Cannot create file: " + csvName + "\r\n");
        log->Close();
        outcome.Count = kCsvNotCreated;
        return outcome;
    }

    try {
        report.Add("Path: " + std::string(ExtractFilePath(logFileName)) +
                   "\r\nFile: " + std::string(ExtractFileName(logFileName)));
        csv->Writer().WriteLine(HeaderLine(options));

        TextReader& reader = log->Reader();
        TLogScanner scanner(reader);
        if (!scanner.FindText(kSignature)) {
            report.Reveal();
            report.Add("  Not file of \"EXILIM LOG\": " + logFileName);
            outcome.Count = kNotCameraLog;
        } else {
            // Steps over the document's own description, so that the first one the loop meets
            // is the first placemark's.
            scanner.SkipPastTag("<description>");
            std::string index;
            std::string dateTime;
            std::string coordinates;
            while (!reader.AtEnd()) {
                scanner.ElementText("<name>", index);
                scanner.DescriptionText("<description>", dateTime);
                scanner.NestedElementText("<point>", "<coordinates>", coordinates);
                if (!dateTime.empty()) {
                    WriteRecord(csv->Writer(), options, index, dateTime, coordinates);
                    ++outcome.Count;
                }
            }
            outcome.Completed = true;
        }

        log->Close();
        if (outcome.Count > 0) {
            csv->Commit();
        } else {
            csv->Discard();
        }
    } catch (...) {
        log->Close();
        csv->Discard();
        report.Reveal();
        report.Add("  Error!!\r\n");
        throw;
    }

    if (!outcome.Completed) {
        report.Reveal();
        report.Add("  Error!!\r\n");
    } else if (outcome.Count > 0) {
        report.Add("  Output: " + std::to_string(outcome.Count) + " records\r\n");
    } else {
        report.Reveal();
        report.Add("  No valid data\r\n");
    }
    return outcome;
}

} // namespace nordavel
