#include "platform/trace.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace quasar::trace {

namespace {

std::atomic<int> state{-1}; // -1 not yet decided, 0 off, 1 on
std::mutex outMutex;

bool decide() {
    const char* v = std::getenv("QUASAR_TRACE");
    bool on = v && std::strcmp(v, "1") == 0;
    int expected = -1;
    state.compare_exchange_strong(expected, on ? 1 : 0);
    return state.load() == 1;
}

} // namespace

bool enabled() {
    int s = state.load(std::memory_order_relaxed);
    if (s >= 0) return s == 1;
    return decide();
}

void setEnabled(bool on) { state.store(on ? 1 : 0); }

void vprintf(const char* format, va_list args) {
    if (!enabled()) return;
    std::lock_guard<std::mutex> lock(outMutex);
    std::vfprintf(stderr, format, args);
    std::fflush(stderr);
}

void printf(const char* format, ...) {
    if (!enabled()) return;
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
}

void line(std::string_view text) {
    if (!enabled()) return;
    std::lock_guard<std::mutex> lock(outMutex);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace quasar::trace
