#include "platform/File.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/IoError.h"
#include "platform/posix/UniqueFd.h"

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

InputFile InputFile::Open(const std::string& path) {
    // Without O_NONBLOCK opening a FIFO waits for a writer; for a regular file it changes nothing.
    posix::UniqueFd fd(OpenOrThrow(path, O_RDONLY | O_NONBLOCK, "Cannot open"));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw IoError(S_ISDIR(info.st_mode) ? EISDIR : ENODEV, "Cannot open", path);
    return InputFile(fd.release(), path);
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

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

ModificationTime ModificationTimeOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) throw IoError(errno, "Cannot read the time of", path);
    return {info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

void SetModificationTime(const std::string& path, const ModificationTime& time) {
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {static_cast<time_t>(time.seconds), time.nanoseconds}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw IoError(errno, "Cannot set the time of", path);
}

} // namespace nordavel
