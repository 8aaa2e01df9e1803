#include "platform/Folder.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "base/TextUtil.h"
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

bool ShownBefore(std::string_view a, std::string_view b) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    // A run of digits without its leading zeros.
    const auto number = [&](std::string_view text, std::size_t& at) {
        const std::size_t begin = at;
        while (at < text.size() && isDigit(text[at]))
            ++at;
        const std::string_view digits = text.substr(begin, at - begin);
        return digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
    };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const std::string_view x = number(a, i);
            const std::string_view y = number(b, j);
            if (x.size() != y.size()) return x.size() < y.size();
            if (x != y) return x < y;
        } else {
            const auto x = static_cast<unsigned char>(LowerAscii(a[i++]));
            const auto y = static_cast<unsigned char>(LowerAscii(b[j++]));
            if (x != y) return x < y;
        }
    }
    if (i < a.size() || j < b.size()) return j < b.size();
    return a < b;
}

} // namespace nordavel
