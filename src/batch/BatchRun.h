#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "batch/FileList.h"
#include "conversion/CsvOptions.h"
#include "conversion/ReportLog.h"
#include "conversion/TrackLayout.h"

namespace nordavel {

// Status texts put in front of a list line, each ending in one blank.
inline constexpr std::string_view kStatusCompleted = "Completed ";
inline constexpr std::string_view kStatusNoData = "* No data ";
inline constexpr std::string_view kStatusNotFound = "* Not found ";
inline constexpr std::string_view kStatusCannotCreate = "* Cannot create Output file ";
inline constexpr std::string_view kStatusNotCameraLog = "* Not file of EXILIM LOG ";
inline constexpr std::string_view kStatusCsvRejected = "* CSV file is not accepted ";
inline constexpr std::string_view kStatusGpxRejected = "* GPX file is not accepted ";

// The status text for the outcome of one conversion.
std::string_view StatusText(const TConversionOutcome& outcome) noexcept;

// Removes a status prefix (everything up to and including the first ">") from line `index`,
// writing the line back only when it had one, and returns the trimmed file name.
std::string RemoveStatusPrefix(FileList& list, std::size_t index);

// Rewrites line `index` as `status`, "> " and the line's trimmed text.
void SetLineStatus(FileList& list, std::size_t index, std::string_view status);

// True for a name whose extension is ".csv" in any letter case.
bool IsCsvName(std::string_view name);

using LogConverter =
    std::function<TConversionOutcome(const std::string& logFileName, const TCsvOptions& options)>;
using OptionsReader = std::function<TCsvOptions()>;

struct BatchSummary {
    std::size_t lines = 0;             // lines processed
    std::size_t completedWithData = 0; // lines that ended "Completed "
};

// How a line of the list names its file. A list edited by hand carries the statuses of the last
// run and stray blanks, which are not part of the name; a command line's arguments are names
// exactly as given, and on POSIX a name may hold ">" and blanks.
enum class ListNames { Edited, Exact };

// Converts every file named in the list, in order, and marks each line with its result. The
// options are read anew before each file. An error thrown by `convert` ends the run at once:
// the current line keeps its bare name, the lines below stay as they were.
// A CSV file is never converted, whatever the format; with GPX output a GPX file is not either,
// since it would be its own output.
BatchSummary RunBatch(FileList& list, ReportLog& report, const OptionsReader& readOptions,
                      const LogConverter& convert, ListNames names = ListNames::Edited,
                      OutputFormat format = OutputFormat::Csv);

} // namespace nordavel
