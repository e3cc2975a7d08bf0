#pragma once
// Events, waiting on several events, and the monotonic millisecond clock.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>

namespace quasar {

// Wait without limit.
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

// Milliseconds of a monotonic clock (never goes back; starts at an arbitrary point).
std::uint64_t tickCount();

// A manual-reset event stays signalled until reset; an auto-reset event is reset by the one wait
// it releases. Implemented so that it can also be waited on together with other events
// (waitForAny). Thread-safe.
class Event {
public:
    explicit Event(bool manualReset, bool initiallySet = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    bool isSet() const;
    // True when signalled within timeoutMs (kInfinite waits without limit).
    bool wait(std::uint32_t timeoutMs);

    // An eventfd that is readable while the event is signalled, for poll(); the HID layer waits
    // on it together with a device node. Consuming an auto-reset signal still goes through
    // tryConsume(). -1 when the process was out of descriptors at construction: the event then
    // still works, and pollers look at it with isSet() every few milliseconds.
    int pollFd() const;
    // Takes the signal if set (resets an auto-reset event); true when it was set.
    bool tryConsume();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    friend int waitForAny(std::initializer_list<Event*> events, std::uint32_t timeoutMs);
};

// Waits until one of the events is signalled: returns the index of the first signalled one in
// list order (consuming it when it is auto-reset), or -1 on time-out.
int waitForAny(std::initializer_list<Event*> events, std::uint32_t timeoutMs);

} // namespace quasar
