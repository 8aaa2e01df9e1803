#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/TextUtil.h"

// What the names on a command line stand for. A file is itself, whatever its extension; a folder
// stands for the logs in it; on Windows a wildcard stands for the names it matches, because
// neither cmd nor PowerShell expands one.
namespace nordavel::cli {

struct ExpansionRules {
    bool recursive = false; // a folder's subfolders too
    // POSIX shells expand wildcards before the program starts, and there "*" in a name that
    // reaches the program is an ordinary character.
    bool wildcards = kNativePathStyle == PathStyle::Windows;
    PathStyle style = kNativePathStyle;
    // The files a folder stands for, by name; logs (*.kml in any letter case) when not given.
    std::function<bool(std::string_view name)> wanted = {};
    // The note for a folder without any: "No log file in folder: " and its name.
    std::string_view noneInFolder = "No log file in folder: ";
};

struct ExpandedFiles {
    std::vector<std::string> files;
    // One report line (without line end) for each folder that held none or could not be read.
    std::vector<std::string> notes;
};

// Names are used exactly as given: blanks and ">" are part of a name.
ExpandedFiles ExpandFileArguments(const std::vector<std::string>& arguments,
                                  const ExpansionRules& rules = {});

// "*" matches any run of characters, "?" one character; letters A to Z match either case when
// `ignoreCase` is set.
bool MatchesWildcard(std::string_view pattern, std::string_view name, bool ignoreCase);

} // namespace nordavel::cli
