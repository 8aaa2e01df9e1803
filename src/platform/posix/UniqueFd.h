#pragma once

// Descriptors and folder streams closed on every path out of a scope, as std::unique_ptr closes
// them: the POSIX counterpart of win32/UniqueHandle.h.
#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <memory>

namespace nordavel::posix {

struct CloseDescriptor {
    // A descriptor in the place of std::unique_ptr's pointer, so that what a failed open() returns,
    // -1, is the empty value.
    class pointer {
    public:
        pointer() noexcept = default;
        pointer(std::nullptr_t) noexcept {}
        pointer(int fd) noexcept : fd_(fd) {}
        operator int() const noexcept { return fd_; }
        explicit operator bool() const noexcept { return fd_ >= 0; }
        friend bool operator==(pointer a, pointer b) noexcept { return a.fd_ == b.fd_; }
        friend bool operator==(pointer a, std::nullptr_t) noexcept { return a.fd_ < 0; }

    private:
        int fd_ = -1;
    };
    void operator()(pointer fd) const noexcept { ::close(fd); }
};
struct CloseFolder {
    void operator()(DIR* folder) const noexcept { ::closedir(folder); }
};

// A file descriptor, closed with close(); where its last write errors matter, release() it and
// close it by hand.
using UniqueFd = std::unique_ptr<int, CloseDescriptor>;
using UniqueFolder = std::unique_ptr<DIR, CloseFolder>;

} // namespace nordavel::posix
