#pragma once

#include <stdexcept>
#include <string>

namespace nordavel {

// A failed file-system or file I/O step. Its message holds the operating system's own error code
// (errno on POSIX, GetLastError() on Windows) and the system's text for it, so that whoever shows
// the error needs nothing else.
class IoError : public std::runtime_error {
public:
    IoError(int osCode, const std::string& what, const std::string& path);
};

// The operating system's own description of an error code, without a trailing full stop or line
// end.
std::string SystemErrorText(int osCode);

// The system's error code for memory exhausted, so that the message names it in the system's
// words.
int OutOfMemoryError() noexcept;

} // namespace nordavel
