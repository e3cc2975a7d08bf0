#pragma once
// Names of profiles and macros are compared ignoring letter case, also beyond ASCII (a user who
// has "Größe" must not be able to add "GRÖSSE"-like twins that differ only in case).

#include <string>
#include <string_view>
#include <vector>

namespace quasar {

// Simple case folding: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic capitals.
std::u16string foldCase(std::string_view utf8);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// True when name equals (ignoring case) one of names, skipping the index `except`.
bool nameTaken(const std::vector<std::string>& names, std::string_view name, int except = -1);
// True when the text is empty after trimming white space at both ends.
bool isBlankName(std::string_view name);

} // namespace quasar
