#include "text/ByteScan.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "text/TextUtil.h"

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define NORDAVEL_HAVE_SSE2 1
#endif

namespace nordavel {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr char kCtrlZ = 26;

bool SameBytes(const char* a, const char* b, std::size_t size) noexcept {
    for (std::size_t i = 0; i < size; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

#ifdef NORDAVEL_HAVE_SSE2
__m128i Load(const char* p) noexcept {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
unsigned Mask(__m128i v) noexcept {
    return static_cast<unsigned>(_mm_movemask_epi8(v));
}
#endif

} // namespace

std::size_t FindBytes(std::string_view haystack, std::string_view needle) noexcept {
    const std::size_t k = needle.size();
    const std::size_t n = haystack.size();
    if (k == 0) return 0;
    if (n < k) return npos;
    const char* text = haystack.data();
    std::size_t i = 0;
#ifdef NORDAVEL_HAVE_SSE2
    if (k >= 2) {
        // Candidates have the needle's first byte at i and its last byte at i + k - 1.
        const __m128i first = _mm_set1_epi8(needle[0]);
        const __m128i last = _mm_set1_epi8(needle[k - 1]);
        for (; i + 16 + k - 1 <= n; i += 16) {
            unsigned mask = Mask(_mm_and_si128(_mm_cmpeq_epi8(Load(text + i), first),
                                               _mm_cmpeq_epi8(Load(text + i + k - 1), last)));
            while (mask != 0) {
                const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(mask));
                if (SameBytes(text + at + 1, needle.data() + 1, k - 2)) return at;
                mask &= mask - 1;
            }
        }
    }
#endif
    const std::size_t found = haystack.substr(i).find(needle);
    return found == npos ? npos : i + found;
}

std::size_t FindLastByte(const char* bytes, std::size_t size, char c) noexcept {
    while (size > 0) {
        if (bytes[--size] == c) return size;
    }
    return npos;
}

BufferFacts ScanBuffer(const char* bytes, std::size_t size, char* lowered) noexcept {
    if (const void* ctrlZ = std::memchr(bytes, kCtrlZ, size))
        size = static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - bytes);
    unsigned high = 0;
    unsigned lone = 0;
    std::size_t i = 0;
#ifdef NORDAVEL_HAVE_SSE2
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i belowA = _mm_set1_epi8('A' - 1);
    const __m128i aboveZ = _mm_set1_epi8('Z' + 1);
    const __m128i caseBit = _mm_set1_epi8(0x20);
    __m128i highBits = _mm_setzero_si128();
    __m128i loneBits = _mm_setzero_si128();
    for (; i + 17 <= size; i += 16) {
        const __m128i here = Load(bytes + i);
        const __m128i next = Load(bytes + i + 1);
        highBits = _mm_or_si128(highBits, here);
        loneBits = _mm_or_si128(
            loneBits, _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(here, cr)));
        if (lowered) {
            // Signed compares: bytes from 0x80 are negative and never taken for capitals.
            const __m128i upper =
                _mm_and_si128(_mm_cmpgt_epi8(here, belowA), _mm_cmplt_epi8(here, aboveZ));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(lowered + i),
                             _mm_or_si128(here, _mm_and_si128(upper, caseBit)));
        }
    }
    high = Mask(highBits);
    lone = Mask(loneBits);
#endif
    for (; i < size; ++i) {
        high |= static_cast<unsigned char>(bytes[i]) & 0x80u;
        if (i + 1 < size) lone |= (bytes[i] == '\r') & (bytes[i + 1] != '\n');
        if (lowered) lowered[i] = LowerAscii(bytes[i]);
    }
    return BufferFacts{size, high == 0, lone != 0};
}

void LowerAsciiInPlace(char* first, char* last) noexcept {
#ifdef NORDAVEL_HAVE_SSE2
    // Signed compares: bytes from 0x80 are negative and never taken for capitals.
    const __m128i belowA = _mm_set1_epi8('A' - 1);
    const __m128i aboveZ = _mm_set1_epi8('Z' + 1);
    const __m128i caseBit = _mm_set1_epi8(0x20);
    for (; last - first >= 16; first += 16) {
        const __m128i v = Load(first);
        const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(v, belowA), _mm_cmplt_epi8(v, aboveZ));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(first),
                         _mm_or_si128(v, _mm_and_si128(upper, caseBit)));
    }
#endif
    for (; first != last; ++first)
        *first = LowerAscii(*first);
}

bool HoldsCommaOrQuote(std::string_view text) noexcept {
    // Eight bytes at a time (the "has zero byte" test on the word xor'ed with each wanted byte);
    // the last word may overlap the one before.
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    const auto holds = [](std::uint64_t word, char c) {
        const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(c));
        return ((x - kOnes) & ~x & kHighs) != 0;
    };
    const std::size_t n = text.size();
    if (n < 8) {
        for (char c : text)
            if (c == ',' || c == '"') return true;
        return false;
    }
    for (std::size_t i = 0;; i += 8) {
        if (i + 8 > n) i = n - 8;
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if (holds(word, ',') || holds(word, '"')) return true;
        if (i + 8 == n) return false;
    }
}

} // namespace nordavel
