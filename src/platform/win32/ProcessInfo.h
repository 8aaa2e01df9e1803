#pragma once

// What this process knows of itself on Windows, as UTF-8.
#include <string>
#include <vector>

namespace nordavel::win32 {

// The full path of this executable.
std::string ExecutablePath();
// The command line's parameters, without the program's own path.
std::vector<std::string> CommandLineParameters();

} // namespace nordavel::win32
