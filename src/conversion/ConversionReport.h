#pragma once

#include <cstdint>
#include <string_view>

#include "conversion/TrackLayout.h"

namespace nordavel {

// What a batch run and each conversion tell the user, as events with their facts. Each front end
// words them in its own way (ReportLines words them as the report's lines).
class ConversionReport {
public:
    virtual ~ConversionReport() = default;

    // A run over a list begins: what the last one reported is over.
    virtual void RunBegun() = 0;
    // A file named in the list is not converted: it is of the output's own kind.
    virtual void Rejected(std::string_view fileName, OutputFormat kind) = 0;
    // A folder named in the list holds no log; `reason` says why it could not be read, if so.
    virtual void NoLogInFolder(std::string_view folder, std::string_view reason) = 0;

    // The steps of one conversion.
    virtual void NotFound(std::string_view logFileName) = 0;
    virtual void CannotCreate(std::string_view outputFileName, std::string_view reason) = 0;
    virtual void FileBegun(std::string_view folder, std::string_view fileName) = 0;
    virtual void NotCameraLog(std::string_view logFileName) = 0;
    virtual void LineTooLong(std::string_view logFileName, std::size_t limitBytes) = 0;
    // A failure that did not fail the conversion, such as one after the output file was
    // already replaced.
    virtual void Warning(std::string_view text) = 0;
    // The log ends before its document is closed: what was read of it was converted, but the
    // camera may have stopped writing in the middle of it.
    virtual void EndsEarly() = 0;
    virtual void PointsSkipped(std::int32_t count) = 0;
    virtual void TimesNotInZone(std::int32_t count) = 0;
    virtual void RecordsWritten(std::int32_t count) = 0;
    virtual void NoRecords() = 0;
    // The conversion broke off: the log is not converted.
    virtual void Failed() = 0;
};

// The report as lines of text, each written whole; the front end decides how a line ends and
// how the report is brought to the user's attention.
class ReportLines : public ConversionReport {
public:
    void Rejected(std::string_view fileName, OutputFormat kind) override;
    void NoLogInFolder(std::string_view folder, std::string_view reason) override;
    void NotFound(std::string_view logFileName) override;
    void CannotCreate(std::string_view outputFileName, std::string_view reason) override;
    void FileBegun(std::string_view folder, std::string_view fileName) override;
    void NotCameraLog(std::string_view logFileName) override;
    void LineTooLong(std::string_view logFileName, std::size_t limitBytes) override;
    void Warning(std::string_view text) override;
    void EndsEarly() override;
    void PointsSkipped(std::int32_t count) override;
    void TimesNotInZone(std::int32_t count) override;
    void RecordsWritten(std::int32_t count) override;
    void NoRecords() override;
    void Failed() override;

protected:
    virtual void Line(std::string_view text) = 0;
    // Something went wrong: the user should see the report.
    virtual void Reveal() = 0;
};

} // namespace nordavel
