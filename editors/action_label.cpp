#include "editors/action_label.h"

#include <algorithm>

#include "devices/factory_tables.h"
#include "editors/key_tables.h"
#include "editors/translate.h"

namespace quasar {

namespace {

std::string name(const NamedKeyEntry& row) {
    return translateKey(row.name);
}

// First row of `rows` for which `match` holds; null when none does.
template <typename Rows, typename Match>
const NamedKeyEntry* firstRow(const Rows& rows, Match match) {
    auto it = std::find_if(rows.begin(), rows.end(),
                           [&](const NamedKeyEntry& r) { return match(r.action()); });
    return it == rows.end() ? nullptr : &*it;
}

std::string nameOrEmpty(const NamedKeyEntry* row) {
    return row ? name(*row) : std::string();
}

// Kinds 0x00 and 0x20: a named key, "close_text", or modifier and key names joined with "+".
std::string keyboardLabel(KeyAction a) {
    if (const NamedKeyEntry* exact =
            firstRow(KeyCodeTable, [&](KeyAction r) { return r.p1 == a.p1 && r.p2 == a.p2; }))
        return name(*exact);
    if (a.p1 == 0 && a.p2 == 0) return translateKey(kCloseTextKey);

    // A row matches on the whole modifier byte or on the usage, so one modifier bit reads as
    // "modifier+key" and several bits show only the key.
    std::string label;
    for (const NamedKeyEntry& row : KeyCodeTable) {
        const KeyAction r = row.action();
        if (r.kind == a.kind && (r.p1 == a.p1 || r.p2 == a.p2)) {
            if (!label.empty()) label += '+';
            label += name(row);
        }
    }
    if (a.p1 == 0x10) {
        if (const NamedKeyEntry* sc =
                firstRow(ShortcutTable, [&](KeyAction r) { return r.p2 == a.p2; }))
            label += name(*sc);
    }
    return label;
}

// Kinds 0xA0 and (keyboard) 0xD0: the mouse's function names first, then the key code names.
std::string specialLabel(KeyAction a) {
    if (const NamedKeyEntry* row = firstRow(
            MouseFunctionTable, [&](KeyAction r) { return r.kind == a.kind && r.p1 == a.p1; }))
        return name(*row);
    return nameOrEmpty(firstRow(KeyCodeTable, [&](KeyAction r) { return r == a; }));
}

bool equalIgnoringCase(std::string_view x, std::string_view y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(),
                                              [&](char c, char d) { return lower(c) == lower(d); });
}

} // namespace

std::string actionLabel(KeyAction a, std::span<const std::string> macroNames, ActionDevice device) {
    const bool mouse = device == ActionDevice::Mouse;
    switch (a.kind) {
    case KindNone:
    case KindKeyboard:
        return keyboardLabel(a);
    case KindMouseButton:
        return nameOrEmpty(firstRow(MouseButtonTable, [&](KeyAction r) { return r.p1 == a.p1; }));
    case KindSwing:
        return translateKey((a.p2 & 0x80) ? kSwingRightKey : kSwingLeftKey);
    case KindWheel:
        return translateKey((a.p2 & 0x80) ? kWheelDownKey : kWheelUpKey);
    case KindDpi:
        return nameOrEmpty(firstRow(DpiActionTable, [&](KeyAction r) { return r.p1 == a.p1; }));
    case KindFire:
        return translateKey(kFireKeyKey);
    case KindDpiShift:
        return nameOrEmpty(
            firstRow(MouseFunctionTable, [](KeyAction r) { return r.kind == KindDpiShift; }));
    case KindShortcut:
        return nameOrEmpty(firstRow(NumberedShortcutTable,
                                    [&](KeyAction r) { return r.p1 == a.p1 && r.p2 == a.p2; }));
    case KindShowWindow:
        return nameOrEmpty(firstRow(MouseFunctionTable, [&](KeyAction r) { return r == a; }));
    case KindConsumer: {
        const auto consumer =
            std::span(KeyCodeTable)
                .subspan(kFirstConsumerRow, kLastConsumerRow - kFirstConsumerRow + 1);
        return nameOrEmpty(
            firstRow(consumer, [&](KeyAction r) { return r.p1 == a.p1 && r.p2 == a.p2; }));
    }
    case KindSystem:
        return nameOrEmpty(
            firstRow(SystemTable, [&](KeyAction r) { return r.p1 == a.p1 && r.p2 == a.p2; }));
    case KindMacro:
    case KindMacroCount:
        return a.p1 < macroNames.size() ? macroNames[a.p1] : std::string();
    case KindGun:
        if (!mouse) return std::string(kOffText);
        // Only four patterns exist; a larger number names none of them.
        return a.p1 < GunNameList.size() ? translateKey(GunNameList[a.p1]) : std::string();
    case KindSpecial:
        return specialLabel(a);
    case KindMKey:
        return mouse ? std::string(kOffText) : specialLabel(a);
    case 0x15:
    case 0x21:
    case 0x50:
    case 0x60:
    case 0xB0:
    case 0xC0:
        return std::string();
    default:
        return std::string(kOffText);
    }
}

std::optional<std::size_t> scanCodeRow(std::uint32_t scanCode, std::uint32_t flags) {
    const std::uint32_t extended = flags & 1u;
    for (std::size_t row = 0; row < ScanCodeTable.size(); ++row) {
        if (ScanCodeTable[row].scan == scanCode && ScanCodeTable[row].extended == extended)
            return row;
    }
    return std::nullopt;
}

std::optional<KeystrokeHit> actionFromKeystroke(std::uint32_t scanCode, std::uint32_t flags) {
    const auto row = scanCodeRow(scanCode, flags);
    if (!row) return std::nullopt;
    const KeyAction action = KeyCodeTable[*row].action();
    if (action.kind != KindKeyboard) return std::nullopt;
    return KeystrokeHit{*row, action};
}

int modifierBoxOfRow(std::size_t row) {
    if (row >= kFirstKeyRow) return 0;
    const int n = static_cast<int>(row) + 1;
    return n % 5 + n / 5;
}

std::vector<KeyButtonLabel> computeKeyLabels(const KeyList& keys,
                                             std::span<const std::string> macroNames,
                                             ActionDevice device) {
    std::vector<KeyButtonLabel> out(keys.size());
    std::string tooltipHead;
    if (!keys.empty()) tooltipHead = translateKey(kKeySetTooltipKey);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        KeyButtonLabel& b = out[i];
        b.label = actionLabel(keys[i].current.action, macroNames, device);
        if (b.label.empty()) continue;
        if (device == ActionDevice::Keyboard && i < KeyPositionTable.size()) {
            const KeyAction factory = toKeyAction(KeyPositionTable[i]);
            const NamedKeyEntry* own =
                firstRow(KeyCodeTable, [&](KeyAction r) { return r == factory; });
            b.hasOwn = true;
            if (own) {
                b.ownNameKey = own->name;
                b.ownFunction = equalIgnoringCase(translateKey(own->name), b.label);
            }
        }
        b.tooltip = tooltipHead + b.label;
    }
    return out;
}

} // namespace quasar
