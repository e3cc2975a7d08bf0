#pragma once
// The action of one programmable input (a keyboard key position or a mouse button): three bytes,
// kind, p1 and p2, whose meaning depends on the kind. Profiles keep it as one integer,
// kind * 65536 + p1 * 256 + p2.

#include <cstdint>
#include <vector>

#include "devices/factory_tables.h"

namespace quasar {

// The kind byte of a KeyAction. Values not named here (0x15, 0x21, 0x50, 0x60, 0xB0, 0xC0 and any
// other) are kept and sent unchanged; their effect is up to the device firmware.
enum ActionKind : std::uint8_t {
    KindNone = 0x00,        // read like KindKeyboard
    KindMouseButton = 0x10, // p1: button bit (01 left, 02 right, 04 middle, 08 back, 10 forward)
    KindSwing = 0x11,       // p1: delay << 4 | speed; p2: bit 7 direction (1 right), bits 0-6 count
    KindWheel = 0x12,       // p1: delay << 4 | speed; p2: signed count, negative = down
    KindDpi = 0x13,         // p1: 1 up, 2 down, 3 loop
    KindFire = 0x14,        // p1: interval, p2: count
    KindDpiShift = 0x16,
    KindKeyboard = 0x20,   // p1: HID modifier bits, p2: HID keyboard usage (0 = no key)
    KindShortcut = 0x22,   // p2: shortcut number 0-8
    KindShowWindow = 0x23, //
    KindConsumer = 0x30,   // p1, p2: consumer-page usage, low byte first
    KindSystem = 0x40,     // p1: 1 power, 2 sleep, 4 wake up
    KindMacro = 0x70,      // p1: macro number, p2: play mode 0-3
    KindMacroCount = 0x71, // p1: macro number, p2: repeat count
    KindGun = 0x72,        // p1: recoil pattern 0-3
    KindSpecial = 0xA0,    // p1: 0 off, 1 FN, 2 smart key, 0x1B game mode, 0x24 colour key
    KindMKey = 0xD0,       // p1: 0xA2, p2: 1-5 for M1-M5
};

struct KeyAction {
    std::uint8_t kind = 0;
    std::uint8_t p1 = 0;
    std::uint8_t p2 = 0;

    constexpr bool operator==(const KeyAction&) const = default;
};

// The integer form stored in profiles: an unsigned 24-bit value.
constexpr std::uint32_t actionToInt(KeyAction a) {
    return (std::uint32_t{a.kind} << 16) | (std::uint32_t{a.p1} << 8) | std::uint32_t{a.p2};
}

// The reverse of actionToInt; bits above 23 are ignored.
constexpr KeyAction actionFromInt(std::uint32_t v) {
    return KeyAction{static_cast<std::uint8_t>((v >> 16) & 0xFF),
                     static_cast<std::uint8_t>((v >> 8) & 0xFF),
                     static_cast<std::uint8_t>(v & 0xFF)};
}

constexpr KeyAction toKeyAction(FactoryAction f) {
    return KeyAction{f.kind, f.p1, f.p2};
}
constexpr FactoryAction toFactoryAction(KeyAction a) {
    return FactoryAction{a.kind, a.p1, a.p2};
}

// One input's record. In a device's key list `keyIndex` is the input's position; in the fixed
// look-up tables it holds a virtual-key code or a row number instead.
struct KeyEntry {
    std::uint16_t keyIndex = 0;
    KeyAction action;

    // Entries compare by their action only; the index takes no part.
    constexpr bool operator==(const KeyEntry& o) const { return action == o.action; }
};

// Current and default action of one input. The default comes from the factory profile and is
// never changed by the program.
struct KeyAssignmentEntry {
    KeyEntry current;
    KeyEntry defaultEntry;

    constexpr bool operator==(const KeyAssignmentEntry&) const = default;
};

// A device's keys (or buttons) in key-index order.
using KeyList = std::vector<KeyAssignmentEntry>;

constexpr KeyAssignmentEntry makeKeyAssignment(std::uint16_t index, KeyAction current,
                                               KeyAction byDefault) {
    return KeyAssignmentEntry{KeyEntry{index, current}, KeyEntry{index, byDefault}};
}

} // namespace quasar
