#include <gtest/gtest.h>

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/sync.h"

namespace quasar {
namespace {

bool pollReadable(const Event& e) {
    pollfd p{e.pollFd(), POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

TEST(Event, ManualAndAutoResetSemantics) {
    Event manual(true), automatic(false);
    EXPECT_FALSE(manual.wait(0));
    EXPECT_FALSE(automatic.wait(0));

    manual.set();
    automatic.set();
    // A manual event stays signalled through any number of waits; an auto event releases one.
    EXPECT_TRUE(manual.wait(0));
    EXPECT_TRUE(manual.wait(0));
    EXPECT_TRUE(manual.isSet());
    EXPECT_TRUE(automatic.wait(0));
    EXPECT_FALSE(automatic.wait(0));
    EXPECT_FALSE(automatic.isSet());

    // Setting twice is still one signal; reset clears it; the poll descriptor follows the state.
    automatic.set();
    automatic.set();
    EXPECT_TRUE(pollReadable(automatic));
    EXPECT_TRUE(automatic.tryConsume());
    EXPECT_FALSE(automatic.tryConsume());
    EXPECT_FALSE(pollReadable(automatic));
    manual.reset();
    EXPECT_FALSE(manual.isSet());
    EXPECT_FALSE(pollReadable(manual));

    Event initially(false, true);
    EXPECT_TRUE(initially.isSet());
    EXPECT_TRUE(initially.wait(0));
}

TEST(Event, WaitTimesOutAndIsWokenFromAnotherThread) {
    Event e(false);
    const std::uint64_t start = tickCount();
    EXPECT_FALSE(e.wait(60));
    EXPECT_GE(tickCount() - start, 60u); // it did wait, it did not return early

    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        e.set();
    });
    EXPECT_TRUE(e.wait(kInfinite));
    setter.join();
    EXPECT_FALSE(e.isSet()); // the wait took the auto-reset signal
}

TEST(Event, AutoResetSignalReleasesExactlyOneOfManyWaiters) {
    Event e(false);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            if (e.wait(300)) ++released;
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    e.set();
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(released.load(), 1);
}

TEST(WaitForAny, ReturnsFirstSignalledInListOrderAndConsumesOnlyIt) {
    Event a(false), b(false), c(true);
    EXPECT_EQ(waitForAny({&a, &b, &c}, 0), -1);

    b.set();
    c.set();
    EXPECT_EQ(waitForAny({&a, &b, &c}, 0), 1);
    EXPECT_FALSE(b.isSet()); // auto-reset: consumed
    EXPECT_TRUE(c.isSet());  // not reached, untouched
    EXPECT_EQ(waitForAny({&a, &b, &c}, 0), 2);
    EXPECT_TRUE(c.isSet()); // manual-reset: stays signalled

    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        a.set();
    });
    EXPECT_EQ(waitForAny({&a, &b}, kInfinite), 0);
    setter.join();

    const std::uint64_t start = tickCount();
    EXPECT_EQ(waitForAny({&a, &b}, 50), -1);
    EXPECT_GE(tickCount() - start, 50u);
}

TEST(Event, WorksWithoutADescriptorWhenTheProcessHasNoneLeft) {
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = 256;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> filler;
    for (int fd; (fd = ::dup(0)) >= 0;)
        filler.push_back(fd);
    auto starved = std::make_unique<Event>(false);
    for (int fd : filler)
        ::close(fd);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &old), 0);
    EXPECT_EQ(starved->pollFd(), -1);

    Event normal(false);
    EXPECT_FALSE(starved->wait(20));
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        starved->set();
    });
    EXPECT_EQ(waitForAny({&normal, starved.get()}, kInfinite), 1);
    setter.join();
    EXPECT_FALSE(starved->isSet());
}

TEST(TickCount, IsMonotonicMilliseconds) {
    std::uint64_t first = tickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::uint64_t second = tickCount();
    EXPECT_GE(second - first, 20u);
    EXPECT_LT(second - first, 10000u); // milliseconds, not micro- or nanoseconds
}

} // namespace
} // namespace quasar
