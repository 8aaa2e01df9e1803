#include "base/ByteScan.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "base/TextUtil.h"

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

// Word-at-a-time tests for texts too short for a vector step.
template <typename Word>
constexpr Word kOnes = static_cast<Word>(0x0101010101010101ull);
template <typename Word>
constexpr Word kHighs = static_cast<Word>(0x8080808080808080ull);

template <typename Word>
Word Spread(char c) noexcept {
    return static_cast<Word>(kOnes<Word> * static_cast<unsigned char>(c));
}

// The high bit of every zero byte of `x` is set, and maybe of bytes above the lowest zero byte,
// never below it: the lowest bit set marks the first zero byte exactly (the borrow that makes a
// false mark only runs upwards).
template <typename Word>
Word ZeroBytes(Word x) noexcept {
    return static_cast<Word>((x - kOnes<Word>)&~x & kHighs<Word>);
}

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// The first `c` in `size` bytes, sizeof(Word) <= size <= 2 * sizeof(Word), in two words that may
// overlap.
template <typename Word>
std::size_t FindByteInTwoWords(const char* bytes, std::size_t size, char c) noexcept {
    const Word spread = Spread<Word>(c);
    if (const Word zeros = ZeroBytes<Word>(LoadWord<Word>(bytes) ^ spread); zeros != 0)
        return static_cast<std::size_t>(std::countr_zero(zeros)) / 8;
    const std::size_t last = size - sizeof(Word);
    if (const Word zeros = ZeroBytes<Word>(LoadWord<Word>(bytes + last) ^ spread); zeros != 0)
        return last + static_cast<std::size_t>(std::countr_zero(zeros)) / 8;
    return npos;
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

std::size_t FindByte(const char* bytes, std::size_t size, char c) noexcept {
#ifdef NORDAVEL_HAVE_SSE2
    if (size >= 16) {
        const __m128i wanted = _mm_set1_epi8(c);
        const auto step = [&](std::size_t at) {
            return Mask(_mm_cmpeq_epi8(Load(bytes + at), wanted));
        };
        // The last step overlaps the one before rather than reading past the end; the bytes
        // tested twice were no match the first time either.
        const std::size_t last = size - 16;
        for (std::size_t i = 0; i < last; i += 16)
            if (const unsigned mask = step(i); mask != 0)
                return i + static_cast<std::size_t>(std::countr_zero(mask));
        if (const unsigned mask = step(last); mask != 0)
            return last + static_cast<std::size_t>(std::countr_zero(mask));
        return npos;
    }
#endif
    if constexpr (kLittleEndian) {
        // What is left of a line after a tag, a coordinate: often 4 to 15 bytes.
        if (size >= 8 && size <= 16) return FindByteInTwoWords<std::uint64_t>(bytes, size, c);
        if (size >= 4 && size < 8) return FindByteInTwoWords<std::uint32_t>(bytes, size, c);
    }
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

LineMatch FindLineHolding(std::string_view haystack, std::string_view needle) noexcept {
    const std::size_t k = needle.size();
    const std::size_t n = haystack.size();
    const char* text = haystack.data();
#ifdef NORDAVEL_HAVE_SSE2
    if (k >= 2 && k <= n && n - k + 1 >= 16) {
        // FindBytes's vector search, also keeping the LFs of each block of starts it passes:
        // the block that holds the match mostly holds the LF before it, and often the one after.
        const std::size_t starts = n - k + 1;
        const char* pattern = needle.data();
        const __m128i first = Broadcast(pattern[0]);
        const __m128i last = Broadcast(pattern[k - 1]);
        const __m128i lf = _mm_set1_epi8('\n');
        std::size_t lineStart = 0;
        for (std::size_t i = 0;; i += 16) {
            // The last step overlaps the one before: the starts tested twice were no match the
            // first time, so the match lies past every LF seen before.
            if (i + 16 > starts) i = starts - 16;
            const __m128i block = Load(text + i);
            const unsigned feeds = Mask(_mm_cmpeq_epi8(block, lf));
            unsigned mask = Mask(_mm_and_si128(_mm_cmpeq_epi8(block, first),
                                               _mm_cmpeq_epi8(Load(text + i + k - 1), last)));
            while (mask != 0) {
                const auto bit = static_cast<unsigned>(std::countr_zero(mask));
                const std::size_t at = i + bit;
                if (SameBytes(text + at, pattern, k)) {
                    if (const unsigned before = feeds & ((1u << bit) - 1); before != 0)
                        lineStart = i + 32 - static_cast<std::size_t>(std::countl_zero(before));
                    const std::size_t after = at + k;
                    if (after < i + 16) {
                        if (const unsigned behind = feeds >> (after - i); behind != 0)
                            return {at, lineStart,
                                    after + static_cast<std::size_t>(std::countr_zero(behind))};
                    }
                    // No LF from `after` to the block's end. The line's end is searched on
                    // here, with the LF vector at hand: a call costs more than most lines.
                    std::size_t from = std::max(after, i + 16);
                    for (; from + 16 <= n; from += 16)
                        if (const unsigned end = Mask(_mm_cmpeq_epi8(Load(text + from), lf)))
                            return {at, lineStart,
                                    from + static_cast<std::size_t>(std::countr_zero(end))};
                    const std::size_t end = FindByte(text + from, n - from, '\n');
                    return {at, lineStart, end == npos ? npos : from + end};
                }
                mask &= mask - 1;
            }
            if (feeds != 0) lineStart = i + 32 - static_cast<std::size_t>(std::countl_zero(feeds));
            if (i + 16 == starts) return {npos, 0, npos};
        }
    }
#endif
    const std::size_t match = FindBytes(haystack, needle);
    if (match == npos) return {npos, 0, npos};
    const std::size_t lf = FindLastByte(text, match, '\n');
    const std::size_t after = match + k;
    const std::size_t end = FindByte(text + after, n - after, '\n');
    return {match, lf == npos ? 0 : lf + 1, end == npos ? npos : after + end};
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

void LowerAsciiInPlace(char* first, char* last) noexcept {
#ifdef NORDAVEL_HAVE_SSE2
    for (; last - first >= 16; first += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(first), LowerCapitals(Load(first)));
#endif
    for (; first != last; ++first)
        *first = LowerAscii(*first);
}

namespace {

template <typename Word>
Word CommasOrQuotes(Word word) noexcept {
    return ZeroBytes<Word>(word ^ Spread<Word>(',')) | ZeroBytes<Word>(word ^ Spread<Word>('"'));
}

// Over words that cover the text, the last word overlapping the one before; with `copy` it
// copies them to `out` as well.
template <typename Word, bool copy>
bool WordsHoldCommaOrQuote(const char* text, std::size_t size, char* out) noexcept {
    const auto take = [&](std::size_t at) {
        const Word word = LoadWord<Word>(text + at);
        if constexpr (copy) std::memcpy(out + at, &word, sizeof word);
        return CommasOrQuotes(word);
    };
    const std::size_t last = size - sizeof(Word);
    Word found = take(last);
    for (std::size_t i = 0; i < last; i += sizeof(Word))
        found |= take(i);
    return found != 0;
}

template <bool copy>
bool HoldsCommaOrQuote(const char* text, std::size_t size, char* out) noexcept {
#ifdef NORDAVEL_HAVE_SSE2
    if (size >= 16) {
        const __m128i comma = _mm_set1_epi8(',');
        const __m128i quote = _mm_set1_epi8('"');
        __m128i found = _mm_setzero_si128();
        for (std::size_t i = 0;; i += 16) {
            if (i + 16 > size) i = size - 16;
            const __m128i v = Load(text + i);
            if constexpr (copy) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), v);
            found = _mm_or_si128(found,
                                 _mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, quote)));
            if (i + 16 == size) return Mask(found) != 0;
        }
    }
#endif
    if (size >= 8) return WordsHoldCommaOrQuote<std::uint64_t, copy>(text, size, out);
    if (size >= 4) return WordsHoldCommaOrQuote<std::uint32_t, copy>(text, size, out);
    bool holds = false;
    for (std::size_t i = 0; i < size; ++i) {
        if constexpr (copy) out[i] = text[i];
        holds |= text[i] == ',' || text[i] == '"';
    }
    return holds;
}

} // namespace

bool HoldsCommaOrQuote(std::string_view text) noexcept {
    return HoldsCommaOrQuote<false>(text.data(), text.size(), nullptr);
}

bool CopyHoldingCommaOrQuote(const char* text, std::size_t size, char* out) noexcept {
    return HoldsCommaOrQuote<true>(text, size, out);
}

bool IsAscii(std::string_view text) noexcept {
    const char* bytes = text.data();
    const std::size_t size = text.size();
    if (size < 8) {
        unsigned char any = 0;
        for (std::size_t i = 0; i < size; ++i)
            any |= static_cast<unsigned char>(bytes[i]);
        return any < 0x80;
    }
#ifdef NORDAVEL_HAVE_SSE2
    if (size >= 16) {
        __m128i any = _mm_setzero_si128();
        // The last step overlaps the one before rather than reading past the end.
        const std::size_t last = size - 16;
        for (std::size_t i = 0; i < last; i += 16)
            any = _mm_or_si128(any, Load(bytes + i));
        any = _mm_or_si128(any, Load(bytes + last));
        return Mask(any) == 0;
    }
#endif
    using Word = std::uint64_t;
    Word any = 0;
    const std::size_t last = size - sizeof(Word);
    for (std::size_t i = 0; i < last; i += sizeof(Word))
        any |= LoadWord<Word>(bytes + i);
    any |= LoadWord<Word>(bytes + last);
    return (any & kHighs<Word>) == 0;
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
