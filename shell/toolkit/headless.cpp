#include "shell/toolkit/headless.h"

#include "shell/toolkit/blocking_call.h"

#include "platform/program_paths.h"
#include "platform/trace.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace quasar::ui {

namespace {
using Clock = std::chrono::steady_clock;

struct TimerEntry {
    int intervalMs = 0;
    Clock::time_point due;
    std::uint64_t generation = 0; // changes on restart, so a stale firing is recognised
};
} // namespace

struct HeadlessToolkit::State {
    std::thread::id windowThread = std::this_thread::get_id();
    std::mutex mutex;
    std::condition_variable wake;
    WorkQueue queue;
    bool quitRequested = false;
    bool ended = false;     // the loop has ended: sends are refused (nobody would run them)
    bool destroyed = false; // posts are refused
    int exitCode = 0;
    std::map<std::pair<NotifyReceiver*, int>, TimerEntry> timers; // window thread only
    std::uint64_t nextGeneration = 1;
    std::string skin = quasar::skinFolder();
};

HeadlessToolkit::HeadlessToolkit() : state_(std::make_unique<State>()) {}

HeadlessToolkit::~HeadlessToolkit() {
    {
        std::lock_guard lock(state_->mutex);
        state_->ended = true;
        state_->destroyed = true;
        state_->queue.clear(); // releases the promises of blocked senders (see send)
    }
    state_->wake.notify_all();
}

std::string HeadlessToolkit::skinFolder() const {
    return state_->skin;
}

void HeadlessToolkit::setSkinFolder(const std::string& folder) {
    state_->skin = folder;
    if (!state_->skin.empty() && state_->skin.back() != '/') state_->skin += '/';
}

std::string HeadlessToolkit::resolveLayout(const std::string& layout) const {
    if (!layout.empty() && layout.front() == '/') return layout;
    return state_->skin + layout;
}

std::unique_ptr<Window> HeadlessToolkit::createWindow(const std::string& layout,
                                                      const WindowOptions&) {
    trace::printf("toolkit: no windows without a display (%s)\n", layout.c_str());
    return nullptr;
}

std::unique_ptr<Menu> HeadlessToolkit::createMenu(const std::string&, Window*) {
    return nullptr;
}

std::unique_ptr<TrayIcon> HeadlessToolkit::createTrayIcon(const std::string&, const std::string&) {
    return nullptr;
}

bool HeadlessToolkit::isWindowThread() const {
    return std::this_thread::get_id() == state_->windowThread;
}

void HeadlessToolkit::post(std::function<void()> fn) {
    if (!fn) return;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->destroyed) return;
        state_->queue.push_back({std::move(fn), false});
    }
    state_->wake.notify_all();
}

bool HeadlessToolkit::send(std::function<void()> fn) {
    if (!fn) return false;
    if (isWindowThread()) {
        fn();
        return true;
    }
    BlockingCall call(std::move(fn));
    {
        std::lock_guard lock(state_->mutex);
        if (state_->ended) return false;
        state_->queue.push_back({call.takeJob(), true});
    }
    state_->wake.notify_all();
    return call.wait();
}

void HeadlessToolkit::setTimer(NotifyReceiver* receiver, int id, int ms) {
    if (!receiver) return;
    if (ms < 1) ms = 1;
    auto& entry = state_->timers[{receiver, id}];
    entry.intervalMs = ms;
    entry.due = Clock::now() + std::chrono::milliseconds(ms);
    entry.generation = state_->nextGeneration++;
    state_->wake.notify_all();
}

void HeadlessToolkit::killTimer(NotifyReceiver* receiver, int id) {
    state_->timers.erase({receiver, id});
}

void HeadlessToolkit::killTimers(NotifyReceiver* receiver) {
    auto it = state_->timers.lower_bound({receiver, std::numeric_limits<int>::min()});
    while (it != state_->timers.end() && it->first.first == receiver)
        it = state_->timers.erase(it);
}

void HeadlessToolkit::processEvents() {
    // Queued work first (only what is queued now, so work that posts more cannot starve timers).
    WorkQueue work;
    {
        std::lock_guard lock(state_->mutex);
        work.swap(state_->queue);
    }
    while (!work.empty()) {
        auto item = std::move(work.front());
        work.pop_front();
        item.fn();
    }
    // Due timers; a receiver may kill or restart timers while it is notified.
    auto now = Clock::now();
    std::vector<std::pair<std::pair<NotifyReceiver*, int>, std::uint64_t>> due;
    for (auto& [key, entry] : state_->timers)
        if (entry.due <= now) due.push_back({key, entry.generation});
    for (auto& [key, generation] : due) {
        auto it = state_->timers.find(key);
        if (it == state_->timers.end() || it->second.generation != generation) continue;
        // Next firing counts from now: a late loop does not make a burst of catch-up firings.
        it->second.due = now + std::chrono::milliseconds(it->second.intervalMs);
        Notification n;
        n.type = "timer";
        n.wParam = key.second;
        key.first->notify(n);
    }
}

int HeadlessToolkit::runLoop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->quitRequested = false;
        state_->ended = false;
    }
    for (;;) {
        processEvents();
        std::unique_lock lock(state_->mutex);
        if (state_->quitRequested) break;
        if (!state_->queue.empty()) continue;
        Clock::time_point next = Clock::now() + std::chrono::hours(1);
        for (auto& [key, entry] : state_->timers)
            if (entry.due < next) next = entry.due;
        state_->wake.wait_until(lock, next,
                                [&] { return state_->quitRequested || !state_->queue.empty(); });
        if (state_->quitRequested) break;
    }
    WorkQueue dropped;
    int code = 0;
    {
        std::lock_guard lock(state_->mutex);
        state_->ended = true;
        dropped = takeSentWork(state_->queue);
        code = state_->exitCode;
    }
    dropped.clear(); // outside the lock: dropping a sent job wakes its sender
    return code;
}

void HeadlessToolkit::quit(int code) {
    {
        std::lock_guard lock(state_->mutex);
        state_->quitRequested = true;
        state_->exitCode = code;
    }
    state_->wake.notify_all();
}

} // namespace quasar::ui
