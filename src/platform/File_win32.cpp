#include "platform/File.h"

#include <utility>
#include <windows.h>

#include "platform/IoError.h"
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

std::string SystemErrorText(int osCode) {
    // System messages are a line or two, well within the buffer.
    wchar_t buffer[1024];
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(osCode), 0, buffer, 1024, nullptr);
    std::wstring text(buffer, length);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L'.' ||
                             text.back() == L' '))
        text.pop_back();
    if (text.empty()) return "system error";
    return win32::Narrow(text);
}

int LastSystemError() noexcept {
    return static_cast<int>(GetLastError());
}

int OutOfMemoryError() noexcept {
    return ERROR_NOT_ENOUGH_MEMORY;
}

InputFile::InputFile(NativeFileHandle handle, std::string path) noexcept
    : handle_(handle), path_(std::move(path)) {}

InputFile InputFile::Open(const std::string& path) {
    const HANDLE handle = OpenOrThrow(path, GENERIC_READ, OPEN_EXISTING, "Cannot open");
    // Devices (NUL, CON, COM1) and pipes open like files but are no logs.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        throw IoError(ERROR_BAD_DEVICE, "Cannot open", path);
    }
    return InputFile(handle, path);
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)), path_(std::move(other.path_)) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        path_ = std::move(other.path_);
    }
    return *this;
}

InputFile::~InputFile() {
    Close();
}

std::size_t InputFile::Read(char* buffer, std::size_t capacity) {
    DWORD read = 0;
    const DWORD wanted = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
    if (!ReadFile(AsHandle(handle_), buffer, wanted, &read, nullptr))
        throw IoError(static_cast<int>(GetLastError()), "Cannot read", path_);
    return read;
}

void InputFile::Close() noexcept {
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(AsHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)));
}

} // namespace nordavel
