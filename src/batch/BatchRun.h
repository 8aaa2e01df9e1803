#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "batch/FileList.h"
#include "conversion/ConversionReport.h"
#include "conversion/ConvertLogFile.h"
#include "conversion/TrackLayout.h"

namespace nordavel {

// Status texts put in front of a list line, each ending in one blank.
inline constexpr std::string_view kStatusCompleted = "Completed ";
inline constexpr std::string_view kStatusCsvRejected = "* CSV file is not accepted ";
inline constexpr std::string_view kStatusGpxRejected = "* GPX file is not accepted ";
inline constexpr std::string_view kStatusNoLogInFolder = "* No log file ";

// The status text for what happened to one log.
std::string_view StatusText(ConversionResult result) noexcept;

// Converts one log with the options of the run, which are fixed when it begins.
using LogConverter = std::function<ConversionOutcome(const std::string& logFileName)>;

struct BatchSummary {
    std::size_t lines = 0;             // lines processed
    std::size_t completedWithData = 0; // lines that ended "Completed "
};

// How a line of the list names its file. A list edited by hand carries the statuses of the last
// run and stray blanks, which are not part of the name, and may name folders; a command line's
// arguments are names of files exactly as given, and on POSIX a name may hold ">" and blanks.
enum class ListNames { Edited, Exact };

// Converts every file named in the list, in order, and marks each line with its result: a
// status, "> " and the name. An edited line loses the status of the last run (everything up to
// and including its first ">"), the blanks around its name and the double quotes around that; a
// line that names a folder is replaced by the lines of its logs (LogsInFolder), or marked when
// it holds none. An
// error thrown by `convert` ends the run at once: the current line keeps its bare name, the lines
// below stay as they were. A CSV file is never converted, whatever the format; with GPX output a
// GPX file is not either, since it would be its own output.
BatchSummary RunBatch(FileList& list, ConversionReport& report, const LogConverter& convert,
                      ListNames names = ListNames::Edited, OutputFormat format = OutputFormat::Csv);

} // namespace nordavel
