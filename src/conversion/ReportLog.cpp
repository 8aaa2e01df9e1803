#include "conversion/ReportLog.h"

#include <string>

namespace nordavel {

void ReportLog::Warn(std::string_view text) {
    Reveal();
    Add("  Warning: " + std::string(text));
}

std::vector<std::string_view> SplitReportText(std::string_view text) {
    std::vector<std::string_view> lines;
    for (;;) {
        const std::size_t end = text.find("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 2);
    }
    return lines;
}

} // namespace nordavel
