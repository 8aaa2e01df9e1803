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

template <typename Word>
Word LoadWord(const char* p) noexcept {
    Word word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Compares whole words, the last one overlapping the one before: the texts compared are tags,
// a few bytes to a dozen or so.
bool SameBytes(const char* a, const char* b, std::size_t size) noexcept {
    using Word = std::uint64_t;
    if (size >= 8) {
        for (std::size_t i = 0; i + 8 < size; i += 8)
            if (LoadWord<Word>(a + i) != LoadWord<Word>(b + i)) return false;
        return LoadWord<Word>(a + size - 8) == LoadWord<Word>(b + size - 8);
    }
    if (size >= 4) {
        return (LoadWord<std::uint32_t>(a) ^ LoadWord<std::uint32_t>(b)) == 0 &&
               LoadWord<std::uint32_t>(a + size - 4) == LoadWord<std::uint32_t>(b + size - 4);
    }
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

std::size_t FindByte(const char* bytes, std::size_t size, char c) noexcept {
#ifdef NORDAVEL_HAVE_SSE2
    if (size >= 16) {
        const __m128i wanted = _mm_set1_epi8(c);
        for (std::size_t i = 0;; i += 16) {
            // The last step overlaps the one before rather than reading past the end; the bytes
            // tested twice were no match the first time either.
            if (i + 16 > size) i = size - 16;
            if (const unsigned mask = Mask(_mm_cmpeq_epi8(Load(bytes + i), wanted)); mask != 0)
                return i + static_cast<std::size_t>(std::countr_zero(mask));
            if (i + 16 == size) return npos;
        }
    }
#endif
    for (std::size_t i = 0; i < size; ++i)
        if (bytes[i] == c) return i;
    return npos;
}

std::size_t FindBytes(std::string_view haystack, std::string_view needle) noexcept {
    const std::size_t k = needle.size();
    const std::size_t n = haystack.size();
    // One test for both an empty needle (found at once) and a needle longer than the text.
    if (k - 1 >= n) return k == 0 ? 0 : npos;
    const char* text = haystack.data();
    const char* pattern = needle.data();
    if (k == 1) return FindByte(text, n, pattern[0]);
    // Where the needle may start.
    const std::size_t starts = n - k + 1;
#ifdef NORDAVEL_HAVE_SSE2
    if (starts >= 16) {
        // Candidates have the needle's first byte at i and its last byte at i + k - 1.
        const __m128i first = _mm_set1_epi8(pattern[0]);
        const __m128i last = _mm_set1_epi8(pattern[k - 1]);
        for (std::size_t i = 0;; i += 16) {
            // The last step overlaps the one before rather than reading past the end; the
            // starts tested twice were no match the first time either.
            if (i + 16 > starts) i = starts - 16;
            unsigned mask = Mask(_mm_and_si128(_mm_cmpeq_epi8(Load(text + i), first),
                                               _mm_cmpeq_epi8(Load(text + i + k - 1), last)));
            while (mask != 0) {
                const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(mask));
                if (SameBytes(text + at, pattern, k)) return at;
                mask &= mask - 1;
            }
            if (i + 16 == starts) return npos;
        }
    }
#endif
    // Short texts, such as what is left of a line after a tag, are not worth a library call.
    for (std::size_t at = 0; at < starts; ++at) {
        if (text[at] == pattern[0] && text[at + k - 1] == pattern[k - 1] &&
            SameBytes(text + at, pattern, k))
            return at;
    }
    return npos;
}

std::size_t FindLastByte(const char* bytes, std::size_t size, char c) noexcept {
#ifdef NORDAVEL_HAVE_SSE2
    const __m128i wanted = _mm_set1_epi8(c);
    for (; size >= 16; size -= 16) {
        const unsigned mask = Mask(_mm_cmpeq_epi8(Load(bytes + size - 16), wanted));
        if (mask != 0) return size - 16 + static_cast<std::size_t>(31 - std::countl_zero(mask));
    }
#endif
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

namespace {

// The "has zero byte" test on the word xor'ed with each wanted byte.
template <typename Word>
bool WordHoldsCommaOrQuote(Word word) noexcept {
    constexpr Word kOnes = static_cast<Word>(0x0101010101010101ull);
    constexpr Word kHighs = static_cast<Word>(0x8080808080808080ull);
    const auto holds = [word](char c) {
        const Word x = word ^ static_cast<Word>(kOnes * static_cast<unsigned char>(c));
        return static_cast<Word>((x - kOnes) & ~x & kHighs);
    };
    return (holds(',') | holds('"')) != 0;
}

// Over words that cover the text, the last word overlapping the one before; copies them to `out`
// as well when it is given.
template <typename Word>
bool WordsHoldCommaOrQuote(const char* text, std::size_t size, char* out) noexcept {
    bool holds = false;
    for (std::size_t i = 0;; i += sizeof(Word)) {
        if (i + sizeof(Word) > size) i = size - sizeof(Word);
        const Word word = LoadWord<Word>(text + i);
        if (out) std::memcpy(out + i, &word, sizeof word);
        holds |= WordHoldsCommaOrQuote(word);
        if (i + sizeof(Word) == size) return holds;
    }
}

bool HoldsCommaOrQuote(const char* text, std::size_t size, char* out) noexcept {
#ifdef NORDAVEL_HAVE_SSE2
    if (size >= 16) {
        const __m128i comma = _mm_set1_epi8(',');
        const __m128i quote = _mm_set1_epi8('"');
        __m128i found = _mm_setzero_si128();
        for (std::size_t i = 0;; i += 16) {
            if (i + 16 > size) i = size - 16;
            const __m128i v = Load(text + i);
            if (out) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), v);
            found = _mm_or_si128(found,
                                 _mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, quote)));
            if (i + 16 == size) return Mask(found) != 0;
        }
    }
#endif
    if (size >= 8) return WordsHoldCommaOrQuote<std::uint64_t>(text, size, out);
    if (size >= 4) return WordsHoldCommaOrQuote<std::uint32_t>(text, size, out);
    bool holds = false;
    for (std::size_t i = 0; i < size; ++i) {
        if (out) out[i] = text[i];
        holds |= text[i] == ',' || text[i] == '"';
    }
    return holds;
}

} // namespace

bool HoldsCommaOrQuote(std::string_view text) noexcept {
    return HoldsCommaOrQuote(text.data(), text.size(), nullptr);
}

bool CopyHoldingCommaOrQuote(const char* text, std::size_t size, char* out) noexcept {
    return HoldsCommaOrQuote(text, size, out);
}

} // namespace nordavel
