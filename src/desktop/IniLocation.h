#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Which settings file a run uses: beside the executable and named after it, or named on the
// command line, or, when its folder cannot be written, a per-user copy below APPDATA.
namespace nordavel {

// True for a parameter or file whose extension is ".ini" in any letter case.
bool IsIniFileName(std::string_view name);

// What the location needs of the system.
class IniLocationSystem {
public:
    virtual ~IniLocationSystem() = default;
    virtual std::string ExecutablePath() const = 0;
    virtual std::vector<std::string> Parameters() const = 0;
    // The parameter made absolute against the current working folder.
    virtual std::string AbsolutePath(const std::string& relative) const = 0;
    // Creates and deletes a new file whose name begins with "$$$" in `folder` (with its trailing
    // "\"); false when that cannot be done.
    virtual bool ProbeWritable(const std::string& folder) const = 0;
    virtual std::string EnvironmentVariable(const std::string& name) const = 0;
    virtual bool FolderExists(const std::string& folder) const = 0;
    // Creates the folder with all missing parents; false on failure.
    virtual bool CreateFolders(const std::string& folder) const = 0;
    virtual bool FileExists(const std::string& path) const = 0;
    // The later of the file's creation and last-write time as local time in milliseconds
    // since some fixed day, or 0 when they cannot be read.
    virtual std::int64_t FileTime(const std::string& path) const = 0;
    // Copies `from` to `to`, replacing it; false on failure.
    virtual bool CopyOver(const std::string& from, const std::string& to) const = 0;
};

// The location errors: they are shown in the application's error box.
class IniLocationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The settings file path for this run.
std::string LocateIniFile(const IniLocationSystem& system);

// `path` itself when its folder can be written; otherwise the per-user path, after copying the
// file there when it is newer than the copy.
std::string WritableIniFile(const IniLocationSystem& system, const std::string& path);

// The file that LocateIniFile starts from: the executable's path with ".ini", or the first
// command-line parameter whose text ends in ".ini" (bare names beside the executable, others
// made absolute against the working folder).
std::string ChosenIniFile(const IniLocationSystem& system);

} // namespace nordavel
