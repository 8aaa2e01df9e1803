#pragma once

#include <string>

#include "conversion/CsvOptions.h"
#include "conversion/ReportLog.h"
#include "platform/CodePage.h"

namespace nordavel {

// Converts the camera log `logFileName` into the CSV file beside it (same name, extension
// ".csv"), telling the report what happened. Expected failures come back as outcome codes. A
// failure to write the CSV file or to read the log's end is thrown on, after both files have been
// closed and the report has been told.
//
// The CSV file is written under a temporary name and moved over the CSV name only when it holds
// at least one record, so a file already there is never lost to a failed conversion.
TConversionOutcome ConvertLogFile(const std::string& logFileName, const TCsvOptions& options,
                                  ReportLog& report, const CodePage& codePage);

// The name of the CSV file for a log: its extension replaced by (or extended with) ".csv".
std::string CsvFileName(const std::string& logFileName);

} // namespace nordavel
