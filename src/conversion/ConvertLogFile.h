#pragma once

#include <cstdint>
#include <string>

#include "conversion/ConversionReport.h"
#include "conversion/CsvOptions.h"
#include "conversion/TrackLayout.h"
#include "platform/CodePage.h"

namespace nordavel {

// What happened to one log.
enum class ConversionResult {
    Converted,    // records were written and the output file put in place
    NoRecords,    // a camera log without a record: no output file is kept
    NotFound,     // the log could not be opened
    CannotCreate, // the output file could be neither created nor written
    NotCameraLog, // the log is no camera log
    LineTooLong,  // the log has a line, or an element's text, longer than the reader's limit
};

struct ConversionOutcome {
    ConversionResult result = ConversionResult::NotFound;
    std::int32_t records = 0; // written to the output file
};

// Converts the camera log `logFileName` into the CSV file beside it (same name, extension
// ".csv"), telling the report what happened. Expected failures come back as the outcome. A
// failure to read the log or to write the CSV file, and memory exhaustion, are thrown on as
// IoError, after both files have been closed and the report has been told: a log that could not
// be read whole must not pass for converted.
//
// The CSV file's new content is written aside and put in place only when it holds at least one
// record (FileReplacement), so a file already there is never lost to a failed conversion.
ConversionOutcome ConvertLogFile(const std::string& logFileName, const CsvOptions& options,
                                 ConversionReport& report, const CodePage& codePage);

// The same conversion into the output file that `layout` describes (X.gpx beside X.kml for GPX).
// A point the layout cannot represent is not counted as a record; the report tells how many
// there were.
ConversionOutcome ConvertLogFile(const std::string& logFileName, TrackLayout& layout,
                                 ConversionReport& report, const CodePage& codePage);

} // namespace nordavel
