#pragma once

#include <cstddef>
#include <cstdint>

namespace nordavel {

// Where the text reader takes its bytes from. Read returns 0 only at the end of the data and
// reports failures as IoError; an interface rather than a file so that tests can feed bytes and
// failures from memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t Read(char* buffer, std::size_t capacity) = 0;
    // The size of a file on disk as it was opened, whose reads never wait for a writer and may
    // come from another thread than the one that opened it; 0 for any other source. The text
    // reader reads a long file ahead of its use.
    virtual std::uint64_t FileSize() const noexcept { return 0; }
};

// Where the text writer puts its bytes. Write either stores all bytes or throws IoError.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(const char* data, std::size_t size) = 0;
};

} // namespace nordavel
