#include "text/TextFile.h"

#include <algorithm>
#include <cstring>

#include "base/ByteScan.h"
#include "base/TextUtil.h"

namespace nordavel {

namespace {

constexpr std::size_t kReadBufferSize = 128 * 1024;
constexpr std::size_t kWriteBufferSize = 64 * 1024;
// The longest ending EndsWith can tell.
constexpr std::size_t kTailBytes = 32;

// Keeps in `tail` the last kTailBytes of the text so far, blanks at its end left out, when
// `bytes` follow it.
void KeepTail(std::string& tail, std::string_view bytes) {
    std::size_t size = bytes.size();
    while (size > 0 && IsTrimmable(bytes[size - 1]))
        --size;
    if (size == 0) return; // blanks only: the text still ends as it did
    bytes = bytes.substr(0, size);
    if (bytes.size() >= kTailBytes) tail.clear();
    tail.append(bytes.substr(bytes.size() - std::min(bytes.size(), kTailBytes)));
    if (tail.size() > kTailBytes) tail.erase(0, tail.size() - kTailBytes);
}

} // namespace

LineTooLong::LineTooLong(std::size_t limit)
    : std::length_error("line longer than " + std::to_string(limit) + " bytes"), limit_(limit) {}

TextReader::TextReader(ByteSource& source, const CodePage& codePage, LetterCase letterCase,
                       std::size_t maxLineBytes)
    : source_(source), decoder_(codePage), lower_(letterCase == LetterCase::Lower),
      maxLineBytes_(std::max(maxLineBytes, kReadBufferSize)) {
    for (Buffer& buffer : buffers_) {
        buffer.bytes.reset(new char[kReadBufferSize]);
        if (lower_) buffer.lowerCased.reset(new char[kReadBufferSize]);
    }
}

bool TextReader::Fill() {
    if (sourceDone_) return false;
    if (bytes_) KeepTail(tail_, std::string_view(bytes_, end_));
    current_ ^= 1;
    Buffer& buffer = buffers_[current_];
    char* bytes = buffer.bytes.get();
    const std::size_t count = source_.Read(bytes, kReadBufferSize);
    const BufferFacts facts = ScanBuffer(bytes, count, buffer.lowerCased.get());
    begin_ = 0;
    end_ = facts.size;
    sourceDone_ = count == 0 || facts.size < count; // the end, or a Ctrl-Z
    // A buffer is filled only once the one before has been read up to its end, so its first
    // line begins with it; a line that began in the buffer before is gathered from the bytes of
    // both and decoded as a whole.
    bytes_ = bytes;
    plainText_ = nullptr;
    if (decoder_.AsciiIsIdentity() && !facts.loneCr)
        plainText_ = buffer.lowerCased ? buffer.lowerCased.get() : bytes;
    nextNonAscii_ = end_;
    if (!facts.ascii) FindNextNonAscii();
    return end_ > 0;
}

void TextReader::FindNextNonAscii() noexcept {
    const std::size_t offset = FindNonAscii(bytes_ + begin_, end_ - begin_);
    nextNonAscii_ = offset == std::string_view::npos ? end_ : begin_ + offset;
}

bool TextReader::AtEnd() {
    return begin_ == end_ && !Fill();
}

bool TextReader::EndsWith(std::string_view ending) {
    if (!AtEnd()) return false;
    std::string tail = tail_;
    if (bytes_) KeepTail(tail, std::string_view(bytes_, end_));
    return tail.size() >= ending.size() &&
           LowerAscii(std::string_view(tail).substr(tail.size() - ending.size())) ==
               LowerAscii(ending);
}

std::string_view TextReader::NextLine() {
    if (begin_ == end_ && !Fill()) return {};
    const char* start = bytes_ + begin_;
    const std::size_t available = end_ - begin_;
    if (const std::size_t length = std::string_view(start, available).find('\n');
        length != std::string_view::npos)
        return TakeLine(length);
    // The line goes on in the next buffers.
    longLine_.assign(start, available);
    begin_ = end_;
    while (Fill()) {
        const char* more = bytes_;
        const void* lf = std::memchr(more, '\n', end_);
        const std::size_t length =
            lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - more) : end_;
        if (length > maxLineBytes_ - longLine_.size()) {
            std::string().swap(longLine_);
            throw LineTooLong(maxLineBytes_);
        }
        longLine_.append(more, length);
        begin_ = lf ? length + 1 : length;
        if (lf) break;
    }
    return DecodeLine(longLine_);
}

std::string_view TextReader::TakeLine(std::size_t length) {
    // The one place that decides whether a line is handed out as a view into the buffer.
    const std::size_t at = begin_;
    const bool asciiOnly = plainText_ && at + length < NextNonAscii();
    begin_ += length + 1;
    if (!plainText_) return DecodeLine(std::string_view(bytes_ + at, length));
    // Without a CR alone in the buffer, a CR can only stand right before the LF.
    if (length > 0 && bytes_[at + length - 1] == '\r') --length;
    if (asciiOnly) return std::string_view(plainText_ + at, length);
    // The bytes are decoded as read, not from the lower-cased copy, where the second byte of a
    // two-byte character may have been taken for a capital letter and changed.
    const std::string_view raw(bytes_ + at, length);
    const auto text = decoder_.DecodeKnown(raw, nextNonAscii_ - at, decoded_);
    if (!text) return DecodeLineWithoutCr(raw);
    // The decoder's table holds no character that decodes to ASCII, and the bytes of a UTF-8
    // character of more than one byte are all 0x80 or above: so lower-casing A to Z in the text
    // changes the line's own ASCII letters and nothing else, as the lower-cased copy has them.
    if (lower_) LowerAsciiInPlace(decoded_.data(), decoded_.data() + text->size());
    return *text;
}

std::size_t TextReader::NextLineContaining(std::string_view text, std::string_view& line) {
    // The line goes straight to the caller's view: a found line handed back in a struct costs a
    // copy through memory that the processor cannot forward.
    for (;;) {
        if (const std::size_t offset = FindInBuffer(text, line); offset != std::string_view::npos)
            return offset;
        line = NextLine();
        const std::size_t offset = FindBytes(line, text);
        if (offset != std::string_view::npos || AtEnd()) return offset;
    }
}

std::size_t TextReader::FindInBuffer(std::string_view text, std::string_view& line) {
    constexpr auto npos = std::string_view::npos;
    if (begin_ == end_ || !plainText_) return npos;
    // The text is searched up to the first byte 0x80 or above: up to there, a line's text is in
    // `plainText_`, at the offsets of its bytes.
    const std::string_view searchable(plainText_ + begin_, NextNonAscii() - begin_);
    // A tag mostly opens the line it stands on.
    const std::size_t match = StartsWith(searchable, text) ? 0 : FindBytes(searchable, text);
    if (match == npos) {
        // Passes over the lines that end in the searchable text, but for the buffer's last whole
        // line, which is kept back so that the line handed out is never taken from beyond the end
        // of the log; a line to decode comes after them anyway.
        const std::size_t lastLf = searchable.rfind('\n');
        if (lastLf == npos) return npos;
        if (begin_ + searchable.size() < end_) {
            begin_ += lastLf + 1;
            return npos;
        }
        const std::size_t lf = searchable.substr(0, lastLf).rfind('\n');
        if (lf != npos) begin_ += lf + 1;
        return npos;
    }
    const std::size_t at = begin_ + match;
    if (const std::size_t lf = searchable.substr(0, match).rfind('\n'); lf != npos)
        begin_ += lf + 1;
    // The line's end may lie past the bytes searched, in a line to decode or the next buffer.
    const std::size_t lineEnd = std::string_view(bytes_, end_).find('\n', at + text.size());
    if (lineEnd == npos) return npos;
    const std::size_t offset = at - begin_;
    line = TakeLine(lineEnd - begin_);
    return offset;
}

std::string_view TextReader::DecodeLine(std::string_view raw) {
    // CR is never part of a character in an 8-bit code page, so it can go before decoding.
    if (std::memchr(raw.data(), '\r', raw.size()) != nullptr) {
        withoutCr_.clear();
        for (char c : raw)
            if (c != '\r') withoutCr_.push_back(c);
        raw = withoutCr_;
    }
    return DecodeLineWithoutCr(raw);
}

std::string_view TextReader::DecodeLineWithoutCr(std::string_view raw) {
    const std::string_view text = decoder_.Decode(raw, decoded_);
    if (lower_) LowerAsciiInPlace(decoded_.data(), decoded_.data() + text.size());
    return text;
}

TextWriter::TextWriter(ByteSink& sink, const CodePage& codePage)
    : sink_(sink), encoder_(codePage), buffer_(new char[kWriteBufferSize + 1024]),
      capacity_(kWriteBufferSize + 1024) {}

char* TextWriter::Room(std::size_t size) {
    if (capacity_ - used_ < size) {
        // Only a line longer than the buffer gets here: the buffer grows to hold it.
        const std::size_t capacity = std::max(used_ + size, 2 * capacity_);
        std::unique_ptr<char[]> grown(new char[capacity]);
        if (used_ > 0) std::memcpy(grown.get(), buffer_.get(), used_);
        buffer_ = std::move(grown);
        capacity_ = capacity;
    }
    return buffer_.get() + used_;
}

void TextWriter::WriteLine(std::string_view text) {
    char* out = LineRoom(text.size());
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    EndLine(text.size());
}

void TextWriter::EndLine(std::size_t used) {
    // ASCII text is written as it is in a code page that encodes ASCII to itself; anything else
    // is replaced by what the encoder makes of it.
    const char* text = buffer_.get() + used_;
    if (!encoder_.AsciiIsIdentity() || !IsAscii(std::string_view(text, used))) {
        encoded_.clear();
        encoder_.Append(std::string_view(text, used), encoded_);
        used = encoded_.size();
        char* out = Room(used + 2);
        if (used > 0) std::memcpy(out, encoded_.data(), used);
    }
    char* end = buffer_.get() + used_ + used;
    end[0] = '\r';
    end[1] = '\n';
    used_ += used + 2;
    if (used_ >= kWriteBufferSize) Flush();
}

void TextWriter::Flush() {
    if (used_ == 0) return;
    sink_.Write(buffer_.get(), used_);
    used_ = 0;
}

} // namespace nordavel
