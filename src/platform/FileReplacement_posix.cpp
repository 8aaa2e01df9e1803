#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "base/TextUtil.h"
#include "platform/FileReplacementState.h"
#include "platform/IoError.h"
#include "platform/posix/UniqueFd.h"

namespace nordavel {

namespace {

constexpr std::size_t kCopyBufferSize = 64 * 1024;

// The folder part of a path, "./" for a bare name, as system calls take it.
std::string FolderOf(const std::string& path) {
    const std::string folder(UpToLastSeparator(path));
    return folder.empty() ? "./" : folder;
}

// In a sticky folder (such as /tmp) only the owner of an entry or of the folder may rename over
// it: a link that another user planted there can be neither replaced nor written through.
bool StickyFolderForbidsReplacing(const std::string& target, const struct stat& entry) {
    struct stat folder {};
    if (::stat(FolderOf(target).c_str(), &folder) != 0 || (folder.st_mode & S_ISVTX) == 0)
        return false;
    const uid_t user = ::geteuid();
    return user != 0 && entry.st_uid != user && folder.st_uid != user;
}

void WriteAll(int fd, const char* data, std::size_t size, const std::string& target) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw IoError(errno, "Cannot write", target);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// Flushes a file's content to the disk; the error code, or 0.
int Sync(int fd) {
    while (::fsync(fd) != 0)
        if (errno != EINTR) return errno;
    return 0;
}

// Closing is the last moment a file's write errors show (on a network file system, for one).
// After EINTR the descriptor is closed all the same.
int Close(int fd) {
    return ::close(fd) != 0 && errno != EINTR ? errno : 0;
}

// An unnamed temporary file gets its name through /proc; without /proc (a chroot, some
// containers) it could get none, so the file is named from the start.
bool CanNameUnnamedFiles() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// Gives an unnamed temporary file a name beside the target; the error code, or 0. Under
// InterruptsHeld, so that the name is registered whenever it exists.
int LinkIntoFolder(int fd, const std::string& target, std::string& name, int& slot) {
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    for (std::uint32_t attempt = 0;; ++attempt) {
        std::string candidate = detail::TemporaryNameIn(FolderOf(target), attempt);
        const int registered = detail::RegisterTemporaryName(candidate.c_str());
        if (::linkat(AT_FDCWD, self, AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            name = std::move(candidate);
            slot = registered;
            return 0;
        }
        const int error = errno;
        detail::UnregisterTemporaryName(registered);
        if (error != EEXIST || attempt >= 100) return error;
    }
}

// Gives the temporary file the target's permission bits and, where this process may, its
// owner and group; false when the bits could not be set.
bool TakeIdentity(int fd, const std::string& target) {
    struct stat wanted {};
    struct stat have {};
    if (::lstat(target.c_str(), &wanted) != 0 || !S_ISREG(wanted.st_mode)) return true;
    if (::fstat(fd, &have) != 0) return false;
    if ((have.st_uid != wanted.st_uid || have.st_gid != wanted.st_gid) &&
        ::fchown(fd, wanted.st_uid, wanted.st_gid) != 0) {
        // Not the owner's, then at least the group's, where this user belongs to it.
        [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), wanted.st_gid);
    }
    // After the owner: changing the owner clears the set-user-ID and set-group-ID bits.
    return ::fchmod(fd, wanted.st_mode & 07777) == 0;
}

} // namespace

ReplacedKind FileReplacement::State::Examine(const std::string& target) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
        if (errno == ENOENT) return ReplacedKind::None;
        throw IoError(errno, "Cannot create", target);
    }
    if (S_ISLNK(info.st_mode)) {
        if (StickyFolderForbidsReplacing(target, info))
            throw IoError(EPERM, "Cannot create", target);
        return ReplacedKind::Link;
    }
    if (S_ISDIR(info.st_mode)) throw IoError(EISDIR, "Cannot create", target);
    if (!S_ISREG(info.st_mode)) throw IoError(EEXIST, "Cannot create", target);
    // A file without write permission counts as read-only even for the superuser, as the
    // read-only attribute does on Windows; the open tells whether this user may write it.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        throw IoError(EACCES, "Cannot create", target);
    const posix::UniqueFd probe(
        ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (!probe) throw IoError(errno, "Cannot create", target);
    return ReplacedKind::File;
}

std::string FileReplacement::State::SystemTemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    std::string result = (folder && folder[0] == '/') ? folder : "/tmp";
    if (result.back() != '/') result += '/';
    return result;
}

// Unnamed where the file system allows, so that not even a killed process leaves it behind.
int FileReplacement::State::CreateTemporary(const std::string& folder) {
#ifdef O_TMPFILE
    if (CanNameUnnamedFiles()) {
        file = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (file >= 0) return 0;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
    }
#endif
    for (std::uint32_t attempt = 0;; ++attempt) {
        std::string candidate = detail::TemporaryNameIn(folder, attempt);
        const detail::InterruptsHeld held;
        file = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (file >= 0) {
            name = std::move(candidate);
            slot = detail::RegisterTemporaryName(name.c_str());
            return 0;
        }
        if (errno != EEXIST || attempt >= 100) return errno;
    }
}

void FileReplacement::State::Write(const char* data, std::size_t size) {
    WriteAll(file, data, size, target);
}

bool FileReplacement::State::RenameOverTarget() {
    if (kind == ReplacedKind::File && !TakeIdentity(file, target)) {
        refusal = EPERM;
        return false;
    }
    if (const int error = Sync(file); error != 0) throw IoError(error, "Cannot write", target);
    const detail::InterruptsHeld held;
    if (name.empty())
        if (const int error = LinkIntoFolder(file, target, name, slot); error != 0)
            throw IoError(error, "Cannot write", target);
    if (const int error = Close(std::exchange(file, kNoFile)); error != 0)
        throw IoError(error, "Cannot write", target);
    if (::rename(name.c_str(), target.c_str()) != 0) {
        // In a sticky folder, a file of another user's.
        if (errno == EPERM || errno == EACCES) {
            refusal = errno;
            return false;
        }
        throw IoError(errno, "Cannot replace", target);
    }
    detail::UnregisterTemporaryName(std::exchange(slot, -1));
    name.clear();
    return true;
}

int FileReplacement::State::SyncFolder() {
    const posix::UniqueFd folder(
        ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder) return errno;
    const int error = Sync(folder.get());
    // Some file systems have nothing to sync a folder with, and say so.
    return error == EINVAL ? 0 : error;
}

void FileReplacement::State::CopyIntoTarget() {
    // A copy broken off would leave the target half old, half new.
    const detail::InterruptsHeld held;
    const int flags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC |
                      (kind == ReplacedKind::File ? 0 : O_CREAT | O_EXCL);
    // Renaming was refused after the temporary file was closed: it is read by its name.
    if (file == kNoFile && (file = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)) < 0)
        throw IoError(errno, "Cannot write", target);
    posix::UniqueFd out(::open(target.c_str(), flags, 0666));
    if (!out) throw IoError(errno, "Cannot write", target);
    struct stat info {};
    if (::fstat(out.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw IoError(EEXIST, "Cannot write", target);
    const std::unique_ptr<char[]> buffer(new char[kCopyBufferSize]);
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(file, buffer.get(), kCopyBufferSize, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw IoError(errno, "Cannot write", target);
        }
        if (n == 0) break;
        WriteAll(out.get(), buffer.get(), static_cast<std::size_t>(n), target);
        offset += n;
    }
    if (::ftruncate(out.get(), offset) != 0) throw IoError(errno, "Cannot write", target);
    if (const int error = Sync(out.get()); error != 0) throw IoError(error, "Cannot write", target);
    if (const int error = Close(out.release()); error != 0)
        throw IoError(error, "Cannot write", target);
}

void FileReplacement::State::Drop() noexcept {
    if (file != kNoFile) ::close(std::exchange(file, kNoFile));
    if (!name.empty()) {
        ::unlink(name.c_str());
        detail::UnregisterTemporaryName(std::exchange(slot, -1));
        name.clear();
    }
}

} // namespace nordavel
