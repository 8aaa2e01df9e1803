#pragma once

// Inside FileReplacement: the steps each platform provides (FileReplacement_posix.cpp,
// FileReplacement_win32.cpp). FileReplacement.cpp puts them together the same way everywhere.
#include <string>

#include "platform/File.h"
#include "platform/FileReplacement.h"
#include "platform/Interrupts.h"

namespace nordavel {

// What stood under the target's name when the replacement began.
enum class ReplacedKind { None, File, Link };

struct FileReplacement::State {
    std::string target;
    ReplacedKind kind = ReplacedKind::None;
    bool beside = false;                    // the temporary file lies in the target's folder
    NativeFileHandle file = kNoFile;        // the temporary file, open for reading and writing
    std::basic_string<NativePathChar> name; // its name; empty while it has none
    int slot = -1;                          // its registration for removal on interrupt
    int refusal = 0; // why the renaming was refused, when RenameOverTarget returned false

    ~State() { Drop(); }

    // What stands under the target's name; IoError ("Cannot create") when the target can be
    // neither created nor written.
    static ReplacedKind Examine(const std::string& target);
    // Ending in a separator; empty when the system names none.
    static std::string SystemTemporaryFolder();
    // Makes the temporary file in `folder` (empty, or ending in a separator); the error code,
    // or 0.
    int CreateTemporary(const std::string& folder);
    void Write(const char* data, std::size_t size);
    // Puts the temporary file under the target's name once its content is on the disk and its
    // last errors are known: every failure to store it comes before the target is touched.
    // False when the system refuses this user the renaming (only then may the content be
    // copied in place); the temporary file is then still there. IoError ("Cannot write",
    // "Cannot replace") on any other failure.
    bool RenameOverTarget();
    // After the renaming: makes the new entry in the folder survive a power cut. The error
    // code, or 0; the target is replaced either way.
    int SyncFolder();
    // Writes the temporary file's bytes over the target's, then cuts it to their length and
    // flushes them to the disk: overwriting what the file already has needs no new space, so a
    // full disk can only stop the copy where the new content outgrows the old.
    void CopyIntoTarget();
    void Drop() noexcept;
};

} // namespace nordavel
