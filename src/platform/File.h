#pragma once

#include <cstdint>
#include <string>

#include "platform/ByteStream.h"

// Files and the few file-system operations the conversion needs. Paths are UTF-8. Every failure
// is an IoError carrying the operating system's error code.
namespace nordavel {

// Names longer than this many characters can be neither opened nor created.
inline constexpr std::size_t kMaxFileNameLength = 259;

// The platform's file handle, closed by its owner.
#ifdef _WIN32
using NativeFileHandle = void*;
#else
using NativeFileHandle = int;
#endif

// A file opened for reading only; other programs may read it meanwhile but not write it.
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

// A file opened for writing; other programs may read it meanwhile but not write it.
class OutputFile final : public ByteSink {
public:
    // Creates the file, replacing an existing one.
    static OutputFile Create(const std::string& path);
    // Creates a new file with a name of its own in the folder of `besidePath`; `createdPath`
    // receives that name.
    static OutputFile CreateTemporaryBeside(const std::string& besidePath,
                                            std::string& createdPath);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    ~OutputFile() override;

    void Write(const char* data, std::size_t size) override;
    // Closes the file; a failure here may mean that written data did not reach the disk.
    void Close();

private:
    OutputFile(NativeFileHandle handle, std::string path) noexcept;
    NativeFileHandle handle_;
    std::string path_;
};

// Throws unless `path` either does not exist or is a file that this process may replace now:
// not a folder, not read-only, not held open by another program that denies writing.
void CheckReplaceable(const std::string& path);

// Moves `from` to `to`, replacing an existing file `to`.
void MoveFileReplacing(const std::string& from, const std::string& to);

// Deletes a file; false when it could not be deleted.
bool RemoveFile(const std::string& path) noexcept;

bool FileExists(const std::string& path) noexcept;

namespace detail {
// Shared by the platform implementations: refuses names over kMaxFileNameLength characters.
void CheckNameLength(const std::string& path, const char* action);
std::string TemporaryNameBeside(const std::string& besidePath, std::uint32_t attempt);
} // namespace detail

} // namespace nordavel
