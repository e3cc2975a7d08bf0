#pragma once
// The program's one top-level window and its controller: title bar, tray icon and menu, showing
// and hiding, size fitted to the monitor, language switching, the skin chooser and the secondary
// windows it opens. Device handling plugs in through DeviceHooks.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "shell/language.h"
#include "shell/skin_frame.h"
#include "shell/toolkit/toolkit.h"

namespace quasar {

class CAboutWnd;
class CColorSelectWnd;

// What the window asks of the device side; every member is optional.
struct DeviceHooks {
    // Number of visible device strip items ("No_device_Link" shows while it is 0).
    std::function<int()> visibleDeviceCount;
    // The status poll of mice and keyboards pauses while the window is hidden.
    std::function<void(bool paused)> setStatusPollPaused;
    // Page texts again after a language switch.
    std::function<void()> refreshPageTexts;
    // Start-up step that starts device discovery; without it the window shows itself once
    // initialised, as the discovery thread's first pass would make it.
    std::function<void()> startDevices;
    // Worker shutdown before the window goes.
    std::function<void()> stopDevices;
    // Firmware-check flag (hides "No_device_Link" together with a visible item).
    std::function<bool()> firmwareChecked;
    // The settings window ("setbtn", "setwnd_menu"); centred or near the title bar.
    std::function<void(bool centred)> openSettings;
    // Menu commands the window does not handle itself.
    std::function<void(const std::string& item)> menuCommand;
};

// Result of the monitor rule: DPI 144 when the monitor is wider than 1500 and taller than 960
// pixels, else 96.
int monitorDpi(int monitorWidth, int monitorHeight);

class CMainWnd : public ui::NotifyReceiver {
public:
    static constexpr const char* kClassName = "MainWnd";
    static constexpr const char* kLayout = "XML_MAIN";
    static constexpr int kBaseWidth = 1000;
    static constexpr int kBaseHeight = 640;

    explicit CMainWnd(ui::Toolkit& toolkit);
    ~CMainWnd() override;
    CMainWnd(const CMainWnd&) = delete;
    CMainWnd& operator=(const CMainWnd&) = delete;

    // The process's main window (set by InitWindow), or nullptr.
    static CMainWnd* instance();

    // Builds the window from the main layout and runs InitWindow. False when the layout cannot
    // be built (the caller reports it).
    bool create();
    ui::Window* window() const { return window_.get(); }
    ui::Toolkit& toolkit() const { return toolkit_; }
    DeviceHooks& hooks() { return hooks_; }

    // Called once the window has been shown for the first time (screenshots, benchmarks).
    void setOnFirstShown(std::function<void()> fn) { onFirstShown_ = std::move(fn); }
    // A device page layout shown in "device_switch" without a device (screenshots).
    bool showPreviewPage(const std::string& layout);

    // Window messages (private numbers and the registered ones).
    std::int64_t handleMessage(unsigned msg, std::int64_t wParam, std::int64_t lParam);
    void notify(ui::Notification& n) override;

    // --- operations ---------------------------------------------------------------------------
    void bringToFront();
    void toggleFromTray();
    void hideToTray();
    void fitToMonitor();
    void closeSecondaryWindows();
    void menuCommand(const std::string& item);
    void applySkinChange(const SkinChange& change);
    void openSkinChooser();
    void openAbout();
    // Runs the colour picker for a colour; returns the picker's result (1 chosen, 0 closed, 2 no
    // palette) and the chosen colour through `colour`. Nothing (-1) while one is open.
    int openColourPicker(ui::Argb& colour);
    // Ends the program: closes the secondary windows, stops the devices, removes the tray icon
    // and ends the loop.
    void destroy();

    // --- language -----------------------------------------------------------------------------
    void setLanguage(int index);
    int language() const { return language_; }
    int dpi() const { return dpi_; }
    // The primary screen's size taken at start-up (device settings writes carry it).
    int screenWidth() const { return screenWidth_; }
    int screenHeight() const { return screenHeight_; }
    const std::string& currentFontFace() const { return fontFace_; }

    // State for tests and tools.
    bool trayAvailable() const;
    bool isAboutOpen() const { return about_ != nullptr; }
    bool isColourPickerOpen() const { return picker_ != nullptr; }
    CSkinFrame* skinFrame() const { return skinFrame_.get(); }

private:
    void initWindow();
    void onWindowInit();
    void onTimer(int id);
    void updateNoDeviceLink();
    void setPollPaused(bool paused);
    void openTrayMenu();
    int visibleDevices() const;
    void shownFirstTime();

    ui::Toolkit& toolkit_;
    std::unique_ptr<ui::Window> window_;
    std::unique_ptr<ui::TrayIcon> tray_;
    std::unique_ptr<ui::Menu> trayMenu_;
    std::unique_ptr<ui::Menu> macroMenu_;
    std::unique_ptr<CSkinFrame> skinFrame_;
    CAboutWnd* about_ = nullptr;
    CColorSelectWnd* picker_ = nullptr;
    DeviceHooks hooks_;
    std::function<void()> onFirstShown_;
    bool firstShown_ = false;
    bool initialised_ = false;
    bool destroyed_ = false;
    bool displayChanged_ = false;
    int dpi_ = 96;
    int language_ = -1;
    std::string fontFace_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
};

} // namespace quasar
