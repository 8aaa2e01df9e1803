#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/ByteStream.h"
#include "platform/CodePage.h"
#include "platform/File.h"

namespace nordavel {

// The longest line a log may have. Camera logs have lines under 1 KiB; the limit is there so that
// a file without line ends (or /dev/zero under another name) cannot take all memory.
inline constexpr std::size_t kMaxLineBytes = 64 * 1024 * 1024;

// A line, or a text joined from several lines, longer than the reader's limit: the text cannot
// be read, but nothing is wrong with the file or the system.
class LineTooLong : public std::length_error {
public:
    explicit LineTooLong(std::size_t limit);
    std::size_t Limit() const noexcept { return limit_; }

private:
    std::size_t limit_;
};

// Reads 8-bit text line by line and hands each line over as UTF-8.
// A line ends at LF or CR LF; every other CR is dropped and does not end a line. A Ctrl-Z byte
// ends the text. A line longer than the limit (at most kMaxLineBytes bytes as read) throws
// LineTooLong.
//
// Lines are handed out as views, without copying where the bytes allow it: the text of a line
// stays valid until the next call of NextLine (AtEnd leaves it alone). Reading alternates
// between two buffers for that reason.
class TextReader {
public:
    enum class LetterCase { AsIs, Lower };

    // With LetterCase::Lower every line comes with the letters A to Z of its text in lower case,
    // and no other character changed: a byte of a two-byte character that stands for a capital
    // letter in ASCII is decoded as it was read.
    // `maxLineBytes` is rounded up to the read buffer's size (128 KiB): a line that fits in one
    // buffer is never refused.
    TextReader(ByteSource& source, const CodePage& codePage,
               LetterCase letterCase = LetterCase::AsIs, std::size_t maxLineBytes = kMaxLineBytes);

    std::size_t MaxLineBytes() const noexcept { return maxLineBytes_; }

    // True when no byte remains unread or the next byte is Ctrl-Z.
    bool AtEnd();
    // The next line without its line end; empty text at the end.
    std::string_view NextLine();

    // Reads lines, at least one, until a line holds `text` (which holds no line end): `line`
    // receives that line, and the result is where in it the text stands. When the end comes
    // first: the last line read and npos. The same as calling NextLine in a loop, only faster:
    // lines that cannot hold the text are passed over inside the read buffer without being
    // handed out.
    std::size_t NextLineContaining(std::string_view text, std::string_view& line);
    // At the end: true when the text, without the blanks and control characters that close it,
    // ends with `ending` (ASCII, any letter case). A log cut short is told by what it ends with,
    // and the lines that hold it may have been passed over unread.
    bool EndsWith(std::string_view ending);

private:
    struct Buffer {
        std::unique_ptr<char[]> bytes;
        // The same bytes with A to Z lower-cased, for a reader that lower-cases.
        std::unique_ptr<char[]> lowerCased;
    };

    // Reads the next bytes of the source into the other buffer; false when none came.
    bool Fill();
    // Hands out the next line of the current buffer, `length` bytes long before its LF, and
    // moves past it.
    std::string_view TakeLine(std::size_t length);
    // For NextLineContaining: the line holding `text` when it lies whole in the buffer;
    // otherwise passes over the lines that cannot matter and returns npos, leaving `line` alone.
    std::size_t FindInBuffer(std::string_view text, std::string_view& line);
    // The offset of the first byte 0x80 or above from `begin_` on, or `end_` when there is
    // none: up to there the text of the buffer is in `plainText_`.
    std::size_t NextNonAscii() noexcept {
        if (nextNonAscii_ < begin_) FindNextNonAscii();
        return nextNonAscii_;
    }
    void FindNextNonAscii() noexcept;
    // The text of a line from its bytes `raw`: without CR, decoded, lower-cased when asked for.
    std::string_view DecodeLine(std::string_view raw);
    // The same for bytes that hold no CR.
    std::string_view DecodeLineWithoutCr(std::string_view raw);

    ByteSource& source_;
    TextDecoder decoder_;
    bool lower_;
    std::size_t maxLineBytes_;
    Buffer buffers_[2];
    int current_ = 1; // the buffer read from; Fill moves to the other one before it reads
    // The current buffer's bytes. This and `plainText_` are kept here rather than looked up
    // through `current_` on every line.
    const char* bytes_ = nullptr;
    // The current buffer's text wherever its bytes are ASCII: its lower-cased copy for a reader
    // that lower-cases, else the bytes themselves. A line of ASCII only is handed out as a view
    // into it, without decoding or copying. Null when no line may be: the code page does not
    // decode ASCII to itself, or the buffer holds a CR that is not before an LF, which has to be
    // taken out of its line.
    const char* plainText_ = nullptr;
    std::size_t begin_ = 0; // the offset of the next line in the current buffer
    std::size_t end_ = 0;   // the offset of the buffer's end, or of its Ctrl-Z
    // What NextNonAscii found last; it looks again once `begin_` has passed it.
    std::size_t nextNonAscii_ = 0;
    bool sourceDone_ = false; // no more bytes will come: end of data or Ctrl-Z seen
    std::string longLine_;    // the bytes of a line that goes on past the end of its buffer
    std::string withoutCr_;   // a line's bytes with its CRs taken out
    std::string decoded_;     // the text of a line that needed decoding
    // The last bytes of the buffers read before the current one, without the blanks that close
    // them: enough for EndsWith.
    std::string tail_;
};

// Writes UTF-8 text as 8-bit lines, each ending in CR LF, buffered.
class TextWriter {
public:
    TextWriter(ByteSink& sink, const CodePage& codePage);

    void WriteLine(std::string_view text);
    // A line built in place, for lines written by the hundred thousand: LineRoom gives room for
    // `size` bytes of UTF-8 text, and EndLine takes the first `used` of them as the next line.
    // The room is valid until the next call of the writer.
    char* LineRoom(std::size_t size) { return Room(size + 2); }
    void EndLine(std::size_t used);
    // Hands every buffered byte to the sink.
    void Flush();

private:
    // Room for `size` more bytes after the buffered ones.
    char* Room(std::size_t size);

    ByteSink& sink_;
    TextEncoder encoder_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_;
    std::size_t used_ = 0;
    std::string encoded_; // a line that the code page does not take as it is
};

// The log file of one conversion: an InputFile read through a TextReader.
class InputTextFile {
public:
    InputTextFile(const std::string& path, const CodePage& codePage,
                  TextReader::LetterCase letterCase)
        : file_(InputFile::Open(path)), reader_(file_, codePage, letterCase) {}
    TextReader& Reader() noexcept { return reader_; }
    void Close() noexcept { file_.Close(); }

private:
    InputFile file_;
    TextReader reader_;
};

} // namespace nordavel
