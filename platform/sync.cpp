#include "platform/sync.h"

#include <cerrno>
#include <ctime>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quasar {

std::uint64_t tickCount() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

namespace {

// How often a wait looks at an event that could not get its eventfd.
constexpr int kFallbackSliceMs = 5;

// Milliseconds left until deadline for poll(): -1 for no limit, 0 when it has passed.
int remainingMs(std::uint32_t timeoutMs, std::uint64_t start) {
    if (timeoutMs == kInfinite) return -1;
    std::uint64_t elapsed = tickCount() - start;
    if (elapsed >= timeoutMs) return 0;
    return static_cast<int>(timeoutMs - elapsed);
}

} // namespace

// The signalled state lives in `signalled` under the mutex; the eventfd mirrors it (counter 1
// while signalled, 0 otherwise) so poll() can wait on it together with other descriptors.
// Waiters only use poll as a wake-up hint and then take the state under the mutex, so two
// threads waiting on one auto-reset event never both get the signal.
struct Event::Impl {
    mutable std::mutex mutex;
    bool manualReset = false;
    bool signalled = false;
    int fd = -1;

    void raise() {
        if (signalled) return;
        signalled = true;
        if (fd < 0) return;
        std::uint64_t one = 1;
        // An eventfd write only fails when the counter would overflow, which a 0/1 mirror never
        // does.
        ssize_t n = ::write(fd, &one, sizeof one);
        (void)n;
    }
    void lower() {
        if (!signalled) return;
        signalled = false;
        if (fd < 0) return;
        std::uint64_t value = 0;
        ssize_t n = ::read(fd, &value, sizeof value);
        (void)n;
    }
    // Takes the signal (auto-reset) or observes it (manual-reset). Caller holds the mutex.
    bool take() {
        if (!signalled) return false;
        if (!manualReset) lower();
        return true;
    }
};

Event::Event(bool manualReset, bool initiallySet) : impl_(std::make_unique<Impl>()) {
    impl_->manualReset = manualReset;
    // Out of descriptors the event still works: waits then look at it every few milliseconds.
    impl_->fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (initiallySet) impl_->raise();
}

Event::~Event() {
    if (impl_ && impl_->fd >= 0) ::close(impl_->fd);
}

void Event::set() {
    std::lock_guard lock(impl_->mutex);
    impl_->raise();
}

void Event::reset() {
    std::lock_guard lock(impl_->mutex);
    impl_->lower();
}

bool Event::isSet() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->signalled;
}

bool Event::wait(std::uint32_t timeoutMs) {
    return waitForAny({this}, timeoutMs) == 0;
}

int Event::pollFd() const {
    return impl_->fd;
}

bool Event::tryConsume() {
    std::lock_guard lock(impl_->mutex);
    return impl_->take();
}

int waitForAny(std::initializer_list<Event*> events, std::uint32_t timeoutMs) {
    std::vector<pollfd> fds;
    fds.reserve(events.size());
    bool polled = true; // every event has its descriptor (poll skips a negative one)
    for (Event* e : events) {
        fds.push_back(pollfd{e->impl_->fd, POLLIN, 0});
        if (e->impl_->fd < 0) polled = false;
    }
    const std::uint64_t start = tickCount();
    for (;;) {
        int index = 0;
        for (Event* e : events) {
            std::lock_guard lock(e->impl_->mutex);
            if (e->impl_->take()) return index;
            ++index;
        }
        int wait = remainingMs(timeoutMs, start);
        if (wait == 0) return -1;
        if (!polled && (wait < 0 || wait > kFallbackSliceMs)) wait = kFallbackSliceMs;
        int r = ::poll(fds.data(), fds.size(), wait);
        if (r < 0 && errno != EINTR) return -1;
        // Readiness (or a spurious wake) is checked again under each event's mutex above; a
        // signal another waiter took first just sends this one back to poll.
    }
}

} // namespace quasar
