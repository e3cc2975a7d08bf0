// The Qt toolkit with real widgets on the offscreen platform: layouts written into a temporary
// skin folder, user input sent to the widgets, notifications recorded through the contract.

#include "shell/toolkit/qt/qt_internal.h"
#include "shell/toolkit/qt/qt_toolkit.h"
#include "support/temp_dir.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

using namespace quasar::ui;
using quasar::testing::TempDir;

namespace {

Toolkit* g_tk = nullptr;

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char arg0[] = "test_toolkit_qt";
        static char* argv[] = {arg0, nullptr};
        tk_ = createQtToolkit(argc, argv);
        g_tk = tk_.get();
    }
    void TearDown() override {
        g_tk = nullptr;
        tk_.reset();
    }

private:
    std::unique_ptr<Toolkit> tk_;
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void writeFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << text;
}

std::string ui(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n" + body +
           "\n</ui>\n";
}

std::string prop(const char* name, const std::string& value) {
    return std::string("<property name=\"") + name + "\" stdset=\"0\"><string>" + value +
           "</string></property>";
}

std::string geometry(int x, int y, int w, int h) {
    return "<property name=\"geometry\"><rect><x>" + std::to_string(x) + "</x><y>" +
           std::to_string(y) + "</y><width>" + std::to_string(w) + "</width><height>" +
           std::to_string(h) + "</height></rect></property>";
}

struct Recorder : NotifyReceiver {
    struct Entry {
        std::string type, name;
        std::int64_t w, l;
    };
    std::vector<Entry> seen;
    std::function<void(Notification&)> hook;
    void notify(Notification& n) override {
        // Layout-level chatter is not what these tests look at.
        if (n.type == "windowsize" || n.type == "setfocus" || n.type == "killfocus" ||
            n.type == "msenter" || n.type == "msleave" || n.type == "windowinit")
            return;
        seen.push_back({n.type, n.senderName(), n.wParam, n.lParam});
        if (hook) hook(n);
    }
    std::vector<std::string> types() const {
        std::vector<std::string> out;
        for (auto& e : seen)
            out.push_back(e.type + ":" + e.name);
        return out;
    }
};

QWidget* widgetOf(Control* c) {
    return static_cast<qt::QtControl*>(c)->widget();
}

void pump(int ms = 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (ms > 0) QTest::qWait(ms);
}

class QtToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(g_tk, nullptr);
        g_tk->setSkinFolder(dir.path());
        g_tk->setTranslator(
            [](const std::string& key) { return key == "hello_key" ? "Hello" : key; });
    }
    void TearDown() override { g_tk->setTranslator(nullptr); }
    std::string file(const std::string& rel) const { return dir.file(rel); }

    TempDir dir;
};

// A window with every standard control kind the program uses.
const std::string kControlsLayout = ui(R"(
 <widget class="QWidget" name="root">)" +
                                       geometry(0, 0, 400, 300) + R"(
  <layout class="QVBoxLayout">
   <item><widget class="QPushButton" name="OK_Btn"><property name="text"><string>OK</string></property></widget></item>
   <item><widget class="QPushButton" name="opt_a"><property name="checkable"><bool>true</bool></property>)" +
                                       prop("group", "g1") + R"(</widget></item>
   <item><widget class="QRadioButton" name="opt_b">)" +
                                       prop("group", "g1") + R"(</widget></item>
   <item><widget class="QCheckBox" name="check"/></item>
   <item><widget class="QSlider" name="slider"><property name="orientation"><enum>Qt::Horizontal</enum></property>
         <property name="maximum"><number>100</number></property></widget></item>
   <item><widget class="QComboBox" name="combo"/></item>
   <item><widget class="QListWidget" name="list"/></item>
   <item><widget class="QLineEdit" name="edit"/></item>
   <item><widget class="QStackedWidget" name="tabs">
     <widget class="QWidget" name="page0"/><widget class="QWidget" name="page1"/></widget></item>
   <item><widget class="ColorPalette" name="Pallet"/></item>
   <item><widget class="QProgressBar" name="progress"/></item>
  </layout>
 </widget>)");

} // namespace

TEST_F(QtToolkitTest, LoadsLayoutsFindsNamesIgnoringCaseAndKeepsUnknownClasses) {
    writeFile(file("res.xml"), R"(<Res><File name="XML_TEST" path="XML\test.xml"/></Res>)");
    writeFile(file("XML/test.xml"),
              ui(R"(
 <widget class="QWidget" name="root">)" +
                 geometry(0, 0, 300, 200) + R"(
  <widget class="FancyUnknownThing" name="Mystery">)" +
                 geometry(0, 0, 100, 100) + prop("userdata", "light_3") + R"(
   <widget class="QLabel" name="Inner_Label">)" +
                 prop("textkey", "hello_key") + prop("tooltipkey", "tip_key") + R"(</widget>
   <widget class="QLabel" name="hidden_label"><property name="visible" stdset="0"><bool>false</bool></property></widget>
  </widget>
  <widget class="QWidget" name="other">)" +
                 geometry(100, 0, 100, 100) + R"(
   <widget class="QLabel" name="inner_label"><property name="text"><string>second</string></property>
    <property name="font" stdset="0"><number>50</number></property>)" +
                 prop("textcolor", "#FFFF0000") + R"(</widget>
  </widget>
  <widget class="LightSetControlUI" name="light_area">)" +
                 geometry(0, 100, 200, 100) + R"(</widget>
 </widget>)"));
    writeFile(file("XML/CustomControlXML/LightControl.xml"), ui(R"(
 <widget class="QWidget" name="light_root"><widget class="QSlider" name="deng_light_slider"/></widget>)"));

    g_tk->setSkinFolder(dir.path());           // reads the index
    auto win = g_tk->createWindow("xml_test"); // res.xml names ignore case too
    ASSERT_NE(win, nullptr);
    Control* root = win->root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->name(), "root");

    Control* mystery = win->findControl("MYSTERY");
    ASSERT_NE(mystery, nullptr);
    EXPECT_EQ(mystery->className(), "FancyUnknownThing");
    EXPECT_EQ(mystery->kind(), ControlKind::Container);
    EXPECT_EQ(mystery->userData(), "light_3");
    EXPECT_EQ(mystery->parent(), root);

    // The first match in layout order; a sub-tree search stays inside its sub-tree.
    Control* first = win->findControl("inner_label");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->parent(), mystery);
    EXPECT_EQ(first->text(), "Hello");
    EXPECT_EQ(first->textKey(), "hello_key");
    EXPECT_EQ(first->toolTip(), "tip_key");
    Control* other = win->findControl("other");
    Control* second = win->findSubControl(other, "INNER_label");
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->text(), "second");
    // Font ids of the font table, and colours given as text.
    EXPECT_EQ(widgetOf(second)->font().pixelSize(), 18);
    EXPECT_TRUE(widgetOf(second)->font().bold());
    EXPECT_EQ(second->textColor(), 0xFFFF0000u);
    second->setAttribute("font", "3");
    EXPECT_EQ(widgetOf(second)->font().pixelSize(), 30);
    EXPECT_EQ(win->findSubControl(other, "hidden_label"), nullptr);
    EXPECT_EQ(win->findControl("no_such_control"), nullptr);
    EXPECT_FALSE(win->findControl("hidden_label")->isVisible());
    EXPECT_TRUE(first->isVisible());

    // The sub-layout class brought its own file in.
    Control* area = win->findControl("light_area");
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->className(), "LightSetControlUI");
    Control* slider = win->findSubControl(area, "deng_light_slider");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->kind(), ControlKind::Slider);

    // A language switch re-reads the key texts; a text set by code drops its key.
    g_tk->setTranslator([](const std::string& key) { return key == "hello_key" ? "Hallo" : key; });
    g_tk->reloadTexts();
    EXPECT_EQ(first->text(), "Hallo");
    first->setText("plain");
    g_tk->reloadTexts();
    EXPECT_EQ(first->text(), "plain");

    // Loading into a container replaces its content; a missing file changes nothing.
    writeFile(file("XML/page.xml"), ui(R"(<widget class="QWidget" name="page_root">
       <widget class="DeviceKeyButton" name="key_5"/></widget>)"));
    EXPECT_EQ(win->loadLayoutInto(other, "XML/missing.xml"), nullptr);
    EXPECT_NE(win->findSubControl(other, "inner_label"), nullptr);
    EXPECT_EQ(win->loadLayoutInto(other, "XML/page.xml"), other);
    EXPECT_EQ(win->findSubControl(other, "inner_label"), nullptr);
    Control* key = win->findSubControl(other, "key_5");
    ASSERT_NE(key, nullptr);
    EXPECT_NE(as<IDeviceKeyButton>(key), nullptr);

    // A page may replace itself from inside the click of one of its own buttons.
    writeFile(file("XML/self.xml"), ui(R"(<widget class="QWidget" name="self_root">
       <layout class="QVBoxLayout"><item><widget class="QPushButton" name="reload_btn"/></item></layout></widget>)"));
    ASSERT_EQ(win->loadLayoutInto(other, "XML/self.xml"), other);
    win->show();
    int reloads = 0;
    FunctionReceiver reloader([&](Notification& n) {
        if (n.type == "click" && n.senderName() == "reload_btn" && reloads++ == 0) {
            EXPECT_EQ(win->loadLayoutInto(other, "XML/page.xml"), other);
            EXPECT_EQ(win->findControl("reload_btn"), nullptr);
        }
    });
    win->addNotifier(&reloader);
    QTest::mouseClick(widgetOf(win->findControl("reload_btn")), Qt::LeftButton);
    pump();
    win->removeNotifier(&reloader);
    EXPECT_EQ(reloads, 1);
    EXPECT_NE(win->findSubControl(other, "key_5"), nullptr);

    EXPECT_EQ(g_tk->createWindow("XML/missing.xml"), nullptr);
    writeFile(file("XML/broken.xml"), "<ui version=\"4.0\"><widget class=\"QWidget\"");
    EXPECT_EQ(g_tk->createWindow("XML/broken.xml"), nullptr);
}

TEST_F(QtToolkitTest, UserActionsRaiseTheirNotifications) {
    writeFile(file("XML/controls.xml"), kControlsLayout);
    auto win = g_tk->createWindow("XML/controls.xml");
    ASSERT_NE(win, nullptr);
    Recorder rec;
    win->addNotifier(&rec);
    win->show();
    pump();

    // windowinit arrives once, on the loop after creation (before the receiver was added here).
    Control* combo = win->findControl("combo");
    combo->addItem("zero", "z");
    combo->addItem("one", "o");
    combo->selectItem(0);
    Control* list = win->findControl("list");
    list->addItem("a", "ua");
    list->addItem("b", "ub");
    rec.seen.clear();

    QTest::mouseClick(widgetOf(win->findControl("ok_btn")), Qt::LeftButton);
    QTest::mouseClick(widgetOf(win->findControl("opt_a")), Qt::LeftButton);
    EXPECT_TRUE(win->findControl("opt_a")->isSelected());
    // Radio buttons and check boxes answer on their indicator, at the left.
    auto left = [&](const char* n) {
        return QPoint(6, widgetOf(win->findControl(n))->height() / 2);
    };
    QTest::mouseClick(widgetOf(win->findControl("opt_b")), Qt::LeftButton, {}, left("opt_b"));
    EXPECT_TRUE(win->findControl("opt_b")->isSelected());
    EXPECT_FALSE(win->findControl("opt_a")->isSelected()); // one option of a group at a time
    QTest::mouseClick(widgetOf(win->findControl("opt_b")), Qt::LeftButton, {},
                      left("opt_b")); // stays selected
    EXPECT_TRUE(win->findControl("opt_b")->isSelected());
    QTest::mouseClick(widgetOf(win->findControl("check")), Qt::LeftButton, {}, left("check"));
    EXPECT_TRUE(win->findControl("check")->isChecked());

    // A drag: moves while the handle is down, the value once on release.
    auto* slider = static_cast<QAbstractSlider*>(widgetOf(win->findControl("slider")));
    slider->setSliderDown(true);
    slider->setSliderPosition(30);
    slider->setSliderPosition(40);
    slider->setSliderDown(false);
    QTest::keyClick(slider, Qt::Key_Right); // keyboard steps count as a finished change

    QTest::keyClick(widgetOf(combo), Qt::Key_Down);
    auto* lw = static_cast<QListWidget*>(widgetOf(list));
    QTest::mouseClick(lw->viewport(), Qt::LeftButton, {}, lw->visualItemRect(lw->item(1)).center());

    QLineEdit* edit = static_cast<QLineEdit*>(widgetOf(win->findControl("edit")));
    QTest::keyClicks(edit, "7");
    QTest::keyClick(edit, Qt::Key_Return);

    QWidget* pal = widgetOf(win->findControl("pallet"));
    QTest::mouseClick(pal, Qt::LeftButton, {}, QPoint(2, 2));

    const std::vector<std::string> want = {
        "click:OK_Btn",
        "click:opt_a",
        "selectchanged:opt_a",
        "click:opt_b",
        "selectchanged:opt_b",
        "click:opt_b",
        "click:check",
        "selectchanged:check",
        "movevaluechanged:slider",
        "movevaluechanged:slider",
        "valuechanged:slider",
        "valuechanged:slider",
        "itemselect:combo",
        "itemselect:list",
        "itemclick:list",
        "textchanged:edit",
        "return:edit",
        "colorchanged:Pallet",
    };
    EXPECT_EQ(rec.types(), want);
    auto find = [&](const std::string& t, const std::string& n) {
        for (auto& e : rec.seen)
            if (e.type == t && e.name == n) return e;
        return Recorder::Entry{};
    };
    EXPECT_EQ(find("movevaluechanged", "slider").w, 30);
    EXPECT_EQ(find("valuechanged", "slider").w, 40);
    EXPECT_EQ(find("itemselect", "combo").w, 1);
    EXPECT_EQ(find("itemselect", "combo").l, 0);
    EXPECT_EQ(find("itemselect", "list").w, 1);
    EXPECT_EQ(combo->itemUserData(combo->currentIndex()), "o");
    EXPECT_EQ(static_cast<std::uint32_t>(find("colorchanged", "Pallet").w),
              win->findControl("pallet")->selectedColor());
    win->removeNotifier(&rec);
}

TEST_F(QtToolkitTest, FocusSizeAndContextMenuRequests) {
    writeFile(file("XML/controls.xml"), kControlsLayout);
    auto win = g_tk->createWindow("XML/controls.xml");
    ASSERT_NE(win, nullptr);
    win->show();
    QWidget* top = widgetOf(win->root());
    top->activateWindow();
    QApplication::setActiveWindow(top);
    pump();
    std::vector<std::string> seen;
    FunctionReceiver rec([&](Notification& n) {
        if (n.type == "setfocus" || n.type == "killfocus" || n.type == "windowsize" ||
            n.type == "menu")
            seen.push_back(n.type + ":" + n.senderName());
    });
    win->findControl("edit")->setFocus();
    pump();
    win->addNotifier(&rec);
    win->findControl("ok_btn")->setFocus();
    pump();
    win->findControl("edit")->setFocus();
    pump();
    win->findControl("combo")->setFocus();
    pump();
    EXPECT_TRUE(win->findControl("combo")->hasFocus());
    win->resize(420, 320);
    pump();
    QContextMenuEvent ctx(QContextMenuEvent::Mouse, QPoint(2, 2), QPoint(2, 2));
    QApplication::sendEvent(widgetOf(win->findControl("ok_btn")), &ctx);
    EXPECT_EQ(seen, (std::vector<std::string>{"killfocus:edit", "setfocus:OK_Btn",
                                              "killfocus:OK_Btn", "setfocus:edit", "killfocus:edit",
                                              "setfocus:combo", "windowsize:root", "menu:OK_Btn"}));
    win->removeNotifier(&rec);
}

TEST_F(QtToolkitTest, ValuesSetByCodeRaiseNothing) {
    writeFile(file("XML/controls.xml"), kControlsLayout);
    auto win = g_tk->createWindow("XML/controls.xml");
    ASSERT_NE(win, nullptr);
    win->show();
    pump();
    Recorder rec;
    win->addNotifier(&rec);

    Control* c = win->findControl("combo");
    Control* l = win->findControl("list");
    Control* s = win->findControl("slider");
    Control* e = win->findControl("edit");
    Control* t = win->findControl("tabs");
    c->addItem("zero");
    c->addItem("one", "u1");
    c->selectItem(1);
    c->setItemText(0, "nil");
    c->removeItem(0);
    l->addItem("a");
    l->insertItem(0, "b", "ub");
    l->selectItem(1);
    l->moveItem(1, 0);
    l->clearItems();
    s->setRange(0, 50);
    s->setValue(70);
    win->findControl("opt_a")->setSelected(true);
    win->findControl("opt_b")->setSelected(true);
    win->findControl("check")->setChecked(true);
    e->setText("123");
    t->selectPage(1);
    win->findControl("pallet")->setSelectedColor(0xFF112233);
    win->findControl("progress")->setValue(50);
    pump();

    EXPECT_TRUE(rec.seen.empty()) << rec.types().front();
    // ...and the values took.
    EXPECT_EQ(c->itemCount(), 1);
    EXPECT_EQ(c->currentIndex(), 0);
    EXPECT_EQ(c->itemText(0), "one");
    EXPECT_EQ(s->value(), 50);
    EXPECT_FALSE(win->findControl("opt_a")->isSelected());
    EXPECT_TRUE(win->findControl("opt_b")->isSelected());
    EXPECT_EQ(e->text(), "123");
    EXPECT_EQ(t->currentPage(), 1);
    EXPECT_EQ(win->findControl("pallet")->selectedColor(), 0xFF112233u);
    EXPECT_EQ(win->findControl("progress")->value(), 50);
    EXPECT_EQ(l->itemCount(), 0);
    win->removeNotifier(&rec);
}

TEST_F(QtToolkitTest, EditFieldsListsAndRows) {
    writeFile(file("XML/controls.xml"), kControlsLayout);
    auto win = g_tk->createWindow("XML/controls.xml");
    ASSERT_NE(win, nullptr);
    win->show();
    pump();

    // Digits only with a length and a range: letters and too-large values are refused.
    Control* e = win->findControl("edit");
    e->setDigitsOnly(true);
    e->setMaxLength(6);
    e->setValueRange(0, 65535);
    QLineEdit* le = static_cast<QLineEdit*>(widgetOf(e));
    QTest::keyClicks(le, "12a34567");
    EXPECT_EQ(e->text(), "12345");
    e->setText("");
    e->setValueRange(1, 0); // no range: the length alone limits
    QTest::keyClicks(le, "9999999");
    EXPECT_EQ(e->text(), "999999");

    // Lists of rows: each row a container of controls, moved and removed with its item.
    Control* list = win->findControl("list");
    for (int i = 0; i < 3; ++i) {
        Control* row = list->insertItemRow(-1, "row_" + std::to_string(i));
        ASSERT_NE(row, nullptr);
        Control* label = row->createChild("QLabel", "text1");
        ASSERT_NE(label, nullptr);
        label->setText("event " + std::to_string(i));
        row->createChild("QLineEdit", "delay_edit")->setText(std::to_string(i * 10));
        list->setItemUserData(i, "{\"n\":" + std::to_string(i) + "}");
    }
    ASSERT_EQ(list->itemCount(), 3);
    EXPECT_EQ(list->children().size(), 3u);
    EXPECT_TRUE(list->moveItem(2, 0));
    EXPECT_EQ(list->itemRow(0)->findSubControl("text1")->text(), "event 2");
    EXPECT_EQ(list->itemRow(1)->findSubControl("delay_edit")->text(), "0");
    EXPECT_EQ(list->itemUserData(0), "{\"n\":2}");
    EXPECT_EQ(list->itemRow(0)->parent(), list);
    EXPECT_EQ(win->findControl("delay_edit")->text(), "20"); // rows are part of the window
    EXPECT_TRUE(list->removeItem(1));
    EXPECT_EQ(list->itemCount(), 2);
    EXPECT_EQ(list->itemRow(1)->findSubControl("text1")->text(), "event 1");
    EXPECT_FALSE(list->removeItem(5));
    EXPECT_FALSE(list->moveItem(0, 9));
    list->setItemVisible(0, false);
    EXPECT_FALSE(list->isItemVisible(0));
    EXPECT_TRUE(list->isItemVisible(1));

    // A control of the wrong kind answers neutrally.
    Control* ok = win->findControl("ok_btn");
    EXPECT_EQ(ok->itemCount(), 0);
    EXPECT_EQ(ok->addItem("x"), -1);
    EXPECT_EQ(ok->insertItemRow(0), nullptr);
    EXPECT_EQ(ok->currentIndex(), -1);
    EXPECT_EQ(ok->createChild("QLabel"), nullptr);
}

namespace {
// A selection panel with four keys in a row, 40 px apart, 30 px wide.
const std::string kPanelLayout =
    ui(R"(
 <widget class="QWidget" name="root">)" +
       geometry(0, 0, 400, 200) + R"(
  <widget class="SelectPanel" name="panel">)" +
       geometry(0, 0, 400, 200) + R"(
   <widget class="DeviceKeyButton" name="key_0">)" +
       geometry(10, 10, 30, 30) + prop("userdata", "light_0") + R"(</widget>
   <widget class="DeviceKeyButton" name="key_1">)" +
       geometry(50, 10, 30, 30) + prop("userdata", "light_1") + R"(</widget>
   <widget class="DeviceKeyButton" name="key_2">)" +
       geometry(90, 10, 30, 30) + R"(</widget>
   <widget class="DeviceKeyButton" name="key_3">)" +
       geometry(130, 10, 30, 30) + R"(</widget>
   <widget class="QLabel" name="not_a_key">)" +
       geometry(10, 100, 30, 30) + R"(</widget>
  </widget>
 </widget>)");

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons held) {
    QMouseEvent ev(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::LeftButton, held,
                   Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}

void drag(QWidget* w, QPoint from, QPoint to) {
    mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, to, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
}
} // namespace

TEST_F(QtToolkitTest, RubberBandSelectsTheKeysItTouches) {
    writeFile(file("XML/panel.xml"), kPanelLayout);
    auto win = g_tk->createWindow("XML/panel.xml");
    ASSERT_NE(win, nullptr);
    win->show();
    pump();
    Recorder rec;
    win->addNotifier(&rec);
    Control* panel = win->findControl("panel");
    ASSERT_NE(as<ISelectPanel>(panel), nullptr);
    QWidget* pw = widgetOf(panel);
    auto selected = [&] {
        std::string s;
        for (int i = 0; i < 4; ++i)
            s += win->findControl("key_" + std::to_string(i))->isSelected() ? '1' : '0';
        return s;
    };

    struct Case {
        const char* what;
        QPoint from, to;
        const char* keys;
    };
    const Case cases[] = {
        {"top-left to bottom-right over keys 1 and 2", {45, 5}, {100, 60}, "0110"},
        {"bottom-right to top-left, same rectangle", {100, 60}, {45, 5}, "0110"},
        {"touches key 3 by one pixel", {159, 39}, {300, 150}, "0001"},
        {"edge-to-edge without overlap", {160, 0}, {300, 150}, "0000"},
        {"nothing under the band clears every key", {10, 150}, {390, 190}, "0000"},
        {"whole row", {0, 0}, {399, 45}, "1111"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rec.seen.clear();
        drag(pw, c.from, c.to);
        EXPECT_EQ(selected(), c.keys);
        ASSERT_EQ(rec.types(), std::vector<std::string>{"click_select_end:panel"});
        auto r = as<ISelectPanel>(panel)->selectionRect();
        EXPECT_LE(r.left, r.right);
        EXPECT_LE(r.top, r.bottom);
        EXPECT_FALSE(as<ISelectPanel>(panel)->isDragging());
    }

    // A click without movement changes nothing and raises nothing.
    rec.seen.clear();
    mouse(pw, QEvent::MouseButtonPress, {200, 150}, Qt::LeftButton);
    mouse(pw, QEvent::MouseButtonRelease, {200, 150}, Qt::NoButton);
    EXPECT_EQ(selected(), "1111");
    EXPECT_TRUE(rec.seen.empty());

    // A drag that starts on a key selects and does not click that key.
    QWidget* key1 = widgetOf(win->findControl("key_1"));
    drag(key1, {5, 5}, {50, 25}); // key coordinates: ends inside key_2
    EXPECT_EQ(selected(), "0110");
    EXPECT_EQ(rec.types(), std::vector<std::string>{"click_select_end:panel"});

    // A plain click on a key is the key's click.
    rec.seen.clear();
    QTest::mouseClick(key1, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(rec.types(), std::vector<std::string>{"click:key_1"});

    // A disabled panel does not select.
    panel->setEnabled(false);
    rec.seen.clear();
    drag(pw, {0, 0}, {399, 45});
    EXPECT_EQ(selected(), "0110");
    EXPECT_TRUE(rec.seen.empty());
    win->removeNotifier(&rec);
}

TEST_F(QtToolkitTest, KeyButtonPaintsItsTintedLightAndKeySetImage) {
    // A white light image covering the key, and a key-set mark in the top-left 10x10 corner.
    std::filesystem::create_directories(file("images"));
    QImage white(30, 30, QImage::Format_ARGB32);
    white.fill(Qt::white);
    ASSERT_TRUE(white.save(QString::fromStdString(file("images/light.png"))));
    QImage mark(30, 30, QImage::Format_ARGB32);
    mark.fill(Qt::transparent);
    {
        QPainter p(&mark);
        p.fillRect(0, 0, 10, 10, QColor(0, 255, 0));
    }
    ASSERT_TRUE(mark.save(QString::fromStdString(file("images/mark.png"))));
    writeFile(file("XML/key.xml"),
              ui(R"(
 <widget class="QWidget" name="root">)" +
                 geometry(0, 0, 100, 100) + R"(
  <widget class="SelectPanel" name="panel">)" +
                 geometry(0, 0, 100, 100) + R"(
   <widget class="DeviceKeyButton" name="key_7">)" +
                 geometry(10, 10, 30, 30) +
                 prop("lightimage", "file='images/light.png' source='0,0,30,30'") +
                 prop("keysetimage", "images/mark.png") + R"(</widget>
  </widget>
 </widget>)"));
    auto win = g_tk->createWindow("XML/key.xml");
    ASSERT_NE(win, nullptr);
    win->show();
    pump();
    Control* key = win->findControl("key_7");
    auto* kb = as<IDeviceKeyButton>(key);
    ASSERT_NE(kb, nullptr);
    EXPECT_EQ(key->image(ImageSlot::Light), "file='images/light.png' source='0,0,30,30'");
    auto render = [&] { return widgetOf(key)->grab().toImage(); };

    kb->setLight(true, 0xC08040, 128);
    EXPECT_TRUE(kb->isLightOn());
    EXPECT_EQ(kb->lightColor(), 0xC08040u);
    QImage lit = render();
    // Each component scaled as (c * brightness) >> 8.
    EXPECT_EQ(lit.pixelColor(20, 20), QColor(0x60, 0x40, 0x20));
    EXPECT_EQ(lit.pixelColor(3, 3), QColor(0, 255, 0)); // the key-set image on top

    kb->setKeySetImageHidden(true);
    EXPECT_EQ(render().pixelColor(3, 3), QColor(0x60, 0x40, 0x20));

    kb->setKeySetImageHidden(false);
    kb->setLight(false, 0xC08040, 128);
    QImage dark = render();
    EXPECT_NE(dark.pixelColor(20, 20), QColor(0x60, 0x40, 0x20));
    EXPECT_EQ(dark.pixelColor(3, 3), QColor(0, 255, 0));

    // Skin images of an ordinary option: the selected image replaces the normal one, and a
    // part of an image is taken by its source rectangle.
    QImage strip(20, 10, QImage::Format_ARGB32);
    strip.fill(QColor(0, 0, 255));
    {
        QPainter p(&strip);
        p.fillRect(10, 0, 10, 10, QColor(255, 255, 0));
    }
    ASSERT_TRUE(strip.save(QString::fromStdString(file("images/strip.png"))));
    Control* opt = win->root()->createChild("HandImgSelectButton", "skin_opt");
    ASSERT_NE(opt, nullptr);
    EXPECT_EQ(opt->kind(), ControlKind::Option);
    opt->setFixedSize(20, 20);
    opt->setAttribute("normalimage", "file='images/strip.png' source='0,0,10,10'");
    opt->setAttribute("selectedimage", "file='images/strip.png' source='10,0,20,10'");
    EXPECT_EQ(widgetOf(opt)->grab().toImage().pixelColor(10, 10), QColor(0, 0, 255));
    opt->setSelected(true);
    EXPECT_EQ(widgetOf(opt)->grab().toImage().pixelColor(10, 10), QColor(255, 255, 0));

    // Double click: "dbclick" while enabled, nothing while disabled.
    Recorder rec;
    win->addNotifier(&rec);
    QTest::mouseDClick(widgetOf(key), Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_EQ(std::count_if(rec.seen.begin(), rec.seen.end(),
                            [](auto& e) { return e.type == "dbclick"; }),
              1);
    rec.seen.clear();
    key->setEnabled(false);
    QTest::mouseDClick(widgetOf(key), Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_TRUE(rec.seen.empty());
    win->removeNotifier(&rec);
}

TEST_F(QtToolkitTest, TimersPostSendMessagesAndModalRuns) {
    writeFile(file("XML/controls.xml"), kControlsLayout);
    auto win = g_tk->createWindow("XML/controls.xml");
    ASSERT_NE(win, nullptr);

    // windowinit once, on the first turn of the loop.
    int inits = 0;
    FunctionReceiver initRec([&](Notification& n) {
        if (n.type == "windowinit") {
            ++inits;
            EXPECT_EQ(n.sender, win->root());
        }
    });
    win->addNotifier(&initRec);
    pump();
    pump();
    EXPECT_EQ(inits, 1);
    win->removeNotifier(&initRec);

    // Control timers: repeat with their id until killed.
    Control* ok = win->findControl("ok_btn");
    int fired = 0;
    QEventLoop loop;
    FunctionReceiver timerRec([&](Notification& n) {
        if (n.type != "timer") return;
        EXPECT_EQ(n.sender, ok);
        EXPECT_EQ(n.wParam, 7);
        if (++fired == 3) {
            win->killTimer(ok, 7);
            loop.quit();
        }
    });
    win->addNotifier(&timerRec);
    EXPECT_TRUE(win->setTimer(ok, 7, 5));
    EXPECT_FALSE(win->setTimer(nullptr, 7, 5));
    QTimer::singleShot(5000, &loop, &QEventLoop::quit); // a safety net, not a measurement
    loop.exec();
    QTest::qWait(40);
    EXPECT_EQ(fired, 3);
    win->removeNotifier(&timerRec);

    // Work from a worker thread: posted and sent work run on the window thread; messages too.
    win->setMessageHandler([&](unsigned msg, std::int64_t w, std::int64_t l) -> std::int64_t {
        EXPECT_TRUE(g_tk->isWindowThread());
        return msg == 3089 ? w + l : 0;
    });
    std::vector<int> order;
    std::int64_t answer = 0;
    bool sentOnWindowThread = false;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        g_tk->post([&] { order.push_back(1); });
        bool ran = g_tk->send([&] {
            sentOnWindowThread = g_tk->isWindowThread();
            ok->setText("from worker");
            order.push_back(2);
        });
        EXPECT_TRUE(ran);
        answer = win->sendMessage(3089, 40, 2);
        win->postMessage(3089, 1, 1);
        done = true;
    });
    while (!done)
        QTest::qWait(5);
    worker.join();
    pump();
    EXPECT_TRUE(sentOnWindowThread);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(ok->text(), "from worker");
    EXPECT_EQ(answer, 42);

    // A modal run ends with the result given to close.
    writeFile(file("XML/dialog.xml"),
              ui(R"(<widget class="QWidget" name="dlg_root">)" + geometry(0, 0, 120, 80) + R"(
      <widget class="QPushButton" name="yes_btn">)" +
                 geometry(10, 10, 60, 30) + R"(</widget></widget>)"));
    WindowOptions opts;
    opts.owner = win.get();
    opts.toolWindow = true;
    auto dlg = g_tk->createWindow("XML/dialog.xml", opts);
    ASSERT_NE(dlg, nullptr);
    FunctionReceiver dlgRec([&](Notification& n) {
        if (n.type == "click" && n.senderName() == "yes_btn") dlg->close(5);
    });
    dlg->addNotifier(&dlgRec);
    g_tk->post([&] { QTest::mouseClick(widgetOf(dlg->findControl("yes_btn")), Qt::LeftButton); });
    EXPECT_EQ(dlg->runModal(), 5);
    EXPECT_FALSE(dlg->isVisible());
    // Closed from the desktop: result 0, unless the close handler keeps the window open.
    int asked = 0;
    dlg->setCloseRequestHandler([&] { return ++asked > 1; });
    g_tk->post([&] { widgetOf(dlg->root())->close(); });
    g_tk->post([&] { widgetOf(dlg->root())->close(); });
    EXPECT_EQ(dlg->runModal(), 0);
    EXPECT_EQ(asked, 2);

    // The window renders to a PNG of its size.
    std::string png = file("shot.png");
    EXPECT_TRUE(win->renderToPng(png));
    QImage shot(QString::fromStdString(png));
    EXPECT_EQ(shot.width(), win->width());
    EXPECT_EQ(shot.height(), win->height());
}

TEST_F(QtToolkitTest, MenusFromAFileRaiseMenuWithTheElementName) {
    writeFile(file("XML/controls.xml"), kControlsLayout);
    auto win = g_tk->createWindow("XML/controls.xml");
    ASSERT_NE(win, nullptr);
    writeFile(file("menu.xml"), R"(<Menu>
  <MenuElement name="about_menu" textkey="tray_menu_about"/>
  <MenuElement name="insert" textkey="insert_key">
    <MenuElement name="left_click" text="Left click"/>
    <MenuElement name="right_click" text="Right click"/>
  </MenuElement>
  <MenuElement name="exit" textkey="tray_menu_exit"/>
</Menu>)");
    auto menu = g_tk->createMenu("menu.xml", win.get());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->itemNames(),
              (std::vector<std::string>{"about_menu", "left_click", "right_click", "exit"}));
    Recorder rec;
    win->addNotifier(&rec);
    Control* senderSeen = reinterpret_cast<Control*>(1);
    rec.hook = [&](Notification& n) { senderSeen = n.sender; };
    EXPECT_TRUE(menu->choose("EXIT"));
    EXPECT_TRUE(menu->choose("right_click"));
    EXPECT_FALSE(menu->choose("nothing"));
    EXPECT_EQ(rec.types(), (std::vector<std::string>{"menu:exit", "menu:right_click"}));
    EXPECT_EQ(senderSeen, nullptr);
    win->removeNotifier(&rec);

    EXPECT_EQ(g_tk->createMenu("no_menu.xml", win.get()), nullptr);
    writeFile(file("bad_menu.xml"), "<NotAMenu/>");
    EXPECT_EQ(g_tk->createMenu("bad_menu.xml", win.get()), nullptr);
}

// Declared last: after the main loop has ended, sends are refused for the rest of the process.
TEST_F(QtToolkitTest, MainLoopRunsWorkAndQuitsFromAWorker) {
    std::vector<int> order;
    std::thread worker([&] {
        g_tk->post([&] { order.push_back(1); });
        EXPECT_TRUE(g_tk->send([&] { order.push_back(2); }));
        g_tk->quit(3);
    });
    EXPECT_EQ(g_tk->runLoop(), 3);
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));

    bool ran = false;
    std::thread late([&] { EXPECT_FALSE(g_tk->send([&] { ran = true; })); });
    late.join();
    pump();
    EXPECT_FALSE(ran);
}

TEST_F(QtToolkitTest, LayoutItemsCarryUserDataAndFollowTheLanguage) {
    writeFile(file("XML/items.xml"),
              ui(R"(
 <widget class="QWidget" name="root">
  <layout class="QVBoxLayout">
   <item><widget class="QComboBox" name="fun_combo">)" +
                 prop("itemuserdata", "0, 1,2") + prop("itemtextkeys", "hello_key,,bye_key") + R"(
    <item><property name="text"><string>A</string></property></item>
    <item><property name="text"><string>B</string></property></item>
    <item><property name="text"><string>C</string></property></item>
   </widget></item>
   <item><widget class="QListWidget" name="names">)" +
                 prop("itemuserdata", "x,y") + prop("itemtextkeys", "bye_key") + R"(
    <item><property name="text"><string>L0</string></property></item>
    <item><property name="text"><string>L1</string></property></item>
   </widget></item>
  </layout>
 </widget>)"));
    auto win = g_tk->createWindow("XML/items.xml");
    ASSERT_NE(win, nullptr);
    Control* combo = win->findControl("fun_combo");
    Control* list = win->findControl("names");
    ASSERT_NE(combo, nullptr);
    ASSERT_NE(list, nullptr);
    // Keys are translated at load; an item without a key keeps the layout's text.
    std::vector<std::string> texts, data;
    for (int i = 0; i < combo->itemCount(); ++i) {
        texts.push_back(combo->itemText(i));
        data.push_back(combo->itemUserData(i));
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Hello", "B", "bye_key"}));
    EXPECT_EQ(data, (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(combo->itemTextKey(2), "bye_key");
    EXPECT_EQ(list->itemUserData(1), "y");
    EXPECT_EQ(list->itemText(0), "bye_key");

    // A language switch refreshes every keyed item and leaves the rest, without raising events.
    Recorder rec;
    win->addNotifier(&rec);
    combo->selectItem(2);
    g_tk->setTranslator([](const std::string& key) {
        return key == "hello_key" ? "Hallo" : key == "bye_key" ? "Tschüss" : key;
    });
    g_tk->reloadTexts();
    EXPECT_EQ(combo->itemText(0), "Hallo");
    EXPECT_EQ(combo->itemText(1), "B");
    EXPECT_EQ(combo->itemText(2), "Tschüss");
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(list->itemText(0), "Tschüss");
    EXPECT_EQ(list->itemText(1), "L1");
    // Keys survive moving; a plain text drops the key.
    ASSERT_TRUE(combo->moveItem(2, 0));
    EXPECT_EQ(combo->itemTextKey(0), "bye_key");
    EXPECT_EQ(combo->itemUserData(0), "2");
    combo->setItemText(0, "fixed");
    list->setItemTextKey(1, "hello_key");
    g_tk->setTranslator(nullptr);
    g_tk->reloadTexts();
    EXPECT_EQ(combo->itemText(0), "fixed");
    EXPECT_EQ(list->itemText(1), "hello_key");
    EXPECT_TRUE(rec.seen.empty());
    win->removeNotifier(&rec);
}

TEST_F(QtToolkitTest, StateImageButtonsShowTheirBackgroundColourUnderTheImage) {
    // An image opaque only in its left half.
    std::filesystem::create_directories(file("images"));
    QImage half(20, 20, QImage::Format_ARGB32);
    half.fill(Qt::transparent);
    {
        QPainter p(&half);
        p.fillRect(0, 0, 10, 20, QColor(0, 0, 255));
    }
    ASSERT_TRUE(half.save(QString::fromStdString(file("images/half.png"))));
    writeFile(file("XML/bk.xml"), ui(R"(
 <widget class="QWidget" name="root">)" +
                                     geometry(0, 0, 100, 40) + R"(
  <widget class="QPushButton" name="plain_btn">)" +
                                     geometry(0, 0, 20, 20) + prop("bkcolor", "#FFFF0000") +
                                     prop("normalimage", "images/half.png") + R"(</widget>
  <widget class="DeviceKeyButton" name="key_1">)" +
                                     geometry(30, 0, 20, 20) + prop("bkcolor", "0x00FF00") +
                                     prop("normalimage", "images/half.png") + R"(</widget>
 </widget>)"));
    auto win = g_tk->createWindow("XML/bk.xml");
    ASSERT_NE(win, nullptr);
    win->show();
    pump();
    struct Case {
        const char* name;
        QColor bk;
    };
    for (Case c : {Case{"plain_btn", QColor(255, 0, 0)}, Case{"key_1", QColor(0, 255, 0)}}) {
        SCOPED_TRACE(c.name);
        Control* b = win->findControl(c.name);
        ASSERT_NE(b, nullptr);
        QImage img = widgetOf(b)->grab().toImage();
        EXPECT_EQ(img.pixelColor(5, 10), QColor(0, 0, 255)); // the image on top
        EXPECT_EQ(img.pixelColor(15, 10), c.bk);             // the colour shows through
        b->setBkColor(0xFF000000);
        EXPECT_EQ(widgetOf(b)->grab().toImage().pixelColor(15, 10), QColor(0, 0, 0));
    }
}

TEST_F(QtToolkitTest, AppendingLayoutsAddsSubTreesBesideWhatTheContainerHolds) {
    writeFile(file("XML/strip.xml"), ui(R"(
 <widget class="QWidget" name="root">
  <layout class="QVBoxLayout">
   <item><widget class="QWidget" name="strip">
    <layout class="QHBoxLayout">
     <item><widget class="QLabel" name="first"/></item>
     <item><spacer name="tail"><property name="orientation"><enum>Qt::Horizontal</enum></property></spacer></item>
    </layout>
   </widget></item>
   <item><widget class="QWidget" name="free"/></item>
   <item><widget class="QListWidget" name="rows"/></item>
  </layout>
 </widget>)"));
    writeFile(file("XML/card.xml"), ui(R"(
 <widget class="QWidget" name="card">
  <layout class="QVBoxLayout">
   <item><widget class="QLabel" name="card_name"/></item>
  </layout>
 </widget>)"));
    auto win = g_tk->createWindow("XML/strip.xml");
    ASSERT_NE(win, nullptr);
    Control* strip = win->findControl("strip");
    ASSERT_NE(strip, nullptr);
    Control* a = win->appendLayoutInto(strip, "XML/card.xml");
    Control* b = win->appendLayoutInto(strip, "XML/card.xml");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    a->findSubControl("card_name")->setText("one");
    b->findSubControl("card_name")->setText("two");
    // Both cards follow the existing child, in order, before the closing spacer.
    std::vector<std::string> names;
    for (Control* c : strip->children())
        names.push_back(c->name());
    EXPECT_EQ(names, (std::vector<std::string>{"first", "card", "card"}));
    auto* box = qobject_cast<QBoxLayout*>(widgetOf(strip)->layout());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->indexOf(widgetOf(b)), 2);
    EXPECT_NE(box->itemAt(3)->spacerItem(), nullptr);
    EXPECT_EQ(win->findSubControl(b, "card_name")->text(), "two");
    EXPECT_EQ(win->findSubControl(a, "card_name")->text(), "one");

    // A container without a layout keeps the card at its origin; refusals change nothing.
    Control* loose = win->appendLayoutInto(win->findControl("free"), "XML/card.xml");
    ASSERT_NE(loose, nullptr);
    EXPECT_EQ(loose->parent()->name(), "free");
    EXPECT_EQ(win->appendLayoutInto(strip, "XML/missing.xml"), nullptr);
    EXPECT_EQ(win->appendLayoutInto(win->findControl("rows"), "XML/card.xml"), nullptr);
    EXPECT_EQ(strip->children().size(), 3u);
    // The cards leave with their container's next replacement.
    ASSERT_NE(win->loadLayoutInto(strip, "XML/card.xml"), nullptr);
    EXPECT_EQ(strip->children().size(), 1u);
}

TEST_F(QtToolkitTest, FontIdsKeepTheirSizesAndAMissingFaceFallsBackToTheSystemFont) {
    writeFile(file("XML/font.xml"), ui(R"(
 <widget class="QWidget" name="root">
  <layout class="QVBoxLayout">
   <item><widget class="QLabel" name="big">)" +
                                       prop("font", "50") +
                                       R"(</widget></item>
  </layout>
 </widget>)"));
    const QString system = QApplication::font().family();
    auto win = g_tk->createWindow("XML/font.xml");
    ASSERT_NE(win, nullptr);
    QWidget* big = widgetOf(win->findControl("big"));
    EXPECT_EQ(big->font().pixelSize(), 18);
    EXPECT_TRUE(big->font().bold());

    EXPECT_FALSE(g_tk->loadFont(file("Font/missing.ttf")));
    g_tk->applyFontFace("No Such Face 4711");
    EXPECT_EQ(big->font().family(), system);
    EXPECT_EQ(big->font().pixelSize(), 18);

    const char* dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
    if (std::filesystem::exists(dejavu)) {
        ASSERT_TRUE(g_tk->loadFont(dejavu));
        g_tk->applyFontFace("DejaVu Sans Mono");
        EXPECT_EQ(big->font().family(), "DejaVu Sans Mono");
        EXPECT_TRUE(big->font().bold());
    }
    g_tk->applyFontFace(system.toStdString());
}
