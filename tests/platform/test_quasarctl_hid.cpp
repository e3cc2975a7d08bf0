#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <functional>
#include <string>

#include <json/reader.h>
#include <json/value.h>

#include "hid_tree.h"

namespace quasar {
namespace {

using testing::HidTree;
using testing::NodeSpec;

struct CtlRun {
    int status = -1;
    std::string out;
};

CtlRun quasarctl(const std::string& args, const std::function<void()>& whileRunning = {}) {
    CtlRun r;
    FILE* p = ::popen((std::string(QUASARCTL_PATH) + " " + args + " 2>/dev/null").c_str(), "r");
    if (!p) return r;
    if (whileRunning) whileRunning();
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int raw = ::pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

TEST(QuasarctlHid, ListsEveryInterfaceWithWhatTheDescriptorSays) {
    HidTree tree;
    NodeSpec keyboard;
    keyboard.number = 3;
    keyboard.descriptor = testing::keyboardInterfaceDescriptor();
    tree.plug(keyboard);
    NodeSpec broken = keyboard; // unreadable descriptor: not listed
    broken.number = 4;
    broken.descriptor = {0xA1, 0x01};
    tree.plug(broken);

    CtlRun r = quasarctl("hid --json");
    ASSERT_EQ(r.status, 0) << r.out;
    Json::Value list;
    ASSERT_TRUE(Json::Reader().parse(r.out, list)) << r.out;
    ASSERT_EQ(list.size(), 4u);
    const Json::Value& vendor = list[3];
    EXPECT_EQ(vendor["path"].asString(), tree.nodePath(3) + "#vid_320f&pid_5064&mi_01&col04");
    EXPECT_TRUE(vendor["opens"].asBool());
    EXPECT_EQ(vendor["usagePage"].asString(), "ff1c");
    EXPECT_EQ(vendor["usage"].asString(), "0092");
    EXPECT_EQ(vendor["version"].asString(), "0102");
    EXPECT_EQ(vendor["inputLength"].asInt(), 64);
    EXPECT_EQ(vendor["reportIds"][0].asInt(), 4);
    EXPECT_EQ(list[2]["inputLength"].asInt(), 3);

    EXPECT_EQ(quasarctl("hid --bogus").status, 2);
}

TEST(QuasarctlHid, ReadPrintsReportsWithTheirFirstUsage) {
    HidTree tree;
    NodeSpec keyboard;
    keyboard.number = 3;
    keyboard.descriptor = testing::keyboardInterfaceDescriptor();
    auto* server = tree.plug(keyboard);
    const std::string path = tree.nodePath(3) + "#vid_320f&pid_5064&mi_01&col03";

    CtlRun r = quasarctl("hid read '" + path + "' 2 --timeout 5000", [&] {
        ASSERT_TRUE(server->waitClients(1, 5000));
        server->broadcast({0x04, 0x00}); // another collection's report: not shown
        server->broadcast({0x03, 0x01, 0x04});
        server->broadcast({0x03, 0x05, 0x05});
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "03 01 04  usage 0401\n03 05 05  usage 0505\n");

    EXPECT_EQ(quasarctl("hid read '" + path + "' --timeout 100").status, 1);
    EXPECT_EQ(quasarctl("hid read '" + tree.nodePath(9) + "'").status, 1);
    EXPECT_EQ(quasarctl("hid read").status, 2);
}

} // namespace
} // namespace quasar
