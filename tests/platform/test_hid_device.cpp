#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <future>
#include <set>
#include <thread>

#include "hid_tree.h"
#include "platform/hid/hid_device.h"
#include "platform/hid/sysfs_enum.h"

namespace quasar {
namespace {

using testing::Bytes;
using testing::HidTree;
using testing::NodeSpec;

const std::string kCol03 = "#vid_320f&pid_5064&mi_01&col03";
const std::string kCol04 = "#vid_320f&pid_5064&mi_01&col04";

int openDescriptorCount() {
    int count = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d))
            ++count;
        ::closedir(d);
    }
    return count;
}

// The test's own server thread briefly holds the accepted end of a refused connection; a leak
// on our side never goes away.
bool descriptorsSettleTo(int expected) {
    for (int i = 0; i < 200; ++i) {
        if (openDescriptorCount() == expected) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

NodeSpec keyboard(unsigned number) {
    NodeSpec s;
    s.number = number;
    s.descriptor = testing::keyboardInterfaceDescriptor();
    return s;
}

std::vector<std::string> allPaths(HidDevice& hid) {
    std::vector<std::string> out;
    while (auto p = hid.nextInterfacePath())
        out.push_back(*p);
    return out;
}

TEST(HidPathParsers, ReadHexAfterTheirMarkersInAnyCase) {
    struct Case {
        const char* path;
        std::uint16_t vid, pid, mi, col;
    };
    const Case cases[] = {
        {"/dev/hidraw3#vid_320f&pid_5064&mi_01&col04", 0x320F, 0x5064, 1, 4},
        {"\\\\?\\HID#VID_320F&PID_5064&MI_01&COL04#7&1a2b&0&0003#{4d1e55b2}", 0x320F, 0x5064, 1, 4},
        {"/dev/hidraw0#Vid_0c76&Pid_1630&Mi_03", 0x0C76, 0x1630, 3, 0},
        {"/dev/hidraw1", 0, 0, 0, 0},
        {"vid_&pid_xyz&mi_&col", 0, 0, 0, 0},         // markers without digits
        {"vid_12345678&col1ff", 0x5678, 0, 0, 0x1FF}, // the low 16 bits
        {"&mi_0a&col0B", 0, 0, 0x0A, 0x0B},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(parseVendorId(c.path), c.vid);
        EXPECT_EQ(parseProductId(c.path), c.pid);
        EXPECT_EQ(parseInterfaceNumber(c.path), c.mi);
        EXPECT_EQ(parseCollectionNumber(c.path), c.col);
    }
}

TEST(HidEnumeration, NoNodesGivesAnEmptyList) {
    HidDevice hid;
    EXPECT_FALSE(hid.nextInterfacePath()); // no list yet
    {
        HidTree tree;
        ASSERT_TRUE(hid.enumerateInterfaces());
        EXPECT_EQ(hid.interfacePathCount(), 0u);
        EXPECT_FALSE(hid.nextInterfacePath());
    }
    // A system without the hidraw class at all has no HID interfaces either.
    testing::TempDir empty;
    testing::ScopedEnv sys("QUASAR_SYSFS_ROOT", empty.file("nothing"));
    ASSERT_TRUE(hid.enumerateInterfaces());
    EXPECT_EQ(hid.interfacePathCount(), 0u);
}

TEST(HidEnumeration, ManyNodesInNumberOrderEachPathOnceAndBrokenNodesSkipped) {
    HidTree tree;
    std::vector<std::string> expected;
    // Plugged out of order; hidraw10 must come after hidraw9.
    for (unsigned n : {12u, 3u, 0u, 10u, 7u, 1u, 9u, 2u, 11u, 4u, 8u, 6u, 5u}) {
        NodeSpec s = keyboard(n);
        s.serve = false;
        if (n % 2) {
            s.vendorId = 0x0C76;
            s.productId = 0x1630;
            s.interfaceNumber = 3;
            s.descriptor = testing::unnumberedDescriptor();
        }
        tree.plug(s);
    }
    for (unsigned n = 0; n <= 12; ++n) {
        const std::string node = tree.nodePath(n);
        if (n % 2) {
            expected.push_back(node + "#vid_0c76&pid_1630&mi_03");
        } else {
            for (int c = 1; c <= 4; ++c)
                expected.push_back(node + "#vid_320f&pid_5064&mi_01&col0" + std::to_string(c));
        }
    }
    // Broken nodes: bad descriptor, no device node, no uevent, no HID_ID.
    NodeSpec bad = keyboard(13);
    bad.serve = false;
    bad.descriptor = {0x05, 0x01, 0xA1, 0x01}; // unbalanced
    tree.plug(bad);
    NodeSpec noNode = keyboard(14);
    noNode.serve = false;
    tree.plug(noNode);
    ::unlink(tree.nodePath(14).c_str());
    NodeSpec noUevent = keyboard(15);
    noUevent.serve = false;
    tree.plug(noUevent);
    ::unlink((tree.hidDir(15) + "/uevent").c_str());
    NodeSpec noId = keyboard(16);
    noId.serve = false;
    tree.plug(noId);
    std::ofstream(tree.hidDir(16) + "/uevent") << "DRIVER=hid-generic\nHID_PHYS=usb-1/input1\n";

    HidDevice hid;
    ASSERT_TRUE(hid.enumerateInterfaces());
    EXPECT_EQ(hid.interfacePathCount(), expected.size());
    EXPECT_EQ(allPaths(hid), expected);
    EXPECT_FALSE(hid.nextInterfacePath());

    // A new enumeration starts over; releasing leaves no list.
    ASSERT_TRUE(hid.enumerateInterfaces());
    EXPECT_EQ(allPaths(hid), expected);
    hid.releaseInterfacePaths();
    EXPECT_EQ(hid.interfacePathCount(), 0u);
    EXPECT_FALSE(hid.nextInterfacePath());
}

TEST(HidOpen, CapabilitiesAttributesAndNumbersPerCollection) {
    HidTree tree;
    tree.plug(keyboard(3));
    NodeSpec headset;
    headset.number = 5;
    headset.vendorId = 0x0C76;
    headset.productId = 0x1630;
    headset.interfaceNumber = 3;
    headset.bcdDevice = ""; // no version file: version 0
    headset.descriptor = testing::unnumberedDescriptor();
    tree.plug(headset);

    HidDevice hid;
    ASSERT_TRUE(hid.open(tree.nodePath(3) + kCol04, true, true, true, false));
    EXPECT_TRUE(hid.isOpen());
    EXPECT_EQ(hid.caps().usagePage, 0xFF1C);
    EXPECT_EQ(hid.caps().usage, 0x92);
    EXPECT_EQ(hid.caps().inputReportByteLength, 64);
    EXPECT_EQ(hid.caps().outputReportByteLength, 64);
    EXPECT_EQ(hid.caps().featureReportByteLength, 0);
    EXPECT_EQ(hid.caps().numberInputValueCaps, 1);
    EXPECT_EQ(hid.caps().numberOutputValueCaps, 1);
    EXPECT_EQ(hid.attributes().vendorId, 0x320F);
    EXPECT_EQ(hid.attributes().productId, 0x5064);
    EXPECT_EQ(hid.attributes().versionNumber, 0x0102);
    EXPECT_EQ(hid.interfaceNumber(), 1);
    EXPECT_EQ(hid.collectionNumber(), 4);
    EXPECT_EQ(hid.reportBuffer(HidReportKind::Input).size(), 64u);
    EXPECT_EQ(hid.reportBuffer(HidReportKind::Output).size(), 64u);
    EXPECT_EQ(hid.reportIds(), std::vector<std::uint8_t>{4});
    ASSERT_EQ(hid.dataItems(HidReportKind::Input).size(), 1u);
    EXPECT_FALSE(hid.dataItems(HidReportKind::Input)[0].isButton);
    EXPECT_EQ(hid.dataItems(HidReportKind::Input)[0].reportId, 4u);

    // Opening another path releases the first open's data.
    ASSERT_TRUE(hid.open(tree.nodePath(3) + kCol03, true, true, true, false));
    EXPECT_EQ(hid.caps().usagePage, 0x0C);
    EXPECT_EQ(hid.caps().inputReportByteLength, 3);
    EXPECT_EQ(hid.caps().outputReportByteLength, 0);
    EXPECT_TRUE(hid.reportBuffer(HidReportKind::Output).empty());
    ASSERT_EQ(hid.dataItems(HidReportKind::Input).size(), 1u);
    const HidDataItem& item = hid.dataItems(HidReportKind::Input)[0];
    EXPECT_TRUE(item.isButton);
    EXPECT_EQ(item.usageMin, 0u);
    EXPECT_EQ(item.usageMax, 0xFFFFu);
    EXPECT_EQ(item.maxUsageListLength, 1u);
    EXPECT_EQ(item.usages.size(), 1u);

    ASSERT_TRUE(hid.open(tree.nodePath(5) + "#vid_0c76&pid_1630&mi_03", true, true, true, false));
    EXPECT_EQ(hid.collectionNumber(), 0);
    EXPECT_EQ(hid.interfaceNumber(), 3);
    EXPECT_EQ(hid.attributes().versionNumber, 0);
    EXPECT_EQ(hid.caps().inputReportByteLength, 3); // 16 bits and the id byte Windows counts
    EXPECT_EQ(hid.caps().outputReportByteLength, 9);
    EXPECT_TRUE(hid.reportIds().empty());

    hid.close();
    EXPECT_FALSE(hid.isOpen());
    EXPECT_EQ(hid.caps().usagePage, 0);
    EXPECT_TRUE(hid.dataItems(HidReportKind::Input).empty());
}

TEST(HidOpen, AccessZeroOnlyTestsExistence) {
    HidTree tree;
    auto* server = tree.plug(keyboard(3));
    HidDevice hid;
    ASSERT_TRUE(hid.open(tree.nodePath(3) + kCol04, false, false, false, false));
    EXPECT_TRUE(hid.isOpen());
    EXPECT_EQ(hid.caps().usagePage, 0xFF1C);
    EXPECT_EQ(server->clientCount(), 0u); // nothing was connected
    std::uint8_t buf[64] = {4};
    EXPECT_FALSE(hid.read(buf, sizeof buf, nullptr, 0));
    EXPECT_FALSE(hid.write(buf, sizeof buf, nullptr, 0));
    tree.unplug(3);
    EXPECT_FALSE(hid.reopen());
    EXPECT_FALSE(hid.isOpen());
}

TEST(HidOpen, RefusedPathsLeaveNothingOpen) {
    HidTree tree;
    tree.plug(keyboard(3));
    NodeSpec bad = keyboard(4);
    bad.descriptor = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x40, 0x95, 0x01, 0x81, 0x02, 0xC0};
    tree.plug(bad);
    NodeSpec silent = keyboard(6); // a socket file nobody listens on any more
    silent.serve = false;
    tree.plug(silent);
    ::unlink(tree.nodePath(6).c_str());
    {
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", tree.nodePath(6).c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::close(fd);
    }
    std::string deep = tree.nodePath(3) + kCol04 + std::string(HidDevice::kMaxPathUnits, 'x');

    struct Case {
        const char* name;
        std::string path;
        int error;
    };
    const Case cases[] = {
        {"bad descriptor", tree.nodePath(4) + kCol04, EINVAL},
        {"too long", deep, ENAMETOOLONG},
        {"other vendor", tree.nodePath(3) + "#vid_1234&pid_5064&mi_01&col04", ENODEV},
        {"other product", tree.nodePath(3) + "#vid_320f&pid_5001&mi_01&col04", ENODEV},
        {"other interface", tree.nodePath(3) + "#vid_320f&pid_5064&mi_02&col04", ENODEV},
        {"collection past the last", tree.nodePath(3) + "#vid_320f&pid_5064&mi_01&col05", ENODEV},
        {"no collection on a multi-collection node", tree.nodePath(3) + "#vid_320f&pid_5064&mi_01",
         ENODEV},
        {"no such node", tree.nodePath(9) + kCol04, ENOENT},
        {"nobody listening", tree.nodePath(6), ECONNREFUSED},
        {"empty", "", ENOENT},
    };
    HidDevice hid;
    const int before = openDescriptorCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(hid.open(c.path, true, true, true, false));
        EXPECT_FALSE(hid.isOpen());
        EXPECT_EQ(hid.lastOpenError(), c.error);
        EXPECT_TRUE(descriptorsSettleTo(before));
    }
    // The path is refused before it is kept, so a reopen cannot reach it either.
    EXPECT_FALSE(hid.open(deep, false, false, false, false));
    EXPECT_FALSE(hid.reopen());
    // A good path still opens afterwards.
    EXPECT_TRUE(hid.open(tree.nodePath(3) + kCol04, true, true, true, false));
    EXPECT_EQ(hid.lastOpenError(), 0);
}

TEST(HidOpen, PermissionErrorIsReportedAsEacces) {
    if (::geteuid() == 0) GTEST_SKIP() << "root opens any file; no permission error to see";
    HidTree tree;
    NodeSpec s = keyboard(2);
    s.serve = false; // a plain file standing in for a character device
    tree.plug(s);
    ::chmod(tree.nodePath(2).c_str(), 0);
    HidDevice hid;
    EXPECT_FALSE(hid.open(tree.nodePath(2) + kCol04, true, true, true, false));
    EXPECT_EQ(hid.lastOpenError(), EACCES);
    EXPECT_TRUE(hid.open(tree.nodePath(2) + kCol04, false, false, false, false)); // existence only
}

TEST(HidTransfer, ReadTimesOutLeavingNothingPendingThenReadsTheNextReport) {
    HidTree tree;
    auto* server = tree.plug(keyboard(3));
    HidDevice hid;
    ASSERT_TRUE(hid.open(tree.nodePath(3) + kCol03, true, true, true, false));
    ASSERT_TRUE(server->waitClients(1));

    std::uint8_t buf[3] = {0xEE, 0xEE, 0xEE};
    std::uint32_t got = 99;
    const std::uint64_t start = tickCount();
    EXPECT_FALSE(hid.read(buf, sizeof buf, &got, 1000));
    EXPECT_GE(tickCount() - start, 1000u);
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(hid.cancelEvent().isSet());

    server->broadcast({0x03, 0x05, 0x05});
    ASSERT_TRUE(hid.read(buf, sizeof buf, &got, 2000));
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(Bytes(buf, buf + 3), (Bytes{0x03, 0x05, 0x05}));
    // Nothing else was queued by the timed-out read.
    EXPECT_FALSE(hid.read(buf, sizeof buf, nullptr, 50));
}

TEST(HidTransfer, EachCollectionReadsOnlyItsOwnReportIdsAndDecodesThem) {
    HidTree tree;
    auto* server = tree.plug(keyboard(3));
    HidDevice events, commands;
    ASSERT_TRUE(events.open(tree.nodePath(3) + kCol03, true, true, true, false));
    ASSERT_TRUE(commands.open(tree.nodePath(3) + kCol04, true, true, true, false));
    ASSERT_TRUE(server->waitClients(2));

    Bytes answer(64, 0);
    answer[0] = 0x04;
    answer[1] = 0xAB;
    server->broadcast(answer);
    server->broadcast({0x02, 0xE9, 0x00, 0x00, 0x00}); // media key: neither collection's
    server->broadcast({0x03, 0x05, 0x05});

    std::vector<std::uint8_t> buf(64);
    std::uint32_t got = 0;
    ASSERT_TRUE(events.read(buf.data(), 3, &got, 2000));
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(buf[0], 0x03);
    ASSERT_TRUE(events.unpackInputReport(buf.data(), got));
    const HidDataItem& item = events.dataItems(HidReportKind::Input)[0];
    EXPECT_TRUE(item.isSet);
    EXPECT_EQ(item.status, 0);
    EXPECT_EQ(item.usages[0], 0x0505);

    ASSERT_TRUE(commands.read(buf.data(), 64, &got, 2000));
    EXPECT_EQ(got, 64u);
    EXPECT_EQ(Bytes(buf.begin(), buf.end()), answer);
    ASSERT_TRUE(commands.unpackInputReport(buf.data(), got));
    EXPECT_EQ(commands.dataItems(HidReportKind::Input)[0].rawValue, 0xABu);

    EXPECT_FALSE(events.read(buf.data(), 3, nullptr, 100));
    EXPECT_FALSE(commands.read(buf.data(), 64, nullptr, 100));
    // A report of another collection decodes nothing of this one.
    const Bytes media{0x02, 0xE9, 0x00, 0x00, 0x00};
    EXPECT_TRUE(events.unpackInputReport(media.data(), 5));
    EXPECT_EQ(events.dataItems(HidReportKind::Input)[0].usages[0], 0x0505);
}

TEST(HidTransfer, BitFieldButtonsDecodeIntoUsageLists) {
    HidTree tree;
    auto* server = tree.plug(keyboard(3));
    HidDevice system;
    ASSERT_TRUE(
        system.open(tree.nodePath(3) + "#vid_320f&pid_5064&mi_01&col01", true, false, true, false));
    ASSERT_TRUE(server->waitClients(1));
    server->broadcast({0x01, 0b110});
    std::uint8_t buf[2];
    std::uint32_t got = 0;
    ASSERT_TRUE(system.read(buf, 2, &got, 2000));
    ASSERT_TRUE(system.unpackInputReport(buf, got));
    const HidDataItem& item = system.dataItems(HidReportKind::Input)[0];
    EXPECT_EQ(item.maxUsageListLength, 3u);
    EXPECT_EQ(item.usages, (std::vector<std::uint16_t>{0x82, 0x83, 0}));
    // Read-only: a write is refused.
    EXPECT_FALSE(system.write(buf, 2, nullptr, 100));
}

TEST(HidTransfer, WriteSendsOneReportAndUnnumberedReportsGetIdZeroInFront) {
    HidTree tree;
    auto* keyboardServer = tree.plug(keyboard(3));
    NodeSpec headset;
    headset.number = 4;
    headset.vendorId = 0x0C76;
    headset.productId = 0x1630;
    headset.interfaceNumber = 3;
    headset.descriptor = testing::unnumberedDescriptor();
    auto* headsetServer = tree.plug(headset);

    HidDevice commands, plain;
    ASSERT_TRUE(commands.open(tree.nodePath(3) + kCol04, true, true, true, false));
    Bytes command(64);
    for (std::size_t i = 0; i < command.size(); ++i)
        command[i] = static_cast<std::uint8_t>(i + 4);
    std::uint32_t written = 0;
    ASSERT_TRUE(commands.write(command.data(), 64, &written, 1000));
    EXPECT_EQ(written, 64u);
    EXPECT_EQ(keyboardServer->waitMessage(), command);
    EXPECT_TRUE(commands.write(command.data(), 64, nullptr, 1000)); // count may be absent
    EXPECT_EQ(keyboardServer->waitMessage(), command);

    ASSERT_TRUE(plain.open(tree.nodePath(4) + "#vid_0c76&pid_1630&mi_03", true, true, true, false));
    ASSERT_TRUE(headsetServer->waitClients(1));
    headsetServer->broadcast({0xE9, 0x00});
    std::uint8_t buf[3] = {0xEE, 0xEE, 0xEE};
    std::uint32_t got = 0;
    ASSERT_TRUE(plain.read(buf, 3, &got, 2000));
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(Bytes(buf, buf + 3), (Bytes{0x00, 0xE9, 0x00}));
    ASSERT_TRUE(plain.unpackInputReport(buf, got));
    EXPECT_EQ(plain.dataItems(HidReportKind::Input)[0].usages[0], 0xE9);
    // Written as hidraw takes it: the id byte 0 in front.
    const Bytes out{0x00, 1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(plain.write(out.data(), 9, nullptr, 1000));
    EXPECT_EQ(headsetServer->waitMessage(), out);
}

TEST(HidTransfer, CloseOrCancelFromAnotherThreadEndsAnInfiniteRead) {
    HidTree tree;
    auto* server = tree.plug(keyboard(3));
    HidDevice hid;
    ASSERT_TRUE(hid.open(tree.nodePath(3) + kCol03, true, true, true, false));
    ASSERT_TRUE(server->waitClients(1));

    // cancelEvent (the listener's stop path).
    std::uint8_t buf[3];
    auto reader =
        std::async(std::launch::async, [&] { return hid.read(buf, 3, nullptr, kInfinite); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    hid.cancelTransfer();
    EXPECT_FALSE(reader.get());
    EXPECT_FALSE(hid.cancelEvent().isSet()); // the read took the signal
    // cancelTransfer with no transfer in progress leaves no signal behind.
    hid.cancelTransfer();
    EXPECT_FALSE(hid.cancelEvent().isSet());
    server->broadcast({0x03, 0x01, 0x04});
    EXPECT_TRUE(hid.read(buf, 3, nullptr, 2000));
    // Signalled directly while idle, the event ends the next transfer at once, before a report
    // that is already waiting (which the transfer after it then gets).
    server->broadcast({0x03, 0x09, 0x04});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    hid.cancelEvent().set();
    EXPECT_FALSE(hid.read(buf, 3, nullptr, 2000));
    EXPECT_FALSE(hid.cancelEvent().isSet());
    ASSERT_TRUE(hid.read(buf, 3, nullptr, 2000));
    EXPECT_EQ(buf[1], 0x09);

    // close.
    reader = std::async(std::launch::async, [&] { return hid.read(buf, 3, nullptr, kInfinite); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    hid.close();
    EXPECT_FALSE(reader.get());
    EXPECT_FALSE(hid.isOpen());
    EXPECT_FALSE(hid.cancelEvent().isSet());

    // A reopened device reads normally (no stale cancel signal).
    ASSERT_TRUE(hid.reopen());
    ASSERT_TRUE(server->waitClients(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    server->broadcast({0x03, 0x02, 0x04});
    ASSERT_TRUE(hid.read(buf, 3, nullptr, 2000));
    EXPECT_EQ(buf[1], 0x02);

    // Destruction while a read waits.
    auto owned = std::make_unique<HidDevice>();
    ASSERT_TRUE(owned->open(tree.nodePath(3) + kCol04, true, true, true, false));
    std::uint8_t big[64];
    reader = std::async(std::launch::async,
                        [&, dev = owned.get()] { return dev->read(big, 64, nullptr, kInfinite); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    owned.reset();
    EXPECT_FALSE(reader.get());
}

TEST(HidTransfer, UnplugMakesReadAndWriteFailPromptly) {
    HidTree tree;
    auto* server = tree.plug(keyboard(3));
    HidDevice events, commands;
    ASSERT_TRUE(events.open(tree.nodePath(3) + kCol03, true, true, true, false));
    ASSERT_TRUE(commands.open(tree.nodePath(3) + kCol04, true, true, true, false));
    ASSERT_TRUE(server->waitClients(2));

    // The device closes the connections: a waiting read ends, a write fails.
    std::uint8_t buf[64] = {4};
    auto reader =
        std::async(std::launch::async, [&] { return events.read(buf, 3, nullptr, kInfinite); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server->dropClients();
    EXPECT_FALSE(reader.get());
    std::uint8_t cmd[64] = {4};
    EXPECT_FALSE(commands.write(cmd, 64, nullptr, kInfinite));
    EXPECT_FALSE(commands.read(cmd, 64, nullptr, kInfinite));

    // Full unplug: socket and sysfs entries gone; reopen fails, replug opens the same path.
    ASSERT_TRUE(events.reopen());
    ASSERT_TRUE(server->waitClients(1));
    reader =
        std::async(std::launch::async, [&] { return events.read(buf, 3, nullptr, kInfinite); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    tree.unplug(3);
    EXPECT_FALSE(reader.get());
    EXPECT_FALSE(events.reopen());
    tree.plug(keyboard(3));
    EXPECT_TRUE(events.reopen());

    // The node number taken by another device: the old path does not open it.
    tree.unplug(3);
    NodeSpec other = keyboard(3);
    other.productId = 0x221C;
    tree.plug(other);
    EXPECT_FALSE(events.reopen());
    EXPECT_TRUE(
        events.open(tree.nodePath(3) + "#vid_320f&pid_221c&mi_01&col03", true, true, true, false));
}

} // namespace
} // namespace quasar

namespace quasar::hid {
namespace {

TEST(HidUevent, KeysOfTheHidDirectory) {
    struct Case {
        const char* text;
        bool ok;
        std::uint16_t vid, pid;
        int mi;
    };
    const Case cases[] = {
        {"DRIVER=hid-generic\nHID_ID=0003:0000320F:00005064\nHID_PHYS=usb-0000:00:14.0-1/input1\n",
         true, 0x320F, 0x5064, 1},
        {"HID_PHYS=usb-0000:00:14.0-3/input12\nHID_ID=0003:00000C76:00001630", true, 0x0C76, 0x1630,
         12},
        {"HID_ID=0005:0000046D:0000B01A\nHID_PHYS=a0:b1:c2:d3:e4:f5\n", true, 0x046D, 0xB01A, -1},
        {"HID_ID=0003:0000320F:00005064\nHID_PHYS=usb-1/input99999999999\n", true, 0x320F, 0x5064,
         -1},
        {"HID_ID=0003:0000320F:00005064\nHID_PHYS=usb-1/input3x\n", true, 0x320F, 0x5064, -1},
        {"MAJOR=240\nMINOR=3\nDEVNAME=hidraw3\n", false, 0, 0, -1}, // the node's own uevent
        {"HID_ID=0003:0001320F:00005064\n", false, 0, 0, -1},       // vendor id above 16 bits
        {"HID_ID=0003:320F\n", false, 0, 0, -1},
        {"HID_ID=0003:0000320G:00005064\n", false, 0, 0, -1},
        {"", false, 0, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        HidUevent u;
        EXPECT_EQ(parseHidUevent(c.text, u), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(u.vendorId, c.vid);
        EXPECT_EQ(u.productId, c.pid);
        EXPECT_EQ(u.interfaceNumber, c.mi);
    }
}

} // namespace
} // namespace quasar::hid
