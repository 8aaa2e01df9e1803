#include "desktop/IniLocation.h"

#include "base/TextUtil.h"

namespace nordavel {

namespace {

constexpr auto kWindows = PathStyle::Windows;

} // namespace

bool IsIniFileName(std::string_view name) {
    return HasExtension(name, ".ini", kWindows);
}

std::string ChosenIniFile(const IniLocationSystem& system) {
    const std::string executable = system.ExecutablePath();
    for (const std::string& parameter : system.Parameters()) {
        if (!IsIniFileName(parameter)) continue;
        if (parameter.find_first_of("\\/:") != std::string::npos)
            return system.AbsolutePath(parameter);
        return std::string(ExtractFilePath(executable, kWindows)) + parameter;
    }
    return ChangeFileExt(executable, ".ini", kWindows);
}

std::string LocateIniFile(const IniLocationSystem& system) {
    return WritableIniFile(system, ChosenIniFile(system));
}

std::string WritableIniFile(const IniLocationSystem& system, const std::string& path) {
    if (system.ProbeWritable(std::string(UpToLastSeparator(path, kWindows)))) return path;

    const std::string executableName(ExtractFileName(system.ExecutablePath(), kWindows));
    const std::string folder = system.EnvironmentVariable("APPDATA") + "\\" +
                               ChangeFileExt(executableName, "", kWindows) + "\\";
    if (!system.FolderExists(folder) && !system.CreateFolders(folder))
        throw IniLocationError("Cannot create : " + folder);

    const std::string target = folder + std::string(ExtractFileName(path, kWindows));
    if (system.FileExists(path) && system.FileTime(path) > system.FileTime(target) &&
        !system.CopyOver(path, target))
        throw IniLocationError("Cannot Copy : " + target);
    return target;
}

} // namespace nordavel
