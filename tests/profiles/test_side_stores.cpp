#include <filesystem>
#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "platform/program_paths.h"
#include "profile_test_util.h"
#include "profiles/data_folders.h"
#include "profiles/side_stores.h"

using namespace quasar;
using namespace quasar::testing;

namespace {

struct MacroFixture : ::testing::Test {
    TempDir dir;
    MacroStore store{dir.path()};
    void SetUp() override { store.load(); }
    std::vector<std::string> onDiskNames() {
        std::vector<std::string> out;
        Json::Value index = readJson(store.indexPath());
        for (const auto& e : index["MacroInfo"])
            out.push_back(e["MacroName"].asString());
        return out;
    }
};

} // namespace

// New macros take the smallest free "macro_%d" and stop at 50.
TEST_F(MacroFixture, NewMacroNamesAndLimit) {
    ASSERT_EQ(store.newMacro(), 0);
    ASSERT_EQ(store.newMacro(), 1);
    ASSERT_EQ(store.newMacro(), 2);
    ASSERT_TRUE(store.deleteMacro(1));
    ASSERT_EQ(onDiskNames(), (std::vector<std::string>{"macro_1", "macro_3"}));
    ASSERT_EQ(store.newMacro(), 2);
    EXPECT_EQ(onDiskNames(), (std::vector<std::string>{"macro_1", "macro_3", "macro_2"}));
    ASSERT_TRUE(store.renameMacro(0, "MACRO_4"));
    store.newMacro();
    EXPECT_EQ(store.macros().back().name, "macro_1") << "names compare ignoring case";

    while (store.macros().size() < 50)
        ASSERT_GE(store.newMacro(), 0);
    EXPECT_EQ(store.newMacro(), -1);
    writeText(dir.file("Combo.mac"), R"({"Events":[]})");
    EXPECT_EQ(store.importMacro(dir.file("Combo.mac")), -1);
    std::set<std::string> guids;
    for (const auto& m : store.macros())
        guids.insert(m.guid);
    EXPECT_EQ(guids.size(), 50u) << "every macro has its own Guid";
}

// Import: the file's title, then "title_1"; the file is copied byte for byte; non-macros refused.
TEST_F(MacroFixture, ImportExportAndNames) {
    const std::string text = "// recorded\n{\"MacroName\":\"x\",\"Events\":[],\"Version\":64}\n";
    std::string combo = dir.file("Combo.mac");
    writeText(combo, text);
    ASSERT_EQ(store.importMacro(combo), 0);
    ASSERT_EQ(store.importMacro(combo), 1);
    EXPECT_EQ(onDiskNames(), (std::vector<std::string>{"Combo", "Combo_1"}));
    EXPECT_EQ(readText(store.macroFilePath(1)), text);
    std::string out = dir.file("out.mac");
    ASSERT_TRUE(store.exportMacro(0, out));
    EXPECT_EQ(readText(out), text);

    writeText(dir.file("junk.mac"), "not a macro");
    EXPECT_EQ(store.importMacro(dir.file("junk.mac")), -1);
    EXPECT_EQ(store.importMacro(dir.file("missing.mac")), -1);
    EXPECT_EQ(store.macros().size(), 2u);
    EXPECT_FALSE(store.exportMacro(5, out));
}

// Saving steps writes the delays as decimal text ("" -> "0"); delays stored as integers read back.
TEST_F(MacroFixture, SaveStepsAndDelays) {
    ASSERT_EQ(store.newMacro(), 0);
    Json::Value down(Json::objectValue);
    down["Action"] = "down";
    down["Button"] = 4;
    down["Type"] = 1;
    down["Delay"] = "999";
    Json::Value up = down;
    up["Action"] = "up";
    ASSERT_TRUE(store.saveSteps(0, {{down, "150"}, {up, ""}, {up, "70000"}, {up, "12ms"}}));
    Json::Value file = store.readMacroFile(0);
    EXPECT_EQ(file["Version"].asInt(), 64);
    EXPECT_EQ(file["MacroName"].asString(), "macro_1");
    EXPECT_EQ(file["Guid"].asString(), store.macros()[0].guid);
    ASSERT_EQ(file["Events"].size(), 4u);
    EXPECT_EQ(file["Events"][0]["Delay"].asString(), "150");
    EXPECT_EQ(file["Events"][1]["Delay"].asString(), "0");
    EXPECT_EQ(file["Events"][3]["Delay"].asString(), "12");
    std::vector<MacroEventRecord> ev = macroEvents(file);
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_TRUE(ev[0].down);
    EXPECT_FALSE(ev[1].down);
    EXPECT_EQ(ev[0].button, 4);
    EXPECT_EQ(ev[2].delay, 70000u);

    struct Case {
        const char* json;
        std::uint32_t delay;
    };
    const Case cases[] = {{R"({"Delay":150})", 150},
                          {R"({"Delay":"150"})", 150},
                          {R"({"Delay":-5})", 0},
                          {R"({"Delay":[1]})", 0},
                          {R"({"Delay":"abc"})", 0},
                          {R"({})", 0},
                          {R"({"Delay":"99999999999"})", 0xFFFFFFFFu}};
    for (const Case& c : cases)
        EXPECT_EQ(delayOf(parseJson(c.json)), c.delay) << c.json;
}

// Deleting moves later macros up and removes the file; renaming touches only the index.
TEST_F(MacroFixture, DeleteAndRename) {
    store.newMacro();
    store.newMacro();
    ASSERT_TRUE(store.saveSteps(0, {}));
    ASSERT_TRUE(store.saveSteps(1, {}));
    std::string firstFile = store.macroFilePath(0);
    std::string secondGuid = store.macros()[1].guid;
    ASSERT_TRUE(store.renameMacro(1, "Reload"));
    EXPECT_EQ(store.readMacroFile(1)["MacroName"].asString(), "macro_2");
    EXPECT_FALSE(store.renameMacro(1, " "));
    ASSERT_TRUE(store.deleteMacro(0));
    EXPECT_FALSE(exists(firstFile));
    Json::Value index = readJson(store.indexPath());
    ASSERT_EQ(index["MacroInfo"].size(), 1u);
    EXPECT_EQ(index["MacroInfo"][0]["Guid"].asString(), secondGuid);
    EXPECT_EQ(index["MacroInfo"][0]["MacroName"].asString(), "Reload");
    EXPECT_FALSE(store.deleteMacro(3));
}

// Macros another process added or removed while the editor held the list are neither lost nor
// brought back by the editor's next change, which still acts on the macro it showed.
TEST_F(MacroFixture, ChangesFromAnotherProcessSurvive) {
    ASSERT_EQ(store.newMacro(), 0);
    MacroStore other(dir.path());
    other.load();
    ASSERT_EQ(other.newMacro(), 1);
    ASSERT_EQ(other.newMacro(), 2);
    ASSERT_EQ(store.newMacro(), 3) << "the editor's list did not know the others";
    EXPECT_EQ(onDiskNames(),
              (std::vector<std::string>{"macro_1", "macro_2", "macro_3", "macro_4"}));

    other.load();
    ASSERT_TRUE(other.deleteMacro(0));           // the disk list is now macro_2, macro_3, macro_4
    ASSERT_TRUE(store.renameMacro(2, "Reload")); // macro_3 in the editor's list
    EXPECT_EQ(onDiskNames(), (std::vector<std::string>{"macro_2", "Reload", "macro_4"}));
    other.load();
    ASSERT_TRUE(other.deleteMacro(0)); // now Reload, macro_4
    ASSERT_TRUE(store.deleteMacro(2)); // macro_4 in the editor's list
    EXPECT_EQ(onDiskNames(), (std::vector<std::string>{"Reload"}));
    EXPECT_EQ(store.macros().size(), 1u);

    // An index that has become unreadable does not wipe the list held in memory.
    writeText(store.indexPath(), "{ torn");
    ASSERT_EQ(store.newMacro(), 1);
    EXPECT_EQ(onDiskNames(), (std::vector<std::string>{"Reload", "macro_1"}));
}

// A damaged or lost index is rebuilt, in creation order, from the macro files still there; only
// the program's own index file is written.
TEST_F(MacroFixture, LostIndexIsRebuiltFromMacroFiles) {
    store.newMacro();
    store.newMacro();
    store.newMacro();
    ASSERT_TRUE(store.renameMacro(0, "Größe"));
    ASSERT_TRUE(store.saveSteps(0, {}));
    ASSERT_TRUE(store.saveSteps(2, {}));
    const std::string first = store.macros()[0].guid, third = store.macros()[2].guid;
    for (const char* text : {"{ torn", ""}) {
        writeText(store.indexPath(), text);
        MacroStore again(dir.path());
        again.load();
        ASSERT_EQ(again.macros().size(), 2u) << text;
        EXPECT_EQ(again.macros()[0].guid, first);
        EXPECT_EQ(again.macros()[0].name, "Größe") << "the name saved with the steps";
        EXPECT_EQ(again.macros()[1].guid, third);
        EXPECT_EQ(onDiskNames(), (std::vector<std::string>{"Größe", "macro_3"})) << text;
    }
    std::filesystem::remove(store.indexPath());
    MacroStore foreign(dir.path(), "norvo_macro.config");
    foreign.load();
    EXPECT_EQ(foreign.macros().size(), 2u);
    EXPECT_FALSE(exists(foreign.indexPath())) << "another program's list is only read";
}

// A Guid that is not a plain file name never becomes a path: no reading, writing or deleting
// outside the store's folder.
TEST_F(MacroFixture, GuidCannotLeaveTheFolder) {
    std::filesystem::create_directories(dir.file("store"));
    MacroStore inner(dir.file("store"));
    std::string victim = dir.file("victim.mac");
    writeText(victim, R"({"Events":[]})");
    writeText(inner.indexPath(), R"({"MacroInfo":[{"MacroName":"a","Guid":"../victim"},
        {"MacroName":"b","Guid":"..\\victim"},{"MacroName":"c","Guid":""},{"MacroName":"d","Guid":7}]})");
    inner.load();
    ASSERT_EQ(inner.macros().size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(inner.macroFilePath(i), "") << i;
        EXPECT_TRUE(inner.readMacroFile(i).isNull()) << i;
        EXPECT_FALSE(inner.saveSteps(i, {})) << i;
        EXPECT_FALSE(inner.exportMacro(i, dir.file("out.mac"))) << i;
    }
    ASSERT_TRUE(inner.deleteMacro(0));
    EXPECT_EQ(readText(victim), R"({"Events":[]})");
}

// The colour presets start as an exact copy of the installed file and keep their values.
TEST(ColourPresets, FirstOpenCopiesAndSaveRoundTrips) {
    TempDir dir;
    std::string installed = dir.file("installed.config");
    std::string user = dir.file("user.config");
    const std::string text = R"({"coloroptioninfo":{"palletDialogcoloroption":[{"color":"FF102030"},
        {"color":"zz"},{"color":7}],"palletDialogcoloroption_selectitem":1,
        "palletDialogcollectcoloroption":[{"color":"00ABCDEF","UserData":"Größe"}]}})";
    writeText(installed, text);
    ColourPresetStore store(user, installed);
    ColourPresetValues v = store.open();
    EXPECT_EQ(readText(user), text);
    ASSERT_TRUE(v.swatches[0].present);
    EXPECT_EQ((v.swatches[0].argb >> 16) & 0xFF, 0x10u);
    EXPECT_EQ((v.swatches[0].argb >> 8) & 0xFF, 0x20u);
    EXPECT_EQ(v.swatches[0].argb & 0xFF, 0x30u);
    EXPECT_FALSE(v.swatches[1].present);
    EXPECT_FALSE(v.swatches[2].present);
    EXPECT_EQ(v.swatchSelected, 1);
    EXPECT_EQ(v.saved[0].userData, "Größe");

    v.swatches[19] = ColourSlot{true, 0xFF0099FF, {}};
    v.saved[0].argb = 0x12345678;
    v.savedSelected = 3;
    ASSERT_TRUE(store.save(v));
    Json::Value onDisk = readJson(user)["coloroptioninfo"];
    EXPECT_EQ(onDisk["palletDialogcoloroption"][19]["color"].asString(), "FF0099FF");
    EXPECT_EQ(onDisk["palletDialogcollectcoloroption"][0]["color"].asString(), "12345678");
    EXPECT_EQ(onDisk["palletDialogcollectcoloroption_selectitem"].asInt(), 3);

    writeText(installed, "{}");
    ColourPresetStore again(user, installed);
    EXPECT_EQ(again.open().swatches[19].argb, 0xFF0099FFu) << "the user's file wins once it exists";
}

TEST(UpdateDate, RoundTripAndFormat) {
    TempDir dir;
    std::string path = dir.file("updatetime.config");
    EXPECT_EQ(readUpdateDate(path), "");
    std::string today = todayText();
    int y = 0, m = 0, d = 0;
    ASSERT_EQ(std::sscanf(today.c_str(), "%d-%d-%d", &y, &m, &d), 3);
    EXPECT_TRUE(y >= 2000 && m >= 1 && m <= 12 && d >= 1 && d <= 31) << today;
    EXPECT_EQ(today.find("-0"), std::string::npos) << "no leading zeros";
    ASSERT_TRUE(writeUpdateDate(path, "2021-3-9"));
    EXPECT_EQ(readUpdateDate(path), "2021-3-9");
    writeText(path, R"({"updatelasttime":"2021-3-9"})");
    EXPECT_EQ(readUpdateDate(path), "");
}

// The installed light names, languages and audio styles are complete, and every language key
// they use has an English and a German text.
TEST(FactoryStores, InstalledFilesAreComplete) {
    Json::Value en =
        readJson(std::filesystem::path(QUASAR_SOURCE_DATA_DIR) / "skin/lang/en.data.json");
    Json::Value de =
        readJson(std::filesystem::path(QUASAR_SOURCE_DATA_DIR) / "skin/lang/de.data.json");
    ASSERT_TRUE(en.isObject());
    ASSERT_TRUE(de.isObject());
    auto hasTexts = [&](const std::string& key) {
        EXPECT_TRUE(en[key].isString() && !en[key].asString().empty()) << key;
        EXPECT_TRUE(de[key].isString() && !de[key].asString().empty()) << key;
    };
    const std::size_t effectCounts[] = {31, 10, 9, 9};
    for (int c = 0; c < 4; ++c) {
        LightNameLists names = readLightNames(defaultLightNamesPath(), c);
        ASSERT_EQ(names.effects.size(), effectCounts[c]) << c;
        EXPECT_FALSE(names.areas.empty()) << c;
        for (const LightEffectName& e : names.effects) {
            hasTexts(e.nameKey);
            EXPECT_TRUE(e.visible);
        }
        for (const std::string& a : names.areas)
            hasTexts(a);
    }
    EXPECT_TRUE(readLightNames(defaultLightNamesPath(), 4).effects.empty());
    // Every name key anywhere in the installed files, not only the lists read above; and both
    // languages know the same keys.
    std::function<void(const Json::Value&)> walk = [&](const Json::Value& v) {
        if (v.isObject() && v["LightName"].isString()) hasTexts(v["LightName"].asString());
        if (v.isObject() || v.isArray())
            for (const Json::Value& child : v)
                walk(child);
    };
    std::size_t files = 0;
    for (const auto& f : std::filesystem::directory_iterator(defaultDataFolder())) {
        Json::Value doc = readJson(f.path().string());
        EXPECT_FALSE(doc.isNull()) << f.path() << " is not JSON";
        walk(doc);
        ++files;
    }
    EXPECT_GE(files, 12u);
    EXPECT_EQ(en.getMemberNames(), de.getMemberNames());

    std::vector<LanguageEntry> langs = readLanguages(languageListPath());
    ASSERT_GE(langs.size(), 2u);
    EXPECT_EQ(langs[0].id, 1033);
    EXPECT_EQ(langs[0].name, "English");
    EXPECT_EQ(langs[0].file, "en.json");
    EXPECT_EQ(langs[0].text, "English");
    EXPECT_EQ(langs[1].id, 1031);
    EXPECT_EQ(langs[1].file, "de.json");

    TempDir dir;
    ColourPresetStore colours(dir.file("c.config"), defaultDataFolder() + kColourPresetFileName);
    ColourPresetValues v = colours.open();
    for (const ColourSlot& s : v.swatches)
        EXPECT_TRUE(s.present);

    Json::Value audio = readJson(defaultDataFolder() + "AudioFile.json");
    EXPECT_EQ(audio["Device"]["AudioLightInfo"]["nStyleName4"].isString(), true);
    for (int gun = 0; gun < 4; ++gun) {
        Json::Value shoot =
            readJson(defaultDataFolder() + "ShootData_" + std::to_string(gun) + ".Shoot");
        ASSERT_EQ(shoot["Events"].size(), 180u) << gun;
        std::vector<MacroEventRecord> ev = macroEvents(shoot);
        for (int b = 0; b < 30; ++b) {
            EXPECT_EQ(ev[6 * b].type, 1);
            EXPECT_TRUE(ev[6 * b].down);
            EXPECT_EQ(ev[6 * b + 3].type, 5);
            EXPECT_GT(ev[6 * b + 3].delay, 0u);
        }
    }
}

// The data folders follow XDG_DATA_HOME and are created level by level.
TEST(DataFolders, FollowXdgAndAreCreated) {
    TempDir dir;
    ScopedEnv env("XDG_DATA_HOME", dir.path() + "/a/b");
    std::string user = userDataFolder("MousePad");
    EXPECT_EQ(user, dir.path() + "/a/b/Brimlet Quasar+ 88-Key RGB Keyboard/MousePad/");
    EXPECT_TRUE(std::filesystem::is_directory(user));
    EXPECT_EQ(dataRootFolder(), dir.path() + "/a/b/Brimlet Quasar+ 88-Key RGB Keyboard/");
    EXPECT_EQ(factoryDefaultPath("HD"), defaultDataFolder() + "HD.Json");
    EXPECT_EQ(classIndexOf("MousePad"), 2);
    EXPECT_EQ(classIndexOf("mousepad"), -1);
}
