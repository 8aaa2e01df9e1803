#include "platform/Folder.h"

#include <windows.h>

#include <shlwapi.h>

#include "platform/IoError.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace nordavel {

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(win32::Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<FolderEntry> ListFolder(const std::string& path) {
    std::string pattern = path;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/' &&
        pattern.back() != ':')
        pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAW found{};
    // The basic level leaves out the 8.3 names, which would match patterns the long ones do not.
    const HANDLE first = FindFirstFileExW(win32::Widen(pattern).c_str(), FindExInfoBasic, &found,
                                          FindExSearchNameMatch, nullptr, 0);
    std::vector<FolderEntry> entries;
    if (first == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return entries;
        throw IoError(static_cast<int>(error), "Cannot read folder", path);
    }
    const win32::UniqueFindHandle find(first);
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const DWORD attributes = found.dwFileAttributes;
        entries.push_back(
            {win32::Narrow(name), (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                                      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0});
    } while (FindNextFileW(find.get(), &found));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES)
        throw IoError(static_cast<int>(error), "Cannot read folder", path);
    return entries;
}

bool ShownBefore(std::string_view a, std::string_view b) {
    return StrCmpLogicalW(win32::Widen(a).c_str(), win32::Widen(b).c_str()) < 0;
}

} // namespace nordavel
