#include "text/TextFile.h"

#include <algorithm>
#include <cstring>

#include "text/ByteScan.h"

namespace nordavel {

namespace {

constexpr std::size_t kReadBufferSize = 128 * 1024;
constexpr std::size_t kWriteBufferSize = 64 * 1024;

} // namespace

LineTooLong::LineTooLong(std::size_t limit)
    : std::length_error("line longer than " + std::to_string(limit) + " bytes"), limit_(limit) {}

TextReader::TextReader(ByteSource& source, const CodePage& codePage, LetterCase letterCase,
                       std::size_t maxLineBytes)
    : source_(source), decoder_(codePage), lower_(letterCase == LetterCase::Lower),
      maxLineBytes_(std::max(maxLineBytes, kReadBufferSize)) {
    for (Buffer& buffer : buffers_) {
        buffer.bytes.reset(new char[kReadBufferSize]);
        if (lower_) buffer.lowered.reset(new char[kReadBufferSize]);
    }
}

bool TextReader::Fill() {
    if (sourceDone_) return false;
    current_ ^= 1;
    Buffer& buffer = buffers_[current_];
    char* bytes = buffer.bytes.get();
    const std::size_t count = source_.Read(bytes, kReadBufferSize);
    const BufferFacts facts = ScanBuffer(bytes, count, buffer.lowered.get());
    begin_ = 0;
    end_ = facts.size;
    sourceDone_ = count == 0 || facts.size < count; // the end, or a Ctrl-Z
    // A buffer is filled only once the one before has been read up to its end, so its first
    // line begins with it; a line that began in the buffer before is taken from the raw bytes
    // and decoded as a whole.
    bytes_ = bytes;
    ready_ = nullptr;
    if (decoder_.AsciiIsIdentity() && facts.ascii && !facts.loneCr)
        ready_ = buffer.lowered ? buffer.lowered.get() : bytes;
    return end_ > 0;
}

bool TextReader::AtEnd() {
    return begin_ == end_ && !Fill();
}

std::string_view TextReader::NextLine() {
    if (begin_ == end_ && !Fill()) return {};
    const char* start = bytes_ + begin_;
    const std::size_t available = end_ - begin_;
    if (std::size_t length = FindByte(start, available, '\n'); length != std::string_view::npos) {
        if (ready_) {
            const char* ready = ready_ + begin_;
            begin_ += length + 1;
            if (length > 0 && ready[length - 1] == '\r') --length;
            return std::string_view(ready, length);
        }
        begin_ += length + 1;
        return Decode(std::string_view(start, length));
    }
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
    const char* rest = ready_ + begin_;
    const std::size_t size = end_ - begin_;
    const LineMatch found = FindLineHolding(std::string_view(rest, size), text);
    if (found.match == npos) {
        // Passes over all but the buffer's last whole line, which is kept back so that the line
        // handed out is never taken from beyond the end of the log.
        const std::size_t lastLf = FindLastByte(rest, size, '\n');
        if (lastLf == npos) return npos;
        const std::size_t lf = FindLastByte(rest, lastLf, '\n');
        if (lf != npos) begin_ += lf + 1;
        return npos;
    }
    if (found.lineEnd == npos) {
        // The line goes on in the next buffer.
        begin_ += found.lineStart;
        return npos;
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
    decoded_.clear();
    decoder_.Append(raw, decoded_);
    if (lower_) LowerAsciiInPlace(decoded_.data(), decoded_.data() + decoded_.size());
    return decoded_;
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
    // ASCII text in a code page that keeps ASCII as it is goes in as it stands, tested for ASCII
    // while it is copied; anything else goes through the encoder.
    char* out = Room(text.size() + 2);
    if (encoder_.AsciiIsIdentity() && CopyHoldingOnlyAscii(text.data(), text.size(), out)) {
        out += text.size();
    } else {
        encoded_.clear();
        encoder_.Append(text, encoded_);
        out = Room(encoded_.size() + 2);
        if (!encoded_.empty()) std::memcpy(out, encoded_.data(), encoded_.size());
        out += encoded_.size();
    }
    out[0] = '\r';
    out[1] = '\n';
    used_ = static_cast<std::size_t>(out + 2 - buffer_.get());
    if (used_ >= kWriteBufferSize) Flush();
}

void TextWriter::Flush() {
    if (used_ == 0) return;
    sink_.Write(buffer_.get(), used_);
    used_ = 0;
}

} // namespace nordavel
