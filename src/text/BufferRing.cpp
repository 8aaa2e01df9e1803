#include "text/BufferRing.h"

#include <utility>

#include "platform/Interrupts.h"

namespace nordavel {

BufferRing::BufferRing(std::function<bool(int)> fill, bool ahead) : fill_(std::move(fill)) {
    if (ahead) thread_ = StartThreadWithoutInterrupts([this] { FillAhead(); });
}

BufferRing::~BufferRing() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

int BufferRing::Next() {
    if (!thread_.joinable()) {
        const int buffer = static_cast<int>(handedOut_++ % kBuffers);
        fill_(buffer);
        return buffer;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return filled_ > handedOut_; });
    const int buffer = static_cast<int>(handedOut_++ % kBuffers);
    lock.unlock();
    // The buffer handed out two before this one is free again.
    changed_.notify_all();
    return buffer;
}

void BufferRing::FillAhead() {
    for (;;) {
        int buffer;
        {
            std::unique_lock lock(mutex_);
            // The caller holds the two buffers handed out last.
            changed_.wait(lock, [&] { return stopping_ || filled_ < handedOut_ + kBuffers - 2; });
            if (stopping_) return;
            buffer = static_cast<int>(filled_ % kBuffers);
        }
        const bool more = fill_(buffer);
        {
            const std::lock_guard lock(mutex_);
            ++filled_;
        }
        changed_.notify_all();
        if (!more) return;
    }
}

} // namespace nordavel
