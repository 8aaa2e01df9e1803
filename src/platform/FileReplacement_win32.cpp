#include "platform/FileReplacement.h"

#include <memory>
#include <utility>
#include <windows.h>

#include "platform/File.h"
#include "platform/Interrupts.h"
#include "platform/IoError.h"
#include "platform/win32/WideText.h"
#include "text/TextUtil.h"

namespace nordavel {

namespace {

constexpr DWORD kCopyBufferSize = 64 * 1024;

// What stood under the target's name when the replacement began.
enum class TargetKind { None, File, Link };

int LastError() {
    return static_cast<int>(GetLastError());
}

// Extended-length form: the temporary file's name may be longer than the names users give.
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

std::string SystemTemporaryFolder() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return {};
    return win32::Narrow(std::wstring_view(folder, length));
}

class HandleCloser {
public:
    explicit HandleCloser(HANDLE handle) noexcept : handle_(handle) {}
    ~HandleCloser() { CloseHandle(handle_); }
    HandleCloser(const HandleCloser&) = delete;
    HandleCloser& operator=(const HandleCloser&) = delete;

private:
    HANDLE handle_;
};

TargetKind ExamineTarget(const std::string& target) {
    const std::wstring wide = win32::Widen(target);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const int error = LastError();
        if (error == ERROR_FILE_NOT_FOUND) return TargetKind::None;
        throw IoError(error, "Cannot create", target);
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        throw IoError(ERROR_ACCESS_DENIED, "Cannot create", target);
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return TargetKind::Link;
    // Writing is all that is asked, so another program holding the file is in the way only
    // when it does not share writing.
    const HANDLE probe = CreateFileW(wide.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) throw IoError(LastError(), "Cannot create", target);
    const DWORD type = GetFileType(probe);
    CloseHandle(probe);
    if (type != FILE_TYPE_DISK) throw IoError(ERROR_BAD_DEVICE, "Cannot create", target);
    return TargetKind::File;
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

} // namespace

struct FileReplacement::State {
    std::string target;
    TargetKind kind = TargetKind::None;
    bool beside = false;
    // The temporary file, open for reading (the copy in place), writing and deleting. It is
    // marked for deletion from its creation until it is put in place, so that the system
    // removes it when the process ends in any way before that: killed, or the session ending.
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::wstring name;
    int slot = -1; // its registration for the console handler

    ~State() { Drop(); }

    bool MarkForDeletion(bool deleteIt) noexcept {
        FILE_DISPOSITION_INFO disposition{};
        disposition.DeleteFile = deleteIt ? TRUE : FALSE;
        return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                          sizeof disposition) != 0;
    }

    // Under InterruptsHeld. The error code, or 0.
    int Open(const std::wstring& path, DWORD disposition) {
        handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                             FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return LastError();
        name = path;
        slot = detail::RegisterTemporaryName(name.c_str());
        // Where the file system cannot, the console handler still removes the file.
        MarkForDeletion(true);
        return 0;
    }

    int CreateTemporary(const std::string& folder) {
        for (std::uint32_t attempt = 0;; ++attempt) {
            const std::wstring candidate = LongPath(detail::TemporaryNameIn(folder, attempt));
            const detail::InterruptsHeld held;
            const int error = Open(candidate, CREATE_NEW);
            if (error != ERROR_FILE_EXISTS || attempt >= 100) return error;
        }
    }

    // Gives the temporary file the target's attributes, creation time and security descriptor
    // (its access list, and its owner where this process may set it), as the target would keep
    // them if it were rewritten. False when they could not be taken.
    bool TakeIdentity(const std::wstring& wideTarget) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(wideTarget.c_str(), GetFileExInfoStandard, &data)) return true;
        FILE_BASIC_INFO basic{};
        basic.CreationTime.LowPart = data.ftCreationTime.dwLowDateTime;
        basic.CreationTime.HighPart = static_cast<LONG>(data.ftCreationTime.dwHighDateTime);
        constexpr DWORD kKept = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        basic.FileAttributes =
            (data.dwFileAttributes & kKept) ? data.dwFileAttributes & kKept : FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic)) return false;

        // The descriptor as it stands, inherited entries and protection included, as the
        // target would keep it if it were rewritten.
        constexpr SECURITY_INFORMATION kAccess = DACL_SECURITY_INFORMATION;
        constexpr SECURITY_INFORMATION kOwner =
            OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION;
        DWORD size = 0;
        GetFileSecurityW(wideTarget.c_str(), kAccess | kOwner, nullptr, 0, &size);
        if (size == 0) return false;
        const std::unique_ptr<BYTE[]> descriptor(new BYTE[size]);
        if (!GetFileSecurityW(wideTarget.c_str(), kAccess | kOwner, descriptor.get(), size, &size))
            return false;
        if (!SetFileSecurityW(name.c_str(), kAccess, descriptor.get())) return false;
        // Only where this process may give the file away.
        SetFileSecurityW(name.c_str(), kOwner, descriptor.get());
        return true;
    }

    // The error code, or 0 once the temporary file stands under the target's name; on failure
    // it is still open and marked for deletion, for the copy in place.
    int RenameOverTarget() {
        const detail::InterruptsHeld held;
        const std::wstring wideTarget = win32::Widen(target);
        // A file marked for deletion can be neither renamed nor opened by name on Windows.
        if (!MarkForDeletion(false)) return LastError();
        if (kind == TargetKind::File && !TakeIdentity(wideTarget)) {
            const int error = ERROR_ACCESS_DENIED;
            MarkForDeletion(true);
            return error;
        }
        // Over a link, the link itself is replaced.
        if (!MoveFileExW(name.c_str(), wideTarget.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            const int error = LastError();
            MarkForDeletion(true);
            return error;
        }
        detail::UnregisterTemporaryName(std::exchange(slot, -1));
        name.clear();
        CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE));
        return 0;
    }

    // Writes the temporary file's bytes over the target's, then cuts it to their length:
    // overwriting what the file already has needs no new space, so a full disk can only stop
    // the copy where the new content outgrows the old. The other program that holds the
    // target shares writing (ExamineTarget asked), so it is shared here too.
    void CopyIntoTarget() {
        const detail::InterruptsHeld held;
        const HANDLE out = CreateFileW(win32::Widen(target).c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       kind == TargetKind::File ? OPEN_EXISTING : CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE) throw IoError(LastError(), "Cannot write", target);
        const HandleCloser closer(out);
        if (GetFileType(out) != FILE_TYPE_DISK)
            throw IoError(ERROR_BAD_DEVICE, "Cannot write", target);
        if (SetFilePointer(handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
            throw IoError(LastError(), "Cannot write", target);
        const std::unique_ptr<char[]> buffer(new char[kCopyBufferSize]);
        for (;;) {
            DWORD read = 0;
            if (!ReadFile(handle, buffer.get(), kCopyBufferSize, &read, nullptr))
                throw IoError(LastError(), "Cannot write", target);
            if (read == 0) break;
            WriteAll(out, buffer.get(), read, target);
        }
        if (!SetEndOfFile(out)) throw IoError(LastError(), "Cannot write", target);
    }

    void Drop() noexcept {
        const detail::InterruptsHeld held;
        if (handle != INVALID_HANDLE_VALUE) {
            MarkForDeletion(true);
            CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE));
        }
        if (!name.empty()) {
            // Gone already where the mark took effect.
            DeleteFileW(name.c_str());
            name.clear();
        }
        detail::UnregisterTemporaryName(std::exchange(slot, -1));
    }
};

FileReplacement::FileReplacement(const std::string& target) : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.target = target;
    detail::CheckNameLength(target, "Cannot create");
    state.kind = ExamineTarget(target);
    const int besideError = state.CreateTemporary(std::string(ExtractFilePath(target)));
    if (besideError == 0) {
        state.beside = true;
        return;
    }
    // A file that may be written, in a folder that takes no new file: it is written in place.
    const std::string temporaryFolder = SystemTemporaryFolder();
    if (state.kind != TargetKind::File || temporaryFolder.empty() ||
        state.CreateTemporary(temporaryFolder) != 0)
        throw IoError(besideError, "Cannot create", target);
}

FileReplacement::~FileReplacement() {
    Discard();
}

void FileReplacement::Write(const char* data, std::size_t size) {
    WriteAll(state_->handle, data, size, state_->target);
}

void FileReplacement::Commit() {
    State& state = *state_;
    try {
        int renameError = ERROR_NOT_SAME_DEVICE;
        if (state.beside) renameError = state.RenameOverTarget();
        if (renameError == 0) return;
        // A link is replaced as a whole or not at all, never written through.
        if (state.kind == TargetKind::Link)
            throw IoError(renameError, "Cannot replace", state.target);
        state.CopyIntoTarget();
        state.Drop();
    } catch (...) {
        state.Drop();
        throw;
    }
}

void FileReplacement::Discard() noexcept {
    state_->Drop();
}

} // namespace nordavel
