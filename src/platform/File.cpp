#include "platform/File.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <utility>

#include "base/TextUtil.h"
#include "platform/IoError.h"

namespace nordavel {

InputFile::InputFile(NativeFileHandle handle, std::string path) noexcept
    : handle_(handle), path_(std::move(path)) {}

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

namespace detail {

#ifdef _WIN32
constexpr int kNameTooLong = 206; // ERROR_FILENAME_EXCED_RANGE
#else
constexpr int kNameTooLong = ENAMETOOLONG;
#endif

void CheckNameLength(const std::string& path, const char* action) {
    if (CharacterCount(path) > kMaxFileNameLength) throw IoError(kNameTooLong, action, path);
}

std::string TemporaryNameIn(const std::string& folder, std::uint32_t attempt) {
    // Unique enough across processes and attempts; creation itself refuses an existing name.
    static std::uint32_t counter = 0;
    const auto ticks =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::uint32_t mixed = static_cast<std::uint32_t>(ticks ^ (ticks >> 32)) * 2654435761u +
                                attempt * 40503u + ++counter;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "~nv%08x.tmp", static_cast<unsigned>(mixed));
    return folder + suffix;
}

} // namespace detail

} // namespace nordavel
