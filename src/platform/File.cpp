#include "platform/File.h"

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "base/TextUtil.h"
#include "platform/IoError.h"

namespace nordavel::detail {

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

} // namespace nordavel::detail
