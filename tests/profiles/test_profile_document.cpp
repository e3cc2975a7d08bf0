#include <filesystem>
#include <random>
#include <unistd.h>

#include <gtest/gtest.h>

#include "devices/factory_tables.h"
#include "profile_test_util.h"
#include "profiles/data_folders.h"
#include "profiles/profile_document.h"

using namespace quasar;
using namespace quasar::testing;

namespace {

// A small factory profile: two keys, lighting, one DPI stage.
Json::Value smallFactory() {
    return parseJson(R"({"Device":[{
        "KeyList":[{"Assignment":2097156,"DefaultAssignment":2097156},
                   {"Assignment":2097157,"DefaultAssignment":2097157}],
        "LightInfo":{"SelectItem":3,"Light":4,"Speed":2,"Fx":1,"MultiColor":1,
                     "Red":255,"Green":0,"Blue":16,"ZZCCLedMode":0,"CustomGroup":1,"OldLedmode":0},
        "DPIStages":{"StageActive":1,"StageDPIs":[{"StageActive":1,"StageXY":0,"StageDPIX":8,
                     "StageDPIY":8,"StageColorR":255,"StageColorG":0,"StageColorB":0}]}
    }]})");
}

struct DocFixture : ::testing::Test {
    TempDir dir;
    std::string profile = dir.file("p.Json");
    std::string factory = dir.file("factory.Json");
    void SetUp() override { writeJson(factory, smallFactory()); }
    template <class Doc> void open(Doc& d, const std::string& path) {
        d.setProfilePath(path);
        d.setFallbackPath(factory);
        d.setDeviceIndex(0);
        d.loadSection(path);
    }
};

} // namespace

// A missing, empty, non-JSON or wrongly shaped profile is seeded from the factory profile, and
// the seeded document is written in styled form keeping the root keys already there.
TEST_F(DocFixture, UnusableProfileIsSeededFromFactory) {
    struct Case {
        const char* name;
        const char* text;      // nullptr: no file at all
        bool keepsDamagedCopy; // the old bytes could not be kept in the new document
    };
    const Case cases[] = {
        {"missing", nullptr, false},
        {"empty", "", false},
        {"not json", "{\"Device\": [ {", true},
        {"empty Device", R"({"Device":[],"profilename":"Mine"})", false},
        {"null element", R"({"Device":[null],"profilename":"Mine"})", false},
        {"Device not an array", R"({"Device":{"KeyList":[]},"profilename":"Mine"})", false},
        {"root an array", "[1,2,3]", true}};
    const std::string damaged = profile + ".damaged";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(profile.c_str());
        std::remove(damaged.c_str());
        if (c.text) writeText(profile, c.text);
        CKeyboardProfiledata doc;
        open(doc, profile);
        EXPECT_EQ(doc.currentSection(), smallFactory()["Device"][0]);
        std::string text = readText(profile);
        EXPECT_NE(text.find("\n   "), std::string::npos) << "styled output";
        Json::Value onDisk = parseJson(text);
        EXPECT_EQ(onDisk["Device"][0], smallFactory()["Device"][0]);
        if (c.text && std::string(c.text).find("Mine") != std::string::npos) {
            EXPECT_EQ(onDisk["profilename"].asString(), "Mine");
        }
        EXPECT_EQ(doc.getKeyList().size(), 2u);
        // Bytes that do not fit the new document are kept beside it for the user.
        EXPECT_EQ(std::filesystem::exists(damaged), c.keepsDamagedCopy);
        if (c.keepsDamagedCopy) {
            EXPECT_EQ(readText(damaged), c.text);
        }
    }
}

// A file too large to be a profile is not read into memory: it counts as unusable.
TEST_F(DocFixture, HugeProfileReadsAsMissing) {
    writeText(profile, "{\"Device\":[{}]}");
    ASSERT_EQ(::truncate(profile.c_str(), static_cast<off_t>(JsonFileIo::kMaxFileBytes + 1)), 0);
    CKeyboardProfiledata doc;
    open(doc, profile);
    EXPECT_EQ(doc.currentSection(), smallFactory()["Device"][0]);
}

// Without a factory profile the section stays null and every getter gives its default.
TEST_F(DocFixture, MissingFactoryGivesDefaults) {
    CMouseProfiledata doc;
    doc.setFallbackPath(dir.file("nothing.Json"));
    doc.setProfilePath(profile);
    doc.loadSection(profile);
    EXPECT_TRUE(doc.currentSection().isNull());
    EXPECT_EQ(doc.getLightInfo(), LightInfoValues{});
    EXPECT_EQ(doc.getMouseSystemStages(), MouseSystemValues{});
    EXPECT_TRUE(doc.getKeyList().empty());
    EXPECT_TRUE(doc.getDpiStages().empty());
    EXPECT_TRUE(doc.getCorrectInfo().empty());
}

// Values of the wrong type inside a valid document read as the default of their key; nothing
// throws, and a setter repairs the section it writes.
TEST_F(DocFixture, WrongTypesReadAsDefaults) {
    writeText(profile, R"({"Device":[{
        "KeyList":[{"Assignment":"loud","DefaultAssignment":[1]}, 7, null, {"Assignment":2.9e9}],
        "LightInfo":{"SelectItem":"3","Light":[4],"Speed":{"x":1},"Fx":true,"MultiColor":"yes",
                     "Red":1e300,"Green":-1,"Blue":256.7},
        "AudioLightInfo":[1,2,3],
        "LightList":{"0":1},
        "CustomLightMode":{"CustomLightModeGroupIndex":"2","LightColorInfo":"none"},
        "SystemStages":"fast",
        "DPIStages":{"StageActive":"1","StageDPIs":[5,{"StageDPIX":"800","StageDPIY":70000}]},
        "CorrectInfo":[{"CorrectName":5},"x"],
        "SystemSetStages":{"EqType":"13"},
        "EQHzValueInfo":[null,"flat",[1,{"value":"3"}]],
        "CustomEQNameInfo":{"Name":"x"}
    }]})");
    CKeyboardProfiledata kb;
    open(kb, profile);
    std::vector<KeyAssignmentEntry> keys = kb.getKeyList();
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].current.action, KeyAction{});
    EXPECT_EQ(keys[1].current.action, KeyAction{});
    EXPECT_EQ(keys[3].current.action, actionFromInt(2900000000u)); // low 24 bits kept
    LightInfoValues li = kb.getLightInfo();
    EXPECT_EQ(li.selectItem, 0);
    EXPECT_EQ(li.light, 0);
    EXPECT_EQ(li.fx, 1);
    EXPECT_EQ(li.multiColor, 0);
    EXPECT_EQ(li.green, 0xFF);
    EXPECT_EQ(li.blue, 0);
    EXPECT_EQ(kb.getAudioLightInfo().audioMode, 0);
    EXPECT_TRUE(kb.getLightList().empty());
    EXPECT_EQ(kb.getCustomLightGroup(), 0);
    EXPECT_EQ(kb.getSystemStages(), KeyboardSystemValues{});
    std::vector<CustomLightColor> colors = kb.getCustomLightColors(1, 3);
    EXPECT_EQ(colors, std::vector<CustomLightColor>(3));
    kb.setCustomLightColors(1, {{1, 2, 3, 4}});
    ASSERT_TRUE(kb.save());
    EXPECT_EQ(
        readJson(profile)["Device"][0]["CustomLightMode"]["LightColorInfo"][1][0]["Blue"].asInt(),
        3);

    CMouseProfiledata mouse;
    open(mouse, profile);
    std::vector<DpiStage> stages = mouse.getDpiStages();
    ASSERT_EQ(stages.size(), 2u);
    EXPECT_EQ(stages[0], DpiStage{});
    EXPECT_EQ(stages[1].dpiX, 0);
    EXPECT_EQ(stages[1].dpiY, 70000 & 0xFFFF);
    EXPECT_EQ(mouse.activeDpiStage(), 0);
    std::vector<CorrectEntry> correct = mouse.getCorrectInfo();
    ASSERT_EQ(correct.size(), 2u);
    EXPECT_EQ(correct[0].name, "");

    CZi6533Profiledata hd;
    open(hd, profile);
    EXPECT_EQ(hd.getSystemSetStages().eqType, 0);
    EXPECT_EQ(hd.getEqBands(1), std::vector<int>(10, 0));
    std::vector<int> two = hd.getEqBands(2);
    EXPECT_EQ(two[1], 0);
    EXPECT_TRUE(hd.getCustomEqNames().empty());
}

// Truth-value keys and the colour-type flag read as the document defines them.
TEST_F(DocFixture, FlagsReadAsTruthValues) {
    writeText(profile, R"({"Device":[{"LightInfo":{"MultiColor":5},
        "AudioLightInfo":{"7ColorFlags":9,"ColorTypeFlags":0},
        "LightList":[null,{"LEDDirection":4,"LEDMultiColor":0,"red":7}]}]})");
    CKeyboardProfiledata doc;
    open(doc, profile);
    EXPECT_EQ(doc.getLightInfo().multiColor, 1);
    AudioLightValues audio = doc.getAudioLightInfo();
    EXPECT_EQ(audio.sevenColor, 1);
    EXPECT_EQ(audio.colorType, 1);
    std::vector<LightListEntry> list = doc.getLightList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], LightListEntry{});
    EXPECT_EQ(list[1].present, 1);
    EXPECT_EQ(list[1].direction, 1);
    EXPECT_EQ(list[1].red, 7);

    writeText(profile, R"({"Device":[{"LightInfo":{}}]})");
    CKeyboardProfiledata noAudio;
    open(noAudio, profile);
    EXPECT_EQ(noAudio.getAudioLightInfo().colorType, 0);
}

// Key list: "Assignment" is written back, "DefaultAssignment" never; an element without a default
// reads it as 0 and stays without one.
TEST_F(DocFixture, KeyListWritesOnlyAssignments) {
    writeText(profile, R"({"profilename":"Keep","Device":[{"KeyList":[
        {"Assignment":2097156},{"Assignment":2097157,"DefaultAssignment":2097157}]}]})");
    CKeyboardProfiledata doc;
    open(doc, profile);
    std::vector<KeyAssignmentEntry> keys = doc.getKeyList();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].defaultEntry.action, KeyAction{});
    EXPECT_EQ(keys[1].current.keyIndex, 1);
    EXPECT_EQ(keys[1].defaultEntry.action, (KeyAction{0x20, 0x00, 0x05}));
    keys[0].current.action = KeyAction{0x70, 0x02, 0x01};
    keys[1].defaultEntry.action = KeyAction{0x10, 0x01, 0x00}; // must not reach the file
    doc.setKeyList(keys);
    ASSERT_TRUE(doc.save());
    Json::Value onDisk = readJson(profile);
    EXPECT_EQ(onDisk["profilename"].asString(), "Keep");
    const Json::Value& list = onDisk["Device"][0]["KeyList"]; // onDisk outlives it
    EXPECT_EQ(list[0]["Assignment"].asInt(), 0x700201);
    EXPECT_FALSE(list[0].isMember("DefaultAssignment"));
    EXPECT_EQ(list[1]["DefaultAssignment"].asInt(), 2097157);

    CKeyboardProfiledata again;
    open(again, profile);
    EXPECT_EQ(again.getKeyList()[0].current.action, (KeyAction{0x70, 0x02, 0x01}));
}

// Every setter's values come back from the file unchanged, non-ASCII text included.
TEST_F(DocFixture, SettersRoundTripThroughTheFile) {
    LightInfoValues li{7, 3, 2, 1, 1, 10, 20, 30, {0, 0, 0}, 4, 5, 6};
    AudioLightValues au{2, 1, 2, 3, 4, 5, 6, 1, 1};
    KeyboardSystemValues ks{31, 2, 1, 3, 1, 0xFFFF};
    MouseSystemValues ms{6, 4, 1, 0, 2, 3};
    HeadsetSystemValues hs{1, 3, 13, -1, 0, 80, 1, 50};
    {
        CKeyboardProfiledata kb;
        open(kb, profile);
        kb.setLightInfo(li);
        kb.setAudioLightInfo(au);
        kb.setSystemStages(ks);
        kb.setCustomLightGroup(2);
        ASSERT_TRUE(kb.save());
    }
    CKeyboardProfiledata kb;
    open(kb, profile);
    EXPECT_EQ(kb.getLightInfo(), li);
    EXPECT_EQ(kb.getAudioLightInfo(), au);
    EXPECT_EQ(kb.getSystemStages(), ks);
    EXPECT_EQ(kb.getCustomLightGroup(), 2);

    std::string mousePath = dir.file("m.Json");
    {
        CMouseProfiledata m;
        open(m, mousePath);
        m.setMouseSystemStages(ms);
        m.setDpiStages({{1, 1, 800, 1600, 1, 2, 3}, {0, 0, 3200, 3200, 4, 5, 6}});
        m.setActiveDpiStage(1);
        ASSERT_TRUE(m.save());
    }
    CMouseProfiledata m;
    open(m, mousePath);
    EXPECT_EQ(m.getMouseSystemStages(), ms);
    EXPECT_EQ(readJson(mousePath)["Device"][0]["ReportStages"]["StageActive"].asInt(), 3);
    std::vector<DpiStage> stages = m.getDpiStages();
    ASSERT_EQ(stages.size(), 2u);
    EXPECT_EQ(stages[0], (DpiStage{1, 1, 800, 1600, 1, 2, 3}));
    EXPECT_EQ(m.activeDpiStage(), 1);

    std::string hdPath = dir.file("h.Json");
    const std::vector<std::string> names{"Bässe", "低音", "Ωmega"};
    {
        CZi6533Profiledata hd;
        open(hd, hdPath);
        hd.setSystemSetStages(hs);
        hd.setCustomEqNames(names);
        hd.setCustomEqBands(2, {1, 2, 3, 4, 5, 6, 7, 8, 9, -10});
        ASSERT_TRUE(hd.save());
    }
    CZi6533Profiledata hd;
    open(hd, hdPath);
    EXPECT_EQ(hd.getSystemSetStages(), hs);
    EXPECT_EQ(hd.getCustomEqNames(), names);
    EXPECT_EQ(hd.getCustomEqBands(2), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, -10}));
    EXPECT_NE(readText(hdPath).find("Bässe"), std::string::npos) << "UTF-8 in the file";
}

// Equaliser presets: 0 means 1, 13 (custom) does nothing, missing presets are added as zeros.
TEST_F(DocFixture, EqualiserPresetNumbers) {
    CZi6533Profiledata hd;
    open(hd, profile);
    Json::Value before = hd.currentSection();
    EXPECT_TRUE(hd.getEqBands(13).empty());
    hd.setEqBands(13, std::vector<int>(10, 5));
    EXPECT_EQ(hd.currentSection(), before) << "preset 13 touches nothing";

    hd.setEqBands(0, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0});
    EXPECT_EQ(hd.currentSection()["EQHzValueInfo"][1][0]["value"].asInt(), 9);
    EXPECT_EQ(hd.getEqBands(1)[1], 8);
    EXPECT_EQ(hd.getEqBands(40)[0], 9) << "numbers above 13 mean preset 1";
    EXPECT_EQ(hd.getEqBands(-3)[0], 9) << "negative numbers mean preset 1";
    EXPECT_EQ(hd.getEqBands(7), std::vector<int>(10, 0));
    EXPECT_EQ(hd.currentSection()["EQHzValueInfo"][7].size(), 10u) << "added as zeros";
    EXPECT_TRUE(hd.getCustomEqBands(-1).empty()) << "no custom preset selected";
}

// DPI stages read are merged into the cached list: extra cached stages remain.
TEST_F(DocFixture, DpiStagesMergeIntoCache) {
    CMouseProfiledata m;
    open(m, profile);
    m.setDpiStages({{1, 0, 1, 1, 0, 0, 0}, {1, 0, 2, 2, 0, 0, 0}, {1, 0, 3, 3, 0, 0, 0}});
    // Another profile with a single stage.
    std::string other = dir.file("other.Json");
    writeText(other,
              R"({"Device":[{"DPIStages":{"StageActive":0,"StageDPIs":[{"StageDPIX":9}]}}]})");
    m.setProfilePath(other);
    m.loadSection(other);
    std::vector<DpiStage> stages = m.getDpiStages();
    ASSERT_EQ(stages.size(), 3u);
    EXPECT_EQ(stages[0].dpiX, 9);
    EXPECT_EQ(stages[2].dpiX, 3);
}

// Reading colours of a group absent from the profile adds it, zeros for the requested count, and
// the next save puts them in the file. Absurd group numbers are refused.
TEST_F(DocFixture, MissingColourGroupIsAdded) {
    CKeyboardProfiledata kb;
    open(kb, profile);
    std::vector<CustomLightColor> c = kb.getCustomLightColors(2, 5);
    EXPECT_EQ(c, std::vector<CustomLightColor>(5));
    ASSERT_TRUE(kb.save());
    Json::Value onDisk = readJson(profile);
    const Json::Value& groups = onDisk["Device"][0]["CustomLightMode"]["LightColorInfo"];
    ASSERT_EQ(groups.size(), 3u);
    ASSERT_EQ(groups[2].size(), 5u);
    EXPECT_EQ(groups[2][4]["Alpha"].asInt(), 0);
    EXPECT_TRUE(kb.getCustomLightColors(2000000000, 5).empty());
    EXPECT_TRUE(kb.getCustomLightColors(-1, 5).empty());
}

// A user effect is read from the ".light" file its Guid names beside the light library; a Guid
// that reaches outside that folder is refused.
TEST_F(DocFixture, CustomEffectGuidStaysInItsFolder) {
    std::filesystem::create_directories(dir.file("lib"));
    writeText(
        dir.file("lib/norvo_light.config"),
        R"({"LightInfo":[[{"LightName":"Mine","Guid":"g1"},{"LightName":"Evil","Guid":"../evil"},
                               {"LightName":"Abs","Guid":"/tmp/evil"}]]})");
    writeText(
        dir.file("lib/g1.light"),
        R"({"LEDEffectList":[{"LEDREGMode":1,"red":9,"Time":500,"Cyle":2},{"LEDREGMode":"x"}]})");
    // A readable file outside the folder that must never be picked up.
    std::string outside = dir.file("evil.light");
    writeText(outside, R"({"LEDEffectList":[{"LEDREGMode":3}]})");

    CKeyboardProfiledata kb;
    open(kb, profile);
    kb.setLightLibraryPath(dir.file("lib/norvo_light.config"));
    kb.loadLightLibrary(kb.lightLibraryPath());
    LightInfoValues li;
    li.selectItem = 0;
    kb.setLightInfo(li);
    std::vector<CustomEffectStep> steps = kb.getCustomEffect();
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].red, 9);
    EXPECT_EQ(steps[0].time, 500);
    EXPECT_EQ(steps[0].cycle, 2);
    EXPECT_EQ(steps[1].mode, 0);
    for (int select : {1, 2}) {
        li.selectItem = static_cast<std::uint8_t>(select);
        kb.setLightInfo(li);
        EXPECT_TRUE(kb.getCustomEffect().empty()) << select;
    }
}

// The installed factory profiles open as complete documents.
TEST(FactoryProfiles, CompleteSections) {
    TempDir dir;
    auto open = [&](CBasicProfiledata& d, const char* cls) {
        std::string p = dir.file(std::string(cls) + ".Json");
        d.setFallbackPath(factoryDefaultPath(cls));
        d.setProfilePath(p);
        d.loadSection(p);
        ASSERT_FALSE(d.currentSection().isNull()) << factoryDefaultPath(cls);
    };
    CKeyboardProfiledata kb;
    open(kb, "keyboard");
    std::vector<KeyAssignmentEntry> keys = kb.getKeyList();
    ASSERT_EQ(keys.size(), KeyPositionTable.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i].current.action, toKeyAction(KeyPositionTable[i])) << i;
        EXPECT_EQ(keys[i].defaultEntry.action, toKeyAction(KeyPositionTable[i])) << i;
    }
    EXPECT_EQ(kb.getCustomLightColors(kb.getCustomLightGroup(), 170).size(), 170u);
    EXPECT_NE(kb.getLightInfo(), LightInfoValues{});
    EXPECT_NE(kb.getSystemStages(), KeyboardSystemValues{});

    CMouseProfiledata mouse;
    open(mouse, "mouse");
    std::vector<KeyAssignmentEntry> buttons = mouse.getKeyList();
    ASSERT_EQ(buttons.size(), MouseDefaultKeyTable.size());
    for (std::size_t i = 0; i < buttons.size(); ++i)
        EXPECT_EQ(buttons[i].defaultEntry.action, toKeyAction(MouseDefaultKeyTable[i])) << i;
    std::vector<DpiStage> stages = mouse.getDpiStages();
    ASSERT_EQ(stages.size(), 5u);
    for (const DpiStage& s : stages)
        EXPECT_GT(s.dpiX, 0);
    EXPECT_LT(mouse.activeDpiStage(), 5);
    EXPECT_FALSE(mouse.getCorrectInfo().empty());

    CZi6533Profiledata hd;
    open(hd, "HD");
    Json::Value before = hd.currentSection();
    bool anyNonZero = false;
    for (int p = 1; p <= 12; ++p) {
        std::vector<int> bands = hd.getEqBands(p);
        ASSERT_EQ(bands.size(), 10u);
        for (int b : bands)
            anyNonZero |= b != 0;
    }
    EXPECT_TRUE(anyNonZero);
    EXPECT_EQ(hd.currentSection(), before) << "all twelve presets are present";

    CBasicProfiledata pad;
    open(pad, "MousePad");
    EXPECT_EQ(pad.getAudioLightInfo().colorType, 1);
}

namespace {

// Replaces values at random places of v with values of random types.
void scramble(Json::Value& v, std::mt19937& rng) {
    static const Json::Value kinds[] = {Json::Value(),
                                        Json::Value("text"),
                                        Json::Value(-7),
                                        Json::Value(1e300),
                                        Json::Value(true),
                                        Json::Value(Json::arrayValue),
                                        Json::Value(Json::objectValue),
                                        Json::Value(4294967295u)};
    if (std::uniform_int_distribution<int>(0, 6)(rng) == 0) {
        v = kinds[std::uniform_int_distribution<std::size_t>(0, std::size(kinds) - 1)(rng)];
        return;
    }
    if (v.isObject()) {
        for (const std::string& key : v.getMemberNames())
            scramble(v[key], rng);
    } else if (v.isArray()) {
        for (Json::ArrayIndex i = 0; i < v.size(); ++i)
            scramble(v[i], rng);
    }
}

} // namespace

// Whatever types a damaged profile holds, no getter or setter fails, and a save writes a document
// that reads back.
TEST(DamagedProfiles, EveryOperationSurvivesScrambledValues) {
    TempDir dir;
    JsonFileIo io;
    Json::Value base;
    for (const char* cls : {"keyboard", "mouse", "HD"}) {
        Json::Value doc = io.readJsonFile(factoryDefaultPath(cls));
        ASSERT_TRUE(doc.isObject()) << cls;
        for (const std::string& key : doc["Device"][0].getMemberNames())
            base["Device"][0][key] = doc["Device"][0][key];
    }
    std::mt19937 rng(12345);
    std::string path = dir.file("p.Json");
    for (int round = 0; round < 150; ++round) {
        Json::Value doc = base;
        scramble(doc, rng);
        writeJson(path, doc);
        auto run = [&](auto& d) {
            d.setFallbackPath(dir.file("none.Json"));
            d.setProfilePath(path);
            d.loadSection(path);
            d.setLightInfo(d.getLightInfo());
            d.setAudioLightInfo(d.getAudioLightInfo());
            d.getLightList();
            d.setKeyList(d.getKeyList());
        };
        CKeyboardProfiledata kb;
        run(kb);
        kb.setSystemStages(kb.getSystemStages());
        kb.setCustomLightColors(1, kb.getCustomLightColors(kb.getCustomLightGroup(), 170));
        ASSERT_TRUE(kb.save());
        CMouseProfiledata mouse;
        run(mouse);
        mouse.setDpiStages(mouse.getDpiStages());
        mouse.setMouseSystemStages(mouse.getMouseSystemStages());
        mouse.getCorrectInfo();
        ASSERT_TRUE(mouse.save());
        CZi6533Profiledata hd;
        run(hd);
        hd.setSystemSetStages(hd.getSystemSetStages());
        for (int p = 0; p <= 14; ++p)
            hd.setEqBands(p, hd.getEqBands(p));
        hd.setCustomEqNames(hd.getCustomEqNames());
        hd.setCustomEqBands(0, hd.getCustomEqBands(0));
        ASSERT_TRUE(hd.save());
        ASSERT_TRUE(readJson(path)["Device"][0].isObject()) << "round " << round;
    }
}
