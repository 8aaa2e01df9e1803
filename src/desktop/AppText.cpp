#include "desktop/AppText.h"

#include "base/TextUtil.h"
#include "desktop/IniLocation.h"

namespace nordavel {

std::string VersionText(std::uint32_t fileVersionMs) {
    std::string minor = std::to_string(fileVersionMs & 0xFFFFu);
    if (minor.size() < 2) minor.insert(0, "0");
    return std::to_string(fileVersionMs >> 16) + "." + minor;
}

std::string MainCaption(std::string_view versionText) {
    return "Nordavel to CSV Ver" + std::string(versionText);
}

std::string ApplicationTitle(std::string_view executablePath) {
    std::string_view name = ExtractFileName(executablePath, PathStyle::Windows);
    name = name.substr(0, name.find('.'));
    std::string title(name.substr(0, 1));
    title += LowerAscii(name.substr(1));
    return title;
}

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

std::vector<std::string> FileListFromParameters(const std::vector<std::string>& parameters) {
    std::vector<std::string> lines;
    for (const std::string& parameter : parameters)
        if (!IsIniFileName(parameter)) lines.push_back(parameter);
    return lines;
}

} // namespace nordavel
