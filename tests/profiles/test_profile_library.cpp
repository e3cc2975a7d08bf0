#include <filesystem>

#include <gtest/gtest.h>

#include "profile_test_util.h"
#include "profiles/profile_library.h"

using namespace quasar;
using namespace quasar::testing;

namespace {

struct LibraryFixture : ::testing::Test {
    TempDir dir;
    std::string folder = dir.path() + "/user/";
    std::string factory = dir.file("factory.Json");
    ProfileLibrary lib;

    void SetUp() override {
        std::filesystem::create_directories(folder);
        writeText(factory, R"({"Device":[{"LightInfo":{"SelectItem":1},
            "CustomEQNameInfo":[{"Name":"factory"}]}]})");
        lib.setDeviceKind(1);
        lib.setFolders(folder, factory);
        lib.loadProfileList();
    }
    Json::Value list() { return readJson(lib.listPath()); }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (const auto& e : lib.entries())
            out.push_back(e.name);
        return out;
    }
    Json::Value selectedProfile() { return readJson(lib.selectedProfilePath()); }
    std::size_t profileFiles() {
        std::size_t n = 0;
        for (auto& e : std::filesystem::directory_iterator(folder))
            n += e.path().extension() == ".Json";
        return n;
    }
};

} // namespace

// First start: one "Profile1", selected, whose file is the factory profile plus its two names.
TEST_F(LibraryFixture, FirstStartCreatesProfile1) {
    Json::Value l = list();
    ASSERT_EQ(l["profilelist"].size(), 1u);
    const Json::Value& e = l["profilelist"][0];
    EXPECT_EQ(e["profilename"].asString(), "Profile1");
    EXPECT_EQ(e["profileislink"].asInt(), 0);
    EXPECT_EQ(e["profilelinkmame"].asString(), "");
    EXPECT_EQ(l["profileselect"].asInt(), 0);
    EXPECT_EQ(lib.selectedIndex(), 0);
    EXPECT_EQ(lib.selectedUuid(), e["profileUUID"].asString());

    Json::Value expected = readJson(factory);
    expected["profilename"] = "Profile1";
    expected["profileUUID"] = lib.selectedUuid();
    EXPECT_EQ(selectedProfile(), expected);

    // Loading again finds the same list instead of making another one.
    ProfileLibrary again;
    again.setFolders(folder, factory);
    again.loadProfileList();
    EXPECT_EQ(again.selectedUuid(), lib.selectedUuid());
    EXPECT_EQ(profileFiles(), 1u);
}

// Add takes the smallest free "Profile%d" (ignoring case) and stops at 50; copy and import don't.
TEST_F(LibraryFixture, AddNamesAndLimit) {
    ASSERT_TRUE(lib.addProfile());
    ASSERT_TRUE(lib.addProfile());
    ASSERT_EQ(names(), (std::vector<std::string>{"Profile1", "Profile2", "Profile3"}));
    EXPECT_EQ(list()["profileselect"].asInt(), 2) << "the list file records the newest";
    EXPECT_EQ(lib.selectedIndex(), 0) << "the current selection stays";
    lib.selectProfile(2);
    ASSERT_EQ(lib.renameProfile("profile3"), ProfileLibrary::RenameDone);
    lib.selectProfile(1);
    ASSERT_TRUE(lib.deleteProfile());
    ASSERT_EQ(names(), (std::vector<std::string>{"Profile1", "profile3"}));
    ASSERT_TRUE(lib.addProfile());
    ASSERT_TRUE(lib.addProfile());
    EXPECT_EQ(names(), (std::vector<std::string>{"Profile1", "profile3", "Profile2", "Profile4"}));

    while (lib.entries().size() < 50)
        ASSERT_TRUE(lib.addProfile());
    EXPECT_FALSE(lib.addProfile());
    EXPECT_EQ(lib.entries().size(), 50u);
    EXPECT_TRUE(lib.copyProfile());
    std::string exported = dir.file("x.json");
    ASSERT_TRUE(lib.exportProfile(exported));
    EXPECT_TRUE(lib.importProfile(exported));
    EXPECT_EQ(lib.entries().size(), 52u);
    EXPECT_EQ(list()["profilelist"].size(), 52u);
    EXPECT_EQ(profileFiles(), 52u);
}

// Copy: "%s copy" until free; the file is the selected profile's with the new names.
TEST_F(LibraryFixture, CopyNamesAndContent) {
    writeText(lib.selectedProfilePath(), R"({"profilename":"Profile1","profileUUID":")" +
                                             lib.selectedUuid() +
                                             R"(","Device":[{"LightInfo":{"SelectItem":9}}]})");
    ASSERT_TRUE(lib.copyProfile());
    ASSERT_TRUE(lib.copyProfile());
    ASSERT_EQ(names(),
              (std::vector<std::string>{"Profile1", "Profile1 copy", "Profile1 copy copy"}));
    Json::Value copy = readJson(lib.profilePath(lib.entries()[1].uuid));
    EXPECT_EQ(copy["Device"][0]["LightInfo"]["SelectItem"].asInt(), 9);
    EXPECT_EQ(copy["profilename"].asString(), "Profile1 copy");
    EXPECT_EQ(copy["profileUUID"].asString(), lib.entries()[1].uuid);
    EXPECT_NE(lib.entries()[1].uuid, lib.entries()[0].uuid);
    EXPECT_EQ(list()["profileselect"].asInt(), 0);
}

// Delete: never the last profile; the selection moves to the one before (or stays at 0), the
// file goes, and the list file records the new selection.
TEST_F(LibraryFixture, DeleteRules) {
    EXPECT_FALSE(lib.deleteProfile());
    EXPECT_EQ(profileFiles(), 1u);
    lib.addProfile();
    lib.addProfile();
    std::string first = lib.entries()[0].uuid;
    std::string second = lib.entries()[1].uuid;
    lib.selectProfile(0);
    ASSERT_TRUE(lib.deleteProfile());
    EXPECT_FALSE(exists(lib.profilePath(first)));
    EXPECT_EQ(list()["profileselect"].asInt(), 0);
    EXPECT_EQ(lib.selectedIndex(), 0);
    EXPECT_EQ(lib.selectedUuid(), second);
    lib.selectProfile(1);
    ASSERT_TRUE(lib.deleteProfile());
    EXPECT_EQ(lib.selectedIndex(), 0);
    EXPECT_EQ(list()["profilelist"].size(), 1u);
    EXPECT_EQ(profileFiles(), 1u);
}

// Rename: blank -> 2, another profile's name in other case -> 0, own name -> done.
TEST_F(LibraryFixture, RenameRules) {
    lib.addProfile();
    lib.selectProfile(1);
    struct Case {
        std::string name;
        ProfileLibrary::RenameResult result;
    };
    const Case cases[] = {{"", ProfileLibrary::RenameBlank},
                          {"  ", ProfileLibrary::RenameBlank},
                          {"PROFILE1", ProfileLibrary::RenameNameUsed},
                          {"Profile2", ProfileLibrary::RenameDone},
                          {"Größe", ProfileLibrary::RenameDone}};
    for (const Case& c : cases)
        EXPECT_EQ(lib.renameProfile(c.name), c.result) << c.name;
    EXPECT_EQ(lib.renameProfile("GRÖSSE"), ProfileLibrary::RenameDone) << "ß has no capital";
    lib.selectProfile(0);
    EXPECT_EQ(lib.renameProfile("grösse"), ProfileLibrary::RenameNameUsed) << "case beyond ASCII";
    lib.selectProfile(1);
    ASSERT_EQ(lib.renameProfile("Größe"), ProfileLibrary::RenameDone);
    EXPECT_EQ(list()["profilelist"][1]["profilename"].asString(), "Größe");
    EXPECT_EQ(selectedProfile()["profilename"].asString(), "Größe");
}

// Import: the name is the file's title, made unique with "(k)"; the document's content is taken
// over with the new names; a file that is not a profile is refused.
TEST_F(LibraryFixture, ImportNamesAndValidation) {
    std::string gaming = dir.file("Gaming.json");
    writeText(gaming, R"({"profilename":"Inside","profileUUID":"1999_01_01_00_00_00_000",
                          "Device":[{"LightInfo":{"SelectItem":17}}],"extra":1})");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(lib.importProfile(gaming));
    EXPECT_EQ(names(),
              (std::vector<std::string>{"Profile1", "Gaming", "Gaming(1)", "Gaming(1)(2)"}));
    Json::Value imported = readJson(lib.profilePath(lib.entries()[1].uuid));
    EXPECT_EQ(imported["profilename"].asString(), "Gaming");
    EXPECT_EQ(imported["profileUUID"].asString(), lib.entries()[1].uuid);
    EXPECT_EQ(imported["Device"][0]["LightInfo"]["SelectItem"].asInt(), 17);
    EXPECT_EQ(imported["extra"].asInt(), 1);

    const char* bad[] = {"not json", R"({"profilename":"x"})", R"(["profilename","profileUUID"])",
                         ""};
    for (const char* text : bad) {
        writeText(dir.file("bad.json"), text);
        EXPECT_FALSE(lib.importProfile(dir.file("bad.json"))) << text;
    }
    EXPECT_FALSE(lib.importProfile(dir.file("missing.json")));
    EXPECT_EQ(lib.entries().size(), 4u);
}

// Export writes the selected profile unchanged; an unreadable profile is not exported.
TEST_F(LibraryFixture, ExportWritesTheProfile) {
    std::string out = dir.file("out.json");
    ASSERT_TRUE(lib.exportProfile(out));
    EXPECT_EQ(readJson(out), selectedProfile());
    EXPECT_FALSE(lib.exportProfile(""));
    writeText(lib.selectedProfilePath(), "garbage");
    writeText(out, "{\"keep\":1}");
    EXPECT_FALSE(lib.exportProfile(out));
    EXPECT_EQ(readJson(out)["keep"].asInt(), 1);
}

// Reset: the factory profile with the profile's own names; a headset keeps its custom presets.
TEST_F(LibraryFixture, ResetKeepsHeadsetPresetsOnly) {
    const std::string custom =
        R"("CustomEQNameInfo":[{"Name":"Mine"}],"CustomEQHzValueInfo":[[{"value":4}]])";
    auto dirty = [&] {
        writeText(lib.selectedProfilePath(),
                  R"({"profilename":"Profile1","profileUUID":")" + lib.selectedUuid() +
                      R"(","Device":[{"LightInfo":{"SelectItem":9},)" + custom + "}]}");
    };
    dirty();
    ASSERT_TRUE(lib.resetProfile());
    Json::Value kb = selectedProfile();
    EXPECT_EQ(kb["Device"][0], readJson(factory)["Device"][0]);
    EXPECT_EQ(kb["profilename"].asString(), "Profile1");
    EXPECT_EQ(kb["profileUUID"].asString(), lib.selectedUuid());

    lib.setDeviceKind(ProfileLibrary::kHeadsetKind);
    dirty();
    ASSERT_TRUE(lib.resetProfile());
    Json::Value hd = selectedProfile();
    EXPECT_EQ(hd["Device"][0]["LightInfo"]["SelectItem"].asInt(), 1);
    EXPECT_EQ(hd["Device"][0]["CustomEQNameInfo"][0]["Name"].asString(), "Mine");
    EXPECT_EQ(hd["Device"][0]["CustomEQHzValueInfo"][0][0]["value"].asInt(), 4);

    // Without a factory profile the user's settings are not wiped.
    dirty();
    lib.setFolders(folder, dir.file("gone.Json"));
    EXPECT_FALSE(lib.resetProfile());
    EXPECT_EQ(selectedProfile()["Device"][0]["LightInfo"]["SelectItem"].asInt(), 9);
}

// A lost or damaged list is rebuilt from the profile files still on disk, and a selection outside
// the list selects the first profile; UUIDs that are not plain names never become paths.
TEST_F(LibraryFixture, DamagedListKeepsProfiles) {
    lib.addProfile();
    lib.selectProfile(1);
    lib.renameProfile("Tournament");
    std::vector<std::string> before = names();
    for (const char* text : {"", "{ broken", R"({"profilelist":[],"profileselect":0})",
                             R"({"profilelist":[1,"x",null,{"profilename":"y"}],
                                 "profileselect":"a"})"}) {
        writeText(lib.listPath(), text);
        ProfileLibrary again;
        again.setFolders(folder, factory);
        again.loadProfileList();
        std::vector<std::string> after;
        for (const auto& e : again.entries())
            after.push_back(e.name);
        EXPECT_EQ(after, before) << text;
        EXPECT_EQ(profileFiles(), 2u) << text;
    }

    Json::Value l = list();
    l["profileselect"] = 7;
    writeJson(lib.listPath(), l);
    lib.loadProfileList();
    EXPECT_EQ(lib.selectedIndex(), 0);

    std::string victim = dir.file("victim.Json");
    writeText(victim, "{}");
    l = list();
    l["profilelist"][1]["profileUUID"] = "../victim";
    l["profileselect"] = 1;
    writeJson(lib.listPath(), l);
    lib.loadProfileList();
    EXPECT_EQ(lib.selectedProfilePath(), "");
    EXPECT_TRUE(lib.deleteProfile());
    EXPECT_TRUE(exists(victim)) << "nothing outside the folder is deleted";
}

// Another process (the command line) may change the list while the program holds a selection:
// rename, reset, export and delete still act on the profile that was selected, never on the
// one that moved into its place, and a profile that has gone is left alone.
TEST_F(LibraryFixture, OperationsFollowTheSelectedProfileWhenTheListChanges) {
    lib.addProfile();
    lib.addProfile();
    lib.selectProfile(1);
    const std::string second = lib.entries()[1].uuid;
    const std::string third = lib.entries()[2].uuid;
    auto setSelectItem = [&](const std::string& uuid, int value) {
        writeText(lib.profilePath(uuid), R"({"profilename":"x","profileUUID":")" + uuid +
                                             R"(","Device":[{"LightInfo":{"SelectItem":)" +
                                             std::to_string(value) + "}}]}");
    };
    setSelectItem(second, 22);
    setSelectItem(third, 33);

    ProfileLibrary other;
    other.setFolders(folder, factory);
    other.loadProfileList();
    other.selectProfile(0);
    ASSERT_TRUE(other.deleteProfile()); // the list is now [Profile2, Profile3]

    ASSERT_EQ(lib.renameProfile("profile3"), ProfileLibrary::RenameNameUsed)
        << "the name of a profile that moved in the list";
    ASSERT_EQ(lib.renameProfile("Mine"), ProfileLibrary::RenameDone);
    EXPECT_EQ(list()["profilelist"][0]["profileUUID"].asString(), second);
    EXPECT_EQ(list()["profilelist"][0]["profilename"].asString(), "Mine");
    EXPECT_EQ(list()["profilelist"][1]["profilename"].asString(), "Profile3");

    ASSERT_TRUE(lib.exportProfile(dir.file("out.json")));
    EXPECT_EQ(readJson(dir.file("out.json"))["profileUUID"].asString(), second);

    ASSERT_TRUE(lib.resetProfile());
    EXPECT_EQ(readJson(lib.profilePath(second))["Device"][0]["LightInfo"]["SelectItem"].asInt(), 1);
    EXPECT_EQ(readJson(lib.profilePath(third))["Device"][0]["LightInfo"]["SelectItem"].asInt(), 33);

    ASSERT_TRUE(lib.deleteProfile());
    EXPECT_FALSE(exists(lib.profilePath(second)));
    EXPECT_TRUE(exists(lib.profilePath(third)));
    EXPECT_EQ(lib.selectedUuid(), third);

    // Names made here never clash with profiles another process added.
    other.loadProfileList();
    ASSERT_TRUE(other.addProfile()); // Profile1 again: it is free
    ASSERT_TRUE(lib.addProfile());
    ASSERT_TRUE(lib.copyProfile());
    EXPECT_EQ(names(),
              (std::vector<std::string>{"Profile3", "Profile1", "Profile2", "Profile3 copy"}));
    other.loadProfileList();
    other.selectProfile(1);
    ASSERT_TRUE(other.deleteProfile());
    other.selectProfile(1);
    ASSERT_TRUE(other.deleteProfile());
    other.selectProfile(1);
    ASSERT_TRUE(other.deleteProfile());

    // The selected profile disappears altogether: nothing is renamed and no entry is made up.
    other.loadProfileList();
    ASSERT_TRUE(other.addProfile());
    ProfileLibrary stale;
    stale.setFolders(folder, factory);
    stale.loadProfileList();
    stale.selectProfile(1);
    other.loadProfileList();
    other.selectProfile(1);
    ASSERT_TRUE(other.deleteProfile());
    EXPECT_EQ(stale.renameProfile("Ghost"), ProfileLibrary::RenameNotDone);
    EXPECT_FALSE(stale.resetProfile());
    EXPECT_FALSE(stale.exportProfile(dir.file("ghost.json")));
    ASSERT_EQ(list()["profilelist"].size(), 1u);
    EXPECT_EQ(list()["profilelist"][0]["profileUUID"].asString(), third);
}
