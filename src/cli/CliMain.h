#pragma once

#include <functional>
#include <string>
#include <vector>

namespace nordavel::cli {

inline constexpr int kExitAllConverted = 0;
inline constexpr int kExitSomeNotConverted = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitPassedOnError = 3;

// The console converter, given what yields its arguments (without the program name) as UTF-8.
// Nothing escapes it: every failure is a message on standard error and exit status 3.
int RunCli(const std::function<std::vector<std::string>()>& arguments);

} // namespace nordavel::cli
