#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace nordavel {

// The read buffers of a text reader, filled in order by `fill`, either on demand or ahead of their
// use on a thread of its own, so that reading and scanning the next bytes overlaps the work on
// the current ones.
//
// `fill(buffer)` fills buffer number 0 to kBuffers - 1 and tells whether more may follow it; it
// must not throw (a failure is kept in the buffer, for the reader to pass on). Next hands the
// buffers out in the order they were filled. The buffer last handed out and the one before it
// belong to the caller: a buffer is filled again only once two more have been handed out.
class BufferRing {
public:
    static constexpr int kBuffers = 4;

    BufferRing(std::function<bool(int)> fill, bool ahead);
    // Waits for the buffer being filled, if any; nothing more is filled.
    ~BufferRing();
    BufferRing(const BufferRing&) = delete;
    BufferRing& operator=(const BufferRing&) = delete;

    // The number of the next buffer. Only called while more may follow the one before.
    int Next();

private:
    void FillAhead();

    std::function<bool(int)> fill_;
    std::mutex mutex_;
    std::condition_variable changed_;
    long long filled_ = 0;    // buffers filled so far
    long long handedOut_ = 0; // buffers handed out so far
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace nordavel
