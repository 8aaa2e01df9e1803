#include "platform/Folder.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/IoError.h"
#include "platform/posix/UniqueFd.h"

namespace nordavel {

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::vector<FolderEntry> ListFolder(const std::string& path) {
    const posix::UniqueFolder folder(::opendir(path.c_str()));
    if (!folder) throw IoError(errno, "Cannot read folder", path);
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder.get());
        if (entry == nullptr) {
            if (errno != 0) throw IoError(errno, "Cannot read folder", path);
            return entries;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat status {};
            isFolder =
                ::fstatat(::dirfd(folder.get()), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(status.st_mode);
        }
        entries.push_back({name, isFolder});
    }
}

} // namespace nordavel
