#pragma once

#include <string_view>

namespace nordavel {

// Writes UTF-8 text to standard output or standard error, in the form the console or the
// receiving program expects.
void WriteStdout(std::string_view utf8);
void WriteStderr(std::string_view utf8);

} // namespace nordavel
