#pragma once

#include <string>
#include <vector>

// A folder given to the window stands for the logs it holds, as a folder on the command line does.
namespace nordavel {

// The logs in `folder`: its files whose names end in ".kml" in any letter case, not those of its
// subfolders, nor hidden ones whose names begin with ".", as paths in the order a file manager
// shows them by name. IoError when the folder cannot be read.
std::vector<std::string> LogsInFolder(const std::string& folder);

// The list lines for a name dropped on the window or given on its command line: the logs of a
// folder that holds some, else the name itself, which the run then marks.
std::vector<std::string> ListLinesOf(const std::string& name);

} // namespace nordavel
