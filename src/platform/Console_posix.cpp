#include "platform/Console.h"

#include <cstdio>

namespace nordavel {

// POSIX names and texts are passed through as the bytes they are.
void WriteStdout(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}
void WriteStderr(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

} // namespace nordavel
