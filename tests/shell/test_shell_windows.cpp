// The main window frame and the secondary windows as real Qt windows (offscreen), built from the
// program's own skin.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHash>
#include <QImage>
#include <QMenu>

#include <filesystem>
#include <fstream>

#include "platform/program_paths.h"
#include "profiles/jsonfileio.h"
#include "shell/ini_file.h"
#include "shell/main_window.h"
#include "shell/messages.h"
#include "shell/secondary_windows.h"
#include "shell/toolkit/attributes.h"
#include "shell/toolkit/qt/qt_toolkit.h"
#include "support/temp_dir.h"

using quasar::testing::ScopedEnv;
using quasar::testing::TempDir;
namespace ui = quasar::ui;

namespace {

ui::Toolkit* gToolkit = nullptr;

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_shell_windows";
        static char* argv[] = {name, nullptr};
        toolkit_ = ui::createQtToolkit(argc, argv);
        gToolkit = toolkit_.get();
        quasar::registerProductMessage();
        quasar::registerGuidMessages();
    }
    void TearDown() override {
        gToolkit = nullptr;
        toolkit_.reset();
    }

private:
    std::unique_ptr<ui::Toolkit> toolkit_;
};

const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Runs the loop until done() holds or about ten seconds passed.
template <class F> bool pump(F done) {
    for (int i = 0; i < 2000; ++i) {
        gToolkit->processEvents();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

void click(ui::Window* w, const char* name) {
    ui::Control* c = w->findControl(name);
    ASSERT_NE(c, nullptr) << name;
    w->sendNotify(c, "click");
}

std::string langText(const std::string& file, const std::string& key) {
    Json::Value doc = quasar::JsonFileIo().readJsonFile(quasar::skinFolder() + "lang/" + file);
    return doc[key].asString();
}

// Every test gets its own settings and data folders.
class ShellWindows : public ::testing::Test {
protected:
    TempDir config, data;
    ScopedEnv cfg{"XDG_CONFIG_HOME", config.path()};
    ScopedEnv dat{"XDG_DATA_HOME", data.path()};
};

} // namespace

TEST_F(ShellWindows, LayoutsCarryEveryControlNameTheShellUses) {
    struct Layout {
        const char* file;
        std::vector<std::string> names;
    };
    std::vector<Layout> layouts = {
        {"XML_MAIN",
         {"root", "closebtn", "maxbtn", "restorebtn", "minbtn", "skinbtn", "gamemodebtn",
          "cloudbtn", "smarteyesbtn", "setbtn", "No_device_Link", "nodevice_ok_btn",
          "device_switch", "setting_progress", "control_light_status"}},
        {"XML_MSG", {"MessageTitle", "MessageText", "confirm_btn", "cancel_btn", "closebtn"}},
        {"AboutWnd.xml", {"text_test", "software_ver_label", "homepage_btn", "closebtn"}},
        {"PalletDialog.xml",
         {"Pallet", "color_show_btn", "color_edit_r", "color_edit_g", "color_edit_b", "7color",
          "7color_layout", "okbtn", "closebtn", "laterbtn"}},
        {"skin.xml",
         {"skin_color", "skin_image", "skin_tab", "skin_color_btn", "skin_image_btn", "skin_reset",
          "skin_Custom"}},
    };
    for (int i = 0; i < 20; ++i) {
        layouts[3].names.push_back("color_option_" + std::to_string(i));
        layouts[3].names.push_back("collect_color_option_" + std::to_string(i));
    }
    for (const Layout& l : layouts) {
        auto w = gToolkit->createWindow(l.file);
        ASSERT_NE(w, nullptr) << l.file;
        for (const std::string& n : l.names)
            EXPECT_NE(w->findControl(n), nullptr) << l.file << ": " << n;
    }
    // Combo items of a page carry their user data and show their language texts.
    auto english = std::make_shared<quasar::LanguageTexts>();
    ASSERT_TRUE(english->load(quasar::skinFolder() + "lang/", "en.json"));
    gToolkit->setTranslator([english](const std::string& k) { return english->translate(k); });
    auto page = gToolkit->createWindow("XML/CustomControlXML/KeySetControl.xml");
    gToolkit->setTranslator(nullptr);
    ASSERT_NE(page, nullptr);
    ui::Control* functions = page->findControl("keyset_function_combo");
    ASSERT_NE(functions, nullptr);
    ASSERT_EQ(functions->itemCount(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(functions->itemUserData(i), std::to_string(i));
        std::string key = functions->itemTextKey(i);
        ASSERT_FALSE(key.empty()) << i;
        EXPECT_EQ(functions->itemText(i), english->translate(key)) << key;
        EXPECT_NE(functions->itemText(i), key); // English has a text for it
    }

    auto owner = gToolkit->createWindow("XML_MAIN");
    auto menu = gToolkit->createMenu("menu.xml", owner.get());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->itemNames(), (std::vector<std::string>{"about_menu", "setwnd_menu", "exit"}));
}

TEST_F(ShellWindows, StartsHiddenThenShowsWithNoDeviceAndHidesAndReturnsFromTheTray) {
    quasar::CMainWnd wnd(*gToolkit);
    ASSERT_TRUE(wnd.create());
    ui::Window* w = wnd.window();
    EXPECT_FALSE(w->isVisible()); // nothing shows before start-up is through
    EXPECT_EQ(w->title(), "Brimlet Quasar+ 88-Key RGB Keyboard");
    bool shownCalled = false;
    wnd.setOnFirstShown([&] { shownCalled = true; });
    ASSERT_TRUE(pump([&] { return w->isVisible(); }));
    EXPECT_TRUE(shownCalled);
    EXPECT_EQ(w->width(), 1000);
    EXPECT_EQ(w->height(), 640);
    ASSERT_NE(w->findControl("No_device_Link"), nullptr);
    EXPECT_TRUE(w->findControl("No_device_Link")->isVisible());
    // The frame shows its title bar laid out across the window, not an empty background.
    for (const char* name :
         {"title_bar", "closebtn", "minbtn", "skinbtn", "setbtn", "nodevice_ok_btn"}) {
        ui::Control* c = w->findControl(name);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_TRUE(c->isVisible()) << name;
    }
    EXPECT_EQ(w->findControl("title_bar")->width(), 1000);
    EXPECT_GT(w->findControl("closebtn")->x(), 500);

    bool paused = false;
    wnd.hooks().setStatusPollPaused = [&](bool p) { paused = p; };
    click(w, "closebtn");
    pump([&] { return !w->isVisible() || w->isMinimized(); });
    EXPECT_TRUE(!w->isVisible() || w->isMinimized());
    EXPECT_TRUE(paused);

    wnd.handleMessage(quasar::TrayCallbackMessage, 0, quasar::TrayLeftButtonUp);
    pump([&] { return w->isVisible() && !w->isMinimized(); });
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->isMinimized());
    EXPECT_FALSE(paused);

    // A second copy's wake-up arrives as ProductMessage and restores a minimised window.
    click(w, "minbtn");
    pump([&] { return w->isMinimized(); });
    w->postMessage(quasar::programMessages().ProductMessage, 0, 1);
    EXPECT_TRUE(pump([&] { return w->isVisible() && !w->isMinimized(); }));
}

TEST_F(ShellWindows, LanguageSwitchChangesTextsAndIsRememberedAcrossARestart) {
    std::string key;
    std::string english, german;
    quasar::SettingsKey stored("Brimlet Quasar+ 88-Key RGB Keyboard keyboard");
    ASSERT_TRUE(stored.writeNumber("LANGUAGE", 2052)); // no language carries it
    {
        quasar::CMainWnd wnd(*gToolkit);
        ASSERT_TRUE(wnd.create());
        ASSERT_TRUE(pump([&] { return wnd.window()->isVisible(); }));
        EXPECT_EQ(wnd.language(), 0);
        EXPECT_EQ(stored.readNumber("LANGUAGE").value_or(0), 1033u); // the first one written back
        ui::Control* label = wnd.window()->findControl("nodevice_title");
        ASSERT_NE(label, nullptr);
        key = label->textKey();
        ASSERT_FALSE(key.empty());
        english = langText("en.json", key);
        german = langText("de.json", key);
        ASSERT_FALSE(english.empty());
        ASSERT_NE(english, german);
        EXPECT_EQ(label->text(), english);

        wnd.handleMessage(quasar::LanguageChangedMessage, 1, 0);
        EXPECT_EQ(wnd.language(), 1);
        EXPECT_EQ(label->text(), german);
        EXPECT_EQ(wnd.currentFontFace(), "Verdana Unicode MS"); // left index 0's own face
        EXPECT_EQ(stored.readNumber("LANGUAGE").value_or(0), 1031u);
    }
    quasar::CMainWnd again(*gToolkit);
    ASSERT_TRUE(again.create());
    ASSERT_TRUE(pump([&] { return again.window()->isVisible(); }));
    EXPECT_EQ(again.language(), 1);
    EXPECT_EQ(again.window()->findControl("nodevice_title")->text(), german);
    again.setLanguage(0);
    EXPECT_EQ(again.window()->findControl("nodevice_title")->text(), english);
}

TEST_F(ShellWindows, ColourPickerClampsItsFieldsAndStartsTheUsersPresetFile) {
    TempDir presets;
    std::string installed = quasar::defaultDataFolder() + "color_option_info.config";
    std::string user = presets.file("color_option_info.config");
    quasar::CColorSelectWnd picker(*gToolkit, nullptr, user, installed);
    ASSERT_TRUE(picker.isValid());
    picker.setPickerColour(0xFF102030);
    picker.initialise();
    EXPECT_EQ(quasar::JsonFileIo().readFileText(user),
              quasar::JsonFileIo().readFileText(installed));
    ui::Window* w = picker.window();
    EXPECT_EQ(w->findControl("color_edit_g")->text(), "32");

    struct Case {
        const char* field;
        const char* typed;
        const char* shown;
        ui::Argb colour;
    } cases[] = {
        {"color_edit_g", "300", "255", 0xFF10FF30},
        {"color_edit_b", "", "0", 0xFF10FF00},
        {"color_edit_r", "-7", "0", 0xFF00FF00},
        {"color_edit_r", "171", "171", 0xFFABFF00},
    };
    for (const Case& c : cases) {
        ui::Control* f = w->findControl(c.field);
        f->setText(c.typed);
        w->sendNotify(f, "killfocus");
        EXPECT_EQ(f->text(), c.shown) << c.field << " " << c.typed;
        EXPECT_EQ(picker.currentColour(), c.colour) << c.field << " " << c.typed;
        EXPECT_EQ(w->findControl("Pallet")->selectedColor() & 0xFFFFFF, c.colour & 0xFFFFFF);
    }

    // Confirming hands back the preview's colour.
    gToolkit->post([w] { w->sendNotify(w->findControl("okbtn"), "click"); });
    EXPECT_EQ(picker.run(), 1);
    EXPECT_EQ(picker.resultColour() & 0xFFFFFF, 0xABFF00u);
}

TEST_F(ShellWindows, ColourPickerSwatchChoiceIsStoredInTheUsersFile) {
    TempDir presets;
    std::string user = presets.file("color_option_info.config");
    std::ofstream(user) << "{ damaged"; // reads as missing: the installed presets are used
    quasar::CColorSelectWnd picker(*gToolkit, nullptr, user,
                                   quasar::defaultDataFolder() + "color_option_info.config");
    picker.initialise();
    ui::Window* w = picker.window();
    EXPECT_EQ(w->findControl("color_option_0")->bkColor() & 0xFFFFFF,
              picker.presets().swatches[0].argb & 0xFFFFFF);
    EXPECT_TRUE(picker.presets().swatches[0].present);
    EXPECT_EQ(quasar::JsonFileIo().readFileText(user),
              quasar::JsonFileIo().readFileText(quasar::defaultDataFolder() +
                                                "color_option_info.config"));
    ui::Control* swatch = w->findControl("color_option_3");
    swatch->setSelected(true);
    w->sendNotify(swatch, "selectchanged");
    EXPECT_EQ(picker.currentColour() & 0xFFFFFF, swatch->bkColor() & 0xFFFFFF);
    EXPECT_EQ(w->findControl("color_edit_r")->text(),
              std::to_string((swatch->bkColor() >> 16) & 0xFF));
    Json::Value doc = quasar::JsonFileIo().readJsonFile(user);
    EXPECT_EQ(doc["coloroptioninfo"]["palletDialogcoloroption_selectitem"].asInt(), 3);
}

TEST_F(ShellWindows, MessageWindowButtonsAndResults) {
    struct Case {
        int mode;
        const char* press;
        int result;
        bool cancelShown;
    } cases[] = {{0, "confirm_btn", 1, false},
                 {0, "closebtn", 0, false},
                 {1, "cancel_btn", 0, true},
                 {1, "confirm_btn", 1, true}};
    for (const Case& c : cases) {
        quasar::CMsgWnd msg(*gToolkit, nullptr);
        ASSERT_TRUE(msg.isValid());
        std::string layoutTitle = msg.window()->findControl("MessageTitle")->text();
        msg.setTexts("", "message_text_5", false);
        msg.setButtonsMode(c.mode);
        EXPECT_EQ(msg.window()->findControl("cancel_btn")->isVisible(), c.cancelShown);
        EXPECT_EQ(msg.window()->findControl("MessageTitle")->text(),
                  layoutTitle); // empty title key
        EXPECT_EQ(msg.window()->findControl("MessageText")->textKey(), "message_text_5");
        ui::Window* w = msg.window();
        const char* press = c.press;
        gToolkit->post([w, press] { w->sendNotify(w->findControl(press), "click"); });
        EXPECT_EQ(msg.run(), c.result) << c.mode << " " << c.press;
    }
    quasar::CMsgWnd dpi(*gToolkit, nullptr);
    dpi.setDpi(100);
    EXPECT_EQ(dpi.dpi(), 96);
    dpi.setDpi(144);
    EXPECT_EQ(dpi.dpi(), 144);
}

TEST_F(ShellWindows, AboutShowsTheRevisionTextAndVersion) {
    quasar::CAboutWnd about(*gToolkit, nullptr);
    ASSERT_TRUE(about.isValid());
    about.showVersion();
    std::string rev = about.window()->findControl("text_test")->text();
    EXPECT_FALSE(rev.empty());
    EXPECT_EQ(about.window()->findControl("software_ver_label")->text(), rev + "V1.0.0.0");
}

TEST_F(ShellWindows, SkinChooserRecolorsTheRootAndWritesMainIni) {
    quasar::CMainWnd wnd(*gToolkit);
    ASSERT_TRUE(wnd.create());
    ASSERT_TRUE(pump([&] { return wnd.window()->isVisible(); }));
    click(wnd.window(), "skinbtn");
    quasar::CSkinFrame* frame = wnd.skinFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(frame->isOpen());
    ui::Window* sw = frame->window();
    ui::Control* colourBtn = sw->findControl("skin_color_btn");
    ASSERT_NE(colourBtn, nullptr);
    colourBtn->setBkColor(0xFF123456);
    sw->sendNotify(colourBtn, "click");
    ui::Control* root = wnd.window()->findControl("root");
    EXPECT_EQ(root->bkColor() & 0xFFFFFF, 0x123456u);
    EXPECT_TRUE(root->image(ui::ImageSlot::Background).empty());

    ui::Control* imageBtn = sw->findControl("skin_image_btn");
    ASSERT_NE(imageBtn, nullptr);
    imageBtn->setImage(ui::ImageSlot::Background, "file='common/background.png' corner='2,2,2,2'");
    sw->sendNotify(imageBtn, "click");
    EXPECT_EQ(root->bkColor(), 0u);
    EXPECT_NE(root->image(ui::ImageSlot::Background).find("common/background.png"),
              std::string::npos);
    quasar::IniFile ini;
    ASSERT_TRUE(ini.load(data.path() + "/Brimlet Quasar+ 88-Key RGB Keyboard/main.ini"));
    EXPECT_EQ(ini.value("SKINIMAGE", "FLAGS").value_or("?"), "1");
    EXPECT_EQ(ini.value("SKINIMAGE", "IMAGE").value_or("?"), "common/background.png");

    root->setBkColor(0xFF123456);
    click(sw, "skin_reset");
    EXPECT_EQ(root->bkColor(), 0u);
    EXPECT_NE(root->image(ui::ImageSlot::Background).find("common/background.png"),
              std::string::npos);
    ASSERT_TRUE(ini.load(data.path() + "/Brimlet Quasar+ 88-Key RGB Keyboard/main.ini"));
    EXPECT_EQ(ini.value("SKINIMAGE", "FLAGS").value_or("?"), "0");
    EXPECT_EQ(ini.value("SKINIMAGE", "IMAGE").value_or("?"), "common/background.png");

    // A picked file keeps its name whatever characters it holds.
    for (std::string picked : {"/tmp/my pics/it's=bg.png", "/tmp/a=b c.png"}) {
        wnd.applySkinChange({0, 0, picked});
        auto attr = ui::parseImageAttribute(root->image(ui::ImageSlot::Background));
        ASSERT_TRUE(attr.has_value()) << picked;
        EXPECT_EQ(attr->file, picked);
    }

    click(wnd.window(), "skinbtn"); // the button toggles the chooser
    EXPECT_FALSE(frame->isOpen());

    // It also closes when another window takes the focus; the click on "skinbtn" that took it
    // does not open it again at once.
    click(wnd.window(), "skinbtn");
    ASSERT_TRUE(pump([&] { return frame->isOpen(); }));
    wnd.window()->bringToFront();
    EXPECT_TRUE(pump([&] { return !frame->isOpen(); }));
    click(wnd.window(), "skinbtn");
    EXPECT_FALSE(frame->isOpen());
}

TEST_F(ShellWindows, ExitFromTheTrayMenuEndsTheLoop) {
    quasar::CMainWnd wnd(*gToolkit);
    ASSERT_TRUE(wnd.create());
    ASSERT_TRUE(pump([&] { return wnd.window()->isVisible(); }));
    bool stopped = false;
    wnd.hooks().stopDevices = [&] { stopped = true; };
    auto menu = gToolkit->createMenu("menu.xml", wnd.window());
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->choose("exit"));
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(wnd.window()->isVisible());
    // A stray loop must not hang the test: end it with 99 after 5 s if exit did not.
    ui::FunctionReceiver guard([](ui::Notification&) { gToolkit->quit(99); });
    gToolkit->setTimer(&guard, 1, 5000);
    EXPECT_EQ(gToolkit->runLoop(), 0);
    gToolkit->killTimers(&guard);
}

TEST_F(ShellWindows, SecondaryWindowsRenderTheirLayouts) {
    // QUASAR_SHOT_DIR keeps the pictures for a look; otherwise they go to a temporary folder.
    TempDir shots;
    const char* keep = std::getenv("QUASAR_SHOT_DIR");
    std::string folder = keep && *keep ? std::string(keep) + "/" : shots.path() + "/";
    quasar::CMainWnd wnd(*gToolkit);
    ASSERT_TRUE(wnd.create());
    ASSERT_TRUE(pump([&] { return wnd.window()->isVisible(); }));

    quasar::CMsgWnd msg(*gToolkit, wnd.window());
    msg.setTexts("tips_text", "message_text_22", false);
    msg.setButtonsMode(1);
    quasar::CAboutWnd about(*gToolkit, wnd.window());
    about.showVersion();
    TempDir presets;
    quasar::CColorSelectWnd picker(*gToolkit, wnd.window(), presets.file("colours.config"),
                                   quasar::defaultDataFolder() + "color_option_info.config");
    picker.setPickerColour(0xFF20A0F0);
    picker.initialise();
    click(wnd.window(), "skinbtn");
    ASSERT_NE(wnd.skinFrame(), nullptr);

    struct Shot {
        const char* file;
        ui::Window* window;
        int minWidth, minHeight;
    } cases[] = {{"message.png", msg.window(), 200, 100},
                 {"about.png", about.window(), 800, 572},
                 {"picker.png", picker.window(), 800, 572},
                 {"skin.png", wnd.skinFrame()->window(), 150, 100}};
    for (const Shot& s : cases) {
        SCOPED_TRACE(s.file);
        ASSERT_NE(s.window, nullptr);
        std::string path = folder + s.file;
        ASSERT_TRUE(s.window->renderToPng(path));
        QImage img(QString::fromStdString(path));
        ASSERT_FALSE(img.isNull());
        EXPECT_GE(img.width(), s.minWidth);
        EXPECT_GE(img.height(), s.minHeight);
        // Something is drawn: many colours, and no single one covers nearly everything.
        QHash<QRgb, int> counts;
        for (int y = 0; y < img.height(); y += 2)
            for (int x = 0; x < img.width(); x += 2)
                ++counts[img.pixel(x, y)];
        int samples = ((img.width() + 1) / 2) * ((img.height() + 1) / 2), top = 0;
        for (int n : counts)
            top = std::max(top, n);
        EXPECT_GT(counts.size(), 20);
        EXPECT_LT(top, samples * 99 / 100);
    }
    // The message shows its texts in the current language, not the keys.
    EXPECT_NE(msg.window()->findControl("MessageText")->text(), "message_text_22");
    EXPECT_EQ(msg.window()->findControl("MessageText")->text(),
              langText("en.json", "message_text_22"));
}

TEST_F(ShellWindows, ScreenChangesFitTheWindowAgainAndCloseHidesOpenSecondaryWindows) {
    quasar::CMainWnd wnd(*gToolkit);
    ASSERT_TRUE(wnd.create());
    ui::Window* w = wnd.window();
    ASSERT_TRUE(pump([&] { return w->isVisible(); }));
    // A size change alone leaves the window as the user made it...
    w->resize(600, 400);
    pump([&] { return w->width() == 600; });
    EXPECT_EQ(w->width(), 600);
    // ...a screen change fits it to the monitor again.
    w->postMessage(quasar::DisplayChangeMessage, 0, 0);
    EXPECT_TRUE(pump([&] { return w->width() == 1000 && w->height() == 640; }));
    EXPECT_TRUE(w->isVisible());

    // "about_menu" opens the about window modally; the title bar's close button ends it and
    // hides the main window to the tray.
    bool aboutWasOpen = false;
    gToolkit->post([&] {
        aboutWasOpen = wnd.isAboutOpen();
        click(w, "closebtn");
    });
    auto menu = gToolkit->createMenu("menu.xml", w);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->choose("about_menu"));
    EXPECT_TRUE(aboutWasOpen);
    EXPECT_FALSE(wnd.isAboutOpen());
    EXPECT_TRUE(!w->isVisible() || w->isMinimized());
}

TEST_F(ShellWindows, UnreadableLanguageListKeepsTheStoredChoice) {
    quasar::SettingsKey stored("Brimlet Quasar+ 88-Key RGB Keyboard keyboard");
    ASSERT_TRUE(stored.writeNumber("LANGUAGE", 1031));
    TempDir empty; // no DefaultData/Language.config here
    ScopedEnv noData{"QUASAR_DATA_DIR", empty.path()};
    quasar::CMainWnd wnd(*gToolkit);
    ASSERT_TRUE(wnd.create());
    ASSERT_TRUE(pump([&] { return wnd.window()->isVisible(); }));
    EXPECT_EQ(wnd.language(), 0);
    EXPECT_EQ(stored.readNumber("LANGUAGE").value_or(0), 1031u);
}

TEST_F(ShellWindows, TrayRightClickOpensTheTrayMenu) {
    quasar::CMainWnd wnd(*gToolkit);
    ASSERT_TRUE(wnd.create());
    ASSERT_TRUE(pump([&] { return wnd.window()->isVisible(); }));
    auto openMenu = []() -> QMenu* {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible()) return m;
        return nullptr;
    };
    ASSERT_EQ(openMenu(), nullptr);
    wnd.handleMessage(quasar::TrayCallbackMessage, 0, quasar::TrayRightButtonUp);
    ASSERT_TRUE(pump([&] { return openMenu() != nullptr; }));
    std::vector<std::string> names;
    for (QAction* a : openMenu()->actions())
        names.push_back(a->objectName().toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"about_menu", "setwnd_menu", "exit"}));
    // A second right click replaces the open menu rather than stacking another.
    wnd.handleMessage(quasar::TrayCallbackMessage, 0, quasar::TrayRightButtonUp);
    int turns = 0;
    pump([&] { return ++turns > 30; }); // the 10 ms timer has run by then
    int open = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMenu*>(w) && w->isVisible()) ++open;
    EXPECT_EQ(open, 1);
}

TEST_F(ShellWindows, DeviceStripTakesSeveralCardsSideBySide) {
    quasar::CMainWnd wnd(*gToolkit);
    ASSERT_TRUE(wnd.create());
    ui::Window* w = wnd.window();
    ASSERT_TRUE(pump([&] { return w->isVisible(); }));
    ui::Control* strip = w->findControl("device_select_layout");
    ASSERT_NE(strip, nullptr);
    ui::Control* a = w->appendLayoutInto(strip, "XML_DEVICE_OPTION");
    ui::Control* b = w->appendLayoutInto(strip, "XML_DEVICE_OPTION");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    gToolkit->processEvents();
    const char* keep = std::getenv("QUASAR_SHOT_DIR");
    if (keep && *keep) w->renderToPng(std::string(keep) + "/strip.png");
    EXPECT_GT(a->width(), 0);
    EXPECT_GE(b->x(), a->x() + a->width()); // one beside the other, not on top
    EXPECT_EQ(a->y(), b->y());
}
