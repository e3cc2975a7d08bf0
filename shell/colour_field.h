#pragma once
// Reading the colour picker's edit fields.

#include <optional>
#include <string>

namespace quasar {

// A colour edit field read as a byte: its leading decimal digits; above 255 -> 255; empty (or no
// digits) -> 0; a negative number -> 0. `shown` is the field's new text when it has to change.
struct ColourField {
    int value;
    std::optional<std::string> shown;
};
ColourField readColourField(const std::string& text);

} // namespace quasar
