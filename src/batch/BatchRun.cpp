#include "batch/BatchRun.h"

#include "base/TextUtil.h"
#include "batch/FolderLogs.h"
#include "platform/Folder.h"
#include "platform/IoError.h"

namespace nordavel {

namespace {

// The name a line holds, written back without the status of the last run when it had one. A name
// in double quotes, as Explorer copies a path, is taken without them: no Windows file name can
// hold a '"'.
std::string TakeEditedName(FileList& list, std::size_t index) {
    std::string line = list.Line(index);
    if (const std::size_t separator = line.find('>'); separator != std::string::npos) {
        line = std::string(Trim(std::string_view(line).substr(separator + 1)));
        list.SetLine(index, line);
    }
    std::string_view name = Trim(line);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = Trim(name.substr(1, name.size() - 2));
    return std::string(name);
}

} // namespace

std::string_view StatusText(ConversionResult result) noexcept {
    switch (result) {
    case ConversionResult::Converted:
        return kStatusCompleted;
    case ConversionResult::NoRecords:
    case ConversionResult::LineTooLong:
        return "* No data ";
    case ConversionResult::NotFound:
        return "* Not found ";
    case ConversionResult::CannotCreate:
        return "* Cannot create Output file ";
    case ConversionResult::NotCameraLog:
        return "* Not file of EXILIM LOG ";
    }
    return "* No data ";
}

BatchSummary RunBatch(FileList& list, ConversionReport& report, const LogConverter& convert,
                      ListNames names, OutputFormat format) {
    BatchSummary summary;
    if (list.Count() == 0) return summary;
    report.RunBegun();
    for (std::size_t i = 0; i < list.Count(); ++i) {
        std::string name = names == ListNames::Edited ? TakeEditedName(list, i) : list.Line(i);
        std::string_view status;
        if (names == ListNames::Edited && IsFolder(name)) {
            std::string reason;
            std::vector<std::string> logs;
            try {
                logs = LogsInFolder(name);
            } catch (const IoError& error) {
                reason = error.what();
            }
            if (logs.empty()) {
                report.NoLogInFolder(name, reason);
                list.SetLine(i, std::string(kStatusNoLogInFolder) + "> " + name);
                ++summary.lines;
                continue;
            }
            list.ReplaceLine(i, logs);
            name = logs.front();
        }
        if (HasExtension(name, ".csv")) {
            report.Rejected(ExtractFileName(name), OutputFormat::Csv);
            status = kStatusCsvRejected;
        } else if (format == OutputFormat::Gpx && HasExtension(name, ".gpx")) {
            report.Rejected(ExtractFileName(name), OutputFormat::Gpx);
            status = kStatusGpxRejected;
        } else {
            status = StatusText(convert(name).result);
        }
        list.SetLine(i, std::string(status) + "> " + name);
        ++summary.lines;
        if (status == kStatusCompleted) ++summary.completedWithData;
    }
    return summary;
}

} // namespace nordavel
