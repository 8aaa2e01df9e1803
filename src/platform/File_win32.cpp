#include "platform/File.h"

#include <utility>
#include <windows.h>

#include "platform/IoError.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace nordavel {

namespace {

HANDLE AsHandle(NativeFileHandle handle) {
    return static_cast<HANDLE>(handle);
}

HANDLE OpenOrThrow(const std::string& path, DWORD access, DWORD disposition, const char* action) {
    detail::CheckNameLength(path, action);
    const HANDLE handle = CreateFileW(win32::Widen(path).c_str(), access, FILE_SHARE_READ, nullptr,
                                      disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw IoError(static_cast<int>(GetLastError()), action, path);
    return handle;
}

} // namespace

InputFile InputFile::Open(const std::string& path) {
    win32::UniqueHandle handle(OpenOrThrow(path, GENERIC_READ, OPEN_EXISTING, "Cannot open"));
    // Devices (NUL, CON, COM1) and pipes open like files but are no logs.
    if (GetFileType(handle.get()) != FILE_TYPE_DISK)
        throw IoError(ERROR_BAD_DEVICE, "Cannot open", path);
    return InputFile(handle.release(), path);
}

std::size_t InputFile::Read(char* buffer, std::size_t capacity) {
    DWORD read = 0;
    const DWORD wanted = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
    if (!ReadFile(AsHandle(handle_), buffer, wanted, &read, nullptr))
        throw IoError(static_cast<int>(GetLastError()), "Cannot read", path_);
    return read;
}

void InputFile::Close() noexcept {
    if (handle_ != kNoFile) CloseHandle(AsHandle(std::exchange(handle_, kNoFile)));
}

bool Exists(const std::string& path) {
    return GetFileAttributesW(win32::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

ModificationTime ModificationTimeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(win32::Widen(path).c_str(), GetFileExInfoStandard, &data))
        throw IoError(static_cast<int>(GetLastError()), "Cannot read the time of", path);
    return {data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime};
}

void SetModificationTime(const std::string& path, const ModificationTime& time) {
    const HANDLE opened = CreateFileW(win32::Widen(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        throw IoError(static_cast<int>(GetLastError()), "Cannot set the time of", path);
    const win32::UniqueHandle file(opened);
    const FILETIME written{static_cast<DWORD>(time.nanoseconds), static_cast<DWORD>(time.seconds)};
    if (!SetFileTime(file.get(), nullptr, nullptr, &written))
        throw IoError(static_cast<int>(GetLastError()), "Cannot set the time of", path);
}

} // namespace nordavel
