#include "platform/Interrupts.h"

#include <cwchar>
#include <iterator>
#include <windows.h>

namespace nordavel {

namespace {

// The console handler runs on a thread of its own; the lock keeps it from a temporary file
// that is being created or put in place.
SRWLOCK lock = SRWLOCK_INIT;

struct Slot {
    bool used = false;
    wchar_t name[1024];
};
Slot slots[4];

BOOL WINAPI RemoveTemporaryFiles(DWORD) {
    // Kept until the process is gone, so that no new temporary file comes after these.
    AcquireSRWLockExclusive(&lock);
    for (const Slot& slot : slots)
        if (slot.used) DeleteFileW(slot.name);
    // Not handled: the process ends as it would have.
    return FALSE;
}

} // namespace

void RemoveTemporaryFilesOnInterrupt() {
    SetConsoleCtrlHandler(RemoveTemporaryFiles, TRUE);
}

namespace detail {

InterruptsHeld::InterruptsHeld() noexcept {
    AcquireSRWLockExclusive(&lock);
}

InterruptsHeld::~InterruptsHeld() {
    ReleaseSRWLockExclusive(&lock);
}

// Called under InterruptsHeld.
int RegisterTemporaryName(const NativePathChar* name) noexcept {
    const std::size_t length = std::wcslen(name);
    for (int i = 0; i < static_cast<int>(std::size(slots)); ++i) {
        Slot& slot = slots[i];
        if (slot.used || length >= std::size(slot.name)) continue;
        std::wmemcpy(slot.name, name, length + 1);
        slot.used = true;
        return i;
    }
    return -1;
}

// Called under InterruptsHeld.
void UnregisterTemporaryName(int slot) noexcept {
    if (slot >= 0 && slot < static_cast<int>(std::size(slots))) slots[slot].used = false;
}

} // namespace detail

} // namespace nordavel
