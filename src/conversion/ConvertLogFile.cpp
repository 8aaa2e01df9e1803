#include "conversion/ConvertLogFile.h"

#include <new>
#include <optional>

#include "base/TextUtil.h"
#include "conversion/CsvLayout.h"
#include "conversion/LogScanner.h"
#include "platform/FileReplacement.h"
#include "platform/IoError.h"
#include "text/TextFile.h"

namespace nordavel {

namespace {

constexpr std::string_view kSignature = "<name>exilim log</name>";

// Out of memory is told in the system's own words, like any other failure that ends a run.
[[noreturn]] void PassOnOutOfMemory(const std::string& logFileName) {
    throw IoError(OutOfMemoryError(), "Cannot convert", logFileName);
}

// The one conversion flow, for any layout. Instantiated for the CSV layout itself as well, so
// that writing a record, once per track point, is a direct call the compiler can inline.
template <class Layout>
TConversionOutcome Convert(const std::string& logFileName, Layout& layout, ReportLog& report,
                           const CodePage& codePage) {
    TConversionOutcome outcome;
    std::int32_t skipped = 0;

    std::optional<InputTextFile> log;
    try {
        log.emplace(logFileName, codePage, TextReader::LetterCase::Lower);
    } catch (const IoError&) {
        report.Reveal();
        report.Add("Not found: " + logFileName + "\r\n");
        outcome.Count = kLogNotOpened;
        return outcome;
    } catch (const std::bad_alloc&) {
        PassOnOutOfMemory(logFileName);
    }

    const std::string outputName = ChangeFileExt(logFileName, layout.Extension());
    std::optional<FileReplacement> output;
    try {
        output.emplace(outputName);
    } catch (const IoError&) {
        report.Reveal();
        report.Add("Cannot create file: " + outputName + "\r\n");
        log->Close();
        outcome.Count = kCsvNotCreated;
        return outcome;
    } catch (const std::bad_alloc&) {
        PassOnOutOfMemory(logFileName);
    }

    // The finishing steps of a conversion broken off: an earlier output file stays as it was.
    const auto breakOff = [&] {
        log->Close();
        output->Discard();
        report.Reveal();
    };
    try {
        TextWriter writer(*output, layout.OutputCodePage(codePage));
        report.Add("Path: " + std::string(ExtractFilePath(logFileName)) +
                   "\r\nFile: " + std::string(ExtractFileName(logFileName)));
        layout.WriteStart(writer, logFileName);

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
            const ElementTag name("<name>");
            const ElementTag description("<description>");
            const ElementTag coordinatesTag("<coordinates>");
            // The coordinates are used before the next line is read; the others are kept.
            std::string index;
            std::string dateTime;
            while (!reader.AtEnd()) {
                scanner.ElementText(name, index);
                scanner.DescriptionText(description, dateTime);
                const std::string_view coordinates =
                    scanner.NestedElementTextView("<point>", coordinatesTag);
                if (!dateTime.empty()) {
                    if (layout.WriteRecord(writer, index, dateTime, coordinates)) {
                        ++outcome.Count;
                    } else {
                        ++skipped;
                    }
                }
            }
            outcome.Completed = true;
        }

        log->Close();
        if (outcome.Count > 0) {
            layout.WriteEnd(writer);
            writer.Flush();
            const CommitResult committed = output->Commit();
            if (!committed.replaced) throw *committed.error;
            if (committed.error) report.Warn(committed.error->what());
        } else {
            output->Discard();
        }
    } catch (const LineTooLong& tooLong) {
        // Not the system's failure and not the run's: this file ends here, the run goes on.
        breakOff();
        report.Add("  Line longer than " + std::to_string(tooLong.Limit() / (1024 * 1024)) +
                   " MiB: " + logFileName);
        outcome = {false, kLineTooLong};
    } catch (const std::bad_alloc&) {
        breakOff();
        report.Add("  Error!!\r\n");
        PassOnOutOfMemory(logFileName);
    } catch (...) {
        breakOff();
        report.Add("  Error!!\r\n");
        throw;
    }

    if (outcome.Completed && skipped > 0) {
        report.Reveal();
        report.Add("  Skipped for lack of a valid position: " + std::to_string(skipped) +
                   " records");
    }
    if (outcome.Count > 0)
        if (const std::string notes = layout.Notes(); !notes.empty()) report.Add(notes);
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

} // namespace

TConversionOutcome ConvertLogFile(const std::string& logFileName, const TCsvOptions& options,
                                  ReportLog& report, const CodePage& codePage) {
    CsvTrackLayout layout(options);
    return Convert(logFileName, layout, report, codePage);
}

TConversionOutcome ConvertLogFile(const std::string& logFileName, TrackLayout& layout,
                                  ReportLog& report, const CodePage& codePage) {
    return Convert(logFileName, layout, report, codePage);
}

} // namespace nordavel
