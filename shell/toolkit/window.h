#pragma once
// A window built from a layout file. Created by Toolkit::createWindow; used on the window thread
// only. Destroying the Window object destroys the window and all its controls.

#include "shell/toolkit/control.h"
#include "shell/toolkit/notify.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quasar::ui {

class Window {
public:
    virtual ~Window() = default;

    // --- controls ----------------------------------------------------------------------------
    virtual Control* root() = 0;
    // The first control with that name in the window, ignoring case; nullptr if none.
    virtual Control* findControl(std::string_view name) = 0;
    // The first control with that name in parent's sub-tree (parent included), ignoring case.
    virtual Control* findSubControl(Control* parent, std::string_view name) = 0;
    // Loads a layout (a res.xml name or a path relative to the skin folder) into a container,
    // replacing what the container held (a tab layout gains it as a new last page instead; a
    // list row from insertItemRow may be filled this way; lists and combo boxes themselves
    // refuse). Returns the container on success, nullptr when the layout cannot be read (the
    // container then stays as it was).
    virtual Control* loadLayoutInto(Control* container, const std::string& layout) = 0;
    // Loads a layout as one more child of a container, after what it already holds (before
    // trailing spacers of its layout; a container without a layout places it at 0,0 for
    // setFixedPos; a tab layout gains a new last page; a scroll area adds to its content).
    // Several copies of one layout can be appended this way (device cards in a strip). Returns
    // the root control of the new sub-tree, nullptr when the layout cannot be read or the
    // container takes no children (lists and combo boxes: use insertItemRow); the container then
    // stays as it was.
    virtual Control* appendLayoutInto(Control* container, const std::string& layout) = 0;

    // --- notifications -----------------------------------------------------------------------
    virtual void addNotifier(NotifyReceiver* receiver) = 0;
    virtual void removeNotifier(NotifyReceiver* receiver) = 0;
    // Delivers a notification to the receivers now (window thread).
    virtual void sendNotify(Control* sender, const std::string& type, std::int64_t wParam = 0,
                            std::int64_t lParam = 0) = 0;
    virtual void sendNotify(Notification& notification) = 0;

    // --- control timers ----------------------------------------------------------------------
    // Starts (or restarts) timer id of the control: every ms milliseconds the receivers get
    // "timer" from the control with wParam = id, until killTimer. False for a null control.
    virtual bool setTimer(Control* control, int id, int ms) = 0;
    virtual void killTimer(Control* control, int id) = 0;
    virtual void killTimers(Control* control) = 0;

    // --- window messages (the program's private message numbers) -------------------------------
    // The handler answers messages given to sendMessage/postMessage; returns the result.
    using MessageHandler =
        std::function<std::int64_t(unsigned msg, std::int64_t wParam, std::int64_t lParam)>;
    virtual void setMessageHandler(MessageHandler handler) = 0;
    // On the window thread: calls the handler now. From another thread: blocks until the window
    // thread has run it. Returns 0 when there is no handler.
    virtual std::int64_t sendMessage(unsigned msg, std::int64_t wParam = 0,
                                     std::int64_t lParam = 0) = 0;
    // Queues the message for the window thread; safe from any thread while the window lives.
    virtual void postMessage(unsigned msg, std::int64_t wParam = 0, std::int64_t lParam = 0) = 0;

    // --- window ------------------------------------------------------------------------------
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
    virtual bool isMinimized() const = 0;
    virtual void minimize() = 0;
    virtual void maximize() = 0;
    virtual void restore() = 0;
    // Shows, restores and raises the window above the others and activates it.
    virtual void bringToFront() = 0;
    virtual void centre() = 0;
    virtual void move(int x, int y) = 0;
    virtual void resize(int width, int height) = 0;
    virtual int x() const = 0;
    virtual int y() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void setTitle(const std::string& title) = 0;
    virtual std::string title() const = 0;
    // Window icon from a file (relative to the skin folder or absolute).
    virtual void setIcon(const std::string& file) = 0;

    // Asked when the user closes the window from the desktop (not by close()): return false to
    // keep it open. Without a handler the window hides.
    virtual void setCloseRequestHandler(std::function<bool()> handler) = 0;
    // Shows the window modal to its owner and runs a nested loop until close(result); returns the
    // result (0 when the window was closed from the desktop).
    virtual int runModal() = 0;
    // Hides the window and ends runModal with the result.
    virtual void close(int result = 0) = 0;

    // Renders the window's current look (shown or not) to a PNG file.
    virtual bool renderToPng(const std::string& path) = 0;
};

} // namespace quasar::ui
