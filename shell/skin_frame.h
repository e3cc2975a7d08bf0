#pragma once
// The skin chooser: a small frame below the main window's "skinbtn" with colour and image
// choices for the main window's background.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "shell/toolkit/toolkit.h"

namespace quasar {

// What a skin-changed receiver gets: flag 1 = colour, 0 = image.
struct SkinChange {
    int flag = 0;
    ui::Argb colour = 0;
    std::string image;
};

// Writes "main.ini" ([SKINIMAGE] FLAGS, IMAGE) in the data root folder (or the given folder).
bool writeSkinIni(int flag, const std::string& image, const std::string& folder = {});

class CSkinFrame : public ui::NotifyReceiver {
public:
    static constexpr const char* kClassName = "UISkinFrame";
    static constexpr const char* kLayout = "skin.xml";
    using Receiver = std::function<void(const SkinChange&)>;

    CSkinFrame(ui::Toolkit& toolkit, ui::Window* owner, Receiver receiver);
    ~CSkinFrame() override;
    bool isValid() const { return window_ != nullptr; }
    ui::Window* window() const { return window_.get(); }

    // Places the frame with its right edge at the anchor's right edge and its top at the anchor's
    // bottom (screen coordinates), then shows it.
    void showBelow(ui::Control* anchor);
    void close();
    bool isOpen() const { return window_ && window_->isVisible(); }
    // True for a moment after the frame closed because it lost the focus: the click that took
    // the focus away was then most likely on "skinbtn", which must not open it again.
    bool closedByFocusJustNow() const;
    void notify(ui::Notification& n) override;

    // Folder of "main.ini"; empty: the data root folder.
    void setIniFolder(std::string folder) { iniFolder_ = std::move(folder); }

private:
    ui::Toolkit& toolkit_;
    std::unique_ptr<ui::Window> window_;
    Receiver receiver_;
    std::string iniFolder_;
    std::chrono::steady_clock::time_point focusClosedAt_{};
};

} // namespace quasar
