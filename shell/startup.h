#pragma once
// The program's start and end around the main window: fonts, registered messages, the main
// window, the wake-up of a second copy, the loop, and the teardown in reverse order.

#include <array>
#include <string>

#include "shell/toolkit/toolkit.h"

namespace quasar {

class SingleInstance;

// The private fonts, relative to the skin folder, in loading order.
inline constexpr std::array<const char*, 4> kMemoryFonts{
    "Font/Simplified_Chinese.ttf", "Font/Predator-Regular.otf", "Font/NotoSansThai-Regular.ttf",
    "Font/NotoSansCJKtc-Regular.otf"};

// Registers the fonts found in the toolkit's skin folder; a missing or rejected file is traced
// and skipped. Returns how many were registered.
int loadMemoryFonts(ui::Toolkit& toolkit);

struct StartOptions {
    std::string screenshotPath; // render the shown window to this PNG and end
    std::string page;           // device page shown without a device: keyboard, mouse, ...
    bool exitAfterShow = false; // print "shown <ms>" once the window shows, then end
};

// The layout of a device page by class word ("keyboard", "mouse", "mousepad", "headset");
// empty when unknown.
std::string devicePageLayout(const std::string& page);

// Runs the program with a toolkit already made. `instance` (the single-instance guard already
// acquired by the caller, or nullptr) is told to wake the window when a second copy starts.
// While the loop runs, SIGTERM, SIGINT and SIGHUP end the program the way "exit" does.
// Returns the exit status: 0, or 1 when the main window cannot be built or a screenshot fails.
int runProgram(ui::Toolkit& toolkit, const StartOptions& options, SingleInstance* instance);

} // namespace quasar
