// The skin is the contract between the layouts and the code that finds controls by name: these
// tests read the layout files, language files and rendered images as the program would and check
// that every name, text and picture the program asks for is there.

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QApplication>
#include <QBuffer>
#include <QUiLoader>
#include <QWidget>
#include <QXmlStreamReader>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

const QString kSource = QStringLiteral(QUASAR_SKIN_SOURCE_DIR);
const QString kBuilt = QStringLiteral(QUASAR_SKIN_BUILD_DIR);

// One <widget> of a layout with its properties and child widgets.
struct Node {
    QString cls, name;
    std::map<QString, QString> props;
    std::vector<QString> itemUserData;
    std::vector<std::unique_ptr<Node>> children;
    Node* parent = nullptr;
};

// The value of one <property>: strings, numbers and booleans as text, rectangles as "x,y,w,h".
QString readValue(QXmlStreamReader& xml) {
    QString out;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("rect")) {
            QStringList parts;
            while (xml.readNextStartElement()) parts << xml.readElementText();
            out = parts.join(QLatin1Char(','));
        } else if (xml.name() == QLatin1String("size")) {
            QStringList parts;
            while (xml.readNextStartElement()) parts << xml.readElementText();
            out = parts.join(QLatin1Char(','));
        } else {
            out = xml.readElementText();
        }
    }
    return out;
}

void readWidget(QXmlStreamReader& xml, Node& node) {
    node.cls = xml.attributes().value(QLatin1String("class")).toString();
    node.name = xml.attributes().value(QLatin1String("name")).toString();
    int depth = 1;
    bool inItem = false;
    while (!xml.atEnd() && depth > 0) {
        xml.readNext();
        if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("item")) inItem = false;
            if (xml.name() == QLatin1String("widget")) --depth;
            continue;
        }
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("widget")) {
            auto child = std::make_unique<Node>();
            child->parent = &node;
            readWidget(xml, *child);
            node.children.push_back(std::move(child));
        } else if (xml.name() == QLatin1String("item") && node.cls == QLatin1String("QComboBox")) {
            inItem = true;
            node.itemUserData.emplace_back();
        } else if (xml.name() == QLatin1String("property")) {
            QString pname = xml.attributes().value(QLatin1String("name")).toString();
            QString value = readValue(xml);
            if (inItem) {
                if (pname == QLatin1String("userdata")) node.itemUserData.back() = value;
            } else {
                node.props[pname] = value;
            }
        }
    }
}

struct Layout {
    std::unique_ptr<Node> root;
    QString error;
};

Layout loadLayout(const QString& rel) {
    Layout out;
    QFile f(kSource + QLatin1Char('/') + rel);
    if (!f.open(QIODevice::ReadOnly)) {
        out.error = QStringLiteral("cannot open ") + rel;
        return out;
    }
    QXmlStreamReader xml(&f);
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("ui")) continue;
        if (xml.name() == QLatin1String("widget")) {
            out.root = std::make_unique<Node>();
            readWidget(xml, *out.root);
            break;
        }
        xml.skipCurrentElement();
    }
    if (xml.hasError()) out.error = rel + QStringLiteral(": ") + xml.errorString();
    if (!out.root && out.error.isEmpty()) out.error = rel + QStringLiteral(": no widget");
    return out;
}

void walk(const Node& n, const std::function<void(const Node&)>& fn) {
    fn(n);
    for (auto& c : n.children) walk(*c, fn);
}

// Controls are found by name ignoring case.
const Node* find(const Node& root, const QString& name) {
    const Node* hit = nullptr;
    walk(root, [&](const Node& n) {
        if (!hit && n.name.compare(name, Qt::CaseInsensitive) == 0) hit = &n;
    });
    return hit;
}

QStringList indexed(const QString& prefix, int from, int to) {
    QStringList out;
    for (int i = from; i <= to; ++i) out << prefix + QString::number(i);
    return out;
}

const QStringList kAllLayouts = {
    QStringLiteral("XML/main.xml"),
    QStringLiteral("XML/msg.xml"),
    QStringLiteral("AboutWnd.xml"),
    QStringLiteral("PalletDialog.xml"),
    QStringLiteral("skin.xml"),
    QStringLiteral("XML/DeviceXml/keyboarddevice.xml"),
    QStringLiteral("XML/CustomControlXML/DeviceOption.xml"),
    QStringLiteral("XML/CustomControlXML/MpDevicePower.xml"),
    QStringLiteral("XML/CustomControlXML/DeviceProfile.xml"),
    QStringLiteral("XML/CustomControlXML/LightControl.xml"),
    QStringLiteral("XML/CustomControlXML/KeySetControl.xml"),
    QStringLiteral("XML/CustomControlXML/MacroControl.xml"),
    QStringLiteral("XML/CustomControlXML/ComboEditElementItem.xml"),
    QStringLiteral("setwnd.xml"),
    QStringLiteral("XML/CustomControlXML/device_Update_list_item.xml"),
};

TEST(SkinLayouts, EveryControlTheProgramLooksUpIsInItsLayout) {
    const std::vector<std::pair<QString, QStringList>> table = {
        {QStringLiteral("XML/main.xml"),
         {"root", "closebtn", "maxbtn", "restorebtn", "minbtn", "skinbtn", "gamemodebtn", "cloudbtn",
          "smarteyesbtn", "setbtn", "control_light_status", "setting_progress", "device_select_layout",
          "device_select_prev", "device_select_next", "device_switch", "device_power_switch",
          "No_device_Link", "nodevice_ok_btn", "str_test"}},
        {QStringLiteral("XML/msg.xml"), {"MessageTitle", "MessageText", "confirm_btn", "cancel_btn", "closebtn"}},
        {QStringLiteral("AboutWnd.xml"), {"text_test", "software_ver_label", "homepage_btn", "closebtn"}},
        {QStringLiteral("PalletDialog.xml"),
         QStringList{"Pallet", "color_show_btn", "color_edit_r", "color_edit_g", "color_edit_b", "7color",
                     "7color_layout", "okbtn", "closebtn", "laterbtn"} +
             indexed(QStringLiteral("color_option_"), 0, 19) +
             indexed(QStringLiteral("collect_color_option_"), 0, 19)},
        {QStringLiteral("skin.xml"),
         {"skin_color", "skin_image", "skin_tab", "skin_color_btn", "skin_image_btn", "skin_reset", "skin_Custom"}},
        {QStringLiteral("XML/CustomControlXML/DeviceOption.xml"),
         {"synchro_device_select", "device_select", "device_select_name"}},
        {QStringLiteral("XML/CustomControlXML/MpDevicePower.xml"),
         {"device_power_Layout", "device_power_value", "device_wuxian_logo", "device_Power_progress",
          "device_power_status", "device_phone_type"}},
        {QStringLiteral("XML/CustomControlXML/DeviceProfile.xml"),
         {"device_profile_combo", "device_profile_name_edit", "profile_menu_layout", "device_add_btn",
          "device_sub_btn", "device_copy_btn", "device_import_btn", "device_export_btn", "device_reset_btn",
          "device_profile_edit_save_btn", "profile_fun_spread_btn", "deng_Op_tab", "key_Op_tab", "macro_Op_tab",
          "system_Op_tab", "cursor_Op_tab", "6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab"}},
        {QStringLiteral("XML/CustomControlXML/LightControl.xml"),
         QStringList{"light_combo_modeSelect", "deng_light_slider", "deng_speed_slider", "deng_edit_R",
                     "deng_edit_G", "deng_edit_B", "deng_Color_Pallet", "deng_colordp_btn", "deng_7color_check",
                     "deng_FXL_check", "deng_FXR_check", "light_combo_ZZCCmodeSelect",
                     "light_combo_ZZCCmodeSelectLayout", "light_combo_custommodeSelect", "lightcustom_layout",
                     "custom_bright_color_btn", "custom_off_color_btn", "deng_same_mode", "lighteffect_layout",
                     "deng_color_layout", "colorpallet_layout", "deng_light_layout", "deng_speed_layout",
                     "deng_fx_layout", "light_color_layout", "light_color_tablayout",
                     "light_combo_audiomodeSelect", "light_combo_AudiomodeSelectLayout", "deng_audioedit_R",
                     "deng_audioedit_G", "deng_audioedit_B", "deng_audioColor_Pallet", "deng_audiocolordp_btn",
                     "deng_7audiocolor_check", "audio_BkColor_check", "audio_FgColor_check",
                     "light_audiocolor_layout", "audiocolorpallet_layout", "Close_bkColor_btn"} +
             indexed(QStringLiteral("color_option_"), 0, 11) + indexed(QStringLiteral("audiocolor_option_"), 0, 11)},
        {QStringLiteral("XML/CustomControlXML/KeySetControl.xml"),
         QStringList{"keyset_layout", "keyset_function_combo", "function_switch_tablayout", "key_butt_keydefalut",
                     "key_butt_keysave", "key_butt_keycancel", "key_butt_prosave", "keyset_mousekey_combo",
                     "keyset_mouseswing_combo", "keyset_mouseswing_num_edit", "keyset_mouseswing_delay_edit",
                     "keyset_mouseswing_speed_edit", "keyset_mousewheel_combo", "keyset_mousewheel_num_edit",
                     "keyset_mousewheel_delay_edit", "keyset_mousewheel_speed_edit", "keyset_mousedpi_combo",
                     "keyset_mousefire_interval_edit", "keyset_mousefire_num_edit", "keyset_keyboard_text_edit",
                     "keyset_media_combo", "keyset_system_combo", "keyset_macro_combo", "keyset_macro_over_combo",
                     "keyset_macro_cycle_layout", "keyset_macro_cycle_edit", "keyset_gunkey_combo",
                     "keyset_combokey_combo"} +
             indexed(QStringLiteral("key_ComBox_check_"), 0, 4)},
        {QStringLiteral("XML/CustomControlXML/MacroControl.xml"),
         {"macro_name_list", "macro_action_list", "macro_action_layout", "mouse_move_layout", "macro_btn_export",
          "macro_btn_import", "macro_btn_name_add", "macro_btn_name_sub", "macro_btn_name_edit",
          "macro_edit_macroname", "macro_name_tab", "macro_tab_macroaction_edit", "macro_tab_macrodelay_edit",
          "macro_btn_starredio", "macro_btn_stopredio", "macro_check_time", "macro_fixed_time_edit",
          "mouse_x_left_edit", "mouse_x_right_edit", "mouse_y_up_edit", "mouse_y_down_edit", "macro_btn_save",
          "macro_btn_cancel", "macro_btn_up", "macro_btn_down", "macro_btn_uptop", "macro_btn_downbottom",
          "macro_btn_delete", "macro_btn_deleteall", "macro_inset_moveleftkey_btn", "macro_inset_moverightkey_btn",
          "macro_inset_moveupkey_btn", "macro_inset_movedownkey_btn", "macro_action"}},
        {QStringLiteral("XML/CustomControlXML/ComboEditElementItem.xml"), {"text1", "text2", "delay_edit"}},
        {QStringLiteral("setwnd.xml"),
         {"closebtn", "maxbtn", "restorebtn", "minbtn", "menubtn", "laterbtn", "homepage_btn",
          "device_update_list_info", "Language_combox_info", "update_status_ring", "Update_Status_text",
          "update_status_image", "update_fw_and_ap", "get_update_tab_layout", "update_tishi_layout",
          "set_in_update_wnd_btn", "update_OK_btn"}},
        {QStringLiteral("XML/CustomControlXML/device_Update_list_item.xml"),
         {"check_name_select", "OldRev", "updateRev", "update_status_text", "update_status_ing",
          "update_progress_value", "update_status_ok"}},
        {QStringLiteral("XML/DeviceXml/keyboarddevice.xml"),
         QStringList{"device_key_light", "DeviceProfileItem", "LightControlItem", "KeySetControlItem",
                     "MacroControlItem", "device_function_switch", "device_key_function_switch", "text_test",
                     "winlockflag_option", "wflag_option", "6flag_option", "repeat_rate_slider",
                     "repeat_delay_time_label1", "repeat_input_richedit", "reset_repeat_btn", "windowdeviceset_0",
                     "default_btn"} +
             indexed(QStringLiteral("polling_rate_option_"), 0, 3) +
             indexed(QStringLiteral("repeat_delay_check_"), 0, 3)},
    };
    for (const auto& [file, names] : table) {
        Layout l = loadLayout(file);
        ASSERT_TRUE(l.root) << l.error.toStdString();
        for (const QString& n : names)
            EXPECT_TRUE(find(*l.root, n)) << file.toStdString() << " lacks " << n.toStdString();
    }
}

TEST(SkinLayouts, ClassesAreKnownAndNamesUniqueWithinEachFile) {
    const std::set<QString> known = {
        "QWidget", "QFrame", "QLabel", "QPushButton", "QRadioButton", "QCheckBox", "QSlider", "QLineEdit",
        "QComboBox", "QListWidget", "QProgressBar", "QStackedWidget", "QScrollArea",
        // the program's own controls and sub-layouts
        "SelectPanel", "DeviceKeyButton", "ColorPalette", "CircleProgress", "DeviceOption", "MpDevicePower", "DeviceProfile",
        "LightControl", "KeySetControl", "MacroControl", "ZentrovaKeyboardDevice", "DeviceProfileUI",
        "LightSetControlUI", "KeySetControlUI", "MacroSetControlUI"};
    // Buttons that the skin chooser tells apart by their colour or picture, not by name.
    const std::set<QString> repeatable = {"skin_color_btn", "skin_image_btn"};
    for (const QString& file : kAllLayouts) {
        Layout l = loadLayout(file);
        ASSERT_TRUE(l.root) << l.error.toStdString();
        std::map<QString, int> seen;
        walk(*l.root, [&](const Node& n) {
            EXPECT_TRUE(known.count(n.cls)) << file.toStdString() << ": class " << n.cls.toStdString();
            EXPECT_FALSE(n.name.isEmpty()) << file.toStdString() << ": a " << n.cls.toStdString() << " without name";
            if (!repeatable.count(n.name)) ++seen[n.name.toLower()];
        });
        for (auto& [name, count] : seen)
            EXPECT_EQ(count, 1) << file.toStdString() << ": " << name.toStdString() << " appears " << count << " times";
    }
}

TEST(SkinLayouts, TabContainersHaveThePagesTheCodeSwitchesTo) {
    struct Case { const char* file; const char* name; int pages; };
    const Case cases[] = {
        {"XML/main.xml", "device_switch", 1},            // page 0: nothing attached; devices append theirs
        {"XML/main.xml", "device_power_switch", 1},
        {"XML/DeviceXml/keyboarddevice.xml", "device_function_switch", 4},
        {"XML/DeviceXml/keyboarddevice.xml", "device_key_function_switch", 3},
        {"XML/CustomControlXML/KeySetControl.xml", "function_switch_tablayout", 12},
        {"XML/CustomControlXML/LightControl.xml", "light_color_tablayout", 2},
        {"skin.xml", "skin_tab", 2},
        {"setwnd.xml", "get_update_tab_layout", 2},
    };
    for (const Case& c : cases) {
        Layout l = loadLayout(QString::fromLatin1(c.file));
        ASSERT_TRUE(l.root) << l.error.toStdString();
        const Node* n = find(*l.root, QString::fromLatin1(c.name));
        ASSERT_TRUE(n) << c.name;
        EXPECT_EQ(n->cls, QStringLiteral("QStackedWidget")) << c.name;
        EXPECT_EQ(static_cast<int>(n->children.size()), c.pages) << c.name;
    }
    // The function list's items carry the page numbers they open, in page order.
    Layout ks = loadLayout(QStringLiteral("XML/CustomControlXML/KeySetControl.xml"));
    ASSERT_TRUE(ks.root);
    const Node* combo = find(*ks.root, QStringLiteral("keyset_function_combo"));
    ASSERT_TRUE(combo);
    ASSERT_EQ(combo->itemUserData.size(), 12u);
    for (size_t i = 0; i < combo->itemUserData.size(); ++i)
        EXPECT_EQ(combo->itemUserData[i], QString::number(i));
    EXPECT_EQ(combo->props.at(QStringLiteral("itemuserdata")), QStringLiteral("0,1,2,3,4,5,6,7,8,9,10,11"));
}

TEST(SkinLayouts, KeyboardPictureHasEveryKeyOfTheBoardInPlace) {
    QFile bf(kSource + QStringLiteral("/tools/board-88.json"));
    ASSERT_TRUE(bf.open(QIODevice::ReadOnly));
    const QJsonObject board = QJsonDocument::fromJson(bf.readAll()).object();
    const QJsonArray keys = board.value(QStringLiteral("keys")).toArray();
    ASSERT_EQ(keys.size(), 88);

    Layout l = loadLayout(QStringLiteral("XML/DeviceXml/keyboarddevice.xml"));
    ASSERT_TRUE(l.root) << l.error.toStdString();
    const Node* panel = find(*l.root, QStringLiteral("device_key_light"));
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->cls, QStringLiteral("SelectPanel"));
    const QStringList pg = panel->props.at(QStringLiteral("geometry")).split(QLatin1Char(','));
    ASSERT_EQ(pg.size(), 4);
    const int pw = pg[2].toInt(), ph = pg[3].toInt();
    const double unit = pw / board.value(QStringLiteral("width")).toDouble();
    EXPECT_NEAR(ph / board.value(QStringLiteral("height")).toDouble(), unit, 0.01) << "keys keep their proportions";

    // Direct children only: the device reads its key buttons from the panel itself.
    std::map<QString, const Node*> buttons;
    for (auto& c : panel->children) buttons[c->name] = c.get();
    EXPECT_EQ(buttons.size(), 88u);

    std::vector<QRect> rects;
    for (const QJsonValue& v : keys) {
        const QJsonObject k = v.toObject();
        const int index = k.value(QStringLiteral("key")).toInt();
        const QString name = QStringLiteral("key_%1").arg(index);
        auto it = buttons.find(name);
        ASSERT_NE(it, buttons.end()) << name.toStdString();
        const Node& b = *it->second;
        EXPECT_EQ(b.cls, QStringLiteral("DeviceKeyButton")) << name.toStdString();
        EXPECT_EQ(b.props.at(QStringLiteral("userdata")), QStringLiteral("light_%1").arg(index));
        EXPECT_EQ(b.props.at(QStringLiteral("text")), k.value(QStringLiteral("label")).toString());
        EXPECT_TRUE(b.props.count(QStringLiteral("lightimage"))) << name.toStdString() << " cannot glow";
        const QStringList g = b.props.at(QStringLiteral("geometry")).split(QLatin1Char(','));
        ASSERT_EQ(g.size(), 4);
        const QRect r(g[0].toInt(), g[1].toInt(), g[2].toInt(), g[3].toInt());
        // The cap sits in its cell of the board, centred with a small gap all round.
        const QRectF cell(k.value(QStringLiteral("x")).toDouble() * unit, k.value(QStringLiteral("y")).toDouble() * unit,
                          k.value(QStringLiteral("w")).toDouble() * unit, k.value(QStringLiteral("h")).toDouble() * unit);
        EXPECT_NEAR(QRectF(r).center().x(), cell.center().x(), 1.0) << name.toStdString();
        EXPECT_NEAR(QRectF(r).center().y(), cell.center().y(), 1.0) << name.toStdString();
        EXPECT_GE(r.width(), cell.width() - 8) << name.toStdString();
        EXPECT_LE(r.width(), cell.width()) << name.toStdString();
        EXPECT_TRUE(QRect(0, 0, pw, ph).contains(r)) << name.toStdString() << " outside the panel";
        rects.push_back(r);
    }
    for (size_t i = 0; i < rects.size(); ++i)
        for (size_t j = i + 1; j < rects.size(); ++j)
            EXPECT_FALSE(rects[i].intersects(rects[j])) << "keys " << i << " and " << j << " overlap";
}

// A plain Designer loader: the program's own classes become plain containers, as a toolkit that
// does not know them yet would make them.
class PlainLoader : public QUiLoader {
public:
    QWidget* createWidget(const QString& cls, QWidget* parent, const QString& name) override {
        QWidget* w = availableWidgets().contains(cls) ? QUiLoader::createWidget(cls, parent, name) : nullptr;
        if (!w) {
            w = new QWidget(parent);
            w->setObjectName(name);
        }
        ++created;
        return w;
    }
    int created = 0;
};

TEST(SkinLayouts, EveryLayoutLoadsWithADesignerLoader) {
    int argc = 1;
    char arg0[] = "test_skin";
    char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    for (const QString& file : kAllLayouts) {
        Layout l = loadLayout(file);
        ASSERT_TRUE(l.root) << l.error.toStdString();
        int widgets = 0;
        walk(*l.root, [&](const Node&) { ++widgets; });

        QFile f(kSource + QLatin1Char('/') + file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        PlainLoader loader;
        std::unique_ptr<QWidget> top(loader.load(&f));
        ASSERT_TRUE(top) << file.toStdString() << ": " << loader.errorString().toStdString();
        EXPECT_EQ(loader.created, widgets) << file.toStdString() << ": some widgets were not built";
        EXPECT_EQ(top->objectName(), l.root->name);
        // Every control is reachable by its name in the built tree.
        walk(*l.root, [&](const Node& n) {
            if (&n != l.root.get()) {
                EXPECT_TRUE(top->findChild<QWidget*>(n.name)) << file.toStdString() << ": " << n.name.toStdString();
            }
        });
    }
}

// ---------------------------------------------------------------------------- language texts

QJsonObject loadLanguage(const QString& file) {
    QFile f(kSource + QStringLiteral("/lang/") + file);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QJsonParseError err{};
    QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &err);
    return err.error == QJsonParseError::NoError ? doc.object() : QJsonObject();
}

std::set<QString> keysUsedBySkin() {
    std::set<QString> keys;
    for (const QString& file : kAllLayouts) {
        Layout l = loadLayout(file);
        if (!l.root) continue;
        walk(*l.root, [&](const Node& n) {
            for (const char* p : {"textkey", "tooltipkey"})
                if (auto it = n.props.find(QLatin1String(p)); it != n.props.end()) keys.insert(it->second);
            if (auto it = n.props.find(QStringLiteral("itemtextkeys")); it != n.props.end())
                for (const QString& k : it->second.split(QLatin1Char(','), Qt::SkipEmptyParts)) keys.insert(k);
        });
    }
    for (const QString& menu : {QStringLiteral("menu.xml"), QStringLiteral("XML/Menus/macro_action_menu.xml")}) {
        QFile f(kSource + QLatin1Char('/') + menu);
        if (!f.open(QIODevice::ReadOnly)) continue;
        QXmlStreamReader xml(&f);
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("MenuElement"))
                keys.insert(xml.attributes().value(QLatin1String("textkey")).toString());
    }
    return keys;
}

TEST(SkinLanguages, EveryKeyHasATextInEnglishAndGerman) {
    const QJsonObject en = loadLanguage(QStringLiteral("en.json"));
    const QJsonObject de = loadLanguage(QStringLiteral("de.json"));
    ASSERT_FALSE(en.isEmpty()) << "en.json unreadable";
    ASSERT_FALSE(de.isEmpty()) << "de.json unreadable";

    // Keys of the layouts, plus the message, title and menu keys the windows ask for by code.
    std::set<QString> wanted = keysUsedBySkin();
    ASSERT_GT(wanted.size(), 100u);
    for (const char* k : {"message_text_2", "message_text_4", "message_text_5", "message_text_6", "message_text_7",
                          "message_text_16", "message_text_22", "message_text_25", "message_text_26", "tips_text",
                          "software_rev_text", "Key_Set", "close_text", "Repeat_Delay_Time", "Repeat_input_text",
                          "tray_menu_about", "tray_menu_settings", "tray_menu_exit", "down", "up",
                          "light_set_clockwise_text", "light_set_anticlockwise_text", "light_set_down_to_up_text",
                          "light_set_up_to_down_text", "light_set_outside_to_inside_text",
                          "light_set_inside_to_outside_text", "kb_device_name_text", "ms_device_name_text",
                          "hard_mp_device_name_text", "soft_mp_device_name_text", "hd_device_name_text",
                          "hub_device_name_text", "unknow_device_name_text", "keyboard_key_A",
                          "keyboard_key_Print Scr", "keyboard_key_RAlt", "mouse_key_left", "media_play",
                          "GetUpdateInfoText", "HaveUpdateInfoText", "NoUpdateInfoText", "ISUpdateINGText",
                          "UpdateIsLastText", "LessUpdateText", "NeedUpdateText", "DownloadWaitText",
                          "DownloadIngText", "DownloadOkText", "UpdateIngText", "UpdateOkText", "UpdateFailText"})
        wanted.insert(QString::fromLatin1(k));

    for (const QString& k : wanted) {
        EXPECT_FALSE(en.value(k).toString().trimmed().isEmpty()) << "no English text for " << k.toStdString();
        EXPECT_FALSE(de.value(k).toString().trimmed().isEmpty()) << "no German text for " << k.toStdString();
    }
    // Both languages know the same keys, so a switch never falls back to a bare key.
    for (auto it = en.begin(); it != en.end(); ++it)
        EXPECT_TRUE(de.contains(it.key())) << "German lacks " << it.key().toStdString();
    for (auto it = de.begin(); it != de.end(); ++it)
        EXPECT_TRUE(en.contains(it.key())) << "English lacks " << it.key().toStdString();

    // The overflow message is a format with exactly one number.
    const QRegularExpression conversion(QStringLiteral("%[-+ #0]*[0-9]*[a-zA-Z]"));
    for (const QJsonObject* lang : {&en, &de}) {
        const QString t = lang->value(QStringLiteral("message_text_16")).toString();
        auto m = conversion.globalMatch(t);
        QStringList found;
        while (m.hasNext()) found << m.next().captured();
        EXPECT_EQ(found, QStringList{QStringLiteral("%d")}) << t.toStdString();
        // No other text is a format: a stray % would be taken for one.
        for (auto it = lang->begin(); it != lang->end(); ++it) {
            if (it.key() != QLatin1String("message_text_16")) {
                EXPECT_FALSE(it.value().toString().contains(QLatin1Char('%'))) << it.key().toStdString();
            }
        }
    }
}

// ---------------------------------------------------------------------------- images

QStringList imageFilesOf(const QString& attribute) {
    static const QRegularExpression fileAttr(QStringLiteral("file='([^']*)'"));
    QStringList out;
    auto m = fileAttr.globalMatch(attribute);
    while (m.hasNext()) out << m.next().captured(1);
    if (out.isEmpty() && attribute.endsWith(QLatin1String(".png"))) out << attribute;
    return out;
}

TEST(SkinImages, EveryPictureTheLayoutsAndTheCodeNameIsRendered) {
    std::set<QString> wanted;
    for (const QString& file : kAllLayouts) {
        Layout l = loadLayout(file);
        ASSERT_TRUE(l.root) << l.error.toStdString();
        walk(*l.root, [&](const Node& n) {
            for (auto& [k, v] : n.props)
                if (k.endsWith(QLatin1String("image")))
                    for (const QString& f : imageFilesOf(v)) wanted.insert(f);
        });
    }
    ASSERT_GT(wanted.size(), 20u);
    // Pictures the program sets by code.
    for (const char* kind : {"kb", "ms", "hard_mp", "soft_mp", "hd", "hub", "unknow"})
        for (const char* state : {"normal", "selected", "synchro_normal", "synchro_selected"})
            wanted.insert(QStringLiteral("common/device_ico/%1_device_%2.png").arg(QLatin1String(kind), QLatin1String(state)));
    for (const char* f : {"power/powered.png", "power/powering.png", "power/wuxian_powering.png", "power/power.png",
                          "power/Phone_type_iphone.png", "power/Phone_type_samsung.png", "power/Phone_type_other.png",
                          "power/Phone_type_no_device.png", "common/background.png", "common/base1.png",
                          "Control/SliderBar1_Thumb.png", "Control/SliderBar2_Thumb.png", "common/app_icon.png"})
        wanted.insert(QString::fromLatin1(f));

    for (const QString& f : wanted) {
        QImage img(kBuilt + QLatin1Char('/') + f);
        EXPECT_FALSE(img.isNull()) << f.toStdString() << " is not in the built skin";
        if (img.isNull()) continue;
        // Drawn, not blank: some pixel is not fully transparent.
        bool painted = false;
        for (int y = 0; y < img.height() && !painted; ++y)
            for (int x = 0; x < img.width() && !painted; ++x) painted = qAlpha(img.pixel(x, y)) > 0;
        EXPECT_TRUE(painted) << f.toStdString() << " is empty";
    }

    // Key caps are stretched in nine parts: each picture must be larger than its two corners.
    Layout kb = loadLayout(QStringLiteral("XML/DeviceXml/keyboarddevice.xml"));
    ASSERT_TRUE(kb.root);
    const Node* esc = find(*kb.root, QStringLiteral("key_0"));
    ASSERT_TRUE(esc);
    static const QRegularExpression corner(QStringLiteral("corner='(\\d+),(\\d+),(\\d+),(\\d+)'"));
    for (const char* slot : {"normalimage", "hotimage", "pushedimage", "selectedimage", "lightimage"}) {
        const QString attr = esc->props.at(QLatin1String(slot));
        auto m = corner.match(attr);
        ASSERT_TRUE(m.hasMatch()) << slot;
        QImage img(kBuilt + QLatin1Char('/') + imageFilesOf(attr).value(0));
        ASSERT_FALSE(img.isNull()) << slot;
        EXPECT_LT(m.captured(1).toInt() + m.captured(3).toInt(), img.width()) << slot;
        EXPECT_LT(m.captured(2).toInt() + m.captured(4).toInt(), img.height()) << slot;
    }
}

TEST(SkinIndex, ResourceNamesAndInstalledFilesResolve) {
    QFile f(kSource + QStringLiteral("/res.xml"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    std::map<QString, QString> entries;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("File"))
            entries[xml.attributes().value(QLatin1String("name")).toString()] =
                xml.attributes().value(QLatin1String("path")).toString();
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    for (const char* name : {"XML_MAIN", "XML_MSG"}) EXPECT_TRUE(entries.count(QLatin1String(name))) << name;
    for (auto& [name, path] : entries) {
        EXPECT_FALSE(path.contains(QLatin1Char('\\'))) << name.toStdString();
        EXPECT_TRUE(QFile::exists(kBuilt + QLatin1Char('/') + path)) << name.toStdString() << " -> " << path.toStdString();
    }
    // The build copies every source file of the skin (drawings become PNGs, tools stay behind).
    QDirIterator it(kSource, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString rel = QDir(kSource).relativeFilePath(it.next());
        if (rel.startsWith(QLatin1String("tools/")) || rel.startsWith(QLatin1String("svg/")) ||
            rel == QLatin1String("CMakeLists.txt") || rel == QLatin1String("README.md") ||
            rel.startsWith(QLatin1Char('.')))
            continue;
        EXPECT_TRUE(QFile::exists(kBuilt + QLatin1Char('/') + rel)) << rel.toStdString() << " not copied";
    }
}

} // namespace
