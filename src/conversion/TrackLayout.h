#pragma once

#include <string>
#include <string_view>

#include "platform/CodePage.h"
#include "text/TextFile.h"

namespace nordavel {

// The kinds of output file a front end can ask for. The window program writes CSV only.
enum class OutputFormat { Csv, Gpx };

class ConversionReport;

// How one conversion lays out its output file; ConvertLogFile drives it the same way for every
// format, so that reading the log, the report and the replacement of the file are shared.
class TrackLayout {
public:
    virtual ~TrackLayout() = default;

    // The output file's extension, such as ".csv": it replaces the log's own.
    virtual std::string_view Extension() const noexcept = 0;
    // The character set of the output file, given the one the log is read in.
    virtual CodePage OutputCodePage(const CodePage& logCodePage) const = 0;

    // What precedes the records; written before the log is known to be a camera log.
    virtual void WriteStart(TextWriter& out, std::string_view logFileName) = 0;
    // One record from a track point's texts as the scanner found them. False when this layout
    // cannot represent the point; nothing was written then.
    virtual bool WriteRecord(TextWriter& out, std::string_view indexText,
                             std::string_view dateTimeText, std::string_view coordinatesText) = 0;
    // What follows the records; written only to a file that is kept.
    virtual void WriteEnd(TextWriter& out) = 0;
    // Tells the report what the user should know of the log just written; nothing by default.
    virtual void ReportNotes(ConversionReport&) const {}
};

} // namespace nordavel
