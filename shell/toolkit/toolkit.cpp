#include "shell/toolkit/toolkit.h"

#include <atomic>

namespace quasar::ui {

namespace {
std::atomic<Toolkit*> g_instance{nullptr};
}

Toolkit::Toolkit() {
    g_instance.store(this);
}

Toolkit::~Toolkit() {
    Toolkit* self = this;
    g_instance.compare_exchange_strong(self, nullptr);
}

Toolkit* Toolkit::instance() {
    return g_instance.load();
}

std::string Notification::senderName() const {
    if (sender) return sender->name();
    return item;
}

FontSpec fontSpecForId(int fontId) {
    switch (fontId) {
    case 0:
        return {15, false, false};
    case 1:
        return {14, false, true};
    case 2:
        return {18, false, false};
    case 3:
        return {30, false, false};
    case 4:
        return {16, false, false};
    case 5:
        return {20, false, false};
    case 6:
        return {22, false, false};
    case 7:
        return {13, false, false};
    case 8:
        return {12, false, false};
    case 9:
        return {11, false, false};
    case 10:
        return {10, false, false};
    case 11:
        return {28, false, false};
    case 50:
        return {18, true, false};
    default:
        return {14, false, false};
    }
}

} // namespace quasar::ui
