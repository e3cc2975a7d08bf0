#pragma once
// The fixed look-up tables of the key action model: every nameable action with its language name
// key, the keyboard's key codes with their virtual-key and scan codes, and the editor's choice
// lists. Each table row is a KeyEntry (its index field holds a virtual-key code or a row number)
// with the language name key of the row. Rows are in a fixed order that the look-ups and the
// editor's lists depend on; keep them as they are.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "editors/key_action.h"

namespace quasar {

struct NamedKeyEntry {
    std::string_view name; // language name key
    KeyEntry entry;

    constexpr KeyAction action() const { return entry.action; }
};

// PC set-1 make code of a key and whether it carries the 0xE0 prefix (the extended flag a
// low-level keyboard hook reports).
struct ScanCode {
    std::uint8_t scan;
    std::uint8_t extended;
};

// Rows 0-7: the eight modifiers (p1 one modifier bit); 8-113: keys (p2 the HID usage);
// 114-131: consumer keys; 132-134: system keys; 135-139: M keys; 140-141: FN and game mode.
// The index field is the key's Windows virtual-key code: 0x101 keypad Enter, 0x103-0x105 power,
// sleep and wake up, 0xFF and 0 for keys without a usable code.
inline constexpr std::size_t kKeyCodeRows = 142;
inline constexpr std::size_t kFirstKeyRow = 8;
inline constexpr std::size_t kFirstConsumerRow = 114;
inline constexpr std::size_t kLastConsumerRow = 131;
inline constexpr std::size_t kFirstSystemRow = 132;
inline constexpr std::size_t kFirstMKeyRow = 135;
inline constexpr std::size_t kFirstSpecialRow = 140;

inline constexpr std::array<NamedKeyEntry, kKeyCodeRows> KeyCodeTable{{
    {"keyboard_key_LCtrl", {0xA2, {0x20, 0x01, 0x00}}},               // 0
    {"keyboard_key_LShift", {0xA0, {0x20, 0x02, 0x00}}},              // 1
    {"keyboard_key_LAlt", {0xA4, {0x20, 0x04, 0x00}}},                // 2
    {"keyboard_key_LWin", {0x5B, {0x20, 0x08, 0x00}}},                // 3
    {"keyboard_key_RCtrl", {0xA3, {0x20, 0x10, 0x00}}},               // 4
    {"keyboard_key_RShift", {0xA1, {0x20, 0x20, 0x00}}},              // 5
    {"keyboard_key_RAlt", {0xA5, {0x20, 0x40, 0x00}}},                // 6
    {"keyboard_key_RWin", {0x5C, {0x20, 0x80, 0x00}}},                // 7
    {"keyboard_key_A", {0x41, {0x20, 0x00, 0x04}}},                   // 8
    {"keyboard_key_B", {0x42, {0x20, 0x00, 0x05}}},                   // 9
    {"keyboard_key_C", {0x43, {0x20, 0x00, 0x06}}},                   // 10
    {"keyboard_key_D", {0x44, {0x20, 0x00, 0x07}}},                   // 11
    {"keyboard_key_E", {0x45, {0x20, 0x00, 0x08}}},                   // 12
    {"keyboard_key_F", {0x46, {0x20, 0x00, 0x09}}},                   // 13
    {"keyboard_key_G", {0x47, {0x20, 0x00, 0x0A}}},                   // 14
    {"keyboard_key_H", {0x48, {0x20, 0x00, 0x0B}}},                   // 15
    {"keyboard_key_I", {0x49, {0x20, 0x00, 0x0C}}},                   // 16
    {"keyboard_key_J", {0x4A, {0x20, 0x00, 0x0D}}},                   // 17
    {"keyboard_key_K", {0x4B, {0x20, 0x00, 0x0E}}},                   // 18
    {"keyboard_key_L", {0x4C, {0x20, 0x00, 0x0F}}},                   // 19
    {"keyboard_key_M", {0x4D, {0x20, 0x00, 0x10}}},                   // 20
    {"keyboard_key_N", {0x4E, {0x20, 0x00, 0x11}}},                   // 21
    {"keyboard_key_O", {0x4F, {0x20, 0x00, 0x12}}},                   // 22
    {"keyboard_key_P", {0x50, {0x20, 0x00, 0x13}}},                   // 23
    {"keyboard_key_Q", {0x51, {0x20, 0x00, 0x14}}},                   // 24
    {"keyboard_key_R", {0x52, {0x20, 0x00, 0x15}}},                   // 25
    {"keyboard_key_S", {0x53, {0x20, 0x00, 0x16}}},                   // 26
    {"keyboard_key_T", {0x54, {0x20, 0x00, 0x17}}},                   // 27
    {"keyboard_key_U", {0x55, {0x20, 0x00, 0x18}}},                   // 28
    {"keyboard_key_V", {0x56, {0x20, 0x00, 0x19}}},                   // 29
    {"keyboard_key_W", {0x57, {0x20, 0x00, 0x1A}}},                   // 30
    {"keyboard_key_X", {0x58, {0x20, 0x00, 0x1B}}},                   // 31
    {"keyboard_key_Y", {0x59, {0x20, 0x00, 0x1C}}},                   // 32
    {"keyboard_key_Z", {0x5A, {0x20, 0x00, 0x1D}}},                   // 33
    {"keyboard_key_1", {0x31, {0x20, 0x00, 0x1E}}},                   // 34
    {"keyboard_key_2", {0x32, {0x20, 0x00, 0x1F}}},                   // 35
    {"keyboard_key_3", {0x33, {0x20, 0x00, 0x20}}},                   // 36
    {"keyboard_key_4", {0x34, {0x20, 0x00, 0x21}}},                   // 37
    {"keyboard_key_5", {0x35, {0x20, 0x00, 0x22}}},                   // 38
    {"keyboard_key_6", {0x36, {0x20, 0x00, 0x23}}},                   // 39
    {"keyboard_key_7", {0x37, {0x20, 0x00, 0x24}}},                   // 40
    {"keyboard_key_8", {0x38, {0x20, 0x00, 0x25}}},                   // 41
    {"keyboard_key_9", {0x39, {0x20, 0x00, 0x26}}},                   // 42
    {"keyboard_key_0", {0x30, {0x20, 0x00, 0x27}}},                   // 43
    {"keyboard_key_Enter", {0x0D, {0x20, 0x00, 0x28}}},               // 44
    {"keyboard_key_Esc", {0x1B, {0x20, 0x00, 0x29}}},                 // 45
    {"keyboard_key_BackSpace", {0x08, {0x20, 0x00, 0x2A}}},           // 46
    {"keyboard_key_Tab", {0x09, {0x20, 0x00, 0x2B}}},                 // 47
    {"keyboard_key_Space", {0x20, {0x20, 0x00, 0x2C}}},               // 48
    {"keyboard_key_-", {0xBD, {0x20, 0x00, 0x2D}}},                   // 49
    {"keyboard_key_=", {0xBB, {0x20, 0x00, 0x2E}}},                   // 50
    {"keyboard_key_[", {0xDB, {0x20, 0x00, 0x2F}}},                   // 51
    {"keyboard_key_]", {0xDD, {0x20, 0x00, 0x30}}},                   // 52
    {"keyboard_key_xiegang", {0xDC, {0x20, 0x00, 0x31}}},             // 53
    {"keyboard_key_;", {0xBA, {0x20, 0x00, 0x33}}},                   // 54
    {"keyboard_key_'", {0xDE, {0x20, 0x00, 0x34}}},                   // 55
    {"keyboard_key_`", {0xC0, {0x20, 0x00, 0x35}}},                   // 56
    {"keyboard_key_<", {0xBC, {0x20, 0x00, 0x36}}},                   // 57
    {"keyboard_key_.", {0xBE, {0x20, 0x00, 0x37}}},                   // 58
    {"keyboard_key_/", {0xBF, {0x20, 0x00, 0x38}}},                   // 59
    {"keyboard_key_Caplk", {0x14, {0x20, 0x00, 0x39}}},               // 60
    {"keyboard_key_F1", {0x70, {0x20, 0x00, 0x3A}}},                  // 61
    {"keyboard_key_F2", {0x71, {0x20, 0x00, 0x3B}}},                  // 62
    {"keyboard_key_F3", {0x72, {0x20, 0x00, 0x3C}}},                  // 63
    {"keyboard_key_F4", {0x73, {0x20, 0x00, 0x3D}}},                  // 64
    {"keyboard_key_F5", {0x74, {0x20, 0x00, 0x3E}}},                  // 65
    {"keyboard_key_F6", {0x75, {0x20, 0x00, 0x3F}}},                  // 66
    {"keyboard_key_F7", {0x76, {0x20, 0x00, 0x40}}},                  // 67
    {"keyboard_key_F8", {0x77, {0x20, 0x00, 0x41}}},                  // 68
    {"keyboard_key_F9", {0x78, {0x20, 0x00, 0x42}}},                  // 69
    {"keyboard_key_F10", {0x79, {0x20, 0x00, 0x43}}},                 // 70
    {"keyboard_key_F11", {0x7A, {0x20, 0x00, 0x44}}},                 // 71
    {"keyboard_key_F12", {0x7B, {0x20, 0x00, 0x45}}},                 // 72
    {"keyboard_key_Print Scr", {0x2C, {0x20, 0x00, 0x46}}},           // 73
    {"keyboard_key_Scroll Lock", {0x91, {0x20, 0x00, 0x47}}},         // 74
    {"keyboard_key_Pause", {0x13, {0x20, 0x00, 0x48}}},               // 75
    {"keyboard_key_Insert", {0x2D, {0x20, 0x00, 0x49}}},              // 76
    {"keyboard_key_Home", {0x24, {0x20, 0x00, 0x4A}}},                // 77
    {"keyboard_key_Page Up", {0x21, {0x20, 0x00, 0x4B}}},             // 78
    {"keyboard_key_Delete", {0x2E, {0x20, 0x00, 0x4C}}},              // 79
    {"keyboard_key_End", {0x23, {0x20, 0x00, 0x4D}}},                 // 80
    {"keyboard_key_Page Down", {0x22, {0x20, 0x00, 0x4E}}},           // 81
    {"keyboard_key_Right", {0x27, {0x20, 0x00, 0x4F}}},               // 82
    {"keyboard_key_Left", {0x25, {0x20, 0x00, 0x50}}},                // 83
    {"keyboard_key_Down", {0x28, {0x20, 0x00, 0x51}}},                // 84
    {"keyboard_key_Up", {0x26, {0x20, 0x00, 0x52}}},                  // 85
    {"keyboard_key_Num Lock", {0x90, {0x20, 0x00, 0x53}}},            // 86
    {"keyboard_key_Num /", {0x6F, {0x20, 0x00, 0x54}}},               // 87
    {"keyboard_key_Num *", {0x6A, {0x20, 0x00, 0x55}}},               // 88
    {"keyboard_key_Num -", {0x6D, {0x20, 0x00, 0x56}}},               // 89
    {"keyboard_key_Num +", {0x6B, {0x20, 0x00, 0x57}}},               // 90
    {"keyboard_key_Num Enter", {0x101, {0x20, 0x00, 0x58}}},          // 91
    {"keyboard_key_Num 1", {0x61, {0x20, 0x00, 0x59}}},               // 92
    {"keyboard_key_Num 2", {0x62, {0x20, 0x00, 0x5A}}},               // 93
    {"keyboard_key_Num 3", {0x63, {0x20, 0x00, 0x5B}}},               // 94
    {"keyboard_key_Num 4", {0x64, {0x20, 0x00, 0x5C}}},               // 95
    {"keyboard_key_Num 5", {0x65, {0x20, 0x00, 0x5D}}},               // 96
    {"keyboard_key_Num 6", {0x66, {0x20, 0x00, 0x5E}}},               // 97
    {"keyboard_key_Num 7", {0x67, {0x20, 0x00, 0x5F}}},               // 98
    {"keyboard_key_Num 8", {0x68, {0x20, 0x00, 0x60}}},               // 99
    {"keyboard_key_Num 9", {0x69, {0x20, 0x00, 0x61}}},               // 100
    {"keyboard_key_Num 0", {0x60, {0x20, 0x00, 0x62}}},               // 101
    {"keyboard_key_Decimal", {0x6E, {0x20, 0x00, 0x63}}},             // 102
    {"keyboard_key_App", {0x5D, {0x20, 0x00, 0x65}}},                 // 103
    {"keyboard_key_K45", {0xE2, {0x20, 0x00, 0x64}}},                 // 104
    {"keyboard_key_K56", {0xC1, {0x20, 0x00, 0x87}}},                 // 105
    {"keyboard_key_K14", {0xFF, {0x20, 0x00, 0x89}}},                 // 106
    {"keyboard_key_K107", {0xC2, {0x20, 0x00, 0x85}}},                // 107
    {"keyboard_key_K131", {0xEB, {0x20, 0x00, 0x8B}}},                // 108
    {"keyboard_key_K132", {0xFF, {0x20, 0x00, 0x8A}}},                // 109
    {"keyboard_key_K133", {0xFF, {0x20, 0x00, 0x88}}},                // 110
    {"keyboard_key_K150", {0xE9, {0x20, 0x00, 0x91}}},                // 111
    {"keyboard_key_K151", {0xFF, {0x20, 0x00, 0x90}}},                // 112
    {"keyboard_key_K42", {0xBF, {0x20, 0x00, 0x32}}},                 // 113
    {"keyboard_key_Launch App2", {0xB7, {0x30, 0x92, 0x01}}},         // 114
    {"keyboard_key_Browaer Home", {0xAC, {0x30, 0x23, 0x02}}},        // 115
    {"keyboard_key_Media Play Pause", {0xB3, {0x30, 0xCD, 0x00}}},    // 116
    {"keyboard_key_Browser Search", {0xAA, {0x30, 0x21, 0x02}}},      // 117
    {"keyboard_key_Launch Mail", {0xB4, {0x30, 0x8A, 0x01}}},         // 118
    {"keyboard_key_Volume Up", {0xAF, {0x30, 0xE9, 0x00}}},           // 119
    {"keyboard_key_Volume Mute", {0xAD, {0x30, 0xE2, 0x00}}},         // 120
    {"keyboard_key_Media Stop", {0xB2, {0x30, 0xB7, 0x00}}},          // 121
    {"keyboard_key_Volume Down", {0xAE, {0x30, 0xEA, 0x00}}},         // 122
    {"keyboard_key_Browser Favorites", {0xAB, {0x30, 0x2A, 0x02}}},   // 123
    {"keyboard_key_Browser ForWard", {0xA7, {0x30, 0x25, 0x02}}},     // 124
    {"keyboard_key_Browser Back", {0xA6, {0x30, 0x24, 0x02}}},        // 125
    {"keyboard_key_Media Prev Track", {0xB1, {0x30, 0xB6, 0x00}}},    // 126
    {"keyboard_key_Media Next Track", {0xB0, {0x30, 0xB5, 0x00}}},    // 127
    {"keyboard_key_Computer", {0xB6, {0x30, 0x94, 0x01}}},            // 128
    {"keyboard_key_Browser Refresh", {0xA8, {0x30, 0x27, 0x02}}},     // 129
    {"wed_stop", {0xA9, {0x30, 0x26, 0x02}}},                         // 130
    {"keyboard_key_Launch Media Select", {0xB5, {0x30, 0x83, 0x01}}}, // 131
    {"keyboard_key_Power", {0x103, {0x40, 0x01, 0x00}}},              // 132
    {"keyboard_key_Sleep", {0x104, {0x40, 0x02, 0x00}}},              // 133
    {"keyboard_key_Wakeup", {0x105, {0x40, 0x04, 0x00}}},             // 134
    {"keyboard_key_M1", {0x00, {0xD0, 0xA2, 0x01}}},                  // 135
    {"keyboard_key_M2", {0x00, {0xD0, 0xA2, 0x02}}},                  // 136
    {"keyboard_key_M3", {0x00, {0xD0, 0xA2, 0x03}}},                  // 137
    {"keyboard_key_M4", {0x00, {0xD0, 0xA2, 0x04}}},                  // 138
    {"keyboard_key_M5", {0x00, {0xD0, 0xA2, 0x05}}},                  // 139
    {"keyboard_key_FN", {0x00, {0xA0, 0x01, 0x00}}},                  // 140
    {"keyboard_key_GM", {0x00, {0xA0, 0x1B, 0x00}}},                  // 141
}};

// A name with no row of its own: the keyboard's colour key. It takes part in no look-up.
inline constexpr std::string_view kKeyboardColorKeyName = "keyboard_key_COLOR";

// Scan codes of KeyCodeTable rows 0-112, row for row. Rows from 113 on have none.
inline constexpr std::size_t kScanCodeRows = 113;
inline constexpr std::array<ScanCode, kScanCodeRows> ScanCodeTable{{
    {0x1D, 0}, {0x2A, 0}, {0x38, 0}, {0x5B, 1}, // 0-3
    {0x1D, 1}, {0x36, 1}, {0x38, 1}, {0x5C, 1}, // 4-7
    {0x1E, 0}, {0x30, 0}, {0x2E, 0}, {0x20, 0}, // 8-11
    {0x12, 0}, {0x21, 0}, {0x22, 0}, {0x23, 0}, // 12-15
    {0x17, 0}, {0x24, 0}, {0x25, 0}, {0x26, 0}, // 16-19
    {0x32, 0}, {0x31, 0}, {0x18, 0}, {0x19, 0}, // 20-23
    {0x10, 0}, {0x13, 0}, {0x1F, 0}, {0x14, 0}, // 24-27
    {0x16, 0}, {0x2F, 0}, {0x11, 0}, {0x2D, 0}, // 28-31
    {0x15, 0}, {0x2C, 0}, {0x02, 0}, {0x03, 0}, // 32-35
    {0x04, 0}, {0x05, 0}, {0x06, 0}, {0x07, 0}, // 36-39
    {0x08, 0}, {0x09, 0}, {0x0A, 0}, {0x0B, 0}, // 40-43
    {0x1C, 0}, {0x01, 0}, {0x0E, 0}, {0x0F, 0}, // 44-47
    {0x39, 0}, {0x0C, 0}, {0x0D, 0}, {0x1A, 0}, // 48-51
    {0x1B, 0}, {0x2B, 0}, {0x27, 0}, {0x28, 0}, // 52-55
    {0x29, 0}, {0x33, 0}, {0x34, 0}, {0x35, 0}, // 56-59
    {0x3A, 0}, {0x3B, 0}, {0x3C, 0}, {0x3D, 0}, // 60-63
    {0x3E, 0}, {0x3F, 0}, {0x40, 0}, {0x41, 0}, // 64-67
    {0x42, 0}, {0x43, 0}, {0x44, 0}, {0x57, 0}, // 68-71
    {0x58, 0}, {0x37, 1}, {0x46, 0}, {0x45, 0}, // 72-75
    {0x52, 1}, {0x47, 1}, {0x49, 1}, {0x53, 1}, // 76-79
    {0x4F, 1}, {0x51, 1}, {0x4D, 1}, {0x4B, 1}, // 80-83
    {0x50, 1}, {0x48, 1}, {0x45, 1}, {0x35, 1}, // 84-87
    {0x37, 0}, {0x4A, 0}, {0x4E, 0}, {0x1C, 1}, // 88-91
    {0x4F, 0}, {0x50, 0}, {0x51, 0}, {0x4B, 0}, // 92-95
    {0x4C, 0}, {0x4D, 0}, {0x47, 0}, {0x48, 0}, // 96-99
    {0x49, 0}, {0x52, 0}, {0x53, 0}, {0x5D, 1}, // 100-103
    {0x56, 0}, {0x73, 0}, {0x7D, 0}, {0x7E, 0}, // 104-107
    {0x7B, 0}, {0x79, 0}, {0x70, 0}, {0x71, 0}, // 108-111
    {0x72, 0},                                  // 112-112
}};

// The editor's choice lists: the index field is the row number, which is also the item's position
// in the editor's list.
inline constexpr std::array<NamedKeyEntry, 5> MouseButtonTable{{
    {"mouse_key_left", {0, {0x10, 0x01, 0x00}}},
    {"mouse_key_middle", {1, {0x10, 0x04, 0x00}}},
    {"mouse_key_right", {2, {0x10, 0x02, 0x00}}},
    {"mouse_key_forward", {3, {0x10, 0x10, 0x00}}},
    {"mouse_key_back", {4, {0x10, 0x08, 0x00}}},
}};

inline constexpr std::array<NamedKeyEntry, 3> DpiActionTable{{
    {"mouse_key_DPI_add", {0, {0x13, 0x01, 0x00}}},
    {"mouse_key_DPI_sub", {1, {0x13, 0x02, 0x00}}},
    {"mouse_key_DPI_loop", {2, {0x13, 0x03, 0x00}}},
}};

inline constexpr std::array<NamedKeyEntry, 3> SystemTable{{
    {"system_power", {0, {0x40, 0x01, 0x00}}},
    {"system_sleep", {1, {0x40, 0x02, 0x00}}},
    {"system_wake_up", {2, {0x40, 0x04, 0x00}}},
}};

// p1 and p2 form the consumer usage, low byte first.
inline constexpr std::array<NamedKeyEntry, 18> ConsumerTable{{
    {"media_text", {0, {0x30, 0x83, 0x01}}},
    {"media_play", {1, {0x30, 0xCD, 0x00}}},
    {"media_stop", {2, {0x30, 0xB7, 0x00}}},
    {"media_prev", {3, {0x30, 0xB6, 0x00}}},
    {"media_next", {4, {0x30, 0xB5, 0x00}}},
    {"media_vol_sub", {5, {0x30, 0xEA, 0x00}}},
    {"media_vol_add", {6, {0x30, 0xE9, 0x00}}},
    {"media_mute", {7, {0x30, 0xE2, 0x00}}},
    {"web_text", {8, {0x30, 0x23, 0x02}}},
    {"web_refresh", {9, {0x30, 0x27, 0x02}}},
    {"wed_stop", {10, {0x30, 0x26, 0x02}}},
    {"wed_back", {11, {0x30, 0x24, 0x02}}},
    {"wed_forward", {12, {0x30, 0x25, 0x02}}},
    {"wed_favorite", {13, {0x30, 0x2A, 0x02}}},
    {"web_search", {14, {0x30, 0x21, 0x02}}},
    {"media_mypc", {15, {0x30, 0x94, 0x01}}},
    {"media_calc", {16, {0x30, 0x92, 0x01}}},
    {"media_mail", {17, {0x30, 0x8A, 0x01}}},
}};

// Edit shortcuts: right Ctrl (modifier bit 0x10) with a key.
inline constexpr std::array<NamedKeyEntry, 11> ShortcutTable{{
    {"custem_open", {0, {0x20, 0x10, 0x12}}},       // O
    {"custem_new", {1, {0x20, 0x10, 0x11}}},        // N
    {"custem_undo", {2, {0x20, 0x10, 0x1D}}},       // Z
    {"custem_save", {3, {0x20, 0x10, 0x16}}},       // S
    {"custem_copy", {4, {0x20, 0x10, 0x06}}},       // C
    {"custem_cut", {5, {0x20, 0x10, 0x1B}}},        // X
    {"custem_paste", {6, {0x20, 0x10, 0x19}}},      // V
    {"custem_find", {7, {0x20, 0x10, 0x09}}},       // F
    {"custem_select_all", {8, {0x20, 0x10, 0x04}}}, // A
    {"custem_narrow", {9, {0x20, 0x10, 0x2D}}},     // minus
    {"custem_magnify", {10, {0x20, 0x10, 0x2E}}},   // equals
}};

// The same shortcuts by number (kind 0x22, p2 the number); index field 0x21-0x29.
inline constexpr std::array<NamedKeyEntry, 9> NumberedShortcutTable{{
    {"custem_open", {0x21, {0x22, 0x00, 0x00}}},
    {"custem_new", {0x22, {0x22, 0x00, 0x01}}},
    {"custem_undo", {0x23, {0x22, 0x00, 0x02}}},
    {"custem_save", {0x24, {0x22, 0x00, 0x03}}},
    {"custem_copy", {0x25, {0x22, 0x00, 0x04}}},
    {"custem_cut", {0x26, {0x22, 0x00, 0x05}}},
    {"custem_paste", {0x27, {0x22, 0x00, 0x06}}},
    {"custem_find", {0x28, {0x22, 0x00, 0x07}}},
    {"custem_select_all", {0x29, {0x22, 0x00, 0x08}}},
}};

// The mouse's own function vocabulary. Rows 1 and 2 carry 0x02 for middle and 0x04 for right,
// the other way round from MouseButtonTable; each table is used as it stands. Row 5 is the
// factory fire key: interval 0x50, count 2.
inline constexpr std::array<NamedKeyEntry, 15> MouseFunctionTable{{
    {"mouse_key_left", {0, {0x10, 0x01, 0x00}}},
    {"mouse_key_middle", {1, {0x10, 0x02, 0x00}}},
    {"mouse_key_right", {2, {0x10, 0x04, 0x00}}},
    {"mouse_key_forward", {3, {0x10, 0x10, 0x00}}},
    {"mouse_key_back", {4, {0x10, 0x08, 0x00}}},
    {"mouse_key_fire_key", {5, {0x14, 0x50, 0x02}}},
    {"mouse_key_shortcut_key", {6, {0x20, 0x00, 0x00}}},
    {"win_key_text", {7, {0x20, 0x80, 0x00}}},
    {"mouse_key_smart_key", {8, {0xA0, 0x02, 0x00}}},
    {"close_text", {9, {0xA0, 0x00, 0x00}}},
    {"mouse_key_DPI_loop", {10, {0x13, 0x03, 0x00}}},
    {"mouse_key_DPI_add", {11, {0x13, 0x01, 0x00}}},
    {"mouse_key_DPI_sub", {12, {0x13, 0x02, 0x00}}},
    {"mouse_key_DPI_shift", {13, {0x16, 0x00, 0x00}}},
    {"show_window", {14, {0x23, 0x00, 0x00}}},
}};

// Names of the four recoil patterns a gun key can fire.
inline constexpr std::array<std::string_view, 4> GunNameList{"gun_1_txt", "gun_2_txt", "gun_3_txt",
                                                             "gun_4_txt"};

// Fixed texts of the labels. kOffText is shown as it is, without translation.
inline constexpr std::string_view kCloseTextKey = "close_text";
inline constexpr std::string_view kSwingLeftKey = "mouse_key_left_Swing";
inline constexpr std::string_view kSwingRightKey = "mouse_key_right_Swing";
inline constexpr std::string_view kWheelUpKey = "mouse_key_up_Swing";
inline constexpr std::string_view kWheelDownKey = "mouse_key_down_Swing";
inline constexpr std::string_view kFireKeyKey = "mouse_key_fire_key";
inline constexpr std::string_view kKeySetTooltipKey = "Key_Set";
inline constexpr std::string_view kOffText = "关闭";

// Every language key the key action model may look up (the names of all tables above, the fixed
// label keys, "Key_Set" and kKeyboardColorKeyName), each once, in order of first appearance.
// Language files are checked against it for completeness.
std::vector<std::string_view> allTableNameKeys();

} // namespace quasar
