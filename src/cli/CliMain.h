#pragma once

#include <string>
#include <vector>

namespace nordavel::cli {

inline constexpr int kExitAllConverted = 0;
inline constexpr int kExitSomeNotConverted = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitPassedOnError = 3;

// The console converter, given its arguments (without the program name) as UTF-8.
int RunCli(const std::vector<std::string>& arguments);

} // namespace nordavel::cli
