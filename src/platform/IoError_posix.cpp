#include <cerrno>
#include <cstring>

#include "platform/IoError.h"

namespace nordavel {

std::string SystemErrorText(int osCode) {
    return std::strerror(osCode);
}

int OutOfMemoryError() noexcept {
    return ENOMEM;
}

} // namespace nordavel
