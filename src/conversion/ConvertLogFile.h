#pragma once

#include <string>

#include "conversion/CsvOptions.h"
#include "conversion/ReportLog.h"
#include "conversion/TrackLayout.h"
#include "platform/CodePage.h"

namespace nordavel {

// Converts the camera log `logFileName` into the CSV file beside it (same name, extension
// ".csv"), telling the report what happened. Expected failures come back as outcome codes, a
// line too long for the reader among them. A failure to read the log or to write the CSV file,
// and memory exhaustion, are thrown on as IoError, after both files have been closed and the
// report has been told: a log that could not be read whole must not pass for converted.
//
// The CSV file's new content is written aside and put in place only when it holds at least one
// record (FileReplacement), so a file already there is never lost to a failed conversion.
TConversionOutcome ConvertLogFile(const std::string& logFileName, const TCsvOptions& options,
                                  ReportLog& report, const CodePage& codePage);

// The same conversion into the output file that `layout` describes (X.gpx beside X.kml for GPX).
// A point the layout cannot represent is not counted as a record; the report tells how many
// there were.
TConversionOutcome ConvertLogFile(const std::string& logFileName, TrackLayout& layout,
                                  ReportLog& report, const CodePage& codePage);

} // namespace nordavel
