#include "base/ByteScan.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "base/TextUtil.h"

// NORDAVEL_SCALAR builds the plain loops on x86-64 too, so that the tests run them there.
#if (defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)) && !defined(NORDAVEL_SCALAR)
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
    // Both words of a tag are compared before one test: the sizes of the tags searched for
    // vary from call to call, and every branch saved is one fewer to mispredict.
    const auto twoWords = [&](auto word) {
        using Half = decltype(word);
        const std::size_t last = size - sizeof(Half);
        return ((LoadWord<Half>(a) ^ LoadWord<Half>(b)) |
                (LoadWord<Half>(a + last) ^ LoadWord<Half>(b + last))) == 0;
    };
    if (size > 16) {
        for (std::size_t i = 0; i + 8 < size; i += 8)
            if (LoadWord<Word>(a + i) != LoadWord<Word>(b + i)) return false;
        return LoadWord<Word>(a + size - 8) == LoadWord<Word>(b + size - 8);
    }
    if (size >= 8) return twoWords(Word{});
    if (size >= 4) return twoWords(std::uint32_t{});
    for (std::size_t i = 0; i < size; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

#ifdef NORDAVEL_HAVE_SSE2
__m128i Load(const char* p) noexcept {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
// The byte in every lane: one multiply and one shuffle.
__m128i Broadcast(char c) noexcept {
    return _mm_set1_epi32(static_cast<int>(0x01010101u * static_cast<unsigned char>(c)));
}
unsigned Mask(__m128i v) noexcept {
    return static_cast<unsigned>(_mm_movemask_epi8(v));
}
// A to Z in lower case, every other byte as it is. Adding 0x3F moves A to Z, and only them, to the
// 26 lowest signed byte values, which one signed compare picks out.
__m128i LowerCapitals(__m128i v) noexcept {
    const __m128i moved = _mm_add_epi8(v, _mm_set1_epi8(0x3F));
    const __m128i upper = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(0x80 + 26)), moved);
    return _mm_or_si128(v, _mm_and_si128(upper, _mm_set1_epi8(0x20)));
}
#endif

#ifdef NORDAVEL_HAVE_SSE2
// FindBytes for a text of 16 to 64 bytes and a needle of 2 bytes or more, as the scanner's
// pending texts mostly are: the text's few vectors are each loaded once, and where the needle's
// first and its last byte stand is gathered in two words, one bit a byte, whose shifted overlap
// gives every candidate at once.
std::size_t FindInShortText(const char* text, std::size_t n, const char* pattern,
                            std::size_t k) noexcept {
    const __m128i first = Broadcast(pattern[0]);
    const __m128i last = Broadcast(pattern[k - 1]);
    std::uint64_t firsts = 0;
    std::uint64_t lasts = 0;
    const auto take = [&](std::size_t at) {
        const __m128i v = Load(text + at);
        firsts |= std::uint64_t{Mask(_mm_cmpeq_epi8(v, first))} << at;
        lasts |= std::uint64_t{Mask(_mm_cmpeq_epi8(v, last))} << at;
    };
    // The last vector overlaps the one before rather than reading past the end; a byte seen
    // twice sets the same bit twice.
    for (std::size_t at = 0; at + 16 < n; at += 16)
        take(at);
    take(n - 16);
    // No bit of `lasts` stands at n or above, so none is left at a start past the last one.
    std::uint64_t candidates = firsts & (lasts >> (k - 1));
    while (candidates != 0) {
        const auto at = static_cast<std::size_t>(std::countr_zero(candidates));
        if (SameBytes(text + at, pattern, k)) return at;
        candidates &= candidates - 1;
    }
    return npos;
}
#endif

} // namespace

bool StartsWith(std::string_view text, std::string_view prefix) noexcept {
    return text.size() >= prefix.size() && SameBytes(text.data(), prefix.data(), prefix.size());
}

std::size_t FindBytes(std::string_view haystack, std::string_view needle) noexcept {
    const std::size_t k = needle.size();
    const std::size_t n = haystack.size();
    // One test for both an empty needle (found at once) and a needle longer than the text.
    if (k - 1 >= n) return k == 0 ? 0 : npos;
    const char* text = haystack.data();
    const char* pattern = needle.data();
    if (k == 1) return haystack.find(pattern[0]);
    // Where the needle may start.
    const std::size_t starts = n - k + 1;
#ifdef NORDAVEL_HAVE_SSE2
    if (n >= 16 && n <= 64) return FindInShortText(text, n, pattern, k);
    if (starts >= 16) {
        // Candidates have the needle's first byte at i and its last byte at i + k - 1.
        const __m128i first = Broadcast(pattern[0]);
        const __m128i last = Broadcast(pattern[k - 1]);
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

BufferFacts ScanBuffer(const char* bytes, std::size_t size, char* lowered) noexcept {
    if (const void* ctrlZ = std::memchr(bytes, kCtrlZ, size))
        size = static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - bytes);
    unsigned high = 0;
    unsigned lone = 0;
    std::size_t i = 0;
#ifdef NORDAVEL_HAVE_SSE2
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    __m128i highBits = _mm_setzero_si128();
    __m128i loneBits = _mm_setzero_si128();
    const auto step = [&](std::size_t at) {
        const __m128i here = Load(bytes + at);
        const __m128i next = Load(bytes + at + 1);
        highBits = _mm_or_si128(highBits, here);
        loneBits = _mm_or_si128(
            loneBits, _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(here, cr)));
        if (lowered)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(lowered + at), LowerCapitals(here));
    };
    // Two steps a round: this loop runs over every byte of the log.
    for (; i + 33 <= size; i += 32) {
        step(i);
        step(i + 16);
    }
    for (; i + 17 <= size; i += 16)
        step(i);
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

bool CopyHoldingCommaOrQuote(const char* text, std::size_t size, char* out) noexcept {
    std::size_t i = 0;
    bool holds = false;
#ifdef NORDAVEL_HAVE_SSE2
    if (size >= 16) {
        const __m128i comma = _mm_set1_epi8(',');
        const __m128i quote = _mm_set1_epi8('"');
        __m128i found = _mm_setzero_si128();
        // The last step overlaps the one before rather than reading past the end.
        for (;; i += 16) {
            if (i + 16 > size) i = size - 16;
            const __m128i v = Load(text + i);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), v);
            found = _mm_or_si128(found,
                                 _mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, quote)));
            if (i + 16 == size) return Mask(found) != 0;
        }
    }
#endif
    for (; i < size; ++i) {
        out[i] = text[i];
        holds |= text[i] == ',' || text[i] == '"';
    }
    return holds;
}

bool IsAscii(std::string_view text) noexcept {
    const char* bytes = text.data();
    const std::size_t size = text.size();
    std::size_t i = 0;
    unsigned any = 0;
#ifdef NORDAVEL_HAVE_SSE2
    if (size >= 16) {
        __m128i bits = _mm_setzero_si128();
        // The last step overlaps the one before rather than reading past the end.
        for (; i + 16 < size; i += 16)
            bits = _mm_or_si128(bits, Load(bytes + i));
        return Mask(_mm_or_si128(bits, Load(bytes + size - 16))) == 0;
    }
#endif
    for (; i < size; ++i)
        any |= static_cast<unsigned char>(bytes[i]);
    return any < 0x80;
}

std::size_t FindNonAscii(const char* bytes, std::size_t size) noexcept {
    std::size_t i = 0;
#ifdef NORDAVEL_HAVE_SSE2
    if (size >= 16) {
        // The last step overlaps the one before rather than reading past the end.
        const std::size_t last = size - 16;
        for (; i < last; i += 16)
            if (const unsigned mask = Mask(Load(bytes + i)); mask != 0)
                return i + static_cast<std::size_t>(std::countr_zero(mask));
        const unsigned mask = Mask(Load(bytes + last));
        return mask != 0 ? last + static_cast<std::size_t>(std::countr_zero(mask)) : npos;
    }
#endif
    for (; i < size; ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) return i;
    return npos;
}

} // namespace nordavel
