#include "platform/IoError.h"

namespace nordavel {

namespace {

std::string ComposeMessage(int osCode, const std::string& what, const std::string& path) {
    std::string message = what;
    if (!path.empty()) message += " " + path;
    message += ": " + SystemErrorText(osCode) + " (error " + std::to_string(osCode) + ")";
    return message;
}

} // namespace

IoError::IoError(int osCode, const std::string& what, const std::string& path)
    : std::runtime_error(ComposeMessage(osCode, what, path)) {}

} // namespace nordavel
