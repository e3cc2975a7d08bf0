// Labels of actions, keystroke capture, modifier boxes and the per-key label data of device views.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "devices/factory_tables.h"
#include "editors/action_label.h"
#include "editors/key_tables.h"
#include "editors/translate.h"

namespace quasar {
namespace {

// Marks every looked-up key, so a result shows which names were translated and which not.
class LabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        setTranslator([](std::string_view k) { return "[" + std::string(k) + "]"; });
    }
    void TearDown() override { setTranslator({}); }
};

std::string t(std::string_view key) {
    return "[" + std::string(key) + "]";
}

TEST_F(LabelTest, LabelOfEveryKind) {
    const std::vector<std::string> macros{"Alpha", "Beta"};
    const std::vector<std::string> noMacros;
    constexpr auto K = ActionDevice::Keyboard;
    constexpr auto M = ActionDevice::Mouse;
    std::string allModifiers;
    for (std::size_t r = 0; r < kFirstKeyRow; ++r)
        allModifiers += (r ? "+" : "") + t(KeyCodeTable[r].name);
    const std::string off = "关闭";

    struct Case {
        KeyAction action;
        ActionDevice device;
        std::string expected;
    };
    const Case cases[] = {
        // Off, however it is written.
        {{0x00, 0x00, 0x00}, K, t("close_text")},
        {{0x20, 0x00, 0x00}, K, t("close_text")},
        {{0xA0, 0x00, 0x00}, K, t("close_text")},
        {{0xA0, 0x00, 0x00}, M, t("close_text")},
        // Keys and modifiers.
        {{0x20, 0x00, 0x04}, K, t("keyboard_key_A")},
        {{0x00, 0x00, 0x04}, M, t("keyboard_key_A")}, // the kind byte is not compared
        {{0x20, 0x80, 0x00}, K, t("keyboard_key_RWin")},
        {{0x20, 0x01, 0x04}, K, t("keyboard_key_LCtrl") + "+" + t("keyboard_key_A")},
        {{0x20, 0x03, 0x04}, K, t("keyboard_key_A")},
        {{0x20, 0x03, 0x00}, K, allModifiers},
        {{0x20, 0x10, 0x12},
         K,
         t("keyboard_key_RCtrl") + "+" + t("keyboard_key_O") + t("custem_open")},
        {{0x20, 0x10, 0x2E},
         K,
         t("keyboard_key_RCtrl") + "+" + t("keyboard_key_=") + t("custem_magnify")},
        {{0x20, 0x10, 0x05}, K, t("keyboard_key_RCtrl") + "+" + t("keyboard_key_B")},
        {{0x20, 0x30, 0x12}, K, t("keyboard_key_O")}, // shortcut names need right Ctrl alone
        {{0x00, 0x01, 0x05}, K, ""},                  // no row has kind 0 to build from
        // Mouse actions.
        {{0x10, 0x02, 0x00}, M, t("mouse_key_right")},
        {{0x10, 0x03, 0x00}, M, ""},
        {{0x11, 0x23, 0x85}, M, t("mouse_key_right_Swing")},
        {{0x11, 0x23, 0x05}, M, t("mouse_key_left_Swing")},
        {{0x12, 0x00, 0x7F}, M, t("mouse_key_up_Swing")},
        {{0x12, 0x00, 0xFF}, M, t("mouse_key_down_Swing")},
        {{0x12, 0x00, 0x80}, M, t("mouse_key_down_Swing")},
        {{0x13, 0x03, 0x00}, M, t("mouse_key_DPI_loop")},
        {{0x13, 0x04, 0x00}, M, ""},
        {{0x14, 0x78, 0x02}, M, t("mouse_key_fire_key")},
        {{0x16, 0x90, 0x01}, M, t("mouse_key_DPI_shift")},
        {{0x22, 0x00, 0x03}, K, t("custem_save")},
        {{0x22, 0x00, 0x09}, K, ""},
        {{0x23, 0x00, 0x00}, M, t("show_window")},
        {{0x23, 0x01, 0x00}, M, ""},
        // Consumer keys read by the key code names, not by the media list's names.
        {{0x30, 0xE9, 0x00}, K, t("keyboard_key_Volume Up")},
        {{0x30, 0x26, 0x02}, K, t("wed_stop")},
        {{0x30, 0x01, 0x00}, K, ""},
        {{0x40, 0x02, 0x00}, K, t("system_sleep")},
        {{0x40, 0x08, 0x00}, K, ""},
        // Macros by their own name, never translated; unknown numbers keep the label.
        {{0x70, 0x01, 0x02}, K, "Beta"},
        {{0x71, 0x00, 0xFF}, M, "Alpha"},
        {{0x70, 0x02, 0x00}, K, ""},
        // Guns, special keys and M keys differ by device.
        {{0x72, 0x02, 0x00}, M, t("gun_3_txt")},
        {{0x72, 0x02, 0x00}, K, off},
        {{0x72, 0x04, 0x00}, M, ""},
        {{0xA0, 0x01, 0x00}, K, t("keyboard_key_FN")},
        {{0xA0, 0x02, 0x00}, M, t("mouse_key_smart_key")},
        {{0xA0, 0x1B, 0x00}, K, t("keyboard_key_GM")},
        {{0xA0, 0x24, 0x00}, K, ""},
        {{0xD0, 0xA2, 0x03}, K, t("keyboard_key_M3")},
        {{0xD0, 0xA2, 0x03}, M, off},
        {{0xD0, 0xA2, 0x09}, K, ""},
        // Kinds outside the table.
        {{0x05, 0x00, 0x00}, K, off},
        {{0x05, 0x00, 0x00}, M, off},
        {{0xFF, 0x12, 0x34}, K, off},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << actionToInt(c.action)
                                        << (c.device == M ? " mouse" : " keyboard"));
        const std::span<const std::string> names = (c.action.kind == 0x70 || c.action.kind == 0x71)
                                                       ? std::span(macros)
                                                       : std::span(noMacros);
        EXPECT_EQ(actionLabel(c.action, names, c.device), c.expected);
    }
    // Without macros even a low number names none.
    EXPECT_EQ(actionLabel({0x70, 0x00, 0x00}, noMacros, K), "");
}

TEST_F(LabelTest, ReservedKindsHaveNoLabelOnEitherDevice) {
    for (std::uint8_t kind : {0x15, 0x21, 0x50, 0x60, 0xB0, 0xC0}) {
        for (ActionDevice d : {ActionDevice::Keyboard, ActionDevice::Mouse}) {
            EXPECT_EQ(actionLabel({kind, 0x01, 0x02}, {}, d), "") << int(kind);
            EXPECT_EQ(actionLabel({kind, 0x00, 0x00}, {}, d), "") << int(kind);
        }
    }
}

TEST(ActionLabelUntranslated, NamesReadAsTheirKeysWithoutALanguage) {
    EXPECT_EQ(actionLabel({0x20, 0x01, 0x04}, {}, ActionDevice::Keyboard),
              "keyboard_key_LCtrl+keyboard_key_A");
    EXPECT_EQ(actionLabel({0x20, 0x00, 0x00}, {}, ActionDevice::Keyboard), "close_text");
}

TEST(Keystroke, CapturesKeysByScanCodeAndExtendedFlag) {
    struct Case {
        std::uint32_t scan, flags;
        std::size_t row;
    };
    const Case cases[] = {
        {0x1C, 0, 44},    // Enter
        {0x1C, 1, 91},    // keypad Enter
        {0x45, 0, 75},    // Pause
        {0x45, 1, 86},    // Num Lock
        {0x1D, 0, 0},     // left Ctrl
        {0x1D, 1, 4},     // right Ctrl
        {0x37, 1, 73},    // Print Screen
        {0x37, 0, 88},    // keypad *
        {0x1C, 0x81, 91}, // only bit 0 of the flags counts
        {0x1C, 0x80, 44}, {0x1C, 0x02, 44},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.scan << " " << c.flags);
        const auto hit = actionFromKeystroke(c.scan, c.flags);
        ASSERT_TRUE(hit.has_value());
        EXPECT_EQ(hit->row, c.row);
        EXPECT_EQ(hit->action, KeyCodeTable[c.row].action());
        EXPECT_EQ(scanCodeRow(c.scan, c.flags), c.row);
    }
    // Every key with a scan code is captured as its own row.
    for (std::size_t row = 0; row < ScanCodeTable.size(); ++row) {
        const auto hit = actionFromKeystroke(ScanCodeTable[row].scan, ScanCodeTable[row].extended);
        ASSERT_TRUE(hit.has_value()) << row;
        EXPECT_EQ(hit->row, row);
    }
    for (auto [scan, flags] : {std::pair{0x1Eu, 1u}, {0x00u, 0u}, {0x60u, 0u}, {0x11Cu, 0u}}) {
        EXPECT_FALSE(actionFromKeystroke(scan, flags).has_value()) << std::hex << scan;
        EXPECT_FALSE(scanCodeRow(scan, flags).has_value()) << std::hex << scan;
    }
}

TEST(Keystroke, ModifierBoxes) {
    const int boxes[] = {1, 2, 3, 4, 1, 2, 3, 4}; // Ctrl, Shift, Alt, Win; left then right
    for (std::size_t row = 0; row < 8; ++row)
        EXPECT_EQ(modifierBoxOfRow(row), boxes[row]) << row;
    EXPECT_EQ(modifierBoxOfRow(8), 0);
    EXPECT_EQ(modifierBoxOfRow(141), 0);
}

KeyList factoryKeyboard() {
    KeyList keys;
    for (std::size_t i = 0; i < KeyPositionTable.size(); ++i) {
        const KeyAction a = toKeyAction(KeyPositionTable[i]);
        keys.push_back(makeKeyAssignment(static_cast<std::uint16_t>(i), a, a));
    }
    return keys;
}

TEST_F(LabelTest, KeyboardButtonsShowLabelOwnKeyAndMark) {
    KeyList keys = factoryKeyboard();
    keys[0].current.action = {0x20, 0x00, 0x04};                    // Esc now types A
    keys[1].current.action = {0x70, 0x05, 0x00};                    // macro that does not exist
    keys.push_back(makeKeyAssignment(170, {0x20, 0x00, 0x04}, {})); // beyond the positions
    const std::vector<std::string> macros{"Only"};
    const auto labels = computeKeyLabels(keys, macros, ActionDevice::Keyboard);
    ASSERT_EQ(labels.size(), keys.size());

    // Factory key: does its own thing.
    EXPECT_EQ(labels[22].label, t("keyboard_key_1"));
    EXPECT_TRUE(labels[22].hasOwn);
    EXPECT_EQ(labels[22].ownNameKey, "keyboard_key_1");
    EXPECT_TRUE(labels[22].ownFunction);
    EXPECT_EQ(labels[22].tooltip, t("Key_Set") + t("keyboard_key_1"));
    // M keys and FN are named through their rows too.
    EXPECT_EQ(labels[120].label, t("keyboard_key_M1"));
    EXPECT_TRUE(labels[120].ownFunction);
    EXPECT_EQ(labels[110].ownNameKey, "keyboard_key_FN");
    EXPECT_TRUE(labels[110].ownFunction);

    // Reassigned key.
    EXPECT_EQ(labels[0].label, t("keyboard_key_A"));
    EXPECT_EQ(labels[0].ownNameKey, "keyboard_key_Esc");
    EXPECT_FALSE(labels[0].ownFunction);
    EXPECT_EQ(labels[0].tooltip, t("Key_Set") + t("keyboard_key_A"));

    // No label: the button is left as it is.
    for (std::size_t i : {std::size_t{1}, std::size_t{17}}) { // unknown macro, colour key
        EXPECT_EQ(labels[i].label, "") << i;
        EXPECT_EQ(labels[i].tooltip, "") << i;
        EXPECT_FALSE(labels[i].hasOwn) << i;
    }

    // A position whose factory action no row names (20 00 00) has no own name.
    EXPECT_EQ(labels[18].label, t("close_text"));
    EXPECT_TRUE(labels[18].hasOwn);
    EXPECT_EQ(labels[18].ownNameKey, "");
    EXPECT_FALSE(labels[18].ownFunction);

    // Beyond the keyboard's positions: labelled, but no own key.
    EXPECT_EQ(labels[170].label, t("keyboard_key_A"));
    EXPECT_FALSE(labels[170].hasOwn);
    EXPECT_EQ(labels[170].tooltip, t("Key_Set") + t("keyboard_key_A"));
}

TEST_F(LabelTest, OwnFunctionMarkComparesTextIgnoringCase) {
    const std::map<std::string, std::string, std::less<>> texts{
        {"keyboard_key_Esc", "ESC"},
        {"keyboard_key_Launch Media Select", "esc"},
        {"keyboard_key_F1", "F1"},
        {"keyboard_key_Media Stop", "f2"},
    };
    setTranslator([&texts](std::string_view k) {
        auto it = texts.find(k);
        return it == texts.end() ? std::string(k) : it->second;
    });
    KeyList keys = factoryKeyboard();
    keys[0].current.action = {0x30, 0x83, 0x01}; // reads "esc" on the Esc key
    keys[1].current.action = {0x30, 0xB7, 0x00}; // reads "f2" on the F1 key
    const auto labels = computeKeyLabels(keys, {}, ActionDevice::Keyboard);
    EXPECT_EQ(labels[0].label, "esc");
    EXPECT_TRUE(labels[0].ownFunction);
    EXPECT_EQ(labels[1].label, "f2");
    EXPECT_FALSE(labels[1].ownFunction);
}

TEST_F(LabelTest, MouseButtonsHaveLabelsButNoOwnKey) {
    KeyList keys;
    for (std::size_t i = 0; i < MouseDefaultKeyTable.size(); ++i) {
        const KeyAction a = toKeyAction(MouseDefaultKeyTable[i]);
        keys.push_back(makeKeyAssignment(static_cast<std::uint16_t>(i), a, a));
    }
    keys[3].current.action = {0x72, 0x01, 0x00};
    const auto labels = computeKeyLabels(keys, {}, ActionDevice::Mouse);
    ASSERT_EQ(labels.size(), 11u);
    const std::string expected[] = {
        t("mouse_key_left"),      t("mouse_key_right"),    t("mouse_key_middle"),
        t("gun_2_txt"),           t("mouse_key_back"),     t("mouse_key_DPI_add"),
        t("mouse_key_DPI_sub"),   t("mouse_key_DPI_loop"), t("keyboard_key_GM"),
        t("mouse_key_DPI_shift"), t("mouse_key_fire_key"),
    };
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i].label, expected[i]) << i;
        EXPECT_FALSE(labels[i].hasOwn) << i;
        EXPECT_EQ(labels[i].tooltip, t("Key_Set") + expected[i]) << i;
    }
}

} // namespace
} // namespace quasar
