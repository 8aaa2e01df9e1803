#pragma once

#include <string>
#include <string_view>

#include "text/TextFile.h"

namespace nordavel {

// The closing tag of an opening tag: "/" inserted after its first character.
std::string ClosingTag(std::string_view openingTag);

// An element's opening tag with its closing tag, made once for all the elements of a log. No
// tag has no closing tag either.
struct ElementTag {
    explicit ElementTag(std::string_view openingTag)
        : opening(openingTag), closing(openingTag.empty() ? "" : ClosingTag(openingTag)) {}
    std::string opening;
    std::string closing;
};

// Finds the few tags a conversion needs in a camera log by plain text search over its
// lower-cased lines, reading the log once from front to back. Everything the scanner is asked
// for must be given in lower case, and everything it returns is lower case.
//
// The scanner holds the "pending text": what has been read and not yet consumed. Searches that
// fail on a line replace the pending text with the next line, so a tag is found only where it
// stands whole on one line; ReadUntil joins lines instead.
class LogScanner {
public:
    // `log` must deliver lower-cased lines (TextReader::LetterCase::Lower).
    explicit LogScanner(TextReader& log) : log_(log) {}

    // A text that is not found is no failure: the result is false or empty text. A failure to
    // read the log (IoError), a line or joined text longer than the reader allows (LineTooLong)
    // and memory exhaustion pass on to the caller: an unreadable log must not look like a log
    // without that text.
    bool FindText(std::string_view text);
    bool SkipPastTag(std::string_view tag);
    // The first two giving their text in `text`, whose storage is reused from call to call,
    // the others without a copy: their text stands in the pending text's storage, right in
    // front of what is left pending, and stays valid until the next line is read.
    void ElementText(const ElementTag& tag, std::string& text);
    void DescriptionText(const ElementTag& tag, std::string& text);
    std::string_view NestedElementTextView(std::string_view outer, const ElementTag& inner);
    std::string_view ReadUntil(std::string_view marker);

private:
    // For ReadUntil when the pending text lacks the marker: appends lines until the marker
    // stands in the joined text and returns its offset there, or npos at the end of the log.
    std::size_t JoinLinesUntil(std::string_view marker);
    // The operations' texts as views into the pending text's storage, valid until the next
    // line is read.
    std::string_view ElementTextView(const ElementTag& tag);
    std::string_view DescriptionTextView(const ElementTag& tag);

    // Searches forward line by line until `text` is found, each line replacing the pending
    // text; returns its offset in the pending text, or npos at the end of the log.
    std::size_t SearchLines(std::string_view text);
    void ReplaceWithNextLine() { pending_ = log_.NextLine(); }
    // Joins the next line to the pending text; LineTooLong when the two would be longer than
    // the reader's line limit, so that a marker that never comes cannot hold the whole log.
    void AppendNextLine();

    TextReader& log_;
    // A view of the reader's current line, or of joined_ once lines have been joined.
    std::string_view pending_;
    std::string joined_;
};

// Reads the track points of a camera log from `log` (lower-cased lines, as for LogScanner) front
// to back and hands each placemark that has a date and time to `onPoint(index, dateTime,
// coordinates)`, the texts valid for that call only. False, with no point handed out, when the
// log lacks the camera's signature: it is no camera log. A template so that the conversion's
// call for every point can be inlined; every reader of logs goes through it, so that they all
// find the same points.
template <class OnPoint>
bool ForEachTrackPoint(TextReader& log, OnPoint&& onPoint) {
    LogScanner scanner(log);
    if (!scanner.FindText("<name>exilim log</name>")) return false;
    // Steps over the document's own description, so that the first one the loop meets is the
    // first placemark's.
    scanner.SkipPastTag("<description>");
    const ElementTag name("<name>");
    const ElementTag description("<description>");
    const ElementTag coordinatesTag("<coordinates>");
    // The coordinates are used before the next line is read; the others are kept.
    std::string index;
    std::string dateTime;
    while (!log.AtEnd()) {
        scanner.ElementText(name, index);
        scanner.DescriptionText(description, dateTime);
        const std::string_view coordinates =
            scanner.NestedElementTextView("<point>", coordinatesTag);
        if (!dateTime.empty())
            onPoint(std::string_view(index), std::string_view(dateTime), coordinates);
    }
    return true;
}

} // namespace nordavel
