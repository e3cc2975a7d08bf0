#pragma once
// Key actions as text, for command lines and diagnostics: "20.01.04" (kind, p1, p2 in hex), or
// the profile's integer in decimal ("2097412") or hex ("0x200104").

#include <optional>
#include <string>
#include <string_view>

#include "editors/key_action.h"

namespace quasar {

// "kk.pp.qq", lower-case hex.
std::string formatKeyAction(KeyAction action);

// Accepts the three forms above; nothing for anything else, including integers above 24 bits
// (a typed value that large is a mistake, unlike a stored one whose high bits are dropped).
std::optional<KeyAction> parseKeyAction(std::string_view text);

} // namespace quasar
