#include "platform/File.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/IoError.h"

namespace nordavel {

namespace {

constexpr int kClosed = -1;

int OpenOrThrow(const std::string& path, int flags, const char* action) {
    detail::CheckNameLength(path, action);
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw IoError(errno, action, path);
    return fd;
}

} // namespace

std::string SystemErrorText(int osCode) {
    return std::strerror(osCode);
}
int LastSystemError() noexcept {
    return errno;
}

InputFile::InputFile(NativeFileHandle handle, std::string path) noexcept
    : handle_(handle), path_(std::move(path)) {}

InputFile InputFile::Open(const std::string& path) {
    const int fd = OpenOrThrow(path, O_RDONLY, "Cannot open");
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        throw IoError(EISDIR, "Cannot open", path);
    }
    return InputFile(fd, path);
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)), path_(std::move(other.path_)) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, kClosed);
        path_ = std::move(other.path_);
    }
    return *this;
}

InputFile::~InputFile() {
    Close();
}

std::size_t InputFile::Read(char* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t n = ::read(handle_, buffer, capacity);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) throw IoError(errno, "Cannot read", path_);
    }
}

void InputFile::Close() noexcept {
    if (handle_ != kClosed) ::close(std::exchange(handle_, kClosed));
}

OutputFile::OutputFile(NativeFileHandle handle, std::string path) noexcept
    : handle_(handle), path_(std::move(path)) {}

OutputFile OutputFile::Create(const std::string& path) {
    return OutputFile(OpenOrThrow(path, O_WRONLY | O_CREAT | O_TRUNC, "Cannot create"), path);
}

OutputFile OutputFile::CreateTemporaryBeside(const std::string& besidePath,
                                             std::string& createdPath) {
    for (std::uint32_t attempt = 0;; ++attempt) {
        std::string name = detail::TemporaryNameBeside(besidePath, attempt);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            createdPath = name;
            // Errors name the file the user knows of, not the temporary one.
            return OutputFile(fd, besidePath);
        }
        if (errno != EEXIST || attempt >= 100) throw IoError(errno, "Cannot create", name);
    }
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)), path_(std::move(other.path_)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        if (handle_ != kClosed) ::close(handle_);
        handle_ = std::exchange(other.handle_, kClosed);
        path_ = std::move(other.path_);
    }
    return *this;
}

OutputFile::~OutputFile() {
    if (handle_ != kClosed) ::close(handle_);
}

void OutputFile::Write(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(handle_, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw IoError(errno, "Cannot write", path_);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void OutputFile::Close() {
    if (handle_ == kClosed) return;
    if (::close(std::exchange(handle_, kClosed)) != 0 && errno != EINTR)
        throw IoError(errno, "Cannot close", path_);
}

void CheckReplaceable(const std::string& path) {
    detail::CheckNameLength(path, "Cannot create");
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return;
        throw IoError(errno, "Cannot create", path);
    }
    if (S_ISDIR(info.st_mode)) throw IoError(EISDIR, "Cannot create", path);
    // A file without write permission counts as read-only even for the superuser, as the
    // read-only attribute does on Windows; the write-open also tells when this user may not.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        throw IoError(EACCES, "Cannot create", path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw IoError(errno, "Cannot create", path);
    ::close(fd);
}

void MoveFileReplacing(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) throw IoError(errno, "Cannot replace", to);
}

bool RemoveFile(const std::string& path) noexcept {
    return ::unlink(path.c_str()) == 0;
}

bool FileExists(const std::string& path) noexcept {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace nordavel
