#pragma once

// What this process knows of itself on Windows, as UTF-8.
#include <optional>
#include <string>
#include <vector>

namespace nordavel::win32 {

// The full path of this executable.
std::string ExecutablePath();
// The full path that `path` names from this process's current folder, if the system can tell.
std::optional<std::wstring> FullPathName(const std::wstring& path);
// The command line's parameters, without the program's own path.
std::vector<std::string> CommandLineParameters();

} // namespace nordavel::win32
