#include "shell/skin_frame.h"

#include "platform/trace.h"
#include "profiles/data_folders.h"
#include "shell/ini_file.h"
#include "shell/toolkit/attributes.h"

namespace quasar {

namespace {

bool nameIs(const std::string& a, const char* b) {
    return ui::sameName(a, b);
}

// The file part of an image attribute ("file='a.png' source=..." or a bare path).
std::string imageFile(const std::string& attribute) {
    auto parsed = ui::parseImageAttribute(attribute);
    return parsed ? parsed->file : std::string();
}

} // namespace

bool writeSkinIni(int flag, const std::string& image, const std::string& folder) {
    std::string path = (folder.empty() ? dataRootFolder() : folder) + "main.ini";
    IniFile ini;
    ini.load(path);
    ini.setValue("SKINIMAGE", "FLAGS", std::to_string(flag));
    ini.setValue("SKINIMAGE", "IMAGE", image);
    return ini.save(path);
}

CSkinFrame::CSkinFrame(ui::Toolkit& toolkit, ui::Window* owner, Receiver receiver)
    : toolkit_(toolkit), receiver_(std::move(receiver)) {
    ui::WindowOptions o;
    o.owner = owner;
    o.toolWindow = true;
    o.title = kClassName;
    window_ = toolkit.createWindow(kLayout, o);
    if (window_)
        window_->addNotifier(this);
    else
        trace::printf("skin chooser: layout %s cannot be built\n", kLayout);
}

CSkinFrame::~CSkinFrame() {
    if (window_) window_->removeNotifier(this);
}

void CSkinFrame::showBelow(ui::Control* anchor) {
    if (!window_) return;
    if (anchor && anchor->window()) {
        int x = anchor->x(), y = anchor->y();
        for (ui::Control* p = anchor->parent(); p; p = p->parent()) {
            x += p->x();
            y += p->y();
        }
        ui::Window* w = anchor->window();
        int right = w->x() + x + anchor->width();
        int bottom = w->y() + y + anchor->height();
        window_->move(right - window_->width(), bottom);
    }
    // Shown active, so that it can close again when the focus goes elsewhere.
    window_->bringToFront();
}

bool CSkinFrame::closedByFocusJustNow() const {
    return std::chrono::steady_clock::now() - focusClosedAt_ < std::chrono::milliseconds(300);
}

void CSkinFrame::close() {
    if (window_) window_->hide();
}

void CSkinFrame::notify(ui::Notification& n) {
    if (window_ && n.is("windowdeactivate") && isOpen()) {
        focusClosedAt_ = std::chrono::steady_clock::now();
        close();
        return;
    }
    if (!window_ || !n.is("click") || !n.sender) return;
    std::string name = n.senderName();
    SkinChange change;
    if (nameIs(name, "skin_color")) {
        if (ui::Control* tab = window_->findControl("skin_tab")) tab->selectPage(1);
        return;
    }
    if (nameIs(name, "skin_image")) {
        if (ui::Control* tab = window_->findControl("skin_tab")) tab->selectPage(0);
        return;
    }
    if (nameIs(name, "skin_color_btn")) {
        change.flag = 1;
        change.colour = n.sender->bkColor();
    } else if (nameIs(name, "skin_image_btn")) {
        change.flag = 0;
        change.image = imageFile(n.sender->image(ui::ImageSlot::Background));
        writeSkinIni(1, change.image, iniFolder_);
    } else if (nameIs(name, "skin_reset")) {
        change.flag = 0;
        change.image = "common/background.png";
        writeSkinIni(0, change.image, iniFolder_);
    } else if (nameIs(name, "skin_Custom")) {
        std::string file = toolkit_.chooseOpenFile(window_.get(), "(*.png)|*.png|(*.*)|*.*||");
        if (file.empty()) return; // cancelled: the background stays
        change.flag = 0;
        change.image = file;
    } else if (nameIs(name, "closebtn")) {
        close();
        return;
    } else {
        return;
    }
    if (receiver_) receiver_(change);
}

} // namespace quasar
