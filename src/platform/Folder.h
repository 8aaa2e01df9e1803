#pragma once

#include <string>
#include <string_view>
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

// Whether a file manager sorting by name shows `a` before `b`: on Windows Explorer's own order;
// elsewhere the same idea, numbers by their value ("trip 2" before "trip 10") and letters in any
// case.
bool ShownBefore(std::string_view a, std::string_view b);

} // namespace nordavel
