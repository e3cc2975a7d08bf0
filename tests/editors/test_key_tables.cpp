// Integrity of the fixed tables: sizes, the rows other code refers to by number, and the
// agreement between tables that describe the same actions.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include "editors/key_tables.h"

namespace quasar {
namespace {

KeyAction act(std::uint8_t k, std::uint8_t p1, std::uint8_t p2) {
    return KeyAction{k, p1, p2};
}

const NamedKeyEntry& keyRowNamed(std::string_view name) {
    auto it = std::find_if(KeyCodeTable.begin(), KeyCodeTable.end(),
                           [&](const NamedKeyEntry& r) { return r.name == name; });
    EXPECT_NE(it, KeyCodeTable.end()) << name;
    return *it;
}

TEST(KeyTables, Sizes) {
    EXPECT_EQ(KeyCodeTable.size(), 142u);
    EXPECT_EQ(ScanCodeTable.size(), 113u);
    EXPECT_EQ(MouseButtonTable.size(), 5u);
    EXPECT_EQ(DpiActionTable.size(), 3u);
    EXPECT_EQ(SystemTable.size(), 3u);
    EXPECT_EQ(ConsumerTable.size(), 18u);
    EXPECT_EQ(ShortcutTable.size(), 11u);
    EXPECT_EQ(NumberedShortcutTable.size(), 9u);
    EXPECT_EQ(MouseFunctionTable.size(), 15u);
    EXPECT_EQ(GunNameList.size(), 4u);
}

TEST(KeyTables, KeyCodeRowsByNumber) {
    struct Row {
        std::size_t row;
        std::string_view name;
        std::uint16_t vk;
        KeyAction action;
    };
    const Row rows[] = {
        {0, "keyboard_key_LCtrl", 0xA2, act(0x20, 0x01, 0x00)},
        {7, "keyboard_key_RWin", 0x5C, act(0x20, 0x80, 0x00)},
        {8, "keyboard_key_A", 0x41, act(0x20, 0x00, 0x04)},
        {44, "keyboard_key_Enter", 0x0D, act(0x20, 0x00, 0x28)},
        {53, "keyboard_key_xiegang", 0xDC, act(0x20, 0x00, 0x31)},
        {54, "keyboard_key_;", 0xBA, act(0x20, 0x00, 0x33)},
        {75, "keyboard_key_Pause", 0x13, act(0x20, 0x00, 0x48)},
        {86, "keyboard_key_Num Lock", 0x90, act(0x20, 0x00, 0x53)},
        {91, "keyboard_key_Num Enter", 0x101, act(0x20, 0x00, 0x58)},
        {103, "keyboard_key_App", 0x5D, act(0x20, 0x00, 0x65)},
        {104, "keyboard_key_K45", 0xE2, act(0x20, 0x00, 0x64)},
        {112, "keyboard_key_K151", 0xFF, act(0x20, 0x00, 0x90)},
        {113, "keyboard_key_K42", 0xBF, act(0x20, 0x00, 0x32)},
        {114, "keyboard_key_Launch App2", 0xB7, act(0x30, 0x92, 0x01)},
        {115, "keyboard_key_Browaer Home", 0xAC, act(0x30, 0x23, 0x02)},
        {130, "wed_stop", 0xA9, act(0x30, 0x26, 0x02)},
        {131, "keyboard_key_Launch Media Select", 0xB5, act(0x30, 0x83, 0x01)},
        {132, "keyboard_key_Power", 0x103, act(0x40, 0x01, 0x00)},
        {134, "keyboard_key_Wakeup", 0x105, act(0x40, 0x04, 0x00)},
        {135, "keyboard_key_M1", 0, act(0xD0, 0xA2, 0x01)},
        {139, "keyboard_key_M5", 0, act(0xD0, 0xA2, 0x05)},
        {140, "keyboard_key_FN", 0, act(0xA0, 0x01, 0x00)},
        {141, "keyboard_key_GM", 0, act(0xA0, 0x1B, 0x00)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.row);
        const NamedKeyEntry& e = KeyCodeTable[r.row];
        EXPECT_EQ(e.name, r.name);
        EXPECT_EQ(e.entry.keyIndex, r.vk);
        EXPECT_EQ(e.action(), r.action);
    }
    EXPECT_EQ(kKeyboardColorKeyName, "keyboard_key_COLOR");
}

TEST(KeyTables, KeyCodeRowGroupsHaveTheirShape) {
    std::set<std::uint8_t> usages;
    std::set<std::string_view> names;
    for (std::size_t row = 0; row < KeyCodeTable.size(); ++row) {
        SCOPED_TRACE(row);
        const KeyAction a = KeyCodeTable[row].action();
        EXPECT_TRUE(names.insert(KeyCodeTable[row].name).second) << "name twice";
        if (row < kFirstKeyRow) {
            EXPECT_EQ(a, act(0x20, static_cast<std::uint8_t>(1u << row), 0));
        } else if (row < kFirstConsumerRow) {
            EXPECT_EQ(a.kind, 0x20);
            EXPECT_EQ(a.p1, 0);
            EXPECT_NE(a.p2, 0);
            EXPECT_TRUE(usages.insert(a.p2).second) << "usage twice";
        } else if (row <= kLastConsumerRow) {
            EXPECT_EQ(a.kind, 0x30);
        } else if (row < kFirstMKeyRow) {
            EXPECT_EQ(a, act(0x40, static_cast<std::uint8_t>(1u << (row - kFirstSystemRow)), 0));
        } else if (row < kFirstSpecialRow) {
            EXPECT_EQ(a, act(0xD0, 0xA2, static_cast<std::uint8_t>(row - kFirstMKeyRow + 1)));
        } else {
            EXPECT_EQ(a.kind, 0xA0);
        }
    }
}

TEST(KeyTables, ScanCodesAreUniqueAndMatchKnownKeys) {
    std::set<std::pair<int, int>> seen;
    for (const ScanCode& s : ScanCodeTable) {
        EXPECT_LE(s.extended, 1);
        EXPECT_TRUE(seen.insert({s.scan, s.extended}).second)
            << "scan " << int(s.scan) << " ext " << int(s.extended) << " twice";
    }
    // Rows that share a make code and differ by the prefix.
    EXPECT_EQ(ScanCodeTable[44].scan, 0x1C);
    EXPECT_EQ(ScanCodeTable[44].extended, 0);
    EXPECT_EQ(ScanCodeTable[91].scan, 0x1C);
    EXPECT_EQ(ScanCodeTable[91].extended, 1);
    EXPECT_EQ(ScanCodeTable[5].scan, 0x36); // right Shift, reported with the extended flag
    EXPECT_EQ(ScanCodeTable[5].extended, 1);
    EXPECT_EQ(ScanCodeTable[71].scan, 0x57); // F11
    EXPECT_EQ(ScanCodeTable[112].scan, 0x72);
}

TEST(KeyTables, ConsumerListNamesTheSameActionsAsTheConsumerKeyRows) {
    std::multiset<std::uint32_t> rows, list;
    for (std::size_t r = kFirstConsumerRow; r <= kLastConsumerRow; ++r)
        rows.insert(actionToInt(KeyCodeTable[r].action()));
    for (const NamedKeyEntry& e : ConsumerTable)
        list.insert(actionToInt(e.action()));
    EXPECT_EQ(rows, list);
    EXPECT_EQ(ConsumerTable[10].name, "wed_stop");
    EXPECT_EQ(ConsumerTable[10].action(), act(0x30, 0x26, 0x02));
}

TEST(KeyTables, ChoiceListsIndexByRowAndShortcutsNameTheirKey) {
    auto rowNumbered = [](const auto& table) {
        for (std::size_t i = 0; i < table.size(); ++i)
            EXPECT_EQ(table[i].entry.keyIndex, i) << table[i].name;
    };
    rowNumbered(MouseButtonTable);
    rowNumbered(DpiActionTable);
    rowNumbered(SystemTable);
    rowNumbered(ConsumerTable);
    rowNumbered(ShortcutTable);
    rowNumbered(MouseFunctionTable);

    const std::string_view shortcutKeys[] = {"O", "N", "Z", "S", "C", "X", "V", "F", "A", "-", "="};
    for (std::size_t i = 0; i < ShortcutTable.size(); ++i) {
        SCOPED_TRACE(ShortcutTable[i].name);
        const KeyAction key = keyRowNamed("keyboard_key_" + std::string(shortcutKeys[i])).action();
        EXPECT_EQ(ShortcutTable[i].action(), act(0x20, 0x10, key.p2));
    }
    for (std::size_t n = 0; n < NumberedShortcutTable.size(); ++n) {
        EXPECT_EQ(NumberedShortcutTable[n].name, ShortcutTable[n].name);
        EXPECT_EQ(NumberedShortcutTable[n].entry.keyIndex, 0x21 + n);
        EXPECT_EQ(NumberedShortcutTable[n].action(), act(0x22, 0, static_cast<std::uint8_t>(n)));
    }

    EXPECT_EQ(MouseButtonTable[1].action(), act(0x10, 0x04, 0x00)); // middle
    EXPECT_EQ(MouseButtonTable[2].action(), act(0x10, 0x02, 0x00)); // right
    EXPECT_EQ(MouseButtonTable[4].name, "mouse_key_back");
    // The mouse's function list keeps middle and right the other way round.
    EXPECT_EQ(MouseFunctionTable[1].name, "mouse_key_middle");
    EXPECT_EQ(MouseFunctionTable[1].action(), act(0x10, 0x02, 0x00));
    EXPECT_EQ(MouseFunctionTable[2].action(), act(0x10, 0x04, 0x00));
    EXPECT_EQ(MouseFunctionTable[5].action(), act(0x14, 0x50, 0x02));
    EXPECT_EQ(MouseFunctionTable[9].name, "close_text");
    EXPECT_EQ(MouseFunctionTable[9].action(), act(0xA0, 0x00, 0x00));
    EXPECT_EQ(MouseFunctionTable[14].action(), act(0x23, 0x00, 0x00));
    EXPECT_EQ(DpiActionTable[2].action(), act(0x13, 0x03, 0x00));
    EXPECT_EQ(SystemTable[2].name, "system_wake_up");
    EXPECT_EQ(GunNameList[3], "gun_4_txt");
}

TEST(KeyTables, NameKeyListCoversEveryTableOnce) {
    const std::vector<std::string_view> keys = allTableNameKeys();
    const std::set<std::string_view> unique(keys.begin(), keys.end());
    EXPECT_EQ(unique.size(), keys.size());
    auto covers = [&](const auto& table) {
        for (const NamedKeyEntry& r : table)
            EXPECT_TRUE(unique.count(r.name)) << r.name;
    };
    covers(KeyCodeTable);
    covers(MouseButtonTable);
    covers(DpiActionTable);
    covers(SystemTable);
    covers(ConsumerTable);
    covers(ShortcutTable);
    covers(NumberedShortcutTable);
    covers(MouseFunctionTable);
    for (std::string_view k : GunNameList)
        EXPECT_TRUE(unique.count(k)) << k;
    for (std::string_view k :
         {"keyboard_key_COLOR", "close_text", "mouse_key_left_Swing", "mouse_key_right_Swing",
          "mouse_key_up_Swing", "mouse_key_down_Swing", "mouse_key_fire_key", "Key_Set"})
        EXPECT_TRUE(unique.count(k)) << k;
    EXPECT_FALSE(unique.count(kOffText)); // shown as it is, never looked up
}

} // namespace
} // namespace quasar
