// Arbitrary bytes as nordavel-cli's arguments, split at NUL bytes. ParseArguments must not crash,
// must take its files from the arguments, in their order, and must treat a file added at the end
// of a good command line as just one more file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliOptions.h"

namespace {

using nordavel::cli::CliOptions;
using nordavel::cli::ParseArguments;
using nordavel::cli::ParseResult;

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "command-line property violated: %s\n", what);
    std::abort();
}

// True when `part` can be had from `whole` by leaving elements out.
bool InOrderWithin(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    std::size_t next = 0;
    for (const std::string& each : whole)
        if (next < part.size() && part[next] == each) ++next;
    return next == part.size();
}

bool SameOptions(const CliOptions& a, const CliOptions& b) {
    return a.csv == b.csv && a.codePage == b.codePage && a.help == b.help &&
           a.version == b.version && a.format == b.format &&
           a.gpx.utcOffsetMinutes == b.gpx.utcOffsetMinutes;
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
    if (!result.error.empty()) return 0;
    const CliOptions& options = result.options;
    Check(InOrderWithin(options.files, arguments), "files come from the arguments, in order");
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
