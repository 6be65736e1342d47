#include "platform/NotificationQueue.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

namespace {

// poll() that resumes after a signal with the time left (a negative time-out waits for ever).
int pollFor(pollfd* fds, nfds_t count, int timeoutMs) {
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        int remaining = timeoutMs;
        if (timeoutMs > 0) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            long elapsed =
                (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
            remaining = elapsed >= timeoutMs ? 0 : timeoutMs - static_cast<int>(elapsed);
        }
        int n = poll(fds, count, remaining);
        if (n >= 0 || errno != EINTR) return n;
    }
}

} // namespace

NotificationQueue::NotificationQueue(size_t capacity, size_t maxMessageBytes)
    : capacity_(capacity), maxMessageBytes_(maxMessageBytes), storage_(capacity * maxMessageBytes),
      sizes_(capacity) {
    // A semaphore counter: one unit per queued message, taken by each read.
    eventFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
}

NotificationQueue::~NotificationQueue() {
    if (eventFd_ >= 0) close(eventFd_);
}

bool NotificationQueue::write(const void* message, size_t bytes) {
    std::lock_guard<std::mutex> held(mutex_);
    if (eventFd_ < 0 || count_ == capacity_ || bytes > maxMessageBytes_) {
        ++dropped_;
        return false;
    }
    size_t slot = (head_ + count_) % capacity_;
    std::memcpy(storage_.data() + slot * maxMessageBytes_, message, bytes);
    sizes_[slot] = bytes;
    ++count_;
    uint64_t one = 1;
    (void)!::write(eventFd_, &one, sizeof one);
    return true;
}

uint64_t NotificationQueue::droppedCount() const {
    std::lock_guard<std::mutex> held(mutex_);
    return dropped_;
}

bool NotificationQueue::waitReadable(int timeoutMs) const {
    pollfd fd{eventFd_, POLLIN, 0};
    return pollFor(&fd, 1, timeoutMs) > 0;
}

ptrdiff_t NotificationQueue::read(void* buffer, size_t bufferBytes, int timeoutMs) {
    if (eventFd_ < 0 || !waitReadable(timeoutMs)) return -1;
    std::lock_guard<std::mutex> held(mutex_);
    // Another reader may have taken the message between the wait and the lock.
    if (count_ == 0 || sizes_[head_] > bufferBytes) return -1;
    size_t bytes = sizes_[head_];
    std::memcpy(buffer, storage_.data() + head_ * maxMessageBytes_, bytes);
    head_ = (head_ + 1) % capacity_;
    --count_;
    uint64_t unit = 0;
    (void)!::read(eventFd_, &unit, sizeof unit);
    return static_cast<ptrdiff_t>(bytes);
}

int NotificationQueue::waitAny(std::initializer_list<NotificationQueue*> queues, int timeoutMs,
                               int wakeFd) {
    std::vector<pollfd> fds;
    for (NotificationQueue* q : queues)
        fds.push_back(pollfd{q->eventFd_, POLLIN, 0});
    fds.push_back(pollfd{wakeFd, POLLIN, 0}); // a negative fd is ignored by poll
    if (pollFor(fds.data(), fds.size(), timeoutMs) <= 0) return -1;
    for (size_t i = 0; i + 1 < fds.size(); ++i)
        if (fds[i].revents & POLLIN) return static_cast<int>(i);
    return kWoken;
}

} // namespace platform
