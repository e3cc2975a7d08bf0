#pragma once
// The language look-up every displayed name passes through. Until a language is plugged in, and
// for any key the language lacks, a key reads as itself.

#include <functional>
#include <string>
#include <string_view>

namespace quasar {

using Translator = std::function<std::string(std::string_view)>;

// Text of `key` in the current language; the key itself when there is no translator.
std::string translateKey(std::string_view key);

// Installs the language look-up (an empty function restores the identity). Safe to call while
// other threads translate; meant to be set at start-up and on a language change.
void setTranslator(Translator translator);

} // namespace quasar
