#include "shell/main_window.h"

#include <array>

#include "editors/translate.h"
#include "platform/trace.h"
#include "profiles/data_folders.h"
#include "shell/messages.h"
#include "shell/secondary_windows.h"
#include "shell/toolkit/attributes.h"

namespace quasar {

namespace {

CMainWnd* gMainWindow = nullptr;

constexpr int kFitTimer = 1011;      // start-up: fit to the monitor
constexpr int kTrayMenuTimer = 1032; // tray right-click: open the menu

constexpr std::array<const char*, 9> kTitleButtons{"closebtn", "maxbtn",       "restorebtn",
                                                   "minbtn",   "skinbtn",      "gamemodebtn",
                                                   "cloudbtn", "smarteyesbtn", "setbtn"};

bool nameIs(const std::string& a, const char* b) {
    return ui::sameName(a, b);
}

// The texts of a language serve the toolkit and every other thread that translates. Each look-up
// holds the texts it started with, so a switch replaces them as a whole without a lock.
void installTexts(ui::Toolkit& toolkit, std::shared_ptr<const LanguageTexts> texts) {
    setTranslator([texts](std::string_view key) { return texts->translate(key); });
    toolkit.setTranslator([texts](const std::string& key) { return texts->translate(key); });
}

} // namespace

int monitorDpi(int monitorWidth, int monitorHeight) {
    int dpi = monitorWidth > 1500 && monitorHeight > 960 ? 144 : 96;
    return acceptedDpi(dpi, "MAIN_WND DPI SET ERROR");
}

CMainWnd::CMainWnd(ui::Toolkit& toolkit) : toolkit_(toolkit) {}

CMainWnd::~CMainWnd() {
    toolkit_.killTimers(this);
    if (gMainWindow == this) toolkit_.setDisplayChangeHandler(nullptr);
    if (skinFrame_) skinFrame_.reset();
    if (tray_) tray_->setMenu(nullptr); // before the menu goes
    if (trayMenu_) trayMenu_->close();
    trayMenu_.reset();
    if (macroMenu_) macroMenu_->close();
    macroMenu_.reset();
    if (window_) window_->removeNotifier(this);
    if (tray_) tray_->hide();
    tray_.reset();
    window_.reset();
    if (gMainWindow == this) gMainWindow = nullptr;
}

CMainWnd* CMainWnd::instance() {
    return gMainWindow;
}

bool CMainWnd::create() {
    ui::WindowOptions o;
    o.title = std::string(kProductString);
    o.width = 800;
    o.height = 572;
    window_ = toolkit_.createWindow(kLayout, o);
    if (!window_) return false;
    window_->hide(); // shown once the first device scan is over
    initWindow();
    return true;
}

void CMainWnd::initWindow() {
    trace::line("InitWindow");
    window_->addNotifier(this);
    window_->setMessageHandler(
        [this](unsigned msg, std::int64_t w, std::int64_t l) { return handleMessage(msg, w, l); });
    // The desktop's close button behaves like the title bar's: the program stays in the tray.
    window_->setCloseRequestHandler([this] {
        hideToTray();
        return false;
    });
    for (const char* name : kTitleButtons)
        if (!window_->findControl(name)) trace::printf("title bar: no %s\n", name);
    gMainWindow = this;
    toolkit_.setDisplayChangeHandler([this] { window_->postMessage(DisplayChangeMessage, 0, 0); });
    window_->setIcon("common/app_icon.png");
    tray_ = toolkit_.createTrayIcon("common/app_icon.png", std::string(kProductString));
    if (tray_) {
        tray_->setHandler([this](ui::TrayIcon::Event e) {
            if (e == ui::TrayIcon::Event::LeftClick)
                handleMessage(TrayCallbackMessage, 0, TrayLeftButtonUp);
            else if (e == ui::TrayIcon::Event::RightClick)
                handleMessage(TrayCallbackMessage, 0, TrayRightButtonUp);
        });
        // The same menu as a right click opens, for notification areas that show only the
        // menu they were given.
        trayMenu_ = toolkit_.createMenu("menu.xml", window_.get());
        if (trayMenu_)
            tray_->setMenu(trayMenu_.get());
        else
            trace::line("tray menu: menu.xml cannot be read");
        tray_->show();
    }
}

bool CMainWnd::trayAvailable() const {
    return tray_ && tray_->isAvailable();
}

void CMainWnd::onWindowInit() {
    if (initialised_) return;
    initialised_ = true;
    setLanguage(loadStoredLanguage());
    toolkit_.screenSize(screenWidth_, screenHeight_);
    window_->hide();
    fitToMonitor(); // size and place it now, so the first show is already right
    toolkit_.setTimer(this, kFitTimer, 100);
    if (hooks_.startDevices) {
        hooks_.startDevices();
    } else {
        // No device discovery: show the window as its first pass would.
        window_->postMessage(programMessages().ProductMessage, 0, 0);
    }
}

void CMainWnd::onTimer(int id) {
    toolkit_.killTimer(this, id);
    if (id == kFitTimer) {
        fitToMonitor();
        window_->root()->invalidate();
    } else if (id == kTrayMenuTimer) {
        openTrayMenu();
    }
}

std::int64_t CMainWnd::handleMessage(unsigned msg, std::int64_t wParam, std::int64_t lParam) {
    if (destroyed_) return 0;
    const ProgramMessages& m = programMessages();
    if (msg != 0 && msg == m.ProductMessage) {
        trace::printf("软件标示 %u，%llxd%llxd\n", msg, static_cast<unsigned long long>(wParam),
                      static_cast<unsigned long long>(lParam));
        bringToFront();
        return 1;
    }
    switch (msg) {
    case LanguageChangedMessage:
        setLanguage(static_cast<int>(wParam));
        if (hooks_.refreshPageTexts) hooks_.refreshPageTexts();
        return 1;
    case ShowSettingProgressMessage:
        if (ui::Control* c = window_->findControl("setting_progress")) c->setVisible(true);
        return 1;
    case 1224:
        trace::line("界面 DPI 1发生变化");
        return 1;
    case DisplayChangeMessage:
        trace::line("显示器分辨率发生变化");
        displayChanged_ = true;
        fitToMonitor();
        return 1;
    case SettingsOpenMessage:
        if (hooks_.openSettings) hooks_.openSettings(true);
        return 1;
    case UpdateBadgeClearMessage:
        if (ui::Control* c = window_->findControl("setbtn"))
            c->setImage(ui::ImageSlot::Foreground, "");
        return 1;
    case TrayCallbackMessage:
        if (lParam == TrayLeftButtonUp) {
            toggleFromTray();
            return 1;
        }
        if (lParam == TrayRightButtonUp) {
            toolkit_.setTimer(this, kTrayMenuTimer, 10);
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}

int CMainWnd::visibleDevices() const {
    return hooks_.visibleDeviceCount ? hooks_.visibleDeviceCount() : 0;
}

void CMainWnd::updateNoDeviceLink() {
    ui::Control* link = window_->findControl("No_device_Link");
    if (!link) return;
    if (visibleDevices() == 0)
        link->setVisible(true);
    else if (!hooks_.firmwareChecked || hooks_.firmwareChecked())
        link->setVisible(false);
}

void CMainWnd::setPollPaused(bool paused) {
    if (hooks_.setStatusPollPaused) hooks_.setStatusPollPaused(paused);
}

void CMainWnd::shownFirstTime() {
    if (firstShown_) return;
    firstShown_ = true;
    if (onFirstShown_) onFirstShown_();
}

void CMainWnd::bringToFront() {
    if (!window_) return;
    trace::line("main window: to the front");
    if (ui::Control* link = window_->findControl("No_device_Link"))
        link->setVisible(visibleDevices() == 0);
    setPollPaused(false);
    window_->restore();
    window_->bringToFront();
    shownFirstTime();
}

void CMainWnd::toggleFromTray() {
    updateNoDeviceLink();
    if (window_->isVisible() && !window_->isMinimized()) {
        closeSecondaryWindows();
        window_->hide();
        setPollPaused(true);
    } else {
        window_->show();
        fitToMonitor();
        window_->restore();
        window_->bringToFront();
        window_->root()->invalidate();
        setPollPaused(false);
        shownFirstTime();
    }
}

void CMainWnd::hideToTray() {
    closeSecondaryWindows();
    // Without a notification area a hidden window could only be found again by starting the
    // program a second time: minimise it instead.
    if (trayAvailable())
        window_->hide();
    else
        window_->minimize();
    setPollPaused(true);
}

void CMainWnd::fitToMonitor() {
    bool shown = window_->isVisible() && !window_->isMinimized();
    if (window_->isVisible() && window_->isMinimized()) window_->restore();
    int w = 0, h = 0;
    toolkit_.screenSize(w, h);
    dpi_ = monitorDpi(w, h);
    // The desktop scales windows for its own DPI; the window keeps its size in the toolkit's
    // pixels and the DPI is handed on to the secondary windows.
    window_->resize(kBaseWidth, kBaseHeight);
    window_->centre();
    if (shown)
        window_->show();
    else
        window_->hide();
}

void CMainWnd::closeSecondaryWindows() {
    if (about_ && about_->window()) about_->window()->close(0);
    if (picker_ && picker_->window()) picker_->window()->close(0);
    if (skinFrame_) skinFrame_->close();
}

void CMainWnd::openTrayMenu() {
    if (trayMenu_ && trayMenu_->isOpen()) trayMenu_->close();
    if (!trayMenu_) trayMenu_ = toolkit_.createMenu("menu.xml", window_.get());
    if (!trayMenu_) {
        trace::line("tray menu: menu.xml cannot be read");
        return;
    }
    trayMenu_->popupAtCursor();
}

void CMainWnd::menuCommand(const std::string& item) {
    if (item == "exit") {
        closeSecondaryWindows();
        destroy();
    } else if (nameIs(item, "about_menu")) {
        openAbout();
    } else if (nameIs(item, "setwnd_menu")) {
        if (hooks_.openSettings) hooks_.openSettings(true);
    } else if (hooks_.menuCommand) {
        hooks_.menuCommand(item);
    }
}

void CMainWnd::destroy() {
    if (destroyed_) return;
    trace::line("退出测试");
    closeSecondaryWindows();
    if (hooks_.stopDevices) hooks_.stopDevices();
    destroyed_ = true;
    toolkit_.killTimers(this);
    if (tray_) tray_->hide();
    window_->hide();
    toolkit_.quit(0);
}

void CMainWnd::applySkinChange(const SkinChange& change) {
    ui::Control* root = window_->findControl("root");
    if (!root) root = window_->root();
    if (change.flag == 1) {
        root->setImage(ui::ImageSlot::Background, "");
        root->setBkColor(change.colour);
    } else {
        root->setBkColor(0);
        // A file the user picked may hold quotes or '=' in its name: hand it on quoted, so it
        // is never read as image attributes.
        std::string attr;
        if (!change.image.empty()) {
            char q = change.image.find('\'') == std::string::npos ? '\'' : '"';
            attr = std::string("file=") + q + change.image + q;
        }
        root->setImage(ui::ImageSlot::Background, attr);
    }
    root->invalidate();
}

void CMainWnd::openSkinChooser() {
    if (skinFrame_ && skinFrame_->isOpen()) {
        skinFrame_->close();
        return;
    }
    if (skinFrame_ && skinFrame_->closedByFocusJustNow()) return; // this click closed it
    if (!skinFrame_)
        skinFrame_ = std::make_unique<CSkinFrame>(
            toolkit_, window_.get(), [this](const SkinChange& c) { applySkinChange(c); });
    if (skinFrame_->isValid()) skinFrame_->showBelow(window_->findControl("skinbtn"));
}

void CMainWnd::openAbout() {
    if (about_) return;
    CAboutWnd about(toolkit_, window_.get());
    if (!about.isValid()) return;
    about_ = &about;
    about.run();
    about_ = nullptr;
}

int CMainWnd::openColourPicker(ui::Argb& colour) {
    if (picker_) return -1;
    CColorSelectWnd picker(toolkit_, window_.get());
    if (!picker.isValid()) return 0;
    picker.setDpi(dpi_);
    picker_ = &picker;
    picker.setPickerColour(colour);
    picker.setMulticolourShown(false);
    int result = picker.run();
    if (result == 1) colour = picker.resultColour();
    picker_ = nullptr;
    return result;
}

bool CMainWnd::showPreviewPage(const std::string& layout) {
    ui::Control* pages = window_->findControl("device_switch");
    if (!pages) return false;
    ui::Control* page = pages->createChild("QWidget", "preview_page");
    if (!page || !window_->loadLayoutInto(page, layout)) {
        if (page) pages->removeChild(page);
        return false;
    }
    pages->selectPage(pages->pageCount() - 1);
    return true;
}

void CMainWnd::setLanguage(int index) {
    if (index == language_) return;
    if (languageSwitchChangesFont(language_, index)) {
        fontFace_ = fontFaceOfLanguage(index);
        toolkit_.applyFontFace(fontFace_);
    }
    language_ = index;
    LanguageEntry entry = languageAt(readLanguageList(), index);
    if (!entry.file.empty()) {
        auto texts = std::make_shared<LanguageTexts>();
        texts->load(toolkit_.skinFolder() + "lang/", entry.file);
        installTexts(toolkit_, std::move(texts));
        toolkit_.reloadTexts();
    }
    // A list that cannot be read gives no identifier: keep the stored choice for next time.
    if (!entry.file.empty() || entry.id != 0) saveLanguageId(entry.id);
    if (window_) window_->root()->invalidate();
    if (about_) about_->languageChanged();
    if (picker_) picker_->languageChanged();
}

void CMainWnd::notify(ui::Notification& n) {
    if (destroyed_) return;
    if (n.is("timer")) {
        if (!n.sender) onTimer(static_cast<int>(n.wParam));
        return;
    }
    std::string name = n.senderName();
    if (n.is("windowinit")) {
        onWindowInit();
    } else if (n.is("windowsize")) {
        if (displayChanged_) {
            displayChanged_ = false;
            fitToMonitor();
        }
    } else if (n.is("menu")) {
        if (!n.sender) {
            menuCommand(n.item);
        } else if (nameIs(name, "macro_action")) {
            if (macroMenu_ && macroMenu_->isOpen()) macroMenu_->close();
            macroMenu_ = toolkit_.createMenu("XML/Menus/macro_action_menu.xml", window_.get());
            if (macroMenu_) macroMenu_->popupAtCursor();
        }
    } else if (n.is("click")) {
        // The skin chooser goes away once the user works elsewhere in the window.
        if (skinFrame_ && skinFrame_->isOpen() && !nameIs(name, "skinbtn")) skinFrame_->close();
        if (nameIs(name, "closebtn"))
            hideToTray();
        else if (nameIs(name, "minbtn"))
            window_->minimize();
        else if (nameIs(name, "maxbtn"))
            window_->maximize();
        else if (nameIs(name, "restorebtn"))
            window_->restore();
        else if (nameIs(name, "skinbtn"))
            openSkinChooser();
        else if (nameIs(name, "setbtn")) {
            if (hooks_.openSettings) hooks_.openSettings(false);
        } else if (nameIs(name, "nodevice_ok_btn"))
            window_->hide();
    }
}

} // namespace quasar
