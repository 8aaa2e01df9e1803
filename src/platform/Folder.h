#pragma once

#include <string>
#include <vector>

// Folders, for a command line that names folders or wildcards instead of single files. Paths are
// UTF-8; failures are IoError with the operating system's error code.
namespace nordavel {

struct FolderEntry {
    std::string name; // the entry's own name, without its folder
    // A folder to go down into: a real one, not a link to one, so that going down the tree
    // always ends.
    bool isFolder = false;
};

// True when `path` names a folder (following links, as opening it would).
bool IsFolder(const std::string& path);

// The entries of a folder, "." and ".." left out, in no particular order.
std::vector<FolderEntry> ListFolder(const std::string& path);

} // namespace nordavel
