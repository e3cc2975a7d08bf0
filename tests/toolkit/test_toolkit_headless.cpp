// The toolkit's plain parts: attribute parsing, the headless loop with post/send and timers.

#include "shell/toolkit/attributes.h"
#include "shell/toolkit/headless.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace quasar::ui;

TEST(ImageAttribute, ParsesPathsAndAttributeForms) {
    struct Case {
        const char* text;
        bool ok;
        const char* file;
        bool hasSource;
        int source[4];
        int corner[4];
        int fade;
    };
    const Case cases[] = {
        {"images/key.png", true, "images/key.png", false, {}, {}, 255},
        {"  images\\key.png ", true, "images/key.png", false, {}, {}, 255},
        {"file='images/k.png' source='0,0,40,20' corner='4,4,4,4'",
         true,
         "images/k.png",
         true,
         {0, 0, 40, 20},
         {4, 4, 4, 4},
         255},
        {"source='10,0,20,10' file=\"a.png\" fade='300'",
         true,
         "a.png",
         true,
         {10, 0, 20, 10},
         {},
         255},
        {"file='a.png' fade='-3'", true, "a.png", false, {}, {}, 0},
        {"file='a.png' source='5,5,5,9'", true, "a.png", false, {}, {}, 255}, // empty part: whole
                                                                              // image
        {"file='a.png' source='1,2,x,4'", true, "a.png", false, {}, {}, 255}, // bad numbers ignored
        {"file='a.png' source='1,2,3,4,5'", true, "a.png", false, {}, {}, 255}, // too many numbers
        {"file='a.png", false, "", false, {}, {}, 0},                           // unterminated
        {"source='0,0,1,1'", false, "", false, {}, {}, 0},                      // no file
        {"", false, "", false, {}, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto a = parseImageAttribute(c.text);
        ASSERT_EQ(a.has_value(), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(a->file, c.file);
        EXPECT_EQ(a->hasSource, c.hasSource);
        if (c.hasSource) {
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(a->source[i], c.source[i]);
        }
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(a->corner[i], c.corner[i]);
        EXPECT_EQ(a->fade, c.fade);
    }
}

TEST(ImageAttribute, ParsesColoursAndNames) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> want;
    };
    const Case cases[] = {
        {"#FF0099FF", 0xFF0099FFu},    {"0x800099ff", 0x800099FFu},
        {"#0099FF", 0xFF0099FFu},      {"255", 255u},
        {"#", std::nullopt},           {"#12345G", std::nullopt},
        {"0x1FFFFFFFF", std::nullopt}, {"", std::nullopt},
        {"12 3", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseColor(c.text), c.want);
    }
    EXPECT_TRUE(sameName("Device_Profile_Combo", "device_profile_combo"));
    EXPECT_FALSE(sameName("key_1", "key_10"));
    EXPECT_EQ(fontSpecForId(50).pixelSize, 18);
    EXPECT_TRUE(fontSpecForId(50).bold);
    EXPECT_TRUE(fontSpecForId(1).underline);
    EXPECT_EQ(fontSpecForId(-1).pixelSize, 14);
    EXPECT_EQ(fontSpecForId(3).pixelSize, 30);
}

namespace {
struct Counter : NotifyReceiver {
    std::function<void(Notification&)> onTimer;
    std::vector<std::int64_t> ids;
    void notify(Notification& n) override {
        EXPECT_EQ(n.type, "timer");
        EXPECT_EQ(n.sender, nullptr);
        ids.push_back(n.wParam);
        if (onTimer) onTimer(n);
    }
};
} // namespace

TEST(HeadlessToolkit, PostAndSendRunOnTheWindowThreadInOrder) {
    HeadlessToolkit tk;
    EXPECT_EQ(Toolkit::instance(), &tk);
    EXPECT_FALSE(tk.hasWindows());
    EXPECT_EQ(tk.createWindow("XML/main.xml"), nullptr);
    EXPECT_TRUE(tk.isWindowThread());

    std::vector<int> order;
    std::atomic<bool> sendReturned{false};
    int sentValue = 0;
    bool sendRanOnWindowThread = false;
    std::thread worker([&] {
        EXPECT_FALSE(tk.isWindowThread());
        tk.post([&] { order.push_back(1); });
        tk.post([&] { order.push_back(2); });
        bool ran = tk.send([&] {
            sendRanOnWindowThread = tk.isWindowThread();
            order.push_back(3);
            sentValue = 42;
        });
        // The work is done when send returns.
        EXPECT_TRUE(ran);
        EXPECT_EQ(sentValue, 42);
        sendReturned = true;
        tk.post([&] { tk.quit(7); });
    });
    EXPECT_EQ(tk.runLoop(), 7);
    worker.join();
    EXPECT_TRUE(sendReturned);
    EXPECT_TRUE(sendRanOnWindowThread);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));

    // On the window thread send runs at once.
    bool direct = false;
    EXPECT_TRUE(tk.send([&] { direct = true; }));
    EXPECT_TRUE(direct);
}

TEST(HeadlessToolkit, SendAfterTheLoopEndedIsRefusedNotHung) {
    HeadlessToolkit tk;
    std::atomic<bool> ranLate{false};
    std::atomic<int> result{-1};
    std::thread blocked;
    tk.post([&] {
        // A worker blocks in send while the window thread quits without running its work.
        blocked = std::thread([&] { result = tk.send([&] { ranLate = true; }) ? 1 : 0; });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        tk.quit(0);
    });
    // The sender's job may be queued before or after quit is seen; both must end the sender.
    tk.runLoop();
    blocked.join();
    EXPECT_EQ(result.load(), ranLate ? 1 : 0);

    bool ran = false;
    std::thread late([&] { EXPECT_FALSE(tk.send([&] { ran = true; })); });
    late.join();
    EXPECT_FALSE(ran);
}

TEST(HeadlessToolkit, TimersRepeatUntilKilledAndRestart) {
    HeadlessToolkit tk;
    Counter a, b;
    int aFires = 0;
    a.onTimer = [&](Notification& n) {
        EXPECT_EQ(n.wParam, 5);
        if (++aFires == 3) tk.killTimer(&a, 5); // from inside its own firing
    };
    b.onTimer = [&](Notification&) {
        if (b.ids.size() == 1) {
            tk.setTimer(&b, 9, 5); // restart under the same id with another interval
        } else if (b.ids.size() == 4) {
            tk.killTimers(&b);
            tk.quit(0);
        }
    };
    tk.setTimer(&a, 5, 2);
    tk.setTimer(&a, 6, 100000); // never due during the test
    tk.setTimer(&b, 9, 30);
    tk.runLoop();
    EXPECT_EQ(aFires, 3);
    EXPECT_EQ(a.ids, (std::vector<std::int64_t>{5, 5, 5}));
    EXPECT_EQ(b.ids, (std::vector<std::int64_t>{9, 9, 9, 9}));

    // Killed timers stay silent.
    tk.killTimers(&a);
    tk.post([&] { tk.quit(0); });
    auto before = a.ids.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    tk.runLoop();
    EXPECT_EQ(a.ids.size(), before);
}
