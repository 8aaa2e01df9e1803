#include "text/TextFile.h"

#include <algorithm>
#include <cstring>

#include "base/ByteScan.h"

namespace nordavel {

namespace {

constexpr std::size_t kReadBufferSize = 128 * 1024;
// Reading ahead pays for its thread from about this size on.
constexpr std::uint64_t kReadAheadFrom = 1024 * 1024;
constexpr std::size_t kWriteBufferSize = 64 * 1024;

} // namespace

LineTooLong::LineTooLong(std::size_t limit)
    : std::length_error("line longer than " + std::to_string(limit) + " bytes"), limit_(limit) {}

TextReader::TextReader(ByteSource& source, const CodePage& codePage, LetterCase letterCase,
                       std::size_t maxLineBytes)
    : source_(source), decoder_(codePage), lower_(letterCase == LetterCase::Lower),
      maxLineBytes_(std::max(maxLineBytes, kReadBufferSize)), loadDecoder_(codePage) {
    for (Buffer& buffer : buffers_) {
        buffer.bytes.reset(new char[kReadBufferSize]);
        if (lower_) buffer.lowered.reset(new char[kReadBufferSize]);
    }
    ring_ = std::make_unique<BufferRing>([this](int number) { return Load(number); },
                                         source.FileSize() >= kReadAheadFrom);
}

bool TextReader::Load(int number) noexcept {
    Buffer& buffer = buffers_[number];
    char* bytes = buffer.bytes.get();
    std::size_t count = 0;
    buffer.failure = nullptr;
    buffer.highLines.clear();
    try {
        count = source_.Read(bytes, kReadBufferSize);
        buffer.facts = ScanBuffer(bytes, count, buffer.lowered.get());
        DecodeHighLines(buffer);
    } catch (...) {
        buffer.failure = std::current_exception();
    }
    // The end, a Ctrl-Z or a failure.
    buffer.more = count > 0 && buffer.facts.size == count && !buffer.failure;
    return buffer.more;
}

void TextReader::DecodeHighLines(Buffer& buffer) {
    constexpr auto npos = std::string_view::npos;
    // The lines' texts one after the other, in storage that keeps its size from buffer to buffer.
    std::string& decoded = buffer.decoded;
    std::size_t used = 0;
    const BufferFacts& facts = buffer.facts;
    if (facts.ascii || !HandsOutAsTheyStand(facts)) return;
    const char* bytes = buffer.bytes.get();
    const char* text = buffer.lowered ? buffer.lowered.get() : bytes;
    const std::size_t size = facts.size;
    const auto at = [](std::size_t offset) { return static_cast<std::uint32_t>(offset); };
    for (std::size_t high = FindNonAscii(bytes, size); high != npos;) {
        const std::size_t lf = FindLastByte(bytes, high, '\n');
        const std::size_t start = lf == npos ? 0 : lf + 1;
        const std::size_t end = FindByte(bytes + high, size - high, '\n');
        if (end == npos) {
            buffer.highLines.push_back({at(start), at(high), kUnfinished, 0, 0});
            return;
        }
        const std::size_t lineEnd = high + end;
        std::size_t length = lineEnd - start;
        if (bytes[lineEnd - 1] == '\r') --length;
        // As TakeLine would decode it: the ASCII bytes from the lower-cased copy, the characters
        // from the table; or all of it through the converter, then lower-cased.
        const std::string_view raw(bytes + start, length);
        std::size_t textSize;
        if (const auto known =
                loadDecoder_.DecodeKnown(raw, text + start, high - start, decoded, used)) {
            textSize = known->size();
        } else {
            const std::string_view line = loadDecoder_.Decode(raw, loadDecoded_);
            textSize = line.size();
            if (decoded.size() < used + textSize) decoded.resize(used + textSize);
            std::memcpy(decoded.data() + used, line.data(), textSize);
            if (lower_) LowerAsciiInPlace(decoded.data() + used, decoded.data() + used + textSize);
        }
        buffer.highLines.push_back({at(start), at(high), at(lineEnd), at(used), at(textSize)});
        used += textSize;
        const std::size_t next = FindNonAscii(bytes + lineEnd + 1, size - lineEnd - 1);
        high = next == npos ? npos : lineEnd + 1 + next;
    }
}

void TextReader::StopReading() noexcept {
    ring_.reset();
    sourceDone_ = true;
    begin_ = end_;
}

bool TextReader::Fill() {
    // A source that failed is not read again: every read after the failure fails the same way.
    if (failure_) std::rethrow_exception(failure_);
    if (sourceDone_) return false;
    const Buffer& buffer = buffers_[ring_->Next()];
    sourceDone_ = !buffer.more;
    if (buffer.failure) std::rethrow_exception(failure_ = buffer.failure);
    const BufferFacts& facts = buffer.facts;
    const char* bytes = buffer.bytes.get();
    buffer_ = &buffer;
    nextHighLine_ = 0;
    begin_ = 0;
    end_ = facts.size;
    // A buffer is taken only once the one before has been read up to its end, so its first
    // line begins with it; a line that began in the buffer before is taken from the raw bytes
    // and decoded as a whole.
    bytes_ = bytes;
    ready_ = nullptr;
    if (HandsOutAsTheyStand(facts)) ready_ = buffer.lowered ? buffer.lowered.get() : bytes;
    return end_ > 0;
}

bool TextReader::AtEnd() {
    return begin_ == end_ && !Fill();
}

std::string_view TextReader::NextLine() {
    if (begin_ == end_ && !Fill()) return {};
    const char* start = bytes_ + begin_;
    const std::size_t available = end_ - begin_;
    if (std::size_t length = FindByte(start, available, '\n'); length != std::string_view::npos)
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
    return Decode(longLine_);
}

std::string_view TextReader::TakeLine(std::size_t length) {
    // The one place that decides whether a line is handed out as it stands.
    const std::size_t at = begin_;
    const bool plain = ready_ && at + length < NextHigh();
    begin_ += length + 1;
    if (!ready_) return Decode(std::string_view(bytes_ + at, length));
    // Without a CR alone in the buffer, a CR can only stand right before the LF.
    if (length > 0 && bytes_[at + length - 1] == '\r') --length;
    if (plain) return std::string_view(ready_ + at, length);
    // Decoded when the buffer was read: the high line NextHigh found is this line, for it holds
    // that high byte and ends in this buffer.
    const HighLine& line = buffer_->highLines[nextHighLine_];
    return std::string_view(buffer_->decoded.data() + line.textAt, line.textSize);
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
    if (begin_ == end_ || !ready_) return npos;
    // The bytes before the first that needs decoding are searched as they stand: up to there, a
    // line's decoded text is its bytes, at the same offsets.
    const std::size_t searchable = NextHigh() - begin_;
    const char* rest = ready_ + begin_;
    // A tag mostly opens the line it stands on, which may be all that is searchable before a line
    // to decode: too short a text for the vector search.
    LineMatch found;
    if (StartsWith(std::string_view(rest, searchable), text)) {
        const std::size_t lf = FindByte(rest + text.size(), searchable - text.size(), '\n');
        found = {0, 0, lf == npos ? npos : text.size() + lf};
    } else {
        found = FindLineHolding(std::string_view(rest, searchable), text);
    }
    if (found.match == npos) {
        // Passes over the lines that end in the searchable bytes, but for the buffer's last whole
        // line, which is kept back so that the line handed out is never taken from beyond the end
        // of the log; a line to decode comes after them anyway.
        const std::size_t lastLf = FindLastByte(rest, searchable, '\n');
        if (lastLf == npos) return npos;
        if (begin_ + searchable < end_) {
            begin_ += lastLf + 1;
            return npos;
        }
        const std::size_t lf = FindLastByte(rest, lastLf, '\n');
        if (lf != npos) begin_ += lf + 1;
        return npos;
    }
    if (found.lineEnd == npos) {
        // The line's end lies past the bytes searched: it is the high line there, whose end was
        // found as the buffer was read, or the buffer's unfinished last line.
        const bool unfinished = begin_ + searchable == end_;
        begin_ += found.lineStart;
        if (unfinished) return npos;
        const HighLine& high = buffer_->highLines[nextHighLine_];
        if (high.lineEnd == kUnfinished) return npos;
        line = TakeLine(high.lineEnd - begin_);
        return found.match - found.lineStart;
    }
    std::size_t length = found.lineEnd - found.lineStart;
    begin_ += found.lineEnd + 1;
    if (length > 0 && rest[found.lineStart + length - 1] == '\r') --length;
    line = std::string_view(rest + found.lineStart, length);
    return found.match - found.lineStart;
}

std::string_view TextReader::Decode(std::string_view raw) {
    // CR is never part of a character in an 8-bit code page, so it can go before decoding.
    if (std::memchr(raw.data(), '\r', raw.size()) != nullptr) {
        withoutCr_.clear();
        for (char c : raw)
            if (c != '\r') withoutCr_.push_back(c);
        raw = withoutCr_;
    }
    return DecodeWithoutCr(raw);
}

std::string_view TextReader::DecodeWithoutCr(std::string_view raw) {
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
    // ASCII text in a code page that keeps ASCII as it is stays as it stands; anything else is
    // replaced by what the encoder makes of it.
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
