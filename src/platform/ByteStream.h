#pragma once

#include <cstddef>

namespace nordavel {

// Where the text reader takes its bytes from. Read returns 0 only at the end of the data and
// reports failures as IoError; an interface rather than a file so that tests can feed bytes and
// failures from memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t Read(char* buffer, std::size_t capacity) = 0;
};

// Where the text writer puts its bytes. Write either stores all bytes or throws IoError.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(const char* data, std::size_t size) = 0;
};

} // namespace nordavel
