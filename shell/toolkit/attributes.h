#pragma once
// Parsing of the layouts' attribute texts: image attributes and colours.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quasar::ui {

struct ImageAttribute {
    std::string file;       // relative to the skin folder, "/" separators
    bool hasSource = false; // part of the file: left, top, right, bottom
    int source[4] = {0, 0, 0, 0};
    int corner[4] = {0, 0, 0, 0}; // nine-patch borders: left, top, right, bottom
    int fade = 255;               // 0..255 opacity
};

// Either a bare path ("images/key.png") or the attribute form
// "file='images/key.png' source='0,0,40,40' corner='4,4,4,4' fade='200'". "\" becomes "/".
// nullopt for an empty text or one without a file.
std::optional<ImageAttribute> parseImageAttribute(std::string_view text);

// "#AARRGGBB", "#RRGGBB", "0xAARRGGBB" or a decimal number -> ARGB; six digits mean opaque.
std::optional<std::uint32_t> parseColor(std::string_view text);

// Case-insensitive comparison of ASCII names (control names are ASCII).
bool sameName(std::string_view a, std::string_view b);

} // namespace quasar::ui
