#pragma once

#include <string>
#include <string_view>

#include "cli/Console.h"
#include "conversion/ConversionReport.h"
#include "platform/IoError.h"

namespace nordavel::cli {

// The report as it happens: each line goes to standard output when it is told, so that a file's
// lines are out before the next file begins. Once standard output has failed, the run ends with
// that error, and the lines that its unwinding tells go nowhere rather than fail again.
class ConsoleReport final : public ReportLines {
public:
    void RunBegun() override {}
    void Warning(std::string_view text) override {
        WriteStderr("nordavel-cli: warning: " + std::string(text) + "\n");
    }
    // What the command line's names came to, before the run, each followed by an empty line.
    void Note(std::string_view text) {
        Line(text);
        Line("");
    }
    void Write(std::string_view text) {
        if (failed_) return;
        try {
            WriteStdout(text);
        } catch (const IoError&) {
            failed_ = true;
            throw;
        }
    }

private:
    void Line(std::string_view text) override { Write(std::string(text) + '\n'); }
    void Reveal() override {}

    bool failed_ = false;
};

} // namespace nordavel::cli
