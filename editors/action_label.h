#pragma once
// Display text of key actions, the mapping from a captured keystroke to an action, and the label
// data of every key button of a device view. Plain data and functions: no widgets, no device.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editors/key_action.h"

namespace quasar {

// Which device the label is for: a few kinds read differently on the keyboard and the mouse.
enum class ActionDevice { Keyboard, Mouse };

// The display text of `action`. Table names pass through translateKey; macro names are shown as
// they are. An empty result means the button keeps the label it has.
std::string actionLabel(KeyAction action, std::span<const std::string> macroNames,
                        ActionDevice device);

struct KeystrokeHit {
    std::size_t row; // KeyCodeTable row
    KeyAction action;

    constexpr bool operator==(const KeystrokeHit&) const = default;
};

// The ScanCodeTable row (and so the KeyCodeTable row) of a keystroke: the first row with this
// scan code whose extended flag equals bit 0 of `flags`. Nothing when no row has them.
std::optional<std::size_t> scanCodeRow(std::uint32_t scanCode, std::uint32_t flags);

// The key a captured keystroke names: PC set-1 scan code, and flags whose bit 0 is the extended
// (0xE0) flag. Keys without a scan code row (media keys, FN, M keys) give nothing.
std::optional<KeystrokeHit> actionFromKeystroke(std::uint32_t scanCode, std::uint32_t flags);

// The editor's modifier box of KeyCodeTable rows 0-7: 1 Ctrl, 2 Shift, 3 Alt, 4 Win (left and
// right share a box). Any other row has no box and gives 0.
int modifierBoxOfRow(std::size_t row);

// What a device view shows on the button of one key.
struct KeyButtonLabel {
    // Empty: the action has no label here; leave the button as it is (the fields below are then
    // empty as well).
    std::string label;
    // Keyboard only (false on the mouse and for key indexes beyond the keyboard's positions):
    // whether ownNameKey and ownFunction apply.
    bool hasOwn = false;
    // Name key of the key's factory action; empty when no KeyCodeTable row names it.
    std::string_view ownNameKey;
    // The key does what its own name says: translateKey(ownNameKey) equals the label, ignoring
    // case.
    bool ownFunction = false;
    // translateKey("Key_Set") followed directly by the label.
    std::string tooltip;
};

// The label data of every key of a key list, element i for key i. The device page applies them
// to its buttons "key_" + i, skipping buttons it does not have.
std::vector<KeyButtonLabel>
computeKeyLabels(const KeyList& keys, std::span<const std::string> macroNames, ActionDevice device);

} // namespace quasar
