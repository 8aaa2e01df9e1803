#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nordavel {

// The lines that tell the user what a batch run did; the report window on Windows, standard
// output for the console program.
class ReportLog {
public:
    virtual ~ReportLog() = default;
    virtual void Clear() = 0;
    // Adds `text` as one line, or as several when it holds CR LF; a text ending in CR LF leaves
    // an empty line after it.
    virtual void Add(std::string_view text) = 0;
    // Brings the report to the user's attention if it is not already shown.
    virtual void Reveal() = 0;
    // A failure that did not fail the conversion, such as one after the output file was
    // already replaced; by default a line of the report.
    virtual void Warn(std::string_view text);
};

// The report lines that adding `text` makes.
std::vector<std::string_view> SplitReportText(std::string_view text);

} // namespace nordavel
