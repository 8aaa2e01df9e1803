#include "platform/Interrupts.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <signal.h>
#include <unistd.h>

namespace nordavel {

namespace {

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// A conversion has one temporary file at a time; a few slots leave room for more.
struct Slot {
    volatile std::sig_atomic_t used = 0;
    char name[4096];
};
Slot slots[4];

// The program runs on one thread, so the process's signal mask is the one that counts, and the
// depth of nested holds and the mask they restore are the process's too.
sigset_t savedMask;
int holdDepth = 0;

sigset_t CleanupSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kCleanupSignals)
        sigaddset(&set, signal);
    return set;
}

// Only async-signal-safe calls here.
void RemoveAndRaise(int signal) {
    const int savedErrno = errno;
    for (const Slot& slot : slots)
        if (slot.used) ::unlink(slot.name);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    // Blocked while the handler runs: delivered, with its default action, once it returns.
    raise(signal);
    errno = savedErrno;
}

} // namespace

void RemoveTemporaryFilesOnInterrupt() {
    for (int signal : kCleanupSignals) {
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = RemoveAndRaise;
        action.sa_mask = CleanupSignals();
        sigaction(signal, &action, nullptr);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, nullptr);
}

namespace detail {

InterruptsHeld::InterruptsHeld() noexcept {
    if (holdDepth++ > 0) return;
    const sigset_t held = CleanupSignals();
    sigprocmask(SIG_BLOCK, &held, &savedMask);
}

InterruptsHeld::~InterruptsHeld() {
    if (--holdDepth > 0) return;
    sigprocmask(SIG_SETMASK, &savedMask, nullptr);
}

int RegisterTemporaryName(const NativePathChar* name) noexcept {
    const std::size_t length = std::strlen(name);
    for (int i = 0; i < static_cast<int>(std::size(slots)); ++i) {
        Slot& slot = slots[i];
        if (slot.used || length >= sizeof slot.name) continue;
        std::memcpy(slot.name, name, length + 1);
        // The handler must never see the flag before the name.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        slot.used = 1;
        return i;
    }
    return -1;
}

void UnregisterTemporaryName(int slot) noexcept {
    if (slot >= 0 && slot < static_cast<int>(std::size(slots))) slots[slot].used = 0;
}

} // namespace detail

} // namespace nordavel
