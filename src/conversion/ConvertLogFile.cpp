#include "conversion/ConvertLogFile.h"

#include <memory>
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

// One conversion, step by step: open both files, scan the log into the output, finish the output.
// Instantiated for the CSV layout itself as well, so that writing a record, once per track point,
// is a direct call the compiler can inline.
template <class Layout>
class Conversion {
public:
    Conversion(const std::string& logFileName, Layout& layout, ConversionReport& report,
               const CodePage& codePage)
        : logFileName_(logFileName), layout_(layout), report_(report), codePage_(codePage) {}

    // Every failure is mapped to its outcome or passed on here, and nowhere else.
    ConversionOutcome Run() {
        try {
            if (!Open()) return outcome_;
        } catch (const std::bad_alloc&) {
            PassOnOutOfMemory();
        }
        try {
            Scan();
            Finish();
        } catch (const LineTooLong& tooLong) {
            // Not the system's failure and not the run's: this file ends here, the run goes on.
            BreakOff();
            report_.LineTooLong(logFileName_, tooLong.Limit());
            report_.Failed();
            return {ConversionResult::LineTooLong, 0};
        } catch (const std::bad_alloc&) {
            BreakOff();
            report_.Failed();
            PassOnOutOfMemory();
        } catch (...) {
            BreakOff();
            report_.Failed();
            throw;
        }
        return outcome_;
    }

private:
    // False when either file could not be opened; the outcome and the report say which.
    bool Open() {
        try {
            log_ = std::make_unique<InputTextFile>(logFileName_, codePage_,
                                                   TextReader::LetterCase::Lower);
        } catch (const IoError&) {
            report_.NotFound(logFileName_);
            outcome_.result = ConversionResult::NotFound;
            return false;
        }
        const std::string outputName = ChangeFileExt(logFileName_, layout_.Extension());
        try {
            output_.emplace(outputName);
        } catch (const IoError& error) {
            report_.CannotCreate(outputName, error.what());
            log_->Close();
            outcome_.result = ConversionResult::CannotCreate;
            return false;
        }
        return true;
    }

    void Scan() {
        writer_.emplace(*output_, layout_.OutputCodePage(codePage_));
        report_.FileBegun(ExtractFilePath(logFileName_), ExtractFileName(logFileName_));
        layout_.WriteStart(*writer_, logFileName_);

        TextReader& reader = log_->Reader();
        const bool cameraLog =
            ForEachTrackPoint(reader, [this](std::string_view index, std::string_view dateTime,
                                             std::string_view coordinates) {
                if (layout_.WriteRecord(*writer_, index, dateTime, coordinates)) {
                    ++outcome_.records;
                } else {
                    ++skipped_;
                }
            });
        if (!cameraLog) {
            report_.NotCameraLog(logFileName_);
            outcome_.result = ConversionResult::NotCameraLog;
            return;
        }
        endsEarly_ = !reader.EndsWith("</kml>");
        outcome_.result =
            outcome_.records > 0 ? ConversionResult::Converted : ConversionResult::NoRecords;
    }

    void Finish() {
        log_->Close();
        if (outcome_.result != ConversionResult::Converted) {
            output_->Discard();
        } else {
            layout_.WriteEnd(*writer_);
            writer_->Flush();
            const CommitResult committed = output_->Commit();
            if (!committed.replaced) throw *committed.error;
            if (committed.error) report_.Warning(committed.error->what());
        }
        if (outcome_.result == ConversionResult::NotCameraLog) {
            report_.Failed();
            return;
        }
        if (endsEarly_) report_.EndsEarly();
        if (skipped_ > 0) report_.PointsSkipped(skipped_);
        if (outcome_.result == ConversionResult::Converted) {
            layout_.ReportNotes(report_);
            report_.RecordsWritten(outcome_.records);
        } else {
            report_.NoRecords();
        }
    }

    // The conversion broken off: an earlier output file stays as it was.
    void BreakOff() noexcept {
        if (log_) log_->Close();
        if (output_) output_->Discard();
    }

    // Out of memory is told in the system's own words, like any other failure that ends a run.
    [[noreturn]] void PassOnOutOfMemory() {
        throw IoError(OutOfMemoryError(), "Cannot convert", logFileName_);
    }

    const std::string& logFileName_;
    Layout& layout_;
    ConversionReport& report_;
    const CodePage& codePage_;
    // On the heap: as an optional member it makes GCC warn of a string it thinks uninitialised.
    std::unique_ptr<InputTextFile> log_;
    std::optional<FileReplacement> output_;
    std::optional<TextWriter> writer_;
    ConversionOutcome outcome_;
    std::int32_t skipped_ = 0;
    bool endsEarly_ = false;
};

} // namespace

ConversionOutcome ConvertLogFile(const std::string& logFileName, const CsvOptions& options,
                                 ConversionReport& report, const CodePage& codePage) {
    CsvTrackLayout layout(options);
    return Conversion(logFileName, layout, report, codePage).Run();
}

ConversionOutcome ConvertLogFile(const std::string& logFileName, TrackLayout& layout,
                                 ConversionReport& report, const CodePage& codePage) {
    return Conversion(logFileName, layout, report, codePage).Run();
}

} // namespace nordavel
