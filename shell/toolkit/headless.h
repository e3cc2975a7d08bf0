#pragma once
// The toolkit without a display: the window thread's loop, work posted or sent to it, and timers.
// Windows, menus and the tray icon are not available (their creators answer nullptr), so device
// objects run with no page, as they do in `quasarctl` and in tests.

#include "shell/toolkit/toolkit.h"

#include <memory>

namespace quasar::ui {

class HeadlessToolkit final : public Toolkit {
public:
    HeadlessToolkit();
    ~HeadlessToolkit() override;

    bool hasWindows() const override { return false; }

    std::string skinFolder() const override;
    void setSkinFolder(const std::string& folder) override;
    std::string resolveLayout(const std::string& layout) const override;
    std::unique_ptr<Window> createWindow(const std::string& layout,
                                         const WindowOptions& options = {}) override;
    std::unique_ptr<Menu> createMenu(const std::string& menuFile, Window* owner) override;
    std::unique_ptr<TrayIcon> createTrayIcon(const std::string& iconFile,
                                             const std::string& toolTip) override;

    int runLoop() override;
    void quit(int code = 0) override;
    bool isWindowThread() const override;
    void post(std::function<void()> fn) override;
    bool send(std::function<void()> fn) override;
    void processEvents() override;

    void setTimer(NotifyReceiver* receiver, int id, int ms) override;
    void killTimer(NotifyReceiver* receiver, int id) override;
    void killTimers(NotifyReceiver* receiver) override;

    void reloadTexts() override {}
    bool loadFont(const std::string&) override { return false; }
    void applyFontFace(const std::string&) override {}

    void screenSize(int& width, int& height) const override { width = height = 0; }
    void cursorPos(int& x, int& y) const override { x = y = 0; }
    std::string chooseOpenFile(Window*, const std::string&) override { return {}; }
    std::string chooseSaveFile(Window*, const std::string&, const std::string&) override {
        return {};
    }

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace quasar::ui
