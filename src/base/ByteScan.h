#pragma once

#include <cstddef>
#include <string_view>

// Loops over every byte of a log, kept apart and written for speed: with SSE2 (every x86-64
// processor) they test 16 bytes at a time; elsewhere they fall back to plain loops.
namespace nordavel {

// The offset of the first `c` in the first `size` bytes, or npos.
std::size_t FindByte(const char* bytes, std::size_t size, char c) noexcept;

// True when `text` begins with `prefix`.
bool StartsWith(std::string_view text, std::string_view prefix) noexcept;

// The offset of the first occurrence of `needle` in `haystack`, or npos.
std::size_t FindBytes(std::string_view haystack, std::string_view needle) noexcept;

// Where `needle` (which holds no LF) first stands in `text`, with the bounds of the line holding
// it: what FindBytes, then FindLastByte before the match and FindByte after it give, found in
// one pass over the bytes up to the match. `match` is npos when the needle is missing, and the
// bounds then mean nothing.
struct LineMatch {
    std::size_t match;
    std::size_t lineStart; // just past the LF before the match, or 0
    std::size_t lineEnd;   // the first LF after the match, or npos
};
LineMatch FindLineHolding(std::string_view text, std::string_view needle) noexcept;

// The offset of the last `c` in the first `size` bytes, or npos.
std::size_t FindLastByte(const char* bytes, std::size_t size, char c) noexcept;

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

// Lower-cases the letters A to Z.
void LowerAsciiInPlace(char* first, char* last) noexcept;

// True when `text` holds a comma or a double quote.
bool HoldsCommaOrQuote(std::string_view text) noexcept;
// The same, copying the `size` bytes of `text` to `out` in the same pass.
bool CopyHoldingCommaOrQuote(const char* text, std::size_t size, char* out) noexcept;

} // namespace nordavel
