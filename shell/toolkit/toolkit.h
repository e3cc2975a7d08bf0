#pragma once
// The window toolkit: windows from layout files, menus, the tray icon, the window thread's loop,
// work handed to the window thread, timers, language texts and fonts.
//
// One toolkit exists per process, created by the program's main (the Qt one for `quasar`, the
// headless one for `quasarctl` and tests without a display) and reachable as Toolkit::instance().
// The thread that creates it is the window thread.

#include "shell/toolkit/control.h"
#include "shell/toolkit/notify.h"
#include "shell/toolkit/window.h"

#include <functional>
#include <memory>
#include <string>

namespace quasar::ui {

struct WindowOptions {
    Window* owner = nullptr; // secondary windows: modal to and centred on the owner
    std::string title;
    int width = 0; // 0: the layout's own size
    int height = 0;
    bool frameless = true;   // the layouts draw their own title bar
    bool toolWindow = false; // no task-bar entry (secondary windows)
};

// A pop-up menu made from a menu layout file. Choosing an element raises "menu" on the owner
// window with sender nullptr and `item` = the element's name.
class Menu {
public:
    virtual ~Menu() = default;
    // Opens at a screen position (non-blocking).
    virtual void popup(int x, int y) = 0;
    virtual void popupAtCursor() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Element names in order.
    virtual std::vector<std::string> itemNames() const = 0;
    // Acts as if the user chose the element (for keyboard shortcuts and tests). False if unknown.
    virtual bool choose(const std::string& itemName) = 0;
};

// The notification-area icon.
class TrayIcon {
public:
    enum class Event { LeftClick, RightClick, DoubleClick };
    virtual ~TrayIcon() = default;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual void setToolTip(const std::string& text) = 0;
    virtual void setIcon(const std::string& file) = 0;
    // Called on the window thread.
    virtual void setHandler(std::function<void(Event)> handler) = 0;
    // The menu the desktop opens on the icon itself (some notification areas show only a menu
    // they were given). While one is set, a right click opens it and raises no RightClick.
    // nullptr: none. The menu must outlive the setting.
    virtual void setMenu(Menu* menu) = 0;
    // False when the desktop has no notification area.
    virtual bool isAvailable() const = 0;
};

class Toolkit {
public:
    virtual ~Toolkit();

    // The process's toolkit, or nullptr before one was created. A toolkit registers itself on
    // construction and unregisters on destruction.
    static Toolkit* instance();

    // True for a toolkit that can show windows.
    virtual bool hasWindows() const = 0;

    // --- skin and layouts --------------------------------------------------------------------
    // The folder layouts, images and "res.xml" are read from (ends in "/"). Setting it reloads
    // the "res.xml" index found there.
    virtual std::string skinFolder() const = 0;
    virtual void setSkinFolder(const std::string& folder) = 0;
    // A res.xml name ("XML_MAIN") or a path relative to the skin folder -> absolute file path.
    virtual std::string resolveLayout(const std::string& layout) const = 0;

    // A window built from a layout. nullptr (with a trace) when the layout cannot be read, or
    // when the toolkit has no windows. "windowinit" is raised once the receivers can be added:
    // on the first turn of the loop after creation.
    virtual std::unique_ptr<Window> createWindow(const std::string& layout,
                                                 const WindowOptions& options = {}) = 0;
    // A pop-up menu from a menu layout file; nullptr when it cannot be read.
    virtual std::unique_ptr<Menu> createMenu(const std::string& menuFile, Window* owner) = 0;
    virtual std::unique_ptr<TrayIcon> createTrayIcon(const std::string& iconFile,
                                                     const std::string& toolTip) = 0;

    // --- the window thread ---------------------------------------------------------------------
    // Runs the loop until quit(); returns quit's code.
    virtual int runLoop() = 0;
    // Ends runLoop (from any thread).
    virtual void quit(int code = 0) = 0;
    virtual bool isWindowThread() const = 0;
    // Runs fn on the window thread later (from any thread). Work posted while no loop runs waits
    // for the next runLoop or processEvents.
    virtual void post(std::function<void()> fn) = 0;
    // Runs fn on the window thread and waits for it; runs it at once on the window thread.
    // Returns false (fn not run) when the loop has ended (or ends before running it), so a
    // worker never hangs on a window thread that has stopped.
    virtual bool send(std::function<void()> fn) = 0;
    // Runs queued work and due timers without waiting (tests, long operations on the window
    // thread).
    virtual void processEvents() = 0;

    // Timers of objects that are not controls (device objects with or without a page): every
    // ms milliseconds receiver gets "timer" with sender nullptr and wParam = id, on the window
    // thread, until killTimer. Setting an existing (receiver, id) restarts it. Call these on the
    // window thread (from a worker: through post).
    virtual void setTimer(NotifyReceiver* receiver, int id, int ms) = 0;
    virtual void killTimer(NotifyReceiver* receiver, int id) = 0;
    // Kills every timer of the receiver (call before the receiver is destroyed).
    virtual void killTimers(NotifyReceiver* receiver) = 0;

    // --- language texts and fonts --------------------------------------------------------------
    using Translator = std::function<std::string(const std::string& key)>;
    // Texts given as language keys ("textkey", "tooltipkey", setTextKey) pass through it.
    void setTranslator(Translator translator) { translator_ = std::move(translator); }
    // The key itself when no translator is set.
    std::string translate(const std::string& key) const {
        return translator_ ? translator_(key) : key;
    }
    // Re-applies every language-key text of every window and menu (after a language switch).
    virtual void reloadTexts() = 0;
    // Registers a font file for this process; false when it cannot be read or is rejected.
    virtual bool loadFont(const std::string& path) = 0;
    // The font face every window uses from now on (font ids keep their sizes).
    virtual void applyFontFace(const std::string& face) = 0;

    // --- desktop -----------------------------------------------------------------------------
    // Called on the window thread when the screens change (a resolution changes, a monitor comes
    // or goes); an empty handler removes it.
    void setDisplayChangeHandler(std::function<void()> handler) {
        displayChange_ = std::move(handler);
    }
    // Size of the primary screen in pixels (0, 0 without a display).
    virtual void screenSize(int& width, int& height) const = 0;
    virtual void cursorPos(int& x, int& y) const = 0;
    // File dialogs; "" when cancelled. filter like "Profile Files(*.json)".
    virtual std::string chooseOpenFile(Window* owner, const std::string& filter) = 0;
    virtual std::string chooseSaveFile(Window* owner, const std::string& filter,
                                       const std::string& suggestedName) = 0;

protected:
    Toolkit();
    void displayChanged() {
        if (displayChange_) displayChange_();
    }

private:
    Translator translator_;
    std::function<void()> displayChange_;
};

// Font ids of the layouts' "font" attribute -> pixel size and style.
struct FontSpec {
    int pixelSize = 14;
    bool bold = false;
    bool underline = false;
};
FontSpec fontSpecForId(int fontId);

} // namespace quasar::ui
