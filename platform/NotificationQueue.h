#pragma once
// A bounded in-process message queue for system notifications (Bluetooth stack events, power
// changes). Producers write without blocking; a full queue drops the message and counts it. The
// reader waits for a message with a time-out, or for the first of several queues.
//
// Each queue keeps an eventfd that is readable exactly while a message waits, so a wait on
// several queues is one poll().

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <vector>

namespace platform {

class NotificationQueue {
public:
    static constexpr int kWoken = -2;

    // capacity messages of at most maxMessageBytes each. The eventfd is created here; valid()
    // is false when the system refused it.
    NotificationQueue(size_t capacity, size_t maxMessageBytes);
    ~NotificationQueue();
    NotificationQueue(const NotificationQueue&) = delete;
    NotificationQueue& operator=(const NotificationQueue&) = delete;

    bool valid() const { return eventFd_ >= 0; }
    size_t capacity() const { return capacity_; }
    size_t maxMessageBytes() const { return maxMessageBytes_; }

    // Appends one message without waiting. False (and counted as dropped) when the queue is full
    // or the message is larger than maxMessageBytes.
    bool write(const void* message, size_t bytes);
    uint64_t droppedCount() const;

    // Takes the oldest message into buffer, waiting up to timeoutMs for one. The size of the
    // message, or -1 when none came in time or it does not fit into bufferBytes (it then stays
    // queued).
    ptrdiff_t read(void* buffer, size_t bufferBytes, int timeoutMs);

    // Waits up to timeoutMs until one of the queues holds a message, or wakeFd (an eventfd or
    // pipe, -1 for none) becomes readable. The index of the first queue with a message, -1 on
    // time-out, kWoken when only wakeFd is readable.
    static int waitAny(std::initializer_list<NotificationQueue*> queues, int timeoutMs,
                       int wakeFd = -1);

private:
    bool waitReadable(int timeoutMs) const;

    const size_t capacity_;
    const size_t maxMessageBytes_;
    int eventFd_ = -1;
    mutable std::mutex mutex_;
    std::vector<uint8_t> storage_; // capacity_ slots of maxMessageBytes_
    std::vector<size_t> sizes_;
    size_t head_ = 0;
    size_t count_ = 0;
    uint64_t dropped_ = 0;
};

} // namespace platform
