#include "shell/startup.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <thread>

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "devicelink/device_tables.h"
#include "platform/trace.h"
#include "shell/main_window.h"
#include "shell/messages.h"
#include "shell/single_instance.h"

namespace quasar {

namespace {

double processMilliseconds() {
    // Time since the process started: CLOCK_MONOTONIC now minus the start time from /proc.
    FILE* f = std::fopen("/proc/self/stat", "r");
    if (!f) return -1;
    char buf[1024];
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = '\0';
    const char* p = std::strrchr(buf, ')');
    if (!p) return -1;
    unsigned long long start = 0;
    int field = 2;
    for (const char* q = p + 1; *q && field < 22; ++q)
        if (*q == ' ' && ++field == 22) start = std::strtoull(q + 1, nullptr, 10);
    long hz = sysconf(_SC_CLK_TCK);
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    double now = ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
    return now - static_cast<double>(start) * 1000.0 / static_cast<double>(hz);
}

int gSignalEventFd = -1;

extern "C" void onTerminationSignal(int) {
    std::uint64_t one = 1;
    if (gSignalEventFd >= 0) {
        ssize_t n = write(gSignalEventFd, &one, sizeof one); // async-signal-safe
        (void)n;
    }
}

// SIGTERM, SIGINT and SIGHUP become a request on the window thread to end the way the tray
// menu's "exit" does (the handler only writes to an eventfd; a thread turns that into the call).
class TerminationWatch {
public:
    explicit TerminationWatch(std::function<void()> onSignal) {
        sigFd_ = eventfd(0, EFD_CLOEXEC);
        stopFd_ = eventfd(0, EFD_CLOEXEC);
        if (sigFd_ < 0 || stopFd_ < 0) return;
        gSignalEventFd = sigFd_;
        struct sigaction sa {};
        sa.sa_handler = onTerminationSignal;
        sigemptyset(&sa.sa_mask);
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
        thread_ = std::thread([this, onSignal] {
            pollfd fds[2] = {{sigFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
            for (;;) {
                if (poll(fds, 2, -1) < 0) {
                    if (errno == EINTR) continue;
                    return;
                }
                if (fds[1].revents) return;
                std::uint64_t count = 0;
                if (fds[0].revents && read(sigFd_, &count, sizeof count) == sizeof count) {
                    trace::line("signal: ending");
                    onSignal();
                }
            }
        });
    }
    ~TerminationWatch() {
        struct sigaction sa {};
        sa.sa_handler = SIG_DFL;
        sigemptyset(&sa.sa_mask);
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
        gSignalEventFd = -1;
        if (thread_.joinable()) {
            std::uint64_t one = 1;
            if (write(stopFd_, &one, sizeof one) < 0) trace::line("signal watch: stop failed");
            thread_.join();
        }
        if (sigFd_ >= 0) close(sigFd_);
        if (stopFd_ >= 0) close(stopFd_);
    }

private:
    int sigFd_ = -1;
    int stopFd_ = -1;
    std::thread thread_;
};

} // namespace

int loadMemoryFonts(ui::Toolkit& toolkit) {
    int loaded = 0;
    for (const char* name : kMemoryFonts) {
        std::string path = toolkit.skinFolder() + name;
        if (toolkit.loadFont(path)) ++loaded;
        else trace::printf("font not loaded: %s\n", path.c_str());
    }
    return loaded;
}

std::string devicePageLayout(const std::string& page) {
    static const char* const words[] = {"mouse", "keyboard", "mousepad", "headset"};
    for (size_t i = 0; i < DeviceViewTable.size() && i < std::size(words); ++i)
        if (page == words[i]) return DeviceViewTable[i].pageLayoutFile;
    return {};
}

int runProgram(ui::Toolkit& toolkit, const StartOptions& options, SingleInstance* instance) {
    loadMemoryFonts(toolkit);
    trace::printf("软件标示：%u\n", registerProductMessage());
    registerGuidMessages();

    CMainWnd wnd(toolkit);
    if (!wnd.create()) {
        std::fprintf(stderr,
                     "quasar: the main window cannot be built: layout \"%s\" (%s) is missing or "
                     "damaged\n",
                     CMainWnd::kLayout, toolkit.resolveLayout(CMainWnd::kLayout).c_str());
        return 1;
    }
    wnd.window()->centre();

    int status = 0;
    if (!options.page.empty()) {
        std::string layout = devicePageLayout(options.page);
        if (layout.empty() || !wnd.showPreviewPage(layout)) {
            std::fprintf(stderr, "quasar: page \"%s\" cannot be shown (%s)\n",
                         options.page.c_str(), layout.empty() ? "unknown page" : layout.c_str());
            return 1;
        }
    }
    if (!options.screenshotPath.empty() || options.exitAfterShow) {
        wnd.setOnFirstShown([&] {
            // Let the window lay itself out and paint once before it counts as shown.
            toolkit.post([&] {
                toolkit.processEvents();
                if (options.exitAfterShow) {
                    std::printf("shown %.1f\n", processMilliseconds());
                    std::fflush(stdout);
                }
                if (!options.screenshotPath.empty() &&
                    !wnd.window()->renderToPng(options.screenshotPath)) {
                    std::fprintf(stderr, "quasar: cannot write %s\n",
                                 options.screenshotPath.c_str());
                    status = 1;
                }
                wnd.destroy();
            });
        });
    }
    if (instance) {
        ui::Window* w = wnd.window();
        unsigned product = programMessages().ProductMessage;
        if (!instance->listen([w, product] { w->postMessage(product, 0, 1); }))
            trace::line("single instance: cannot listen for a second copy");
    }

    TerminationWatch watch([&toolkit, &wnd] { toolkit.post([&wnd] { wnd.destroy(); }); });
    int rc = toolkit.runLoop();
    // Teardown in reverse: no more wake-ups, then the window and what it owns.
    if (instance) instance->stopListening();
    return status != 0 ? status : rc;
}

} // namespace quasar
