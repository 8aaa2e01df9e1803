#include <memory>
#include <utility>
#include <windows.h>

#include "platform/FileReplacementState.h"
#include "platform/IoError.h"
#include "platform/win32/ProcessInfo.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace nordavel {

namespace {

constexpr DWORD kCopyBufferSize = 64 * 1024;

int LastError() {
    return static_cast<int>(GetLastError());
}

// Extended-length form: the temporary file's name may be longer than the names users give.
std::wstring LongPath(const std::string& path) {
    const std::wstring wide = win32::Widen(path);
    if (wide.size() < MAX_PATH || wide.rfind(L"\\\\", 0) == 0) return wide;
    const std::optional<std::wstring> full = win32::FullPathName(wide);
    return full ? L"\\\\?\\" + *full : wide;
}

void WriteAll(HANDLE handle, const char* data, std::size_t size, const std::string& target) {
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr))
            throw IoError(LastError(), "Cannot write", target);
        data += written;
        size -= written;
    }
}

bool MarkForDeletion(HANDLE file, bool deleteIt) noexcept {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleteIt ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

// Gives the temporary file the target's attributes, creation time and security descriptor (its
// access list, and its owner where this process may set it), as the target would keep them if
// it were rewritten. False when they could not be taken.
bool TakeIdentity(HANDLE file, const std::wstring& name, const std::wstring& target) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data)) return true;
    FILE_BASIC_INFO basic{};
    basic.CreationTime.LowPart = data.ftCreationTime.dwLowDateTime;
    basic.CreationTime.HighPart = static_cast<LONG>(data.ftCreationTime.dwHighDateTime);
    constexpr DWORD kKept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    basic.FileAttributes =
        (data.dwFileAttributes & kKept) ? data.dwFileAttributes & kKept : FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic)) return false;

    // The descriptor as it stands, inherited entries and protection included.
    constexpr SECURITY_INFORMATION kAccess = DACL_SECURITY_INFORMATION;
    constexpr SECURITY_INFORMATION kOwner = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION;
    DWORD size = 0;
    GetFileSecurityW(target.c_str(), kAccess | kOwner, nullptr, 0, &size);
    if (size == 0) return false;
    const std::unique_ptr<BYTE[]> descriptor(new BYTE[size]);
    if (!GetFileSecurityW(target.c_str(), kAccess | kOwner, descriptor.get(), size, &size))
        return false;
    if (!SetFileSecurityW(name.c_str(), kAccess, descriptor.get())) return false;
    // Only where this process may give the file away.
    SetFileSecurityW(name.c_str(), kOwner, descriptor.get());
    return true;
}

} // namespace

ReplacedKind FileReplacement::State::Examine(const std::string& target) {
    const std::wstring wide = win32::Widen(target);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const int error = LastError();
        if (error == ERROR_FILE_NOT_FOUND) return ReplacedKind::None;
        throw IoError(error, "Cannot create", target);
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        throw IoError(ERROR_ACCESS_DENIED, "Cannot create", target);
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ReplacedKind::Link;
    // Writing is all that is asked, so another program holding the file is in the way only
    // when it does not share writing.
    const HANDLE probe = CreateFileW(wide.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) throw IoError(LastError(), "Cannot create", target);
    const win32::UniqueHandle closer(probe);
    if (GetFileType(probe) != FILE_TYPE_DISK)
        throw IoError(ERROR_BAD_DEVICE, "Cannot create", target);
    return ReplacedKind::File;
}

std::string FileReplacement::State::SystemTemporaryFolder() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return {};
    return win32::Narrow(std::wstring_view(folder, length));
}

// The file is marked for deletion from its creation until it is put in place, so that the system
// removes it when the process ends in any way before that: killed, or the session ending.
int FileReplacement::State::CreateTemporary(const std::string& folder) {
    for (std::uint32_t attempt = 0;; ++attempt) {
        const std::wstring candidate = LongPath(detail::TemporaryNameIn(folder, attempt));
        const detail::InterruptsHeld held;
        file = CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            name = candidate;
            slot = detail::RegisterTemporaryName(name.c_str());
            // Where the file system cannot, the console handler still removes the file.
            MarkForDeletion(file, true);
            return 0;
        }
        const int error = LastError();
        if (error != ERROR_FILE_EXISTS || attempt >= 100) return error;
    }
}

void FileReplacement::State::Write(const char* data, std::size_t size) {
    WriteAll(file, data, size, target);
}

bool FileReplacement::State::RenameOverTarget() {
    if (!FlushFileBuffers(file)) throw IoError(LastError(), "Cannot write", target);
    const detail::InterruptsHeld held;
    const std::wstring wideTarget = win32::Widen(target);
    // A file marked for deletion can be neither renamed nor opened by name on Windows.
    if (!MarkForDeletion(file, false)) throw IoError(LastError(), "Cannot write", target);
    int error = 0;
    if (kind == ReplacedKind::File && !TakeIdentity(file, name, wideTarget)) {
        error = ERROR_ACCESS_DENIED;
    } else if (!MoveFileExW(name.c_str(), wideTarget.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        // Over a link, the link itself is replaced.
        error = LastError();
    }
    if (error != 0) {
        MarkForDeletion(file, true);
        // Another program holding the target without sharing its deletion, or a folder this
        // user may not change.
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)
            throw IoError(error, "Cannot replace", target);
        refusal = error;
        return false;
    }
    detail::UnregisterTemporaryName(std::exchange(slot, -1));
    name.clear();
    CloseHandle(std::exchange(file, kNoFile));
    return true;
}

// The renaming was written through to the disk, folder entry included.
int FileReplacement::State::SyncFolder() {
    return 0;
}

// The other program that holds the target shares writing (Examine asked), so it is shared here
// too.
void FileReplacement::State::CopyIntoTarget() {
    const detail::InterruptsHeld held;
    const HANDLE out = CreateFileW(
        win32::Widen(target).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        kind == ReplacedKind::File ? OPEN_EXISTING : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) throw IoError(LastError(), "Cannot write", target);
    const win32::UniqueHandle closer(out);
    if (GetFileType(out) != FILE_TYPE_DISK) throw IoError(ERROR_BAD_DEVICE, "Cannot write", target);
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        throw IoError(LastError(), "Cannot write", target);
    const std::unique_ptr<char[]> buffer(new char[kCopyBufferSize]);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.get(), kCopyBufferSize, &read, nullptr))
            throw IoError(LastError(), "Cannot write", target);
        if (read == 0) break;
        WriteAll(out, buffer.get(), read, target);
    }
    if (!SetEndOfFile(out) || !FlushFileBuffers(out))
        throw IoError(LastError(), "Cannot write", target);
}

void FileReplacement::State::Drop() noexcept {
    const detail::InterruptsHeld held;
    if (file != kNoFile) {
        MarkForDeletion(file, true);
        CloseHandle(std::exchange(file, kNoFile));
    }
    if (!name.empty()) {
        // Gone already where the mark took effect.
        DeleteFileW(name.c_str());
        name.clear();
    }
    detail::UnregisterTemporaryName(std::exchange(slot, -1));
}

} // namespace nordavel
