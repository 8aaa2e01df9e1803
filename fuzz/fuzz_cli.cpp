// Arbitrary bytes as nordavel-cli's arguments, split at NUL bytes. ParseArguments must agree with
// a plain reading of the usage text: options and files in any order, the last of --X and --no-X
// wins, --codepage takes the next argument (or the text after "="), "--" makes every later
// argument a file, "-" and an empty argument are files; an unknown option, a --codepage without
// a value or no file (without --help or --version) is a usage error. Adding a file to a good
// command line must add just that file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/CliOptions.h"

namespace {

using namespace nordavel;
using nordavel::cli::CliOptions;
using nordavel::cli::ParseArguments;
using nordavel::cli::ParseResult;

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "command-line property violated: %s\n", what);
    std::abort();
}

// What each argument is, decided one by one from the usage text.
struct Expected {
    TCsvOptions csv;
    std::optional<std::string> codePage;
    std::vector<std::string> files;
    bool help = false;
    bool version = false;
    std::string errorStart; // empty: no error
};

// The check box a "--name" or "--no-name" argument sets, and to what.
std::optional<std::pair<bool TCsvOptions::*, bool>> FlagOf(std::string_view argument) {
    static constexpr std::pair<std::string_view, bool TCsvOptions::*> kFlags[] = {
        {"index", &TCsvOptions::Index},
        {"rcr", &TCsvOptions::RCR},
        {"datetime", &TCsvOptions::DateTime},
        {"valid", &TCsvOptions::VALID},
        {"snew", &TCsvOptions::SNEW}};
    for (const auto& [name, member] : kFlags) {
        if (argument == "--" + std::string(name)) return std::pair{member, true};
        if (argument == "--no-" + std::string(name)) return std::pair{member, false};
    }
    return std::nullopt;
}

Expected Expect(const std::vector<std::string>& arguments) {
    Expected expected;
    enum class Next { Any, CodePage, FileOnly } next = Next::Any;
    for (const std::string& argument : arguments) {
        if (next == Next::CodePage) {
            expected.codePage = argument;
            next = Next::Any;
        } else if (next == Next::FileOnly || argument.empty() || argument == "-" ||
                   argument.front() != '-') {
            expected.files.push_back(argument);
        } else if (argument == "--") {
            next = Next::FileOnly;
        } else if (argument == "--help" || argument == "-h") {
            expected.help = true;
        } else if (argument == "--version") {
            expected.version = true;
        } else if (argument == "--codepage") {
            next = Next::CodePage;
        } else if (argument.starts_with("--codepage=")) {
            expected.codePage = argument.substr(std::string_view("--codepage=").size());
        } else if (const auto flag = FlagOf(argument)) {
            expected.csv.*(flag->first) = flag->second;
        } else {
            expected.errorStart = "unknown option " + argument;
            return expected;
        }
    }
    if (next == Next::CodePage) {
        expected.errorStart = "option --codepage";
    } else if (expected.files.empty() && !expected.help && !expected.version) {
        expected.errorStart = "no log file";
    }
    return expected;
}

bool SameCsv(const TCsvOptions& a, const TCsvOptions& b) {
    return a.Index == b.Index && a.RCR == b.RCR && a.DateTime == b.DateTime && a.VALID == b.VALID &&
           a.SNEW == b.SNEW;
}

bool SameOptions(const CliOptions& a, const CliOptions& b) {
    return SameCsv(a.csv, b.csv) && a.codePage == b.codePage && a.help == b.help &&
           a.version == b.version;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments;
    if (size > 0) {
        std::string_view rest(reinterpret_cast<const char*>(data), size);
        for (;;) {
            const std::size_t nul = rest.find('\0');
            arguments.emplace_back(rest.substr(0, nul));
            if (nul == std::string_view::npos) break;
            rest.remove_prefix(nul + 1);
        }
    }

    const ParseResult result = ParseArguments(arguments);
    const Expected expected = Expect(arguments);
    if (!expected.errorStart.empty()) {
        Check(result.error.starts_with(expected.errorStart), "the usage error named");
        return 0;
    }
    Check(result.error.empty(), "no usage error in a good command line");
    const CliOptions& options = result.options;
    Check(options.files == expected.files, "every file, in order, and nothing else");
    Check(SameCsv(options.csv, expected.csv), "each column option as its last word says");
    Check(options.codePage == expected.codePage, "the last code page named");
    Check(options.help == expected.help && options.version == expected.version,
          "--help and --version");
    // Files never move the options: one more at the end is just one more file.
    std::vector<std::string> longer = arguments;
    longer.push_back("late.kml");
    const ParseResult extended = ParseArguments(longer);
    std::vector<std::string> files = options.files;
    files.push_back("late.kml");
    Check(extended.error.empty() && extended.options.files == files &&
              SameOptions(extended.options, options),
          "a file added at the end adds just that file");
    return 0;
}
