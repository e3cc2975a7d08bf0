#include "shell/secondary_windows.h"

#include "devicelink/device_tables.h"
#include "platform/trace.h"
#include "profiles/jsonfileio.h"
#include "shell/toolkit/attributes.h"

namespace quasar {

namespace {

bool nameIs(const std::string& a, const char* b) { return ui::sameName(a, b); }

ui::WindowOptions toolOptions(ui::Window* owner, const char* title) {
    ui::WindowOptions o;
    o.owner = owner;
    o.title = title;
    o.toolWindow = true;
    return o;
}

} // namespace

int acceptedDpi(int dpi, const char* traceText) {
    switch (dpi) {
    case 48: case 72: case 96: case 120: case 144: case 168: case 192: return dpi;
    default:
        if (traceText) trace::line(traceText);
        return 96;
    }
}

bool handleTitleBarClick(ui::Window& window, const ui::Notification& n) {
    if (!n.is("click")) return false;
    std::string name = n.senderName();
    if (nameIs(name, "closebtn")) window.close(0);
    else if (nameIs(name, "minbtn")) window.minimize();
    else if (nameIs(name, "maxbtn")) window.maximize();
    else if (nameIs(name, "restorebtn")) window.restore();
    else if (nameIs(name, "menubtn")) {
    } else return false;
    return true;
}

// ---------------------------------------------------------------------------------- CMsgWnd

CMsgWnd::CMsgWnd(ui::Toolkit& toolkit, ui::Window* owner)
    : window_(toolkit.createWindow(kLayout, toolOptions(owner, "msgwnd"))) {
    if (window_) window_->addNotifier(this);
    else trace::printf("message window: layout %s cannot be built\n", kLayout);
}

CMsgWnd::~CMsgWnd() {
    if (window_) window_->removeNotifier(this);
}

void CMsgWnd::setTexts(const std::string& titleKey, const std::string& textKey,
                       bool textIsFormatted) {
    if (!window_) return;
    if (!titleKey.empty())
        if (ui::Control* c = window_->findControl("MessageTitle")) c->setTextKey(titleKey);
    if (!textKey.empty())
        if (ui::Control* c = window_->findControl("MessageText")) {
            c->setAttribute("showhtml", textIsFormatted ? "true" : "false");
            c->setTextKey(textKey);
        }
}

void CMsgWnd::setButtonsMode(int mode) {
    if (!window_) return;
    ui::Control* cancel = window_->findControl("cancel_btn");
    ui::Control* confirm = window_->findControl("confirm_btn");
    if (mode == 0) {
        if (cancel) cancel->setVisible(false);
        if (confirm) confirm->setVisible(true);
    } else if (mode == 1) {
        if (cancel) cancel->setVisible(true);
        if (confirm) confirm->setVisible(true);
    }
}

void CMsgWnd::setDpi(int dpi) { dpi_ = acceptedDpi(dpi, "MSG_WND DPI SET ERROR"); }

int CMsgWnd::run() {
    if (!window_) return 0;
    window_->centre();
    return window_->runModal() == 1 ? 1 : 0;
}

void CMsgWnd::notify(ui::Notification& n) {
    if (!window_ || !n.is("click")) return;
    std::string name = n.senderName();
    if (nameIs(name, "confirm_btn")) window_->close(1);
    else if (nameIs(name, "cancel_btn")) window_->close(0);
    else handleTitleBarClick(*window_, n);
}

int showMessage(ui::Window* owner, const std::string& titleKey, const std::string& textKey,
                int dpi, bool textIsFormatted, int buttonsMode) {
    ui::Toolkit* tk = ui::Toolkit::instance();
    if (!tk) return 0;
    CMsgWnd msg(*tk, owner);
    if (!msg.isValid()) return 0;
    msg.setTexts(titleKey, textKey, textIsFormatted);
    msg.setDpi(dpi);
    msg.setButtonsMode(buttonsMode);
    return msg.run();
}

// -------------------------------------------------------------------------------- CAboutWnd

CAboutWnd::CAboutWnd(ui::Toolkit& toolkit, ui::Window* owner) {
    ui::WindowOptions o = toolOptions(owner, "  ");
    o.width = 800;
    o.height = 572;
    window_ = toolkit.createWindow(kLayout, o);
    if (window_) window_->addNotifier(this);
    else trace::printf("about window: layout %s cannot be built\n", kLayout);
}

CAboutWnd::~CAboutWnd() {
    if (window_) window_->removeNotifier(this);
}

void CAboutWnd::showVersion() {
    if (!window_) return;
    ui::Control* probe = window_->findControl("text_test");
    ui::Control* label = window_->findControl("software_ver_label");
    std::string text;
    if (probe) {
        probe->setTextKey("software_rev_text");
        text = probe->text();
    }
    if (label) label->setText(text + ProductInfoTable.back().version);
}

void CAboutWnd::languageChanged() {
    showVersion();
    if (window_) window_->root()->invalidate();
}

int CAboutWnd::run() {
    if (!window_) return 0;
    showVersion();
    window_->centre();
    window_->runModal();
    return 0;
}

void CAboutWnd::notify(ui::Notification& n) {
    if (!window_) return;
    if (n.is("click") && nameIs(n.senderName(), "homepage_btn")) return; // no home page yet
    handleTitleBarClick(*window_, n);
}

// -------------------------------------------------------------------------- CColorSelectWnd

CColorSelectWnd::CColorSelectWnd(ui::Toolkit& toolkit, ui::Window* owner,
                                 std::string presetUserPath, std::string presetInstalledPath)
    : store_(presetUserPath.empty() ? ColourPresetStore()
                                    : ColourPresetStore(std::move(presetUserPath),
                                                        std::move(presetInstalledPath))) {
    ui::WindowOptions o = toolOptions(owner, "PalletDialog");
    o.width = 800;
    o.height = 572;
    window_ = toolkit.createWindow(kLayout, o);
    if (window_) window_->addNotifier(this);
    else trace::printf("colour picker: layout %s cannot be built\n", kLayout);
}

CColorSelectWnd::~CColorSelectWnd() {
    if (window_) window_->removeNotifier(this);
}

ui::Control* CColorSelectWnd::find(const std::string& name) const {
    return window_ ? window_->findControl(name) : nullptr;
}

void CColorSelectWnd::setDpi(int dpi) { dpi_ = acceptedDpi(dpi, "SET_WND DPI SET ERROR"); }

void CColorSelectWnd::showFields(ui::Argb c) {
    const char* names[3] = {"color_edit_r", "color_edit_g", "color_edit_b"};
    int shifts[3] = {16, 8, 0};
    for (int i = 0; i < 3; ++i)
        if (ui::Control* f = find(names[i])) f->setText(std::to_string((c >> shifts[i]) & 0xFF));
}

void CColorSelectWnd::setPickerColour(ui::Argb c) {
    if (ui::Control* preview = find("color_show_btn")) {
        preview->setImage(ui::ImageSlot::Background, "");
        preview->setBkColor(c);
    }
    if (ui::Control* pallet = find("Pallet")) pallet->setSelectedColor(c);
    current_ = c;
    showFields(c);
}

void CColorSelectWnd::setMulticolour(bool on) {
    multicolour_ = on;
    if (ui::Control* seven = find("7color")) seven->setSelected(on);
    if (ui::Control* preview = find("color_show_btn"))
        preview->setImage(ui::ImageSlot::Background, on ? "common/base1.png" : "");
}

void CColorSelectWnd::setMulticolourShown(bool shown) {
    if (ui::Control* seven = find("7color")) {
        seven->setEnabled(shown);
        if (!shown) seven->setSelected(false);
    }
    if (ui::Control* layout = find("7color_layout")) layout->setVisible(shown);
}

void CColorSelectWnd::savePresets() {
    for (int i = 0; i < kColourSlots; ++i) {
        if (ui::Control* c = find("color_option_" + std::to_string(i)))
            presets_.swatches[i] = {true, c->bkColor(), {}};
        if (ui::Control* c = find("collect_color_option_" + std::to_string(i)))
            presets_.saved[i] = {true, c->bkColor(), c->userData()};
    }
    store_.save(presets_);
}

void CColorSelectWnd::previewUpdate() {
    if (presets_.savedSelected >= 0) {
        ui::Control* slot = find("collect_color_option_" + std::to_string(presets_.savedSelected));
        if (slot && slot->isSelected()) {
            slot->setBkColor(current_);
            slot->setAttribute("selectedbkcolor", "#" + toHex8(current_));
            slot->setUserData("1");
            slot->setAttribute("bordersize", "0");
            savePresets();
        }
    }
    if (ui::Control* preview = find("color_show_btn")) {
        preview->setImage(ui::ImageSlot::Background, "");
        preview->setBkColor(current_);
    }
    setMulticolour(false);
}

void CColorSelectWnd::initialise() {
    if (!window_ || initialised_) return;
    initialised_ = true;
    presets_ = store_.open();
    for (int i = 0; i < kColourSlots; ++i) {
        ui::Control* sw = find("color_option_" + std::to_string(i));
        if (sw && presets_.swatches[i].present) sw->setBkColor(presets_.swatches[i].argb);
        ui::Control* sv = find("collect_color_option_" + std::to_string(i));
        if (sv && presets_.saved[i].present) {
            sv->setBkColor(presets_.saved[i].argb);
            sv->setUserData(presets_.saved[i].userData);
        }
    }
    if (ui::Control* c = find("color_option_" + std::to_string(presets_.swatchSelected)))
        c->setSelected(true);
    if (ui::Control* c = find("collect_color_option_" + std::to_string(presets_.savedSelected)))
        c->setSelected(true);
    setPickerColour(current_);
    setMulticolour(multicolour_);
}

void CColorSelectWnd::readFieldsIntoColour() {
    const char* names[3] = {"color_edit_r", "color_edit_g", "color_edit_b"};
    int bytes[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        ui::Control* f = find(names[i]);
        ColourField v = readColourField(f ? f->text() : std::string());
        bytes[i] = v.value;
        if (f && v.shown) f->setText(*v.shown);
    }
    current_ = 0xFF000000u + static_cast<ui::Argb>(bytes[0]) * 65536u +
               static_cast<ui::Argb>(bytes[1]) * 256u + static_cast<ui::Argb>(bytes[2]);
    if (ui::Control* pallet = find("Pallet")) pallet->setSelectedColor(current_);
    previewUpdate();
}

int CColorSelectWnd::run() {
    if (!window_) return 0;
    window_->centre();
    return window_->runModal();
}

void CColorSelectWnd::languageChanged() {
    if (window_) window_->root()->invalidate();
}

void CColorSelectWnd::notify(ui::Notification& n) {
    if (!window_) return;
    std::string name = n.senderName();
    std::string prefix;
    int index = -1;
    bool indexed = splitIndexedName(name, prefix, index) && index >= 0 && index < kColourSlots;

    if (n.is("windowinit")) {
        initialise();
    } else if (n.is("selectchanged") && n.sender && nameIs(name, "7color")) {
        multicolour_ = n.sender->isSelected();
        if (ui::Control* preview = find("color_show_btn"))
            preview->setImage(ui::ImageSlot::Background, multicolour_ ? "common/base1.png" : "");
    } else if (n.is("selectchanged") && n.sender && n.sender->isSelected() && indexed &&
               nameIs(prefix, "color_option_")) {
        presets_.swatchSelected = index;
        savePresets();
        current_ = n.sender->bkColor();
        if (ui::Control* pallet = find("Pallet")) pallet->setSelectedColor(current_);
        previewUpdate();
        showFields(current_);
    } else if (n.is("selectchanged") && n.sender && n.sender->isSelected() && indexed &&
               nameIs(prefix, "collect_color_option_")) {
        presets_.savedSelected = index;
        if (n.sender->userData() == "1") {
            savePresets();
            ui::Argb c = n.sender->bkColor();
            if (ui::Control* preview = find("color_show_btn")) {
                preview->setImage(ui::ImageSlot::Background, "");
                preview->setBkColor(c);
            }
            setMulticolour(false);
            if (ui::Control* pallet = find("Pallet")) pallet->setSelectedColor(c);
            showFields(c);
        }
    } else if (n.is("colorchanged") && nameIs(name, "Pallet")) {
        current_ = n.sender ? n.sender->selectedColor() : static_cast<ui::Argb>(n.wParam);
        previewUpdate();
        showFields(current_);
    } else if (n.is("killfocus") &&
               (nameIs(name, "color_edit_r") || nameIs(name, "color_edit_g") ||
                nameIs(name, "color_edit_b"))) {
        readFieldsIntoColour();
    } else if (n.is("click") && nameIs(name, "okbtn")) {
        if (find("Pallet")) {
            ui::Control* preview = find("color_show_btn");
            result_ = preview ? preview->bkColor() : 0;
            window_->close(1);
        } else {
            window_->close(2);
        }
    } else if (n.is("click") && nameIs(name, "laterbtn")) {
        window_->close(0);
    } else {
        handleTitleBarClick(*window_, n);
    }
}

} // namespace quasar
