#pragma once
// The small modal windows of the program: the message window, the about window and the colour
// picker. Each is a tool window owned by the main window (or the window given), centred and run
// modally; the caller reads the result it was closed with.

#include <cstdint>
#include <memory>
#include <string>

#include "profiles/side_stores.h"
#include "shell/colour_field.h"
#include "shell/toolkit/toolkit.h"

namespace quasar {

// The DPI values a window accepts; any other value is traced with traceText and gives 96.
int acceptedDpi(int dpi, const char* traceText);

// Handles what every secondary window's title bar offers: "closebtn" closes with 0, "minbtn",
// "maxbtn", "restorebtn" minimise, maximise, restore; "menubtn" nothing. True when handled.
bool handleTitleBarClick(ui::Window& window, const ui::Notification& n);

// The modal message window. Returns 1 when confirmed, 0 otherwise (also when the layout is
// missing: a question nobody could answer is not confirmed).
// buttonsMode 0: only "confirm_btn"; 1: "confirm_btn" and "cancel_btn"; other: as laid out.
int showMessage(ui::Window* owner, const std::string& titleKey, const std::string& textKey,
                int dpi = 96, bool textIsFormatted = false, int buttonsMode = 0);

class CMsgWnd : public ui::NotifyReceiver {
public:
    static constexpr const char* kClassName = "MsgWnd";
    static constexpr const char* kLayout = "XML_MSG";

    explicit CMsgWnd(ui::Toolkit& toolkit, ui::Window* owner);
    ~CMsgWnd() override;
    bool isValid() const { return window_ != nullptr; }
    ui::Window* window() const { return window_.get(); }
    void setTexts(const std::string& titleKey, const std::string& textKey, bool textIsFormatted);
    void setButtonsMode(int mode);
    void setDpi(int dpi);
    int dpi() const { return dpi_; }
    int run(); // centres and runs modally
    void notify(ui::Notification& n) override;

private:
    std::unique_ptr<ui::Window> window_;
    int dpi_ = 96;
};

class CAboutWnd : public ui::NotifyReceiver {
public:
    static constexpr const char* kClassName = "AboutWnd";
    static constexpr const char* kLayout = "AboutWnd.xml";

    CAboutWnd(ui::Toolkit& toolkit, ui::Window* owner);
    ~CAboutWnd() override;
    bool isValid() const { return window_ != nullptr; }
    ui::Window* window() const { return window_.get(); }
    // Fills "software_ver_label" from "text_test" (the text of "software_rev_text") + version.
    void showVersion();
    // Language switch: texts again.
    void languageChanged();
    int run();
    void notify(ui::Notification& n) override;

private:
    std::unique_ptr<ui::Window> window_;
};

class CColorSelectWnd : public ui::NotifyReceiver {
public:
    static constexpr const char* kClassName = "ColorSelectWnd";
    static constexpr const char* kLayout = "PalletDialog.xml";

    // presetUserPath/presetInstalledPath empty: the default places.
    CColorSelectWnd(ui::Toolkit& toolkit, ui::Window* owner, std::string presetUserPath = {},
                    std::string presetInstalledPath = {});
    ~CColorSelectWnd() override;
    bool isValid() const { return window_ != nullptr; }
    ui::Window* window() const { return window_.get(); }

    void setDpi(int dpi);
    int dpi() const { return dpi_; }
    void setPickerColour(ui::Argb colour);
    void setMulticolour(bool on);
    void setMulticolourShown(bool shown);
    ui::Argb currentColour() const { return current_; }
    bool multicolour() const { return multicolour_; }
    // The colour chosen when the window closed with 1.
    ui::Argb resultColour() const { return result_; }
    const ColourPresetValues& presets() const { return presets_; }

    // Loads the presets and shows them (what "windowinit" does; callable before run()).
    void initialise();
    int run();
    void languageChanged();
    void notify(ui::Notification& n) override;

private:
    ui::Control* find(const std::string& name) const;
    void showFields(ui::Argb colour);
    void previewUpdate();
    void savePresets();
    void readFieldsIntoColour();

    std::unique_ptr<ui::Window> window_;
    ColourPresetStore store_;
    ColourPresetValues presets_;
    bool initialised_ = false;
    int dpi_ = 96;
    ui::Argb current_ = 0xFFFFFFFF;
    ui::Argb result_ = 0;
    bool multicolour_ = false;
};

} // namespace quasar
