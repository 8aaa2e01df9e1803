#include "conversion/LogScanner.h"

#include <functional>

#include "base/ByteScan.h"
#include "base/TextUtil.h"

namespace nordavel {

std::string ClosingTag(std::string_view openingTag) {
    std::string closing(openingTag.substr(0, 1));
    closing += '/';
    closing += openingTag.substr(1);
    return closing;
}

namespace {

constexpr auto npos = std::string_view::npos;

bool IsAsciiDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

// Cleared first: the result lies in the pending text's storage, and assign would have to allow
// for a source inside the text itself.
void StoreText(std::string_view result, std::string& text) {
    text.clear();
    text.append(result);
}

bool Contains(const std::string& storage, std::string_view view) noexcept {
    const std::less_equal<const char*> notAfter;
    return notAfter(storage.data(), view.data()) &&
           notAfter(view.data() + view.size(), storage.data() + storage.size());
}

} // namespace

void LogScanner::AppendNextLine() {
    // The current line is about to be replaced by the reader: keep the pending text first.
    if (!pending_.empty() && Contains(joined_, pending_)) {
        joined_.erase(0, static_cast<std::size_t>(pending_.data() - joined_.data()));
        joined_.resize(pending_.size());
    } else {
        joined_.assign(pending_);
    }
    pending_ = joined_; // no view of the reader's buffer should reading the next line fail
    const std::string_view next = log_.NextLine();
    if (joined_.size() + next.size() > log_.MaxLineBytes()) {
        std::string().swap(joined_);
        pending_ = {};
        throw LineTooLong(log_.MaxLineBytes());
    }
    joined_.append(next);
    pending_ = joined_;
}

std::size_t LogScanner::SearchLines(std::string_view text) {
    if (!pending_.empty()) {
        // A tag that stands alone on its line is mostly followed by one that opens the next.
        if (StartsWith(pending_, text)) return 0;
        const std::size_t found = FindBytes(pending_, text);
        if (found != npos || log_.AtEnd()) return found;
    }
    return log_.NextLineContaining(text, pending_);
}

bool LogScanner::SkipPastTag(std::string_view tag) {
    const std::size_t found = SearchLines(tag);
    if (found == npos) return false;
    pending_.remove_prefix(found + tag.size());
    pending_ = Trim(pending_);
    while (pending_.empty() && !log_.AtEnd()) {
        ReplaceWithNextLine();
        pending_ = Trim(pending_);
    }
    return !pending_.empty();
}

std::size_t LogScanner::JoinLinesUntil(std::string_view marker) {
    std::size_t found = npos;
    while (found == npos && !log_.AtEnd()) {
        // Only the joint and the new line can hold a marker not seen before.
        const std::size_t from =
            pending_.size() >= marker.size() ? pending_.size() - (marker.size() - 1) : 0;
        AppendNextLine();
        found = FindBytes(pending_.substr(from), marker);
        if (found != npos) found += from;
    }
    return found;
}

std::string_view LogScanner::ReadUntil(std::string_view marker) {
    std::size_t found = FindBytes(pending_, marker);
    if (found == npos) {
        found = JoinLinesUntil(marker);
        if (found == npos) return {};
    }
    const char* text = pending_.data();
    const std::size_t size = pending_.size();
    // The character after the marker goes with it. The reader hands out well-formed UTF-8 and
    // the marker is ASCII, so a whole character stands there.
    std::size_t consumed = found + marker.size();
    if (consumed < size) consumed += CharacterLength(pending_.substr(consumed));
    pending_ = std::string_view(text + consumed, size - consumed);
    return std::string_view(text, found);
}

std::string_view LogScanner::ElementTextView(const ElementTag& tag) {
    if (!SkipPastTag(tag.opening)) return {};
    std::string_view text = ReadUntil(tag.closing);
    while (!text.empty() && !IsAsciiDigit(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view LogScanner::DescriptionTextView(const ElementTag& tag) {
    if (!SkipPastTag(tag.opening)) return {};
    const std::string_view description = ReadUntil(tag.closing);
    if (description.empty()) return {};
    // The rest of the line after the closing tag is dropped.
    pending_ = description;
    if (!SkipPastTag("<br>")) return {};
    std::string_view bracketed = Trim(ReadUntil(")"));
    if (const std::size_t open = bracketed.find('('); open != npos)
        bracketed.remove_prefix(open + 1);
    return Trim(bracketed);
}

std::string_view LogScanner::NestedElementTextView(std::string_view outer,
                                                   const ElementTag& inner) {
    if (!SkipPastTag(outer)) return {};
    if (!SkipPastTag(inner.opening)) return {};
    return ReadUntil(inner.closing);
}

void LogScanner::ElementText(const ElementTag& tag, std::string& text) {
    StoreText(ElementTextView(tag), text);
}

void LogScanner::DescriptionText(const ElementTag& tag, std::string& text) {
    StoreText(DescriptionTextView(tag), text);
}

bool LogScanner::FindText(std::string_view text) {
    const std::size_t found = SearchLines(text);
    if (found == npos) return false;
    pending_.remove_prefix(found);
    return true;
}

} // namespace nordavel
