// A file system of one file whose middle cannot be read, for read errors that Windows programs
// see under Wine as a real disk's (Wine has no other way to make ReadFile fail mid-file).
// Usage: eio_fs SOURCE FAIL_FROM[:once] MOUNTPOINT [FUSE options]
//   MOUNTPOINT shows SOURCE under its own name; reads that touch byte FAIL_FROM or any byte
//   after it fail with EIO; with ":once" only the first of them does, as a disk may fail once
//   and read the same place afterwards. Built by the test that needs it: g++ eio_fs.cpp -lfuse3.
#define FUSE_USE_VERSION 31
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fuse3/fuse.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string source;
std::string name; // "/" and the source's file name
off_t failFrom = 0;
bool failOnce = false;
bool failed = false;

int GetAttributes(const char* path, struct stat* info, fuse_file_info*) {
    std::memset(info, 0, sizeof *info);
    if (std::strcmp(path, "/") == 0) {
        info->st_mode = S_IFDIR | 0755;
        info->st_nlink = 2;
        return 0;
    }
    if (name != path) return -ENOENT;
    struct stat real {};
    if (::stat(source.c_str(), &real) != 0) return -errno;
    info->st_mode = S_IFREG | 0444;
    info->st_nlink = 1;
    info->st_size = real.st_size;
    return 0;
}

int ReadFolder(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
               fuse_readdir_flags) {
    fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags{});
    fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags{});
    fill(buffer, name.c_str() + 1, nullptr, 0, fuse_fill_dir_flags{});
    return 0;
}

int Open(const char* path, fuse_file_info* file) {
    if (name != path) return -ENOENT;
    file->direct_io = 1; // every read reaches Read: no read-ahead past the failing place
    return 0;
}

int Read(const char*, char* buffer, std::size_t size, off_t offset, fuse_file_info*) {
    if (offset + static_cast<off_t>(size) > failFrom && !(failOnce && failed)) {
        failed = true;
        return -EIO;
    }
    const int fd = ::open(source.c_str(), O_RDONLY);
    if (fd < 0) return -errno;
    const ssize_t n = ::pread(fd, buffer, size, offset);
    ::close(fd);
    return n < 0 ? -errno : static_cast<int>(n);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    source = argv[1];
    name = source.substr(source.rfind('/') == std::string::npos ? 0 : source.rfind('/'));
    if (name.front() != '/') name = "/" + name;
    failFrom = std::strtoll(argv[2], nullptr, 10);
    failOnce = std::strstr(argv[2], ":once") != nullptr;
    fuse_operations operations{};
    // One thread: "once" means once.
    operations.getattr = GetAttributes;
    operations.readdir = ReadFolder;
    operations.open = Open;
    operations.read = Read;
    argv[2] = argv[0];
    return fuse_main(argc - 2, argv + 2, &operations, nullptr);
}
