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

// Extended-length form, for the temporary file whose name may be longer than the names users
// give.
std::wstring LongPath(const std::string& path) {
    const std::wstring wide = win32::Widen(path);
    if (wide.size() < MAX_PATH || wide.rfind(L"\\\\", 0) == 0) return wide;
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return wide;
    full.resize(length);
    return L"\\\\?\\" + full;
}

} // namespace

std::string SystemErrorText(int osCode) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(osCode), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length > 0 ? std::wstring(buffer, length) : L"";
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L'.' ||
                             text.back() == L' '))
        text.pop_back();
    if (text.empty()) return "system error";
    return win32::Narrow(text);
}

int LastSystemError() noexcept {
    return static_cast<int>(GetLastError());
}

InputFile::InputFile(NativeFileHandle handle, std::string path) noexcept
    : handle_(handle), path_(std::move(path)) {}

InputFile InputFile::Open(const std::string& path) {
    return InputFile(OpenOrThrow(path, GENERIC_READ, OPEN_EXISTING, "Cannot open"), path);
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

OutputFile::OutputFile(NativeFileHandle handle, std::string path) noexcept
    : handle_(handle), path_(std::move(path)) {}

OutputFile OutputFile::Create(const std::string& path) {
    return OutputFile(OpenOrThrow(path, GENERIC_WRITE, CREATE_ALWAYS, "Cannot create"), path);
}

OutputFile OutputFile::CreateTemporaryBeside(const std::string& besidePath,
                                             std::string& createdPath) {
    for (std::uint32_t attempt = 0;; ++attempt) {
        std::string name = detail::TemporaryNameBeside(besidePath, attempt);
        const HANDLE handle = CreateFileW(LongPath(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            createdPath = name;
            // Errors name the file the user knows of, not the temporary one.
            return OutputFile(handle, besidePath);
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS || attempt >= 100)
            throw IoError(static_cast<int>(error), "Cannot create", name);
    }
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)), path_(std::move(other.path_)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(AsHandle(handle_));
        handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        path_ = std::move(other.path_);
    }
    return *this;
}

OutputFile::~OutputFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(AsHandle(handle_));
}

void OutputFile::Write(const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(AsHandle(handle_), data, chunk, &written, nullptr))
            throw IoError(static_cast<int>(GetLastError()), "Cannot write", path_);
        data += written;
        size -= written;
    }
}

void OutputFile::Close() {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    if (!CloseHandle(AsHandle(std::exchange(handle_, INVALID_HANDLE_VALUE))))
        throw IoError(static_cast<int>(GetLastError()), "Cannot close", path_);
}

void CheckReplaceable(const std::string& path) {
    detail::CheckNameLength(path, "Cannot create");
    const std::wstring wide = win32::Widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return;
        throw IoError(static_cast<int>(error), "Cannot create", path);
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        throw IoError(ERROR_ACCESS_DENIED, "Cannot create", path);
    // Opening for writing, as creating over it would, tells whether another program holds it.
    const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw IoError(static_cast<int>(GetLastError()), "Cannot create", path);
    CloseHandle(handle);
}

void MoveFileReplacing(const std::string& from, const std::string& to) {
    if (!MoveFileExW(LongPath(from).c_str(), win32::Widen(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
        throw IoError(static_cast<int>(GetLastError()), "Cannot replace", to);
}

bool RemoveFile(const std::string& path) noexcept {
    try {
        return DeleteFileW(LongPath(path).c_str()) != 0;
    } catch (...) {
        return false;
    }
}

bool FileExists(const std::string& path) noexcept {
    try {
        return GetFileAttributesW(win32::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    } catch (...) {
        return false;
    }
}

} // namespace nordavel
