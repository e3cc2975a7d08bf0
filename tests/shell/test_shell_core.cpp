// Settings INI, languages, the colour field rule, the monitor rule and the instance lock, without
// windows.

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "profiles/jsonfileio.h"
#include "shell/colour_field.h"
#include "shell/ini_file.h"
#include "shell/language.h"
#include "shell/main_window.h"
#include "shell/single_instance.h"
#include "support/temp_dir.h"

using quasar::testing::ScopedEnv;
using quasar::testing::TempDir;

namespace {

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::string& path) {
    return quasar::JsonFileIo().readFileText(path);
}

const char* kTwoLanguages = R"({"Language":[
  {"Language_ID":1033,"Language_name":"English","Language_file":"en.json"},
  {"Language_ID":1031,"Language_name":"Deutsch","Language_file":"de.json"}]})";

} // namespace

TEST(IniFile, RoundTripKeepsSectionsAndReplacesValuesIgnoringCase) {
    TempDir dir;
    quasar::IniFile ini;
    EXPECT_FALSE(ini.load(dir.file("none.ini")));
    ini.setValue("SKINIMAGE", "FLAGS", "1");
    ini.setValue("SKINIMAGE", "IMAGE", "common/a.png");
    ini.setValue("", "LANGUAGE", "1031");
    ini.setValue("skinimage", "flags", "0"); // same value, other spelling
    ASSERT_TRUE(ini.save(dir.file("main.ini")));
    EXPECT_EQ(readText(dir.file("main.ini")),
              "LANGUAGE=1031\n[SKINIMAGE]\nFLAGS=0\nIMAGE=common/a.png\n");

    quasar::IniFile back;
    ASSERT_TRUE(back.load(dir.file("main.ini")));
    EXPECT_EQ(back.value("SKINIMAGE", "IMAGE").value_or("?"), "common/a.png");
    EXPECT_EQ(back.value("", "LANGUAGE").value_or("?"), "1031");
    EXPECT_FALSE(back.value("SKINIMAGE", "LANGUAGE").has_value());
}

TEST(IniFile, DamagedLinesAreSkippedAndTheRestIsRead) {
    TempDir dir;
    writeText(dir.file("x.ini"), "\x01\xff junk\n[broken\n=novalue\n; c\n[S]\n a = b \n");
    quasar::IniFile ini;
    ASSERT_TRUE(ini.load(dir.file("x.ini")));
    EXPECT_EQ(ini.value("S", "a").value_or("?"), "b");
}

TEST(SettingsKey, NumbersAreStoredUnderTheConfigFolderAndBadValuesReadAsMissing) {
    TempDir dir;
    ScopedEnv cfg("XDG_CONFIG_HOME", dir.path());
    quasar::SettingsKey key("Brimlet Quasar+ 88-Key RGB Keyboard keyboard");
    EXPECT_EQ(key.filePath(),
              dir.path() + "/Brimlet Quasar+ 88-Key RGB Keyboard keyboard/settings.ini");
    EXPECT_FALSE(key.readNumber("LANGUAGE").has_value());
    ASSERT_TRUE(key.writeNumber("LANGUAGE", 1031)); // creates the folder
    EXPECT_EQ(key.readNumber("LANGUAGE").value_or(0), 1031u);

    for (const char* bad : {"LANGUAGE=abc\n", "LANGUAGE=12x\n", "LANGUAGE=\n", "LANGUAGE=99999999999\n"}) {
        writeText(key.filePath(), bad);
        EXPECT_FALSE(key.readNumber("LANGUAGE").has_value()) << bad;
    }
}

class LanguageStore : public ::testing::Test {
protected:
    TempDir data, config;
    ScopedEnv dataDir{"QUASAR_DATA_DIR", data.path()};
    ScopedEnv cfg{"XDG_CONFIG_HOME", config.path()};
    void SetUp() override {
        std::filesystem::create_directories(data.file("DefaultData"));
        writeText(data.file("DefaultData/Language.config"), kTwoLanguages);
    }
    std::string storedFile() const {
        return config.path() + "/Brimlet Quasar+ 88-Key RGB Keyboard keyboard/settings.ini";
    }
};

TEST_F(LanguageStore, StoredIdentifierSelectsItsIndexAndUnknownOrMissingGivesTheFirst) {
    EXPECT_EQ(quasar::loadStoredLanguage(), 0); // nothing stored
    ASSERT_TRUE(quasar::saveLanguageId(1031));
    EXPECT_EQ(quasar::loadStoredLanguage(), 1);
    ASSERT_TRUE(quasar::saveLanguageId(2052)); // no language carries it
    EXPECT_EQ(quasar::loadStoredLanguage(), 0);
    writeText(storedFile(), std::string("\x00\x01garbage", 9));
    EXPECT_EQ(quasar::loadStoredLanguage(), 0);
    quasar::saveLanguageId(1031);
    writeText(data.file("DefaultData/Language.config"), "{ not json");
    EXPECT_EQ(quasar::loadStoredLanguage(), 0);
}

TEST_F(LanguageStore, IndexBeyondTheListGivesEmptyNamesAndIdentifierZero) {
    auto list = quasar::readLanguageList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(quasar::languageAt(list, 1).file, "de.json");
    for (int i : {-1, 2, 99}) {
        auto e = quasar::languageAt(list, i);
        EXPECT_TRUE(e.file.empty() && e.name.empty() && e.id == 0) << i;
    }
}

TEST(LanguageTexts, TextsComeFromTheFileAndItsDataFileAndMissingKeysReadAsThemselves) {
    TempDir dir;
    writeText(dir.file("de.json"), R"({"tips_text":"Hinweis","empty":""})");
    writeText(dir.file("de.data.json"), R"({"light_name_1":"Welle","tips_text":"Tipp"})");
    quasar::LanguageTexts t;
    ASSERT_TRUE(t.load(dir.path() + "/", "de.json"));
    EXPECT_EQ(t.translate("light_name_1"), "Welle");
    EXPECT_EQ(t.translate("tips_text"), "Tipp"); // the data file is merged over the main file
    EXPECT_EQ(t.translate("no_such_key"), "no_such_key");
    EXPECT_EQ(t.translate("empty"), "empty");

    EXPECT_FALSE(t.load(dir.path() + "/", "missing.json"));
    EXPECT_EQ(t.translate("light_name_1"), "light_name_1");
    writeText(dir.file("bad.json"), "[1,2]");
    EXPECT_FALSE(t.load(dir.path() + "/", "bad.json"));
    EXPECT_FALSE(t.load(dir.path() + "/", "../de.json"));
    EXPECT_EQ(t.size(), 0u);
}

TEST(LanguageFonts, FaceFollowsTheSwitchRule) {
    struct Case {
        int from, to;
        bool changes;
        const char* face;
    } cases[] = {
        {-1, 1, true, "Verdana Unicode MS"}, // first switch always sets fonts
        {15, 3, true, "Verdana Unicode MS"},
        {3, 4, false, nullptr},
        {4, 2, true, "Noto Sans CJK TC Regular"},
        {1, 15, true, "Noto Sans Thai"},
        {0, 1, true, "Verdana Unicode MS"},
        {3, 0, true, "汉仪菱心体简"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(quasar::languageSwitchChangesFont(c.from, c.to), c.changes) << c.from << "->" << c.to;
        if (c.face) {
            EXPECT_EQ(quasar::fontFaceOfLanguage(c.to), c.face);
        }
    }
}

TEST(ColourField, ValuesAreClampedToAByte) {
    struct Case {
        const char* text;
        int value;
        const char* shown; // nullptr: unchanged
    } cases[] = {
        {"128", 128, nullptr}, {"255", 255, nullptr}, {"300", 255, "255"},
        {"99999999999999999999", 255, "255"}, {"", 0, "0"}, {"0", 0, nullptr},
        {"-5", 0, "0"}, {"007", 7, "7"}, {"abc", 0, "0"},
    };
    for (const Case& c : cases) {
        auto f = quasar::readColourField(c.text);
        EXPECT_EQ(f.value, c.value) << c.text;
        EXPECT_EQ(f.shown.value_or("(unchanged)"), c.shown ? c.shown : "(unchanged)") << c.text;
    }
}

TEST(MonitorRule, LargeMonitorsGet144AndOthers96) {
    EXPECT_EQ(quasar::monitorDpi(1920, 1080), 144);
    EXPECT_EQ(quasar::monitorDpi(1366, 768), 96);
    EXPECT_EQ(quasar::monitorDpi(1500, 1080), 96); // both must be larger
    EXPECT_EQ(quasar::monitorDpi(2560, 960), 96);
    EXPECT_EQ(quasar::monitorDpi(0, 0), 96);
}

TEST(SingleInstance, SecondHolderIsToldAndItsWakeReachesTheFirst) {
    TempDir run;
    ScopedEnv rt("XDG_RUNTIME_DIR", run.path());
    quasar::SingleInstance first("quasar-test");
    ASSERT_EQ(first.acquire(), quasar::SingleInstance::Role::First);
    std::atomic<int> woken{0};
    ASSERT_TRUE(first.listen([&] { ++woken; }));

    {
        quasar::SingleInstance second("quasar-test");
        EXPECT_EQ(second.acquire(), quasar::SingleInstance::Role::Second);
        EXPECT_TRUE(second.wakeFirst());
        EXPECT_TRUE(second.wakeFirst());
    }
    for (int i = 0; i < 1000 && woken < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(woken.load(), 2);

    first.stopListening();
    EXPECT_FALSE(std::filesystem::exists(first.socketPath()));
}

TEST(SingleInstance, LockIsFreeAgainOnceTheFirstIsGoneAndAStaleSocketIsReplaced) {
    TempDir run;
    ScopedEnv rt("XDG_RUNTIME_DIR", run.path());
    {
        quasar::SingleInstance a("q");
        ASSERT_EQ(a.acquire(), quasar::SingleInstance::Role::First);
    }
    writeText(run.file("q.sock"), "stale");
    quasar::SingleInstance b("q");
    ASSERT_EQ(b.acquire(), quasar::SingleInstance::Role::First);
    std::atomic<bool> woken{false};
    ASSERT_TRUE(b.listen([&] { woken = true; }));
    quasar::SingleInstance c("q");
    EXPECT_EQ(c.acquire(), quasar::SingleInstance::Role::Second);
    EXPECT_TRUE(c.wakeFirst());
    for (int i = 0; i < 1000 && !woken; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(woken);
}

TEST(SingleInstance, NoFirstCopyMeansTheWakeFailsInTime) {
    TempDir run;
    ScopedEnv rt("XDG_RUNTIME_DIR", run.path());
    quasar::SingleInstance lonely("nobody");
    EXPECT_FALSE(lonely.wakeFirst(100));
}
