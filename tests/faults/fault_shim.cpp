// Faults for nordavel-cli end to end, loaded with LD_PRELOAD. Set by environment variables:
//   NORDAVEL_FAULT_READ=NAME:N[:once]
//                               reads of the file NAME (or of NAME in any folder) fail with EIO
//                               once N bytes have been read (N = 0: the first read fails); with
//                               "once" only the first such read fails, as a disk may fail once
//                               and read the same place again afterwards
//   NORDAVEL_FAULT_SLOW=NAME    reads of such a file give at most 4 KiB and take 2 ms each, so
//                               that a conversion lasts long enough to be interrupted
//   NORDAVEL_FAULT_NO_TMPFILE=1 the file system offers no unnamed temporary files (O_TMPFILE)
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace {

enum class Fault { None, Failing, Slow };

struct Tracked {
    Fault fault = Fault::None;
    std::size_t readSoFar = 0;
    bool failed = false;
};
Tracked tracked[4096];

// True when `path` names the file `name`: the whole path, or its last parts.
bool Names(std::string_view path, std::string_view name) {
    if (name.empty() || path.size() < name.size() || path.substr(path.size() - name.size()) != name)
        return false;
    return path.size() == name.size() || path[path.size() - name.size() - 1] == '/';
}

// The part of a variable's value before ":", and the number after it.
std::string_view NamePart(const char* value) {
    const std::string_view text(value);
    return text.substr(0, text.find(':'));
}

void Track(int fd, const char* path) {
    if (fd < 0 || fd >= static_cast<int>(std::size(tracked))) return;
    tracked[fd] = {};
    if (const char* failing = std::getenv("NORDAVEL_FAULT_READ");
        failing && Names(path, NamePart(failing)))
        tracked[fd].fault = Fault::Failing;
    if (const char* slow = std::getenv("NORDAVEL_FAULT_SLOW"); slow && Names(path, slow))
        tracked[fd].fault = Fault::Slow;
}

std::size_t FailAfter() {
    const char* value = std::getenv("NORDAVEL_FAULT_READ");
    const char* colon = value ? std::strchr(value, ':') : nullptr;
    return colon ? std::strtoull(colon + 1, nullptr, 10) : 0;
}

bool FailOnce() {
    const char* value = std::getenv("NORDAVEL_FAULT_READ");
    return value && std::strstr(value, ":once") != nullptr;
}

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int OpenTracked(int dirfd, const char* path, int flags, mode_t mode) {
#ifdef O_TMPFILE
    if ((flags & O_TMPFILE) == O_TMPFILE && std::getenv("NORDAVEL_FAULT_NO_TMPFILE")) {
        errno = EOPNOTSUPP;
        return -1;
    }
#endif
    using OpenAt = int (*)(int, const char*, int, ...);
    static const OpenAt next = Next<OpenAt>("openat");
    const int fd = next(dirfd, path, flags, mode);
    Track(fd, path);
    return fd;
}

mode_t ModeArgument(int flags, va_list arguments) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE
               ? static_cast<mode_t>(va_arg(arguments, int))
               : 0;
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    return OpenTracked(AT_FDCWD, path, flags, mode);
}

// The same function under its large-file name.
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int openat(int dirfd, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    return OpenTracked(dirfd, path, flags, mode);
}

ssize_t read(int fd, void* buffer, size_t count) {
    using Read = ssize_t (*)(int, void*, size_t);
    static const Read next = Next<Read>("read");
    if (fd < 0 || fd >= static_cast<int>(std::size(tracked))) return next(fd, buffer, count);
    Tracked& file = tracked[fd];
    if (file.fault == Fault::Failing && !(file.failed && FailOnce())) {
        const std::size_t after = FailAfter();
        if (file.readSoFar >= after) {
            file.failed = true;
            errno = EIO;
            return -1;
        }
        if (count > after - file.readSoFar) count = after - file.readSoFar;
    } else if (file.fault == Fault::Slow) {
        if (count > 4096) count = 4096;
        usleep(2000);
    }
    const ssize_t n = next(fd, buffer, count);
    if (n > 0) file.readSoFar += static_cast<std::size_t>(n);
    return n;
}

} // extern "C"
