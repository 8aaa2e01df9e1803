#include "batch/BatchRun.h"

#include "base/TextUtil.h"

namespace nordavel {

std::string_view StatusText(const TConversionOutcome& outcome) noexcept {
    if (outcome.Completed) return outcome.Count > 0 ? kStatusCompleted : kStatusNoData;
    switch (outcome.Count) {
    case kNotCameraLog:
        return kStatusNotCameraLog;
    case kCsvNotCreated:
        return kStatusCannotCreate;
    case kLogNotOpened:
        return kStatusNotFound;
    default:
        return kStatusNoData;
    }
}

std::string RemoveStatusPrefix(FileList& list, std::size_t index) {
    std::string line = list.Line(index);
    if (const std::size_t separator = line.find('>'); separator != std::string::npos) {
        line = std::string(Trim(std::string_view(line).substr(separator + 1)));
        list.SetLine(index, line);
    }
    return std::string(Trim(line));
}

void SetLineStatus(FileList& list, std::size_t index, std::string_view status) {
    std::string line(status);
    line += "> ";
    line += Trim(list.Line(index));
    list.SetLine(index, line);
}

bool IsCsvName(std::string_view name) {
    return UpperAscii(ExtractFileExt(name)) == ".CSV";
}

BatchSummary RunBatch(FileList& list, ReportLog& report, const OptionsReader& readOptions,
                      const LogConverter& convert, ListNames names, OutputFormat format) {
    BatchSummary summary;
    if (list.Count() == 0) return summary;
    report.Clear();
    const std::size_t count = list.Count();
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name =
            names == ListNames::Edited ? RemoveStatusPrefix(list, i) : list.Line(i);
        std::string_view status;
        if (IsCsvName(name)) {
            report.Reveal();
            report.Add("CSV file is not accepted: " + std::string(ExtractFileName(name)) + "\r\n");
            status = kStatusCsvRejected;
        } else if (format == OutputFormat::Gpx && UpperAscii(ExtractFileExt(name)) == ".GPX") {
            report.Reveal();
            report.Add("GPX file is not accepted: " + std::string(ExtractFileName(name)) + "\r\n");
            status = kStatusGpxRejected;
        } else {
            status = StatusText(convert(name, readOptions()));
        }
        if (names == ListNames::Edited) {
            SetLineStatus(list, i, status);
        } else {
            list.SetLine(i, std::string(status) + "> " + name);
        }
        ++summary.lines;
        if (status == kStatusCompleted) ++summary.completedWithData;
    }
    return summary;
}

} // namespace nordavel
