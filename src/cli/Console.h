#pragma once

#include <string_view>

namespace nordavel {

// Writes UTF-8 text to standard output or standard error, in the form the console or the
// receiving program expects, and hands it over at once, so that a reader sees each part as soon
// as it is written.
// Standard output carries the program's result: a failure to write it (a full disk, a closed
// pipe) is an IoError. A failure on standard error has nowhere left to be told and is ignored.
void WriteStdout(std::string_view utf8);
void WriteStderr(std::string_view utf8);

} // namespace nordavel
