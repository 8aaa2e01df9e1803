#include "desktop/WindowsSettings.h"

#include <windows.h>

#include "platform/IoError.h"
#include "platform/win32/ProcessInfo.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace nordavel::win32 {

namespace {

DWORD Attributes(const std::string& path) {
    return GetFileAttributesW(Widen(path).c_str());
}

// Local time as one comparable number: milliseconds, with room for every field.
std::int64_t LocalMilliseconds(const FILETIME& time) {
    if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0) return 0;
    FILETIME local{};
    SYSTEMTIME fields{};
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &fields)) return 0;
    std::int64_t value = fields.wYear;
    value = value * 13 + fields.wMonth;
    value = value * 32 + fields.wDay;
    value = value * 24 + fields.wHour;
    value = value * 60 + fields.wMinute;
    value = value * 60 + fields.wSecond;
    return value * 1000 + fields.wMilliseconds;
}

} // namespace

std::string WindowsIniLocation::ExecutablePath() const {
    return win32::ExecutablePath();
}

std::vector<std::string> WindowsIniLocation::Parameters() const {
    return CommandLineParameters();
}

std::string WindowsIniLocation::AbsolutePath(const std::string& relative) const {
    const std::optional<std::wstring> full = FullPathName(Widen(relative));
    return full ? Narrow(*full) : relative;
}

bool WindowsIniLocation::ProbeWritable(const std::string& folder) const {
    wchar_t probe[MAX_PATH + 16] = L"";
    if (GetTempFileNameW(Widen(folder).c_str(), L"$$$", 0, probe) == 0) return false;
    // Some implementations hand out a name even when the file could not be made: only a file
    // that exists proves the folder writable.
    if (GetFileAttributesW(probe) == INVALID_FILE_ATTRIBUTES) return false;
    DeleteFileW(probe);
    return true;
}

std::string WindowsIniLocation::EnvironmentVariable(const std::string& name) const {
    const std::wstring wideName = Widen(name);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    value.resize(length < size ? length : 0);
    return Narrow(value);
}

bool WindowsIniLocation::FolderExists(const std::string& folder) const {
    const DWORD attributes = Attributes(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WindowsIniLocation::CreateFolders(const std::string& folder) const {
    // Every prefix that ends before a "\" is a folder that may have to be made, from the top.
    for (std::size_t end = folder.find('\\', 1); end != std::string::npos;
         end = folder.find('\\', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (part.empty() || part.back() == ':' || FolderExists(part)) continue;
        if (!CreateDirectoryW(Widen(part).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return FolderExists(folder);
}

bool WindowsIniLocation::FileExists(const std::string& path) const {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::int64_t WindowsIniLocation::FileTime(const std::string& path) const {
    const HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    const UniqueHandle closer(file);
    FILETIME created{};
    FILETIME written{};
    if (!GetFileTime(file, &created, nullptr, &written)) return 0;
    const std::int64_t creation = LocalMilliseconds(created);
    const std::int64_t lastWrite = LocalMilliseconds(written);
    return lastWrite > creation ? lastWrite : creation;
}

bool WindowsIniLocation::CopyOver(const std::string& from, const std::string& to) const {
    return CopyFileW(Widen(from).c_str(), Widen(to).c_str(), FALSE) != 0;
}

ProfileSettingsStore::ProfileSettingsStore(const std::string& path) : path_(Widen(path)) {}

bool ProfileSettingsStore::Exists() const {
    return GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ProfileSettingsStore::CreateEmpty() {
    const HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw IoError(static_cast<int>(GetLastError()), "Cannot create", Narrow(path_));
    // The byte-order mark makes the profile functions keep the file in UTF-16.
    const UniqueHandle closer(file);
    const unsigned char mark[2] = {0xFF, 0xFE};
    DWORD written = 0;
    if (!WriteFile(file, mark, 2, &written, nullptr) || written != 2)
        throw IoError(static_cast<int>(GetLastError()), "Cannot write", Narrow(path_));
}

std::optional<std::string> ProfileSettingsStore::Read(std::string_view section,
                                                      std::string_view key) const {
    // A default no value can equal tells a missing key from an empty one.
    constexpr wchar_t kMissing[] = L"\x1\x2\x3";
    wchar_t value[2048] = L"";
    GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), kMissing, value, 2048,
                             path_.c_str());
    if (std::wstring_view(value) == kMissing) return std::nullopt;
    return Narrow(value);
}

void ProfileSettingsStore::Write(std::string_view section, std::string_view key,
                                 std::string_view value) {
    if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(),
                                    Widen(value).c_str(), path_.c_str()))
        throw IoError(static_cast<int>(GetLastError()), "Cannot write", Narrow(path_));
}

void ProfileSettingsStore::Flush() {
    // All three names null: the system writes its cached copy of the file out. What it returns
    // then tells nothing about a failure.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str());
}

} // namespace nordavel::win32
