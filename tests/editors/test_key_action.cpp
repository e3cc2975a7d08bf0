// The action value, its integer form, and the language look-up hook.

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "editors/key_action.h"
#include "editors/key_action_text.h"
#include "editors/translate.h"

namespace quasar {
namespace {

TEST(KeyAction, IntegerFormRoundTripsEveryAction) {
    for (std::uint32_t v = 0; v < (1u << 24); ++v) {
        const KeyAction a = actionFromInt(v);
        ASSERT_EQ(actionToInt(a), v);
        ASSERT_EQ(actionFromInt(actionToInt(a)), a);
    }
}

TEST(KeyAction, IntegerFormLayoutAndHighBits) {
    EXPECT_EQ(actionToInt({0x20, 0x01, 0x04}), 0x200104u);
    EXPECT_EQ(actionToInt({0xD0, 0xA2, 0x05}), 13672965u); // 0xD0 * 65536 + 0xA2 * 256 + 5
    // Profiles may hold larger numbers; only the low 24 bits count.
    EXPECT_EQ(actionFromInt(0xFF123456u), (KeyAction{0x12, 0x34, 0x56}));
    EXPECT_EQ(actionFromInt(0x01000000u), (KeyAction{0, 0, 0}));
    EXPECT_EQ(toKeyAction(FactoryAction{0xA0, 0x1B, 0x00}), (KeyAction{0xA0, 0x1B, 0x00}));
}

TEST(KeyAction, EqualityIgnoresKeyIndex) {
    const KeyAction a{0x20, 0x00, 0x04};
    EXPECT_EQ((KeyEntry{3, a}), (KeyEntry{7, a}));
    EXPECT_NE((KeyEntry{3, a}), (KeyEntry{3, KeyAction{0x20, 0x00, 0x05}}));
    EXPECT_NE(a, (KeyAction{0x21, 0x00, 0x04}));
    EXPECT_NE(a, (KeyAction{0x20, 0x01, 0x04}));

    const KeyAssignmentEntry e = makeKeyAssignment(12, a, {0x20, 0x00, 0x29});
    EXPECT_EQ(e.current.keyIndex, 12);
    EXPECT_EQ(e.defaultEntry.keyIndex, 12);
    EXPECT_EQ(e.current.action, a);
    EXPECT_EQ(e.defaultEntry.action, (KeyAction{0x20, 0x00, 0x29}));
}

TEST(KeyActionText, ParsesTheThreeFormsAndRejectsTheRest) {
    const struct {
        const char* text;
        std::optional<KeyAction> expected;
    } cases[] = {
        {"20.01.04", KeyAction{0x20, 0x01, 0x04}},
        {"d0.A2.5", KeyAction{0xD0, 0xA2, 0x05}},
        {"2097412", KeyAction{0x20, 0x01, 0x04}},
        {"0x200104", KeyAction{0x20, 0x01, 0x04}},
        {"0XFFFFFF", KeyAction{0xFF, 0xFF, 0xFF}},
        {"0", KeyAction{}},
        {"16777216", std::nullopt}, // above 24 bits
        {"0x1000000", std::nullopt},
        {"20.01", std::nullopt},
        {"20.01.04.05", std::nullopt},
        {"20..04", std::nullopt},
        {"120.01.04", std::nullopt},
        {"20.01.4g", std::nullopt},
        {"-1", std::nullopt},
        {"12ab", std::nullopt},
        {"0x", std::nullopt},
        {"", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseKeyAction(c.text), c.expected) << c.text;
    EXPECT_EQ(formatKeyAction({0xA0, 0x1B, 0x00}), "a0.1b.00");
    EXPECT_EQ(parseKeyAction(formatKeyAction({0x12, 0x34, 0x56})), (KeyAction{0x12, 0x34, 0x56}));
}

class TranslateTest : public ::testing::Test {
protected:
    void TearDown() override { setTranslator({}); }
};

TEST_F(TranslateTest, IdentityUntilTranslatorInstalledAndAfterReset) {
    EXPECT_EQ(translateKey("close_text"), "close_text");
    EXPECT_EQ(translateKey(""), "");
    setTranslator(
        [](std::string_view k) { return k == "close_text" ? std::string("Off") : std::string(k); });
    EXPECT_EQ(translateKey("close_text"), "Off");
    EXPECT_EQ(translateKey("keyboard_key_A"), "keyboard_key_A");
    setTranslator({});
    EXPECT_EQ(translateKey("close_text"), "close_text");
}

TEST_F(TranslateTest, SwitchingTranslatorWhileOthersTranslate) {
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&] {
            while (!stop) {
                const std::string s = translateKey("Key_Set");
                if (s != "Key_Set" && s != "Set: " && s != "Belegung: ") ++bad;
            }
        });
    }
    for (int i = 0; i < 2000; ++i) {
        const std::string text = (i % 2) ? "Set: " : "Belegung: ";
        setTranslator([text](std::string_view) { return text; });
        if (i % 7 == 0) setTranslator({});
    }
    stop = true;
    for (auto& r : readers)
        r.join();
    EXPECT_EQ(bad, 0);
}

} // namespace
} // namespace quasar
