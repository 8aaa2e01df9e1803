#include "cli/Console.h"

#include <cerrno>
#include <cstdio>

#include "platform/IoError.h"

namespace nordavel {

// POSIX names and texts are passed through as the bytes they are.
void WriteStdout(std::string_view utf8) {
    errno = 0;
    if (std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size() ||
        std::fflush(stdout) != 0) {
        const int error = errno != 0 ? errno : EIO;
        // What was buffered is lost either way; keeping it would only repeat the failure.
        std::clearerr(stdout);
        throw IoError(error, "Cannot write", "standard output");
    }
}
void WriteStderr(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

} // namespace nordavel
