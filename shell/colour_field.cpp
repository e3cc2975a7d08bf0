#include "shell/colour_field.h"

#include <cctype>

namespace quasar {

ColourField readColourField(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    long v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        if (v <= 255) v = v * 10 + (text[i] - '0'); // stop growing once it is over the limit
    int value = negative ? 0 : static_cast<int>(v > 255 ? 255 : v);
    std::string canonical = std::to_string(value);
    if (text == canonical) return {value, std::nullopt};
    return {value, canonical};
}

} // namespace quasar
