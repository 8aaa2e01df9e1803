#pragma once

#include <cstddef>
#include <string_view>

// The loops that run over every byte of a log, and the searches for tags in its lines, written
// for speed where the standard library's would cost a call for every short text or a byte at a
// time: with SSE2 (every x86-64 processor) they test 16 bytes at a time; elsewhere, and in a
// build with NORDAVEL_SCALAR, they are plain loops.
namespace nordavel {

// True when `text` begins with `prefix`.
bool StartsWith(std::string_view text, std::string_view prefix) noexcept;

// The offset of the first occurrence of `needle` in `haystack`, or npos.
std::size_t FindBytes(std::string_view haystack, std::string_view needle) noexcept;

// True when no byte is 0x80 or above.
bool IsAscii(std::string_view text) noexcept;
// The offset of the first byte 0x80 or above in the first `size` bytes, or npos.
std::size_t FindNonAscii(const char* bytes, std::size_t size) noexcept;

// What a read buffer holds, learnt in one pass.
struct BufferFacts {
    std::size_t size; // bytes before the first Ctrl-Z (all of them without one)
    bool ascii;       // no byte of those is 0x80 or above
    bool loneCr;      // some CR among them, not the last byte, is not followed by LF
};
// When `lowered` is given, the same pass copies the bytes there with A to Z lower-cased.
BufferFacts ScanBuffer(const char* bytes, std::size_t size, char* lowered = nullptr) noexcept;

// Copies the `size` bytes of `text` to `out`; true when they hold a comma or a double quote.
bool CopyHoldingCommaOrQuote(const char* text, std::size_t size, char* out) noexcept;

} // namespace nordavel
