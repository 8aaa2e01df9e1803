#include "batch/FolderLogs.h"

#include <algorithm>

#include "base/TextUtil.h"
#include "platform/Folder.h"
#include "platform/IoError.h"

namespace nordavel {

std::vector<std::string> LogsInFolder(const std::string& folder) {
    std::vector<std::string> names;
    for (const FolderEntry& entry : ListFolder(folder))
        if (!entry.isFolder && !entry.name.starts_with('.') && HasExtension(entry.name, ".kml"))
            names.push_back(entry.name);
    std::sort(names.begin(), names.end(), ShownBefore);
    for (std::string& name : names)
        name = JoinPath(folder, name);
    return names;
}

std::vector<std::string> ListLinesOf(const std::string& name) {
    if (!IsFolder(name)) return {name};
    try {
        std::vector<std::string> logs = LogsInFolder(name);
        if (!logs.empty()) return logs;
    } catch (const IoError&) {
        // The run reads the folder again and reports why it cannot.
    }
    return {name};
}

} // namespace nordavel
