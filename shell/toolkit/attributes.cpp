#include "shell/toolkit/attributes.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

namespace quasar::ui {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string slashes(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

// "a,b,c,d" -> four ints; false unless all four parse.
bool parseFour(std::string_view text, int out[4]) {
    int values[4];
    for (int i = 0; i < 4; ++i) {
        text = trim(text);
        int v = 0;
        auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc()) return false;
        values[i] = v;
        text.remove_prefix(static_cast<size_t>(ptr - text.data()));
        text = trim(text);
        if (i < 3) {
            if (text.empty() || text.front() != ',') return false;
            text.remove_prefix(1);
        }
    }
    if (!trim(text).empty()) return false;
    for (int i = 0; i < 4; ++i)
        out[i] = values[i];
    return true;
}

} // namespace

std::optional<ImageAttribute> parseImageAttribute(std::string_view text) {
    text = trim(text);
    if (text.empty()) return std::nullopt;
    ImageAttribute attr;
    if (text.find('=') == std::string_view::npos || text.find('\'') == std::string_view::npos) {
        attr.file = slashes(text);
        return attr;
    }
    // key='value' pairs separated by blanks; unknown keys are ignored.
    while (!text.empty()) {
        text = trim(text);
        size_t eq = text.find('=');
        if (eq == std::string_view::npos) break;
        std::string_view key = trim(text.substr(0, eq));
        text.remove_prefix(eq + 1);
        text = trim(text);
        if (text.empty()) break;
        char quote = text.front();
        std::string_view value;
        if (quote == '\'' || quote == '"') {
            size_t end = text.find(quote, 1);
            if (end == std::string_view::npos)
                return std::nullopt; // unterminated value: the whole attribute is unusable
            value = text.substr(1, end - 1);
            text.remove_prefix(end + 1);
        } else {
            size_t end = text.find(' ');
            value = text.substr(0, end);
            text.remove_prefix(end == std::string_view::npos ? text.size() : end);
        }
        if (key == "file")
            attr.file = slashes(trim(value));
        else if (key == "source")
            attr.hasSource = parseFour(value, attr.source);
        else if (key == "corner")
            parseFour(value, attr.corner);
        else if (key == "fade") {
            int v = 255;
            auto t = trim(value);
            if (std::from_chars(t.data(), t.data() + t.size(), v).ec == std::errc())
                attr.fade = v < 0 ? 0 : (v > 255 ? 255 : v);
        }
    }
    if (attr.file.empty()) return std::nullopt;
    if (attr.hasSource && (attr.source[2] <= attr.source[0] || attr.source[3] <= attr.source[1]))
        attr.hasSource = false; // an empty part means the whole image
    return attr;
}

std::optional<std::uint32_t> parseColor(std::string_view text) {
    text = trim(text);
    if (text.empty()) return std::nullopt;
    int base = 10;
    if (text.front() == '#') {
        text.remove_prefix(1);
        base = 16;
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (ec != std::errc() || ptr != text.data() + text.size() || v > 0xFFFFFFFFull)
        return std::nullopt;
    if (base == 16 && text.size() <= 6) v |= 0xFF000000u;
    return static_cast<std::uint32_t>(v);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace quasar::ui
