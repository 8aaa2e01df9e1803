#pragma once

#include <string>
#include <string_view>

#include "text/TextFile.h"

namespace nordavel {

// Finds the few tags a conversion needs in a camera log by plain text search over its
// lower-cased lines, reading the log once from front to back. Everything the scanner is asked
// for must be given in lower case, and everything it returns is lower case.
//
// The scanner holds the "pending text": what has been read and not yet consumed. Searches that
// fail on a line replace the pending text with the next line, so a tag is found only where it
// stands whole on one line; ReadUntil joins lines instead.
class TLogScanner {
public:
    // `log` must deliver lower-cased lines (TextReader::LetterCase::Lower).
    explicit TLogScanner(TextReader& log) : log_(log) {}

    // A text that is not found is no failure: the result is false or empty text. A failure to
    // read the log (IoError), a line or joined text longer than the reader allows (LineTooLong)
    // and memory exhaustion pass on to the caller: an unreadable log must not look like a log
    // without that text.
    bool FindText(std::string_view text);
    bool SkipPastTag(std::string_view tag);
    std::string ElementText(std::string_view tag);
    std::string DescriptionText(std::string_view tag);
    std::string NestedElementText(std::string_view outer, std::string_view inner);

    // The same three, giving their text in `text`, whose storage is reused from call to call.
    void ElementText(std::string_view tag, std::string& text);
    void DescriptionText(std::string_view tag, std::string& text);
    void NestedElementText(std::string_view outer, std::string_view inner, std::string& text);

    std::string ReadUntil(std::string_view marker) { return std::string(ReadUntilView(marker)); }

    std::string_view PendingText() const noexcept { return pending_; }

private:
    // ReadUntil without a copy: the text stands in the pending text's storage, right in front of
    // what is left pending, and stays valid until the next line is read.
    std::string_view ReadUntilView(std::string_view marker);
    // For ReadUntilView when the pending text lacks the marker: appends lines until the marker
    // stands in the joined text and returns its offset there, or npos at the end of the log.
    std::size_t JoinLinesUntil(std::string_view marker);
    // The operations' texts as views into the pending text's storage, valid until the next
    // line is read.
    std::string_view ElementTextView(std::string_view tag);
    std::string_view DescriptionTextView(std::string_view tag);
    std::string_view NestedElementTextView(std::string_view outer, std::string_view inner);

    // Searches forward line by line until `text` is found, each line replacing the pending
    // text; returns its offset in the pending text, or npos at the end of the log.
    std::size_t SearchLines(std::string_view text);
    void ReplaceWithNextLine() { pending_ = log_.NextLine(); }
    // Joins the next line to the pending text; LineTooLong when the two would be longer than
    // the reader's line limit, so that a marker that never comes cannot hold the whole log.
    void AppendNextLine();
    // The closing tag of `openingTag`, kept from one element to the next: a tag made afresh
    // for every search is read back, a word at a time, before the bytes just stored can be
    // forwarded, which stalls every comparison with it.
    std::string_view ClosingTagFor(std::string_view openingTag);

    TextReader& log_;
    // A view of the reader's current line, or of joined_ once lines have been joined.
    std::string_view pending_;
    std::string joined_;
    struct KnownClosingTag {
        std::string opening;
        std::string closing;
    };
    KnownClosingTag closingTags_[4];
    std::size_t nextClosingTag_ = 0;
};

// The closing tag of an opening tag: "/" inserted after its first character.
std::string ClosingTag(std::string_view openingTag);

} // namespace nordavel
