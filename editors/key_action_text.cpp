#include "editors/key_action_text.h"

#include <charconv>
#include <cstdio>

namespace quasar {

namespace {

// Whole-string unsigned parse in `base`; no sign, no spaces, no empty text.
std::optional<std::uint32_t> parseUnsigned(std::string_view s, int base) {
    if (s.empty()) return std::nullopt;
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

} // namespace

std::string formatKeyAction(KeyAction a) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%02x.%02x.%02x", a.kind, a.p1, a.p2);
    return buf;
}

std::optional<KeyAction> parseKeyAction(std::string_view text) {
    if (text.find('.') != std::string_view::npos) {
        std::uint8_t bytes[3];
        for (int i = 0; i < 3; ++i) {
            const std::size_t dot = text.find('.');
            const std::string_view part = i < 2 ? text.substr(0, dot) : text;
            if ((i < 2 && dot == std::string_view::npos) || part.size() > 2) return std::nullopt;
            const auto v = parseUnsigned(part, 16);
            if (!v) return std::nullopt;
            bytes[i] = static_cast<std::uint8_t>(*v);
            if (i < 2) text.remove_prefix(dot + 1);
        }
        return KeyAction{bytes[0], bytes[1], bytes[2]};
    }
    std::optional<std::uint32_t> v;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        v = parseUnsigned(text.substr(2), 16);
    else
        v = parseUnsigned(text, 10);
    if (!v || *v > 0xFFFFFF) return std::nullopt;
    return actionFromInt(*v);
}

} // namespace quasar
