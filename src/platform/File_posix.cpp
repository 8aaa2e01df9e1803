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

int OpenOrThrow(const std::string& path, int flags, const char* action) {
    detail::CheckNameLength(path, action);
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC);
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
int OutOfMemoryError() noexcept {
    return ENOMEM;
}

InputFile::InputFile(NativeFileHandle handle, std::string path) noexcept
    : handle_(handle), path_(std::move(path)) {}

InputFile InputFile::Open(const std::string& path) {
    // Without O_NONBLOCK opening a FIFO waits for a writer; for a regular file it changes nothing.
    const int fd = OpenOrThrow(path, O_RDONLY | O_NONBLOCK, "Cannot open");
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        throw IoError(error, "Cannot open", path);
    }
    return InputFile(fd, path);
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoFile)), path_(std::move(other.path_)) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, kNoFile);
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
    if (handle_ != kNoFile) ::close(std::exchange(handle_, kNoFile));
}

} // namespace nordavel
