#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nordavel {

// The list of log file names a batch run works through, one entry per line. A line is a bare
// name, or a status, "> " and the name.
class FileList {
public:
    virtual ~FileList() = default;
    virtual std::size_t Count() const = 0;
    virtual std::string Line(std::size_t index) const = 0;
    virtual void SetLine(std::size_t index, std::string_view text) = 0;
    // The line at `index` replaced by `lines`, at least one.
    virtual void ReplaceLine(std::size_t index, const std::vector<std::string>& lines) = 0;
};

// The entries of a multi-line text as an edit box shows them: lines end in CR LF, and the empty
// line after a final line end is not an entry. Empty text has no entries.
std::vector<std::string> SplitListText(std::string_view text);
// The text of the entries, each but the last followed by CR LF.
std::string JoinListText(const std::vector<std::string>& lines);

// Lists held as vectors replace a line alike.
void ReplaceLineIn(std::vector<std::string>& list, std::size_t index,
                   const std::vector<std::string>& lines);

// A FileList held in memory.
class VectorFileList : public FileList {
public:
    VectorFileList() = default;
    explicit VectorFileList(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    std::size_t Count() const override { return lines_.size(); }
    std::string Line(std::size_t index) const override { return lines_.at(index); }
    void SetLine(std::size_t index, std::string_view text) override {
        lines_.at(index) = std::string(text);
    }
    void ReplaceLine(std::size_t index, const std::vector<std::string>& lines) override {
        ReplaceLineIn(lines_, index, lines);
    }
    const std::vector<std::string>& Lines() const noexcept { return lines_; }

private:
    std::vector<std::string> lines_;
};

} // namespace nordavel
