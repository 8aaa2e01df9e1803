#include "cli/FileArguments.h"

#include <algorithm>

#include "platform/Folder.h"
#include "platform/IoError.h"

namespace nordavel::cli {

namespace {

bool HasWildcard(std::string_view name) {
    return name.find_first_of("*?") != std::string_view::npos;
}

// Names that begin with "." are hidden on POSIX, and on a memory card that has seen another
// system they are its metadata ("._walk.kml"), never logs. As in a shell, a pattern that itself
// begins with "." still finds them.
bool IsHidden(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

std::vector<FolderEntry> SortedEntries(const std::string& folder) {
    std::vector<FolderEntry> entries = ListFolder(folder);
    // Byte order of UTF-8 is code point order: what a POSIX shell gives in the C locale.
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return entries;
}

class Expander {
public:
    explicit Expander(const ExpansionRules& rules) : rules_(rules) {}

    void Argument(const std::string& argument) {
        for (const std::string& name : WildcardMatches(argument)) {
            if (!IsFolder(name)) {
                result_.files.push_back(name);
                continue;
            }
            const std::size_t before = result_.files.size();
            if (Folder(name) && result_.files.size() == before)
                result_.notes.push_back(std::string(rules_.noneInFolder) + name);
        }
    }

    ExpandedFiles Result() && { return std::move(result_); }

private:
    // The names a wildcard in the last part of `argument` matches, sorted; the argument itself
    // when it has none or matches nothing, so that it is reported "Not found".
    std::vector<std::string> WildcardMatches(const std::string& argument) const {
        const std::string_view pattern = ExtractFileName(argument, rules_.style);
        if (!rules_.wildcards || !HasWildcard(pattern)) return {argument};
        const std::string_view folder = ExtractFilePath(argument, rules_.style);
        std::vector<std::string> matches;
        try {
            for (const FolderEntry& entry :
                 SortedEntries(folder.empty() ? "." : std::string(folder)))
                if ((!IsHidden(entry.name) || IsHidden(pattern)) &&
                    MatchesWildcard(pattern, entry.name, true))
                    matches.push_back(std::string(folder) + entry.name);
        } catch (const IoError&) {
            // A folder that cannot be read matches nothing.
        }
        if (matches.empty()) matches.push_back(argument);
        return matches;
    }

    // Adds the files in `folder` that are wanted (and those of its subfolders when recursive);
    // false when it could not be read, which is noted instead.
    bool Folder(const std::string& folder) {
        std::vector<FolderEntry> entries;
        try {
            entries = SortedEntries(folder);
        } catch (const IoError& error) {
            result_.notes.push_back(error.what());
            return false;
        }
        for (const FolderEntry& entry : entries) {
            if (IsHidden(entry.name)) continue;
            const std::string path = JoinPath(folder, entry.name, rules_.style);
            if (entry.isFolder) {
                if (rules_.recursive) Folder(path);
            } else if (rules_.wanted ? rules_.wanted(entry.name)
                                     : HasExtension(entry.name, ".kml", rules_.style)) {
                result_.files.push_back(path);
            }
        }
        return true;
    }

    const ExpansionRules& rules_;
    ExpandedFiles result_;
};

} // namespace

ExpandedFiles ExpandFileArguments(const std::vector<std::string>& arguments,
                                  const ExpansionRules& rules) {
    Expander expander(rules);
    for (const std::string& argument : arguments)
        expander.Argument(argument);
    return std::move(expander).Result();
}

bool MatchesWildcard(std::string_view pattern, std::string_view name, bool ignoreCase) {
    const auto same = [ignoreCase](char a, char b) {
        return ignoreCase ? LowerAscii(a) == LowerAscii(b) : a == b;
    };
    // Greedy matching that returns to the last "*" on a mismatch: linear in practice, and never
    // the exponential time of naive recursion.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            ++n;
            while (n < name.size() && IsUtf8Continuation(name[n]))
                ++n;
        } else if (p < pattern.size() && same(pattern[p], name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
            while (n < name.size() && IsUtf8Continuation(name[n]))
                n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace nordavel::cli
