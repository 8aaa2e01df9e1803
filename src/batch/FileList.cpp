#include "batch/FileList.h"

namespace nordavel {

std::vector<std::string> SplitListText(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 2);
    }
    return lines;
}

std::string JoinListText(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines[i];
    }
    return text;
}

void ReplaceLineIn(std::vector<std::string>& list, std::size_t index,
                   const std::vector<std::string>& lines) {
    const auto at = list.begin() + static_cast<std::ptrdiff_t>(index);
    *at = lines.at(0);
    list.insert(at + 1, lines.begin() + 1, lines.end());
}

} // namespace nordavel
