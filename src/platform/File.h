#pragma once

#include <cstdint>
#include <string>

#include "platform/ByteStream.h"

// Files and the few file-system operations the conversion needs. Paths are UTF-8. Every failure
// is an IoError carrying the operating system's error code.
namespace nordavel {

// Names longer than this many characters can be neither opened nor created.
inline constexpr std::size_t kMaxFileNameLength = 259;

// The platform's file handle, closed by its owner, and the value that holds no file; the
// character of the file names the system takes (UTF-16 on Windows, bytes on POSIX).
#ifdef _WIN32
using NativeFileHandle = void*;
inline const NativeFileHandle kNoFile = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
using NativePathChar = wchar_t;
#else
using NativeFileHandle = int;
inline constexpr NativeFileHandle kNoFile = -1;
using NativePathChar = char;
#endif

// A regular file opened for reading only; other programs may read it meanwhile but not write it.
// Anything else under the name (a folder, a FIFO, a device) is refused at once, without
// waiting for a writer or reading without end.
class InputFile final : public ByteSource {
public:
    static InputFile Open(const std::string& path);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    ~InputFile() override;

    std::size_t Read(char* buffer, std::size_t capacity) override;
    void Close() noexcept;

private:
    InputFile(NativeFileHandle handle, std::string path) noexcept;
    NativeFileHandle handle_;
    std::string path_;
};

// Whether anything stands under the name: a file, a folder, even a link to nothing.
bool Exists(const std::string& path);

// A file's last modification time as the system keeps it, to be given back after the file is
// rewritten: photo programs sort by it.
struct ModificationTime {
    std::int64_t seconds = 0;     // POSIX: since 1970; Windows: the FILETIME's high part
    std::int64_t nanoseconds = 0; // POSIX: within the second; Windows: the FILETIME's low part
};
ModificationTime ModificationTimeOf(const std::string& path);
void SetModificationTime(const std::string& path, const ModificationTime& time);

namespace detail {
// Shared by the platform implementations: refuses names over kMaxFileNameLength characters.
void CheckNameLength(const std::string& path, const char* action);
// A name for a new temporary file in `folder` (empty, or ending in a separator), different for
// every call and attempt.
std::string TemporaryNameIn(const std::string& folder, std::uint32_t attempt);
} // namespace detail

} // namespace nordavel
