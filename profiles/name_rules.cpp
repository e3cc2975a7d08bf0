#include "profiles/name_rules.h"

#include "profiles/jsonfileio.h"

namespace quasar {

namespace {
char16_t foldChar(char16_t c) {
    if (c >= u'A' && c <= u'Z') return c + 0x20;
    if (c < 0x80) return c;
    if ((c >= 0x00C0 && c <= 0x00DE && c != 0x00D7)) return c + 0x20;
    if (c == 0x0178) return 0x00FF;
    if (c >= 0x0100 && c <= 0x017F && c != 0x0130 && c != 0x0131 && c != 0x0138 && c != 0x0149 &&
        c != 0x017F) {
        // Latin Extended-A alternates capital/small, with the pairs shifted after U+0138.
        bool upperEven = (c < 0x0138) || (c > 0x0148 && c < 0x0179);
        if (upperEven && c % 2 == 0) return c + 1;
        if (!upperEven && c % 2 == 1) return c + 1;
        return c;
    }
    if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) return c + 0x20;
    if (c >= 0x0410 && c <= 0x042F) return c + 0x20;
    if (c >= 0x0400 && c <= 0x040F) return c + 0x50;
    return c;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
} // namespace

std::u16string foldCase(std::string_view utf8) {
    std::u16string s = fromUtf8(utf8);
    for (char16_t& c : s)
        c = foldChar(c);
    return s;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a == b) return true;
    return foldCase(a) == foldCase(b);
}

bool nameTaken(const std::vector<std::string>& names, std::string_view name, int except) {
    std::u16string folded = foldCase(name);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (static_cast<int>(i) == except) continue;
        if (foldCase(names[i]) == folded) return true;
    }
    return false;
}

bool isBlankName(std::string_view name) {
    for (char c : name)
        if (!isSpace(c)) return false;
    return true;
}

} // namespace quasar
