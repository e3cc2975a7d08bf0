// quasar: the desktop program. One copy per user; a second start brings the first to the front.
//
//   quasar                              run (needs a display)
//   quasar --screenshot FILE [--page P] render the main window (P: keyboard, mouse, mousepad,
//                                       headset) to a PNG and end; offscreen without a display
//   quasar --exit-after-show            print "shown <ms since process start>" and end
//
// The two tool modes run beside a running copy: they take no part in the single-instance rule.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "profiles/data_folders.h"
#include "shell/single_instance.h"
#include "shell/startup.h"
#include "shell/toolkit/qt/qt_toolkit.h"

namespace {

int usage(const char* message) {
    if (message) std::fprintf(stderr, "quasar: %s\n", message);
    std::fprintf(stderr,
                 "usage: quasar [--screenshot FILE [--page keyboard|mouse|mousepad|headset]]\n"
                 "              [--exit-after-show]\n");
    return 2;
}

bool haveDisplay() {
    const char* qpa = std::getenv("QT_QPA_PLATFORM");
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (qpa && *qpa) || (x && *x) || (w && *w);
}

} // namespace

int main(int argc, char** argv) {
    quasar::StartOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--screenshot" && i + 1 < argc) options.screenshotPath = argv[++i];
        else if (a == "--page" && i + 1 < argc) options.page = argv[++i];
        else if (a == "--exit-after-show") options.exitAfterShow = true;
        else if (a == "--help" || a == "-h") return usage(nullptr), 0;
        else return usage(("unknown argument " + a).c_str());
    }
    if (!options.page.empty() && options.screenshotPath.empty())
        return usage("--page needs --screenshot");
    if (!options.page.empty() && quasar::devicePageLayout(options.page).empty())
        return usage(("unknown page " + options.page).c_str());

    bool toolMode = !options.screenshotPath.empty() || options.exitAfterShow;
    if (toolMode) {
        if (!haveDisplay()) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else if (!haveDisplay()) {
        std::fprintf(stderr, "quasar: no display (DISPLAY and WAYLAND_DISPLAY are unset); "
                             "quasar --screenshot FILE renders the window without one\n");
        return 1;
    }

    quasar::SingleInstance instance{std::string(quasar::kProductString)};
    if (!toolMode && instance.acquire() == quasar::SingleInstance::Role::Second) {
        // Another copy runs: wake it and end without a window.
        instance.wakeFirst();
        return 0;
    }

    auto toolkit = quasar::ui::createQtToolkit(argc, argv);
    int rc = quasar::runProgram(*toolkit, options, toolMode ? nullptr : &instance);
    toolkit.reset();
    return rc;
}
