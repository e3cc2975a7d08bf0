// quasarctl's profiles and macros commands, run as the user runs them.

#include <array>
#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "profile_test_util.h"

using namespace quasar::testing;

namespace {

struct Result {
    int status = -1;
    std::string out;
};

// Runs quasarctl with XDG_DATA_HOME pointing at home; stderr is folded into out.
Result ctl(const std::string& home, const std::string& args) {
    std::string cmd = "XDG_DATA_HOME='" + home + "' '" QUASARCTL_PATH "' " + args + " 2>&1";
    Result r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

} // namespace

TEST(QuasarctlProfiles, OperationsAndStatus) {
    TempDir dir;
    Result r = ctl(dir.path(), "profiles mouse list --json");
    ASSERT_EQ(r.status, 0) << r.out;
    Json::Value list = parseJson(r.out);
    ASSERT_EQ(list.size(), 1u) << r.out;
    EXPECT_EQ(list[0]["name"].asString(), "Profile1");
    EXPECT_TRUE(list[0]["selected"].asBool());
    EXPECT_FALSE(list[0]["uuid"].asString().empty());

    EXPECT_EQ(ctl(dir.path(), "profiles mouse delete").status, 1) << "the last profile stays";
    ASSERT_EQ(ctl(dir.path(), "profiles mouse add").status, 0);
    ASSERT_EQ(ctl(dir.path(), "profiles mouse select 0").status, 0);
    ASSERT_EQ(ctl(dir.path(), "profiles mouse rename Sniper").status, 0);
    r = ctl(dir.path(), "profiles mouse rename profile2");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind("quasarctl: ", 0), 0u) << r.out;
    ASSERT_EQ(ctl(dir.path(), "profiles mouse export " + dir.file("Sniper.json")).status, 0);
    r = ctl(dir.path(), "profiles mouse import " + dir.file("Sniper.json") + " --json");
    ASSERT_EQ(r.status, 0) << r.out;
    list = parseJson(r.out);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2]["name"].asString(), "Sniper(1)");
    EXPECT_EQ(ctl(dir.path(), "profiles mouse import " + dir.file("none.json")).status, 1);
    EXPECT_EQ(ctl(dir.path(), "profiles mouse copy").status, 0);
    EXPECT_EQ(ctl(dir.path(), "profiles mouse reset").status, 0);
    EXPECT_EQ(ctl(dir.path(), "profiles mouse select 9").status, 1);

    const char* usage[] = {"profiles",
                           "profiles mouse",
                           "profiles Mouse list",
                           "profiles mouse jump",
                           "profiles mouse select x",
                           "profiles mouse rename",
                           "macros mouse delete"};
    for (const char* u : usage)
        EXPECT_EQ(ctl(dir.path(), u).status, 2) << u;
}

TEST(QuasarctlMacros, OperationsAndStatus) {
    TempDir dir;
    ASSERT_EQ(ctl(dir.path(), "macros keyboard add").status, 0);
    ASSERT_EQ(ctl(dir.path(), "macros keyboard add").status, 0);
    writeText(dir.file("Combo.mac"), R"({"MacroName":"Combo","Events":[],"Version":64})");
    ASSERT_EQ(ctl(dir.path(), "macros keyboard import " + dir.file("Combo.mac")).status, 0);
    ASSERT_EQ(ctl(dir.path(), "macros keyboard rename 0 Reload").status, 0);
    ASSERT_EQ(ctl(dir.path(), "macros keyboard delete 1").status, 0);
    Result r = ctl(dir.path(), "macros keyboard list --json");
    ASSERT_EQ(r.status, 0);
    Json::Value list = parseJson(r.out);
    ASSERT_EQ(list.size(), 2u) << r.out;
    EXPECT_EQ(list[0]["name"].asString(), "Reload");
    EXPECT_EQ(list[1]["name"].asString(), "Combo");
    ASSERT_EQ(ctl(dir.path(), "macros keyboard export 1 " + dir.file("back.mac")).status, 0);
    EXPECT_EQ(readText(dir.file("back.mac")), readText(dir.file("Combo.mac")));
    EXPECT_EQ(ctl(dir.path(), "macros keyboard export 0 " + dir.file("x.mac")).status, 1)
        << "a macro never saved has no file";
    EXPECT_EQ(ctl(dir.path(), "macros keyboard delete 7").status, 1);
    EXPECT_EQ(ctl(dir.path(), "macros HD add").status, 1)
        << "the headset's macro list is only read";
    EXPECT_EQ(ctl(dir.path(), "macros HD list").status, 0);
}

// Bad files fail with exit status 1 and one line that says what is wrong with the file.
TEST(QuasarctlProfiles, BadFilesGiveOneClearLine) {
    TempDir dir;
    writeText(dir.file("text.json"), "not json");
    writeText(dir.file("plain.json"), R"({"a":1})");
    ASSERT_EQ(::mkfifo(dir.file("pipe.json").c_str(), 0600), 0);
    struct Case {
        std::string args;
        std::string says;
    };
    const Case cases[] = {
        {"profiles keyboard import " + dir.file("none.json"), "No such file"},
        {"profiles keyboard import " + dir.file("text.json"), "not a JSON document"},
        {"profiles keyboard import " + dir.file("plain.json"), "not a profile"},
        {"profiles keyboard import " + dir.file("pipe.json"), "not a regular file"},
        {"macros keyboard import " + dir.file("none.mac"), "No such file"},
        {"macros keyboard import " + dir.file("text.json"), "not a macro file"},
        {"macros keyboard import " + dir.file("pipe.json"), "not a regular file"},
    };
    for (const Case& c : cases) {
        Result r = ctl(dir.path(), c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.out.rfind("quasarctl: ", 0), 0u) << r.out;
        EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line: " << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    }
    ASSERT_EQ(ctl(dir.path(), "macros keyboard add").status, 0);
    Result r = ctl(dir.path(), "macros keyboard export 0 " + dir.file("m.mac"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("never been saved"), std::string::npos) << r.out;
    EXPECT_EQ(ctl(dir.path(), "profiles keyboard export ''").status, 2);
}
