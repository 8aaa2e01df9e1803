// Faults for nordavel-cli end to end, loaded with LD_PRELOAD. Set by environment variables:
//   NORDAVEL_FAULT_READ=NAME:N[:once]
//                               reads of the file NAME (or of NAME in any folder) fail with EIO
//                               once N bytes have been read (N = 0: the first read fails); with
//                               "once" only the first such read fails, as a disk may fail once
//                               and read the same place again afterwards
//   NORDAVEL_FAULT_SLOW=NAME    reads of such a file give at most 4 KiB and take 2 ms each, so
//                               that a conversion lasts long enough to be interrupted
//   NORDAVEL_FAULT_NO_TMPFILE=1 the file system offers no unnamed temporary files (O_TMPFILE)
//   NORDAVEL_FAULT_NO_PROC=1    there is no /proc
//   NORDAVEL_FAULT_COMMIT=STEP  the output's commit fails with EIO at STEP: "fsync" or "close"
//                               of the temporary file, or "dirsync", the fsync of a folder
//   NORDAVEL_FAULT_TRACE=FILE   appends to FILE, one line each, the commit's steps: fsync and
//                               close of the temporary file, of a folder or of another file,
//                               link and rename
//   NORDAVEL_FAULT_ICONV_OPEN=N the Nth iconv_open fails with ENOMEM
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <iconv.h>
#include <string_view>
#include <unistd.h>

namespace {

enum class Fault { None, Failing, Slow };
enum class Kind { File, Temporary, Folder };

struct Tracked {
    Fault fault = Fault::None;
    Kind kind = Kind::File;
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

bool Set(const char* variable, std::string_view value) {
    const char* set = std::getenv(variable);
    return set && value == set;
}

bool IsProc(const char* path) {
    return std::getenv("NORDAVEL_FAULT_NO_PROC") && std::string_view(path).starts_with("/proc");
}

void Track(int fd, const char* path, int flags) {
    if (fd < 0 || fd >= static_cast<int>(std::size(tracked))) return;
    tracked[fd] = {};
    const std::string_view name(path);
    const std::string_view base = name.substr(name.rfind('/') + 1);
    if ((flags & O_TMPFILE) == O_TMPFILE || base.starts_with("~nv"))
        tracked[fd].kind = Kind::Temporary;
    else if (flags & O_DIRECTORY)
        tracked[fd].kind = Kind::Folder;
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
    Track(fd, path, flags);
    return fd;
}

Kind KindOf(int fd) {
    return fd >= 0 && fd < static_cast<int>(std::size(tracked)) ? tracked[fd].kind : Kind::File;
}

void Trace(const char* step, Kind kind) {
    const char* file = std::getenv("NORDAVEL_FAULT_TRACE");
    if (!file) return;
    static constexpr const char* kKinds[] = {" file\n", " temporary\n", " folder\n"};
    using OpenAt = int (*)(int, const char*, int, ...);
    static const OpenAt open = Next<OpenAt>("openat");
    using Close = int (*)(int);
    static const Close close = Next<Close>("close");
    const int fd = open(AT_FDCWD, file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return;
    const char* kindText = kKinds[static_cast<int>(kind)];
    [[maybe_unused]] ssize_t ignored = write(fd, step, std::strlen(step));
    ignored = write(fd, kindText, std::strlen(kindText));
    close(fd);
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

int fsync(int fd) {
    using Fsync = int (*)(int);
    static const Fsync next = Next<Fsync>("fsync");
    const Kind kind = KindOf(fd);
    Trace("fsync", kind);
    if ((kind == Kind::Temporary && Set("NORDAVEL_FAULT_COMMIT", "fsync")) ||
        (kind == Kind::Folder && Set("NORDAVEL_FAULT_COMMIT", "dirsync"))) {
        errno = EIO;
        return -1;
    }
    return next(fd);
}

int close(int fd) {
    using Close = int (*)(int);
    static const Close next = Next<Close>("close");
    const Kind kind = KindOf(fd);
    if (kind == Kind::Temporary) Trace("close", kind);
    if (fd >= 0 && fd < static_cast<int>(std::size(tracked))) tracked[fd] = {};
    const int result = next(fd);
    // The descriptor is gone all the same, as after a real failure.
    if (kind == Kind::Temporary && Set("NORDAVEL_FAULT_COMMIT", "close")) {
        errno = EIO;
        return -1;
    }
    return result;
}

int linkat(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, int flags) {
    using LinkAt = int (*)(int, const char*, int, const char*, int);
    static const LinkAt next = Next<LinkAt>("linkat");
    Trace("link", Kind::Temporary);
    if (IsProc(oldpath)) {
        errno = ENOENT;
        return -1;
    }
    return next(olddirfd, oldpath, newdirfd, newpath, flags);
}

int rename(const char* oldpath, const char* newpath) {
    using Rename = int (*)(const char*, const char*);
    static const Rename next = Next<Rename>("rename");
    Trace("rename", Kind::Temporary);
    return next(oldpath, newpath);
}

int access(const char* path, int mode) {
    using Access = int (*)(const char*, int);
    static const Access next = Next<Access>("access");
    if (IsProc(path)) {
        errno = ENOENT;
        return -1;
    }
    return next(path, mode);
}

iconv_t iconv_open(const char* to, const char* from) {
    using IconvOpen = iconv_t (*)(const char*, const char*);
    static const IconvOpen next = Next<IconvOpen>("iconv_open");
    static long calls = 0;
    const char* failing = std::getenv("NORDAVEL_FAULT_ICONV_OPEN");
    if (failing && ++calls == std::atol(failing)) {
        errno = ENOMEM;
        return reinterpret_cast<iconv_t>(-1);
    }
    return next(to, from);
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
