// quasarctl list, info and raw run as a separate process against the virtual device.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include <json/reader.h>
#include <json/value.h>

#include "vdev_fixture.h"

namespace quasar::testing {
namespace {

struct CtlRun {
    int status = -1;
    std::string out, err;
};

CtlRun quasarctl(const std::string& args, const TempDir& temp, const std::string& runAs = "") {
    const std::string errFile = temp.file("stderr.txt");
    std::string command = runAs + std::string(QUASARCTL_PATH) + " " + args + " 2>" + errFile;
    CtlRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        run.out.append(buf, n);
    int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream err(errFile);
    std::stringstream ss;
    ss << err.rdbuf();
    run.err = ss.str();
    return run;
}

Json::Value parseJson(const std::string& text) {
    Json::Value value;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::istringstream in(text);
    EXPECT_TRUE(Json::parseFromStream(builder, in, &value, &errors)) << errors << text;
    return value;
}

std::string hex(const std::uint8_t* bytes, std::size_t n) {
    std::string out;
    char b[3];
    for (std::size_t i = 0; i < n; ++i)
        std::snprintf(b, sizeof b, "%02x", bytes[i]), out += b;
    return out;
}

using Report = std::vector<std::uint8_t>;
using Quasarctl = VdevTest;

TEST_F(Quasarctl, ListShowsEveryRowOfAllSixDevices) {
    plug({Model::Keyboard, Model::KeyboardReceiver, Model::Mouse, Model::MouseReceiver,
          Model::Mousepad, Model::Headset});
    CtlRun run = quasarctl("list --json", temp_);
    ASSERT_EQ(run.status, 0) << run.err;
    Json::Value rows = parseJson(run.out);
    ASSERT_TRUE(rows.isArray());
    ASSERT_EQ(rows.size(), 11u) << run.out;
    for (Json::ArrayIndex i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        const auto& table = SupportedInterfaceTable[i];
        EXPECT_EQ(row["row"].asInt(), int(i));
        EXPECT_EQ(row["kind"].asInt(), table.kind) << i;
        EXPECT_EQ(row["role"].asInt(), table.role) << i;
        EXPECT_EQ(row["vendorId"].asInt(), table.vendorId) << i;
        EXPECT_EQ(row["productId"].asInt(), table.productId) << i;
        EXPECT_EQ(row["usagePage"].asInt(), table.usagePage) << i;
        EXPECT_EQ(row["usage"].asInt(), table.usage) << i;
        EXPECT_EQ(row["path"].asString().rfind(host().devRoot() + "/hidraw", 0), 0u) << i;
    }
    CtlRun text = quasarctl("list", temp_);
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 11);
}

TEST_F(Quasarctl, InfoReadsEachCommandInterfaceInItsMode) {
    plug({Model::Keyboard, Model::MouseReceiver, Model::Headset});
    CtlRun run = quasarctl("info --json", temp_);
    ASSERT_EQ(run.status, 0) << run.err;
    Json::Value rows = parseJson(run.out);
    ASSERT_EQ(rows.size(), 3u) << run.out;
    struct Expected {
        int row, kind;
        const char* mode;
        Model model;
    } expected[] = {{0, 1, "cable", Model::Keyboard},
                    {6, 6, "receiver", Model::MouseReceiver},
                    {10, 7, "cable", Model::Headset}};
    for (Json::ArrayIndex i = 0; i < 3; ++i) {
        const auto& e = expected[i];
        const auto info = host().memory(id(e.model)).info;
        EXPECT_EQ(rows[i]["row"].asInt(), e.row);
        EXPECT_EQ(rows[i]["kind"].asInt(), e.kind);
        EXPECT_EQ(rows[i]["mode"].asString(), e.mode);
        EXPECT_EQ(rows[i]["status"].asInt(), 1) << e.row;
        EXPECT_EQ(rows[i]["info"].asString(), hex(info.data(), info.size())) << e.row;
    }

    // A device that cannot be reached has no block: its status stands alone, the others are
    // still shown, and the run fails with a line naming the row.
    host().setFault(id(Model::MouseReceiver), {vdev::Fault::Unreachable, -1});
    run = quasarctl("info --json", temp_);
    EXPECT_EQ(run.status, 1);
    rows = parseJson(run.out);
    ASSERT_EQ(rows.size(), 3u) << run.out;
    EXPECT_EQ(rows[0]["status"].asInt(), 1);
    EXPECT_EQ(rows[1]["status"].asInt(), kStatusUnreachable);
    EXPECT_TRUE(rows[1]["info"].isNull());
    EXPECT_EQ(rows[2]["status"].asInt(), 1);
    EXPECT_NE(run.err.find("quasarctl: row 6: device behind the receiver not reachable"),
              std::string::npos)
        << run.err;
}

TEST_F(Quasarctl, RawAndItsErrors) {
    plug({Model::Keyboard, Model::MouseReceiver});
    CtlRun run = quasarctl("raw 0 04010001", temp_);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("status 1 ", 0), 0u) << run.out;
    auto nl = run.out.find('\n');
    std::string answer = run.out.substr(nl + 1);
    EXPECT_EQ(answer.size(), 64u * 3u) << answer; // 64 bytes "xx", spaced, and a line end
    EXPECT_EQ(answer.substr(0, 3), "04 ");
    EXPECT_EQ(answer.substr(9, 3), "01 ");
    auto sent = commands(Model::Keyboard);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Report(sent[0].begin(), sent[0].begin() + 5), (Report{4, 1, 0, 1, 0}));

    host().setFault(id(Model::MouseReceiver), {vdev::Fault::Unreachable, -1});
    run = quasarctl("raw 6 04:01:00:01", temp_);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("status -101 ", 0), 0u) << run.out;
    EXPECT_NE(run.err.find("not reachable"), std::string::npos) << run.err;

    // A device that keeps silent: the one line says it timed out.
    host().setFault(id(Model::Keyboard), {vdev::Fault::Silent, 1});
    run = quasarctl("raw 0 04010001", temp_);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("status 0 ", 0), 0u) << run.out;
    EXPECT_EQ(run.err, "quasarctl: row 0: time-out: the device did not answer\n");

    struct Case {
        const char* args;
        int status;
        const char* message;
    } cases[] = {
        {"raw 1 04010001", 1, "event interface"},
        {"raw 8 04010001", 1, "not present"},
        {"raw 11 04010001", 2, "ROW"},
        {"raw 0 0401zz", 2, "HEXBYTES"},
        {"raw 0 040", 2, "HEXBYTES"},
        {"raw 0", 2, "needed"},
    };
    for (const auto& c : cases) {
        CtlRun bad = quasarctl(c.args, temp_);
        EXPECT_EQ(bad.status, c.status) << c.args;
        EXPECT_NE(bad.err.find(c.message), std::string::npos) << c.args << ": " << bad.err;
    }
}

TEST_F(Quasarctl, NoSupportedDeviceIsAnError) {
    plug({});
    for (const char* args : {"list", "list --json", "info"}) {
        CtlRun run = quasarctl(args, temp_);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_EQ(run.err, "quasarctl: no supported device found\n") << args;
        EXPECT_TRUE(run.out.empty()) << args;
    }
}

TEST_F(Quasarctl, PermissionDeniedPointsAtTheUdevRule) {
    plug({Model::Keyboard, Model::Mouse});
    // The keyboard's node may not be opened: as root that needs another user (root passes every
    // permission check), otherwise a node without permissions is enough.
    std::string runAs;
    if (::geteuid() == 0) {
        if (::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv is needed as root";
        runAs = "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups ";
        ASSERT_EQ(::chmod(temp_.path().c_str(), 0755), 0);
    }
    const std::string keyboardNode = host().nodePath(id(Model::Keyboard));
    const std::string mouseNode = host().nodePath(id(Model::Mouse));
    ASSERT_EQ(::chmod(keyboardNode.c_str(), 0), 0);
    ASSERT_EQ(::chmod(mouseNode.c_str(), 0666), 0);

    // Another device is there: it is listed, the refused one is named in a warning.
    CtlRun run = quasarctl("list --json", temp_, runAs);
    EXPECT_EQ(run.status, 0) << run.err;
    Json::Value rows = parseJson(run.out);
    ASSERT_EQ(rows.size(), 2u) << run.out;
    EXPECT_EQ(rows[0]["row"].asInt(), 4);
    EXPECT_EQ(run.err, "quasarctl: warning: permission denied on " + keyboardNode +
                           "; install data/udev/70-quasar.rules into /etc/udev/rules.d and "
                           "replug the device\n");

    // Nothing else: the run fails with the hint.
    ASSERT_EQ(::chmod(mouseNode.c_str(), 0), 0);
    run = quasarctl("info", temp_, runAs);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(run.err.rfind("quasarctl: permission denied on " + host().devRoot() + "/hidraw", 0),
              0u)
        << run.err;
    EXPECT_NE(run.err.find("data/udev/70-quasar.rules"), std::string::npos);
}

} // namespace
} // namespace quasar::testing
