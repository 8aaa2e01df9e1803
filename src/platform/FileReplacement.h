#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ByteStream.h"
#include "platform/IoError.h"

namespace nordavel {

// What FileReplacement::Commit came to, failures included, as one value.
struct CommitResult {
    // The new content stands whole under the target's name.
    bool replaced = false;
    // Not replaced: why ("Cannot replace" or "Cannot write"); the temporary file is gone and the
    // target is as it was, unless the copy in place broke off half way. Replaced: a failure after
    // the target was replaced, which cannot undo that and is only a warning ("Cannot sync the
    // folder of").
    std::optional<IoError> error;
};

// The new content of a file, written aside and put in the file's place only by Commit, so that
// the file as it was survives every failure before that, and an interrupted run leaves nothing.
//
// The content goes to a temporary file beside the target where the folder allows it (one that
// has no name, or is deleted when the process ends, where the system offers that), otherwise to
// the system's temporary folder. Commit renames a temporary file beside the target over it,
// after giving it the target's permission bits and, where this process may, its owner (on
// Windows its attributes and security descriptor). A symbolic link in the target's place is
// itself replaced, never written through: a link planted in a shared folder must not redirect
// the output. Where the target may be written but not renamed over (a folder that is not
// writable, a sticky folder, another program holding the file without sharing its deletion),
// Commit copies the content into the target in place instead.
//
// The content reaches the disk before the renaming, and on POSIX the folder's new entry after
// it, so that a power cut leaves either the old file or the whole new one.
class FileReplacement final : public ByteSink {
public:
    // Throws IoError ("Cannot create") when `target` can be neither created nor written: its
    // folder is missing or not writable and it does not exist, or it exists and is a folder, a
    // read-only file, a file this user may not write or another program holds without sharing
    // writing, or something else that is not a regular file.
    explicit FileReplacement(const std::string& target);
    ~FileReplacement() override;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // IoError ("Cannot write" the target) when the content cannot be stored.
    void Write(const char* data, std::size_t size) override;
    // Puts the content in the target's place, on the disk. Every failure of the system comes
    // back in the result, none is thrown; only memory exhausted is, as std::bad_alloc (the
    // temporary file is gone then too), so that it ends the run as it does anywhere else.
    [[nodiscard]] CommitResult Commit();
    // Drops the content; the target stays as it was.
    void Discard() noexcept;

private:
    struct State; // per platform
    std::unique_ptr<State> state_;
};

} // namespace nordavel
