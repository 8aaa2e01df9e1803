#pragma once

#include "platform/File.h"

namespace nordavel {

// Makes an interrupted run of a console program leave no temporary file behind.
//
// POSIX: SIGINT, SIGTERM, SIGHUP and SIGPIPE remove the temporary files that exist at that moment
// and then end the process by the same signal (exit status 128 + n); a signal that was ignored
// when the program started stays ignored (nohup). SIGXFSZ is ignored, so that a file over the
// size limit is a write error (EFBIG) that is reported and cleaned up like any other.
// Windows: a console control handler does the same for Ctrl-C, Ctrl-Break and the closing of
// the console, then lets the process end as it would have.
void RemoveTemporaryFilesOnInterrupt();

namespace detail {

// For the file layer. While an InterruptsHeld lives, the interrupts above wait; a temporary
// file's creation and its registration (or its renaming and unregistration) happen under one, so
// that an interrupt sees either both or neither.
class InterruptsHeld {
public:
    InterruptsHeld() noexcept;
    ~InterruptsHeld();
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;
};

// Keeps a copy of `name` for removal on interrupt; the slot to unregister it with, or -1 when
// every slot is taken or the name is too long (the file then stays after an interrupt).
int RegisterTemporaryName(const NativePathChar* name) noexcept;
void UnregisterTemporaryName(int slot) noexcept;

} // namespace detail

} // namespace nordavel
