#pragma once

#include <string>
#include <string_view>

#include "conversion/CsvOptions.h"
#include "text/TextFile.h"

// The one definition of the CSV file's columns and lines. Values are copied as text, never
// parsed or reformatted, so the CSV file carries exactly the digits of the log.
namespace nordavel {

// The header line for these options, without line end.
std::string HeaderLine(const TCsvOptions& options);

// The record line for one track point, without line end.
std::string RecordLine(const TCsvOptions& options, std::string_view indexText,
                       std::string_view dateTimeText, std::string_view coordinatesText);

// Writes the record line for one track point, with its line end.
void WriteRecord(TextWriter& csv, const TCsvOptions& options, std::string_view indexText,
                 std::string_view dateTimeText, std::string_view coordinatesText);

// The LATITUDE to HEIGHT columns of a "longitude,latitude,height" coordinates text.
std::string FormatCoordinates(const TCsvOptions& options, std::string_view coordinatesText);

// A latitude (pair "NS") or longitude (pair "EW") column, followed with SNEW on by its letter.
std::string HemisphereValue(const TCsvOptions& options, std::string_view value,
                            std::string_view letterPair);

// A field as it stands in a line: enclosed in double quotes, inner quotes doubled, when it holds
// a comma or a double quote (so that no line has more columns than its header); else unchanged.
std::string CsvField(std::string_view value);

} // namespace nordavel
