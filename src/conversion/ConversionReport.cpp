#include "conversion/ConversionReport.h"

#include <string>

namespace nordavel {

namespace {

std::string Records(std::string_view before, std::int32_t count) {
    return std::string(before) + std::to_string(count) + " records";
}

} // namespace

// A line of its own ends what concerns one file, and every failure that ends a conversion.

void ReportLines::Rejected(std::string_view fileName, OutputFormat kind) {
    Reveal();
    Line(std::string(kind == OutputFormat::Gpx ? "GPX" : "CSV") +
         " file is not accepted: " + std::string(fileName));
    Line("");
}

void ReportLines::NoLogInFolder(std::string_view folder, std::string_view reason) {
    Reveal();
    Line(reason.empty() ? "No log file in folder: " + std::string(folder) : std::string(reason));
    Line("");
}

void ReportLines::NotFound(std::string_view logFileName) {
    Reveal();
    Line("Not found: " + std::string(logFileName));
    Line("");
}

void ReportLines::CannotCreate(std::string_view outputFileName, std::string_view) {
    Reveal();
    Line("Cannot create file: " + std::string(outputFileName));
    Line("");
}

void ReportLines::FileBegun(std::string_view folder, std::string_view fileName) {
    Line("Path: " + std::string(folder));
    Line("File: " + std::string(fileName));
}

void ReportLines::NotCameraLog(std::string_view logFileName) {
    Reveal();
    Line("  Not file of \"EXILIM LOG\": " + std::string(logFileName));
}

void ReportLines::LineTooLong(std::string_view logFileName, std::size_t limitBytes) {
    Reveal();
    Line("  Line longer than " + std::to_string(limitBytes / (1024 * 1024)) +
         " MiB: " + std::string(logFileName));
}

void ReportLines::Warning(std::string_view text) {
    Reveal();
    Line("  Warning: " + std::string(text));
}

void ReportLines::EndsEarly() {
    Reveal();
    Line("  The log ends early, it may be cut short");
}

void ReportLines::PointsSkipped(std::int32_t count) {
    Reveal();
    Line(Records("  Skipped for lack of a valid position: ", count));
}

void ReportLines::TimesNotInZone(std::int32_t count) {
    Line(Records("  Times not in the zone: ", count));
}

void ReportLines::RecordsWritten(std::int32_t count) {
    Line(Records("  Output: ", count));
    Line("");
}

void ReportLines::NoRecords() {
    Reveal();
    Line("  No valid data");
    Line("");
}

void ReportLines::Failed() {
    Reveal();
    Line("  Error!!");
    Line("");
}

} // namespace nordavel
