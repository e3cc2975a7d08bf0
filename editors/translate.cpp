#include "editors/translate.h"

#include <memory>
#include <mutex>

namespace quasar {

namespace {

std::mutex& translatorMutex() {
    static std::mutex m;
    return m;
}

// Held by shared pointer so a look-up in progress keeps its translator alive while another
// thread installs a new one.
std::shared_ptr<const Translator>& translatorSlot() {
    static std::shared_ptr<const Translator> slot;
    return slot;
}

} // namespace

std::string translateKey(std::string_view key) {
    std::shared_ptr<const Translator> t;
    {
        std::lock_guard lock(translatorMutex());
        t = translatorSlot();
    }
    if (!t) return std::string(key);
    return (*t)(key);
}

void setTranslator(Translator translator) {
    std::shared_ptr<const Translator> next;
    if (translator) next = std::make_shared<const Translator>(std::move(translator));
    std::lock_guard lock(translatorMutex());
    translatorSlot() = std::move(next);
}

} // namespace quasar
