// The virtual device against plain socket clients, the real hidraw code and the program itself.

#include <gtest/gtest.h>
#include <json/reader.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "devices/factory_tables.h"
#include "node_client.h"
#include "platform/hid/hid_device.h"
#include "support/temp_dir.h"
#include "vdev/device_model.h"
#include "vdev/virtual_device.h"

namespace fs = std::filesystem;

namespace quasar::testing {
namespace {

using vdev::DeviceModel;
using Bytes = std::vector<std::uint8_t>;

constexpr DeviceModel kAllModels[] = {DeviceModel::Keyboard, DeviceModel::KeyboardReceiver,
                                      DeviceModel::Mouse,    DeviceModel::MouseReceiver,
                                      DeviceModel::Mousepad, DeviceModel::Headset};

std::string readText(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

Json::Value parseJson(const std::string& text) {
    Json::Value v;
    Json::CharReaderBuilder b;
    std::string errors;
    std::istringstream in(text);
    Json::parseFromStream(b, in, &v, &errors);
    return v;
}

Bytes slice(const Bytes& v, std::size_t at, std::size_t n) {
    return Bytes(v.begin() + at, v.begin() + at + n);
}

Bytes pattern(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(seed + 7 * i);
    return b;
}

// Every answer is a whole report with the request's code, a status and a valid checksum.
void expectWellFormedAnswer(const Bytes& a, std::uint8_t code, std::uint8_t status) {
    ASSERT_EQ(a.size(), 64u);
    EXPECT_EQ(a[0], 4);
    EXPECT_EQ(a[3], code);
    EXPECT_EQ(a[7], status);
    EXPECT_EQ(a[1] | (a[2] << 8), vdev::reportChecksum(a.data()));
}

class VdevTest : public ::testing::Test {
protected:
    int add(DeviceModel model) {
        if (!host_) host_ = std::make_unique<vdev::VirtualDeviceHost>(temp_.path());
        const int id = host_->addDevice(model);
        EXPECT_GE(id, 0) << vdev::modelName(model);
        return id;
    }
    void start() { ASSERT_TRUE(host_->start()); }
    vdev::VirtualDeviceHost& host() { return *host_; }
    fs::path sys() const { return host_->sysfsRoot(); }

    std::unique_ptr<NodeClient> connect(int id) {
        auto c = std::make_unique<NodeClient>(host_->nodePath(id));
        EXPECT_TRUE(c->connected());
        return c;
    }
    // The HID device directory of the device's command node, through the class link.
    fs::path hidDir(int id) {
        const fs::path link =
            sys() / "class/hidraw" / ("hidraw" + std::to_string(host_->hidrawNumber(id)));
        return fs::canonical(link / "device");
    }

    TempDir temp_;
    std::unique_ptr<vdev::VirtualDeviceHost> host_;
};

TEST_F(VdevTest, SysfsTreeLooksLikeTheKernels) {
    std::map<int, DeviceModel> ids;
    for (DeviceModel m : kAllModels)
        ids[add(m)] = m;
    start();
    std::set<int> hidrawNumbers;
    for (auto [id, model] : ids) {
        SCOPED_TRACE(vdev::modelName(model));
        const vdev::ModelIdentity ident = vdev::modelIdentity(model);
        const int n = host().hidrawNumber(id);
        ASSERT_GE(n, 0);
        EXPECT_TRUE(hidrawNumbers.insert(n).second) << "hidraw number used twice";
        const std::string node = "hidraw" + std::to_string(n);
        const fs::path link = sys() / "class/hidraw" / node;
        ASSERT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link).string().rfind("../../devices/", 0), 0u)
            << fs::read_symlink(link);
        const fs::path raw = fs::canonical(link);
        EXPECT_EQ(raw.filename(), node);
        const std::string rawEvent = readText(raw / "uevent");
        EXPECT_NE(rawEvent.find("MINOR=" + std::to_string(n) + "\n"), std::string::npos)
            << rawEvent;
        EXPECT_NE(rawEvent.find("DEVNAME=" + node + "\n"), std::string::npos) << rawEvent;

        const fs::path hid = hidDir(id);
        EXPECT_EQ(hid, raw.parent_path().parent_path());
        char vidPid[32];
        std::snprintf(vidPid, sizeof vidPid, "%04X:%04X", ident.vendorId, ident.productId);
        EXPECT_EQ(hid.filename().string().rfind("0003:" + std::string(vidPid) + ".", 0), 0u) << hid;
        const std::string uevent = readText(hid / "uevent");
        char hidId[64], modalias[64];
        std::snprintf(hidId, sizeof hidId, "HID_ID=0003:%08X:%08X\n", ident.vendorId,
                      ident.productId);
        std::snprintf(modalias, sizeof modalias, "MODALIAS=hid:b0003g0001v%08Xp%08X\n",
                      ident.vendorId, ident.productId);
        for (const std::string& line : {std::string("DRIVER=hid-generic\n"), std::string(hidId),
                                        "HID_NAME=" + std::string(ident.productName) + "\n",
                                        "/input" + std::to_string(ident.interfaceNumber) + "\n",
                                        std::string("HID_UNIQ=\n"), std::string(modalias)})
            EXPECT_NE(uevent.find(line), std::string::npos) << line << " in\n" << uevent;
        const std::string descriptor = readText(hid / "report_descriptor");
        EXPECT_EQ(Bytes(descriptor.begin(), descriptor.end()), vdev::reportDescriptor(model));

        char text[16];
        std::snprintf(text, sizeof text, "%02x\n", ident.interfaceNumber);
        EXPECT_EQ(readText(hid.parent_path() / "bInterfaceNumber"), text);
        const fs::path usb = hid.parent_path().parent_path();
        std::snprintf(text, sizeof text, "%04x\n", ident.vendorId);
        EXPECT_EQ(readText(usb / "idVendor"), text);
        std::snprintf(text, sizeof text, "%04x\n", ident.productId);
        EXPECT_EQ(readText(usb / "idProduct"), text);
        EXPECT_EQ(readText(usb / "bcdDevice"), "0102\n");

        EXPECT_TRUE(fs::is_socket(fs::path(host().devRoot()) / node));
        EXPECT_EQ(host().nodePath(id), (fs::path(host().devRoot()) / node).string());
    }
}

TEST_F(VdevTest, LeftoversOfAKilledRunAreCleared) {
    const fs::path root = temp_.path();
    const fs::path oldUsb = root / "sys/devices/pci0000:00/0000:00:14.0/usb1/1-9/1-9:1.1";
    fs::create_directories(oldUsb);
    fs::create_directories(root / "sys/class/hidraw");
    fs::create_directories(root / "dev");
    fs::create_directory_symlink(
        "../../devices/pci0000:00/0000:00:14.0/usb1/1-9/1-9:1.1/x/hidraw/hidraw7",
        root / "sys/class/hidraw/hidraw7");
    std::ofstream(root / "dev/hidraw7") << "";
    std::ofstream(root / "dev/keep.txt") << "not ours";
    add(DeviceModel::Mouse);
    EXPECT_FALSE(fs::exists(fs::symlink_status(root / "sys/class/hidraw/hidraw7")));
    EXPECT_FALSE(fs::exists(root / "dev/hidraw7"));
    EXPECT_FALSE(fs::exists(oldUsb.parent_path()));
    EXPECT_TRUE(fs::exists(root / "dev/keep.txt"));
    EXPECT_TRUE(fs::is_socket(host().nodePath(0)));
}

// The real hidraw code finds every interface the program claims: the 11 rows of supported
// interfaces with their usage pages, and report lengths of 64 on the command collection.
TEST_F(VdevTest, HidLayerSeesEveryClaimedInterface) {
    for (DeviceModel m : kAllModels)
        add(m);
    start();
    ScopedEnv sysEnv("QUASAR_SYSFS_ROOT", host().sysfsRoot());
    ScopedEnv devEnv("QUASAR_DEV_ROOT", host().devRoot());

    struct Row {
        std::uint16_t vid, pid, mi, col, usagePage, usage;
    };
    const Row rows[] = {
        {0x320F, 0x5064, 1, 4, 0xFF1C, 0x0092}, {0x320F, 0x5064, 1, 3, 0x000C, 0x0001},
        {0x320F, 0x5001, 1, 4, 0xFF1C, 0x0092}, {0x320F, 0x5001, 1, 3, 0x000C, 0x0001},
        {0x320F, 0x221C, 1, 4, 0xFF1C, 0x0092}, {0x320F, 0x221C, 1, 3, 0x000C, 0x0001},
        {0x320F, 0x221D, 1, 4, 0xFF1C, 0x0092}, {0x320F, 0x221D, 1, 3, 0x000C, 0x0001},
        {0x320F, 0x1004, 1, 4, 0xFF1C, 0x0092}, {0x320F, 0x1004, 1, 3, 0x000C, 0x0001},
        {0x0C76, 0x1630, 3, 0, 0x000C, 0x0001},
    };
    HidDevice list;
    ASSERT_TRUE(list.enumerateInterfaces());
    std::vector<std::string> paths;
    while (auto p = list.nextInterfacePath())
        paths.push_back(*p);
    // Five vendor devices with four collections, the headset's one, two boot-keyboard interfaces.
    EXPECT_EQ(paths.size(), 5u * 4 + 1 + 2);

    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << std::hex << row.pid << " col " << row.col);
        int found = 0;
        for (const std::string& path : paths) {
            if (parseVendorId(path) != row.vid || parseProductId(path) != row.pid ||
                parseInterfaceNumber(path) != row.mi || parseCollectionNumber(path) != row.col)
                continue;
            ++found;
            if (row.col == 0) {
                EXPECT_EQ(path.find("&col"), std::string::npos) << path;
            }
            HidDevice dev;
            ASSERT_TRUE(dev.open(path, true, true, true, true)) << path;
            EXPECT_EQ(dev.attributes().vendorId, row.vid);
            EXPECT_EQ(dev.attributes().productId, row.pid);
            EXPECT_EQ(dev.attributes().versionNumber, 0x0102);
            EXPECT_EQ(dev.caps().usagePage, row.usagePage);
            EXPECT_EQ(dev.caps().usage, row.usage);
            if (row.col == 4) {
                EXPECT_EQ(dev.caps().inputReportByteLength, 64);
                EXPECT_EQ(dev.caps().outputReportByteLength, 64);
            }
        }
        EXPECT_EQ(found, 1);
    }
}

// Event codes go as report 3 to every client of the node, and decode to the code itself.
TEST_F(VdevTest, EventReachesEveryClientAndDecodesToItsCode) {
    const int kb = add(DeviceModel::Keyboard);
    start();
    ScopedEnv sysEnv("QUASAR_SYSFS_ROOT", host().sysfsRoot());
    ScopedEnv devEnv("QUASAR_DEV_ROOT", host().devRoot());
    auto a = connect(kb);
    auto b = connect(kb);
    HidDevice listener;
    HidDevice list;
    ASSERT_TRUE(list.enumerateInterfaces());
    std::string eventPath;
    while (auto p = list.nextInterfacePath())
        if (parseInterfaceNumber(*p) == 1 && parseCollectionNumber(*p) == 3) eventPath = *p;
    ASSERT_TRUE(listener.open(eventPath, true, true, true, true)) << eventPath;
    ASSERT_TRUE(waitUntil([&] { return host().clientCount(kb) == 3; }));

    for (std::uint16_t code : {std::uint16_t(0x0401), std::uint16_t(0x0505), std::uint16_t(0x11A3),
                               std::uint16_t(0xFFFF)}) {
        SCOPED_TRACE(code);
        ASSERT_TRUE(host().sendEvent(kb, code));
        const Bytes expected{3, static_cast<std::uint8_t>(code & 0xFF),
                             static_cast<std::uint8_t>(code >> 8)};
        EXPECT_EQ(a->receive(), expected);
        EXPECT_EQ(b->receive(), expected);
        std::vector<std::uint8_t> report(listener.caps().inputReportByteLength);
        std::uint32_t got = 0;
        ASSERT_TRUE(listener.read(report.data(), report.size(), &got, 2000));
        ASSERT_TRUE(listener.unpackInputReport(report.data(), got));
        auto& items = listener.dataItems(HidReportKind::Input);
        ASSERT_FALSE(items.empty());
        ASSERT_FALSE(items[0].usages.empty());
        EXPECT_EQ(items[0].usages[0], code);
    }
}

// A write per memory area lands at its offset, and reads answer with the area's bytes.
TEST_F(VdevTest, EveryAreaIsWrittenAndReadAtItsOffset) {
    const int kb = add(DeviceModel::Keyboard);
    const int mouse = add(DeviceModel::Mouse);
    const int pad = add(DeviceModel::Mousepad);
    start();
    using Area = std::vector<std::uint8_t> vdev::DeviceMemory::*;
    struct Case {
        int device;
        std::uint8_t write, read; // read 0: checked in memory only
        std::uint16_t offset;
        std::uint8_t length;
        Area area;
    } cases[] = {
        {kb, vdev::CmdWriteSettings, vdev::CmdReadSettings, 25, 26, &vdev::DeviceMemory::settings},
        {kb, vdev::CmdWriteKeyTable, vdev::CmdReadKeyTable, 56, 56, &vdev::DeviceMemory::keyTable},
        {kb, vdev::CmdWriteKeyColors, 0, 0, 56, &vdev::DeviceMemory::colors},
        {kb, vdev::CmdSendLightFrame, 0, 448, 56, &vdev::DeviceMemory::lightFrame},
        {kb, vdev::CmdWriteMacroData, 0, 2000, 48, &vdev::DeviceMemory::macro},
        {mouse, vdev::CmdWriteSettings, vdev::CmdReadSettings, 128, 56,
         &vdev::DeviceMemory::settings},
        {mouse, vdev::CmdWriteRecoilData, 0, 56, 56, &vdev::DeviceMemory::recoil},
        {pad, vdev::CmdWriteSettings, vdev::CmdReadSettings, 0, 21, &vdev::DeviceMemory::settings},
    };
    std::map<int, std::unique_ptr<NodeClient>> clients;
    for (int id : {kb, mouse, pad})
        clients[id] = connect(id);
    std::uint8_t seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "device " << c.device << " command " << int(c.write));
        NodeClient& client = *clients[c.device];
        const Bytes data = pattern(c.length, seed += 13);
        auto answer = client.transact(vdev::makeRequest(c.write, c.length, c.offset, data.data()));
        ASSERT_TRUE(answer);
        expectWellFormedAnswer(*answer, c.write, 0);
        const vdev::DeviceMemory m = host().memory(c.device);
        EXPECT_EQ(slice(m.*c.area, c.offset, c.length), data);
        if (c.read) {
            answer = client.transact(vdev::makeRequest(c.read, c.length, c.offset));
            ASSERT_TRUE(answer);
            expectWellFormedAnswer(*answer, c.read, 0);
            EXPECT_EQ(slice(*answer, 8, c.length), data);
        }
    }
    EXPECT_EQ(host().memory(kb).lightFrames, 1u);

    // Read-only areas: the information block in the receiver's two chunks, status, key-LED map.
    NodeClient& k = *clients[kb];
    const vdev::DeviceMemory m = host().memory(kb);
    Bytes info;
    for (auto [offset, length] : {std::pair{0, 24}, std::pair{24, 10}}) {
        auto a = k.transact(vdev::makeRequest(vdev::CmdReadDeviceInfo, length, offset));
        ASSERT_TRUE(a);
        expectWellFormedAnswer(*a, vdev::CmdReadDeviceInfo, 0);
        const Bytes part = slice(*a, 8, length);
        info.insert(info.end(), part.begin(), part.end());
    }
    EXPECT_EQ(info, Bytes(m.info.begin(), m.info.end()));
    auto status = k.transact(vdev::makeRequest(vdev::CmdReadStatus, 6, 0));
    ASSERT_TRUE(status);
    EXPECT_EQ(slice(*status, 8, 6), slice(m.status, 0, 6));
    EXPECT_EQ((*status)[8], 100); // charge
    auto leds = k.transact(vdev::makeRequest(vdev::CmdReadKeyLedMap, 56, 56));
    ASSERT_TRUE(leds);
    EXPECT_EQ(slice(*leds, 8, 56), slice(m.keyLedMap, 56, 56));

    // Bracket and lighting flags.
    for (std::uint8_t code : {vdev::CmdConfigBegin, vdev::CmdHostLightingOn}) {
        auto a = k.transact(vdev::makeRequest(code, 0, 0));
        ASSERT_TRUE(a);
        expectWellFormedAnswer(*a, code, 0);
    }
    EXPECT_TRUE(host().memory(kb).configOpen);
    EXPECT_TRUE(host().memory(kb).hostLighting);
    ASSERT_TRUE(k.transact(vdev::makeRequest(vdev::CmdConfigEnd, 0, 0)));
    EXPECT_FALSE(host().memory(kb).configOpen);
    EXPECT_EQ(host().memory(kb).configEnds, 1u);
}

// The key tables hold every factory action within the first E entries, in the device's own
// order, and each key found has a LED.
TEST_F(VdevTest, FactoryKeyTablesHoldEveryActionInDeviceOrder) {
    struct Case {
        DeviceModel model;
        const FactoryAction* actions;
        std::size_t count;
    } cases[] = {
        {DeviceModel::Keyboard, KeyPositionTable.data(), 126},
        {DeviceModel::MouseReceiver, MouseDefaultKeyTable.data(), MouseDefaultKeyTable.size()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(vdev::modelName(c.model));
        const vdev::DeviceMemory m = vdev::factoryMemory(c.model);
        const std::size_t entries = m.info[5];
        ASSERT_LE(entries * 3, vdev::kKeyTableSize);
        ASSERT_EQ(m.macro.size(), m.info[6] * 128u);
        int outOfIndexOrder = 0;
        std::set<std::uint8_t> leds;
        for (std::size_t j = 0; j < c.count; ++j) {
            std::size_t k = 0;
            while (k < entries && !(m.keyTable[3 * k] == c.actions[j].kind &&
                                    m.keyTable[3 * k + 1] == c.actions[j].p1 &&
                                    m.keyTable[3 * k + 2] == c.actions[j].p2))
                ++k;
            ASSERT_LT(k, entries) << "action of key " << j << " missing";
            if (k != j) ++outOfIndexOrder;
            EXPECT_LT(m.keyLedMap[k], 170) << "key " << j;
            leds.insert(m.keyLedMap[k]);
        }
        EXPECT_GT(outOfIndexOrder, 0);
        EXPECT_GT(leds.size(), c.count / 2);
        for (std::size_t b = entries * 3; b < vdev::kKeyTableSize; ++b)
            ASSERT_EQ(m.keyTable[b], 0) << b;
    }
    // The mouse's DPI scale: base 100, 100 per step, coarse steps above 48 reach 6500 at the top.
    const vdev::DeviceMemory mouse = vdev::factoryMemory(DeviceModel::Mouse);
    const int selector = mouse.info[9] | (mouse.info[10] << 8);
    const int step = mouse.info[11], top = mouse.info[12],
              base = mouse.info[14] | (mouse.info[15] << 8);
    EXPECT_EQ(selector, 0x3325);
    EXPECT_EQ(step * 48 + top * 200 + base - 9600, 6500);
}

// Damaged, oversized or unknown requests are refused and change nothing.
TEST_F(VdevTest, BadRequestsAreRefusedAndChangeNothing) {
    const int kb = add(DeviceModel::Keyboard);
    start();
    auto client = connect(kb);
    const Bytes payload = pattern(56, 9);
    auto badChecksum = vdev::makeRequest(vdev::CmdWriteSettings, 8, 0, payload.data());
    badChecksum[1] ^= 0x01;
    struct Case {
        const char* what;
        std::array<std::uint8_t, 64> request;
        std::uint8_t status;
    } cases[] = {
        {"checksum", badChecksum, 0xFF},
        {"past the settings",
         vdev::makeRequest(vdev::CmdWriteSettings, 8, vdev::kSettingsSize - 4, payload.data()),
         0xFE},
        {"length above 56", vdev::makeRequest(vdev::CmdWriteSettings, 57, 0, payload.data()), 0xFE},
        {"key table block 1", vdev::makeRequest(vdev::CmdWriteKeyTable, 8, 512, payload.data()),
         0xFE},
        {"macro past memory", vdev::makeRequest(vdev::CmdWriteMacroData, 8, 2044, payload.data()),
         0xFE},
        {"no recoil memory", vdev::makeRequest(vdev::CmdWriteRecoilData, 8, 0, payload.data()),
         0xFE},
        {"info past its end", vdev::makeRequest(vdev::CmdReadDeviceInfo, 8, 30), 0xFE},
        {"unknown command", vdev::makeRequest(0x40, 0, 0), 0xFF},
    };
    const vdev::DeviceMemory before = host().memory(kb);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto answer = client->transact(c.request);
        ASSERT_TRUE(answer);
        expectWellFormedAnswer(*answer, c.request[3], c.status);
    }
    const vdev::DeviceMemory after = host().memory(kb);
    EXPECT_EQ(after.settings, before.settings);
    EXPECT_EQ(after.keyTable, before.keyTable);
    EXPECT_EQ(after.macro, before.macro);
}

// Whatever the host sends, each command report gets exactly one well-formed answer and no area
// changes size (run under the sanitizers, this also shows no access outside an area).
TEST(VdevDevice, ArbitraryReportsAreAnsweredSafely) {
    const std::uint8_t codes[] = {1,  2,  3,  5,  6,  7,    9, 11,   18,
                                  21, 23, 26, 27, 28, 0xAA, 0, 0x40, 0xFF};
    std::mt19937 random(12345);
    for (DeviceModel model : kAllModels) {
        SCOPED_TRACE(vdev::modelName(model));
        vdev::DeviceState state = vdev::makeDeviceState(model);
        const vdev::DeviceMemory fresh = *state.memory;
        for (int i = 0; i < 4000; ++i) {
            Bytes payload(56);
            for (auto& b : payload)
                b = static_cast<std::uint8_t>(random());
            const std::uint8_t code = codes[random() % std::size(codes)];
            const auto length = static_cast<std::uint8_t>(random() % 3 ? random() % 57 : random());
            const auto offset =
                static_cast<std::uint16_t>(random() % 2 ? random() % 2100 : random());
            auto request = vdev::makeRequest(code, length, offset, payload.data());
            if (i % 10 == 0) request[1 + random() % 2] ^= 0x10; // damaged on the way
            const std::size_t sent =
                i % 7 == 0 ? random() % 80 + 1 : 64; // short or long reports too
            Bytes wire(request.begin(), request.end());
            wire.resize(sent, 0xEE);
            const auto answers = vdev::handleReport(state, wire.data(), wire.size());
            ASSERT_EQ(answers.size(), 1u) << i;
            const Bytes& a = answers[0];
            ASSERT_EQ(a.size(), 64u);
            ASSERT_EQ(a[0], 4);
            ASSERT_EQ(a[3], sent > 3 ? wire[3] : 0); // a short report arrives zero-filled
            ASSERT_TRUE(a[7] == 0 || a[7] == 0xFE || a[7] == 0xFF) << int(a[7]);
            ASSERT_EQ(a[1] | (a[2] << 8), vdev::reportChecksum(a.data()));
        }
        const vdev::DeviceMemory& m = *state.memory;
        EXPECT_EQ(m.keyTable.size(), fresh.keyTable.size());
        EXPECT_EQ(m.settings.size(), fresh.settings.size());
        EXPECT_EQ(m.macro.size(), fresh.macro.size());
        EXPECT_EQ(m.recoil.size(), fresh.recoil.size());
        EXPECT_EQ(m.lightFrame.size(), fresh.lightFrame.size());
        EXPECT_EQ(m.colors.size(), fresh.colors.size());
    }
}

TEST_F(VdevTest, StaleAnswerComesFirstThenTheRightOne) {
    const int kb = add(DeviceModel::Keyboard);
    start();
    auto client = connect(kb);
    host().setFault(kb, {vdev::Fault::Stale, 1});
    ASSERT_TRUE(client->send(vdev::makeRequest(vdev::CmdReadStatus, 6, 0)));
    auto stale = client->receive();
    auto right = client->receive();
    ASSERT_TRUE(stale && right);
    EXPECT_NE((*stale)[3], vdev::CmdReadStatus);
    expectWellFormedAnswer(*right, vdev::CmdReadStatus, 0);
    EXPECT_EQ((*right)[8], 100);
    EXPECT_EQ(host().fault(kb).kind, vdev::Fault::None); // used up
    // The next exchange has exactly one answer again; the stale one repeats an earlier answer.
    host().setFault(kb, {vdev::Fault::Stale, 1});
    ASSERT_TRUE(client->send(vdev::makeRequest(vdev::CmdConfigBegin, 0, 0)));
    stale = client->receive();
    ASSERT_TRUE(stale);
    EXPECT_EQ(*stale, *right);
    expectWellFormedAnswer(*client->receive(), vdev::CmdConfigBegin, 0);
    ASSERT_TRUE(client->send(vdev::makeRequest(vdev::CmdConfigEnd, 0, 0)));
    expectWellFormedAnswer(*client->receive(), vdev::CmdConfigEnd, 0);
    EXPECT_FALSE(client->receive(200));
}

// Refusals and silence apply to as many commands as asked, and the command is not carried out.
TEST_F(VdevTest, RefusalsAndSilenceLastForTheirCount) {
    const int kb = add(DeviceModel::Keyboard);
    start();
    auto client = connect(kb);
    struct Case {
        vdev::Fault::Kind kind;
        int status; // -1: no answer
    } cases[] = {
        {vdev::Fault::RefuseFF, 0xFF}, {vdev::Fault::RefuseFE, 0xFE}, {vdev::Fault::Silent, -1}};
    std::uint8_t seed = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(vdev::faultKindName(c.kind));
        host().setFault(kb, {c.kind, 2});
        const vdev::DeviceMemory before = host().memory(kb);
        for (int i = 0; i < 3; ++i) {
            const Bytes data = pattern(8, seed += 5);
            ASSERT_TRUE(
                client->send(vdev::makeRequest(vdev::CmdWriteSettings, 8, 100, data.data())));
            auto answer = client->receive(i < 2 && c.status < 0 ? 300 : 2000);
            if (i < 2) {
                if (c.status < 0) {
                    EXPECT_FALSE(answer);
                } else {
                    ASSERT_TRUE(answer);
                    expectWellFormedAnswer(*answer, vdev::CmdWriteSettings,
                                           static_cast<std::uint8_t>(c.status));
                }
                EXPECT_EQ(host().memory(kb).settings, before.settings);
            } else {
                ASSERT_TRUE(answer);
                expectWellFormedAnswer(*answer, vdev::CmdWriteSettings, 0);
                EXPECT_EQ(slice(host().memory(kb).settings, 100, 8), data);
            }
        }
    }
    // Without a count the fault stays until cleared.
    host().setFault(kb, {vdev::Fault::RefuseFF, -1});
    for (int i = 0; i < 5; ++i)
        expectWellFormedAnswer(*client->transact(vdev::makeRequest(1, 0, 0)), 1, 0xFF);
    host().setFault(kb, {vdev::Fault::None, -1});
    expectWellFormedAnswer(*client->transact(vdev::makeRequest(1, 0, 0)), 1, 0);
}

TEST_F(VdevTest, UnreachableReceiverAnswersWithAA) {
    const int rx = add(DeviceModel::MouseReceiver);
    start();
    auto client = connect(rx);
    auto link = client->transact(vdev::makeRequest(vdev::CmdReceiverLinkQuery, 0, 0));
    ASSERT_TRUE(link);
    expectWellFormedAnswer(*link, 0xAA, 0);
    EXPECT_EQ((*link)[8], 0xFF);

    host().setFault(rx, {vdev::Fault::Unreachable, -1});
    const Bytes data = pattern(8, 1);
    auto answer = client->transact(vdev::makeRequest(vdev::CmdWriteSettings, 8, 0, data.data()));
    ASSERT_TRUE(answer);
    expectWellFormedAnswer(*answer, 0xAA, 0);
    EXPECT_NE(slice(host().memory(rx).settings, 0, 8), data);
    link = client->transact(vdev::makeRequest(vdev::CmdReceiverLinkQuery, 0, 0));
    ASSERT_TRUE(link);
    EXPECT_EQ((*link)[3], 0xAA);
    EXPECT_NE((*link)[8], 0xFF);

    host().setFault(rx, {});
    link = client->transact(vdev::makeRequest(vdev::CmdReceiverLinkQuery, 0, 0));
    ASSERT_TRUE(link);
    EXPECT_EQ((*link)[8], 0xFF);
    auto status = client->transact(vdev::makeRequest(vdev::CmdReadStatus, 6, 0));
    ASSERT_TRUE(status);
    expectWellFormedAnswer(*status, vdev::CmdReadStatus, 0);
    EXPECT_EQ((*status)[8 + 3], 1); // runs without cable
}

TEST_F(VdevTest, UnplugClosesConnectionsAndReplugComesBackAsNewInstance) {
    const int kb = add(DeviceModel::Keyboard);
    start();
    auto client = connect(kb);
    const Bytes data = pattern(16, 77);
    ASSERT_TRUE(client->transact(vdev::makeRequest(vdev::CmdWriteSettings, 16, 200, data.data())));
    ASSERT_TRUE(waitUntil([&] { return host().clientCount(kb) == 1; }));
    const std::string node = host().nodePath(kb);
    const fs::path link =
        sys() / "class/hidraw" / ("hidraw" + std::to_string(host().hidrawNumber(kb)));
    const fs::path oldHid = hidDir(kb);
    const int oldInstance = host().instanceNumber(kb);

    ASSERT_TRUE(host().unplug(kb));
    EXPECT_FALSE(host().unplug(kb));
    auto end = client->receive();
    ASSERT_TRUE(end);
    EXPECT_TRUE(end->empty()) << "the connection should end";
    EXPECT_FALSE(client->send(vdev::makeRequest(1, 0, 0)));
    EXPECT_FALSE(fs::exists(node));
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_FALSE(fs::exists(oldHid));
    EXPECT_FALSE(NodeClient(node).connected());
    EXPECT_FALSE(host().sendEvent(kb, 0x0401));
    EXPECT_EQ(host().hidrawNumber(kb), -1);

    ASSERT_TRUE(host().replug(kb));
    EXPECT_NE(host().instanceNumber(kb), oldInstance);
    EXPECT_NE(hidDir(kb).filename(), oldHid.filename());
    auto again = connect(kb);
    auto read = again->transact(vdev::makeRequest(vdev::CmdReadSettings, 16, 200));
    ASSERT_TRUE(read);
    EXPECT_EQ(slice(*read, 8, 16), data) << "memory survives a replug";
}

// A keyboard reached by cable and through its receiver is one device: what one path writes, the
// other reads; faults stay with the path.
TEST_F(VdevTest, TwinsShareTheirMemory) {
    const int cable = add(DeviceModel::Keyboard);
    const int rx = host().addDevice(DeviceModel::KeyboardReceiver, cable);
    ASSERT_GE(rx, 0);
    EXPECT_EQ(host().addDevice(DeviceModel::MouseReceiver, cable), -1);
    EXPECT_EQ(host().addDevice(DeviceModel::Keyboard, cable), -1);
    EXPECT_EQ(host().addDevice(DeviceModel::Mouse, 99), -1);
    start();
    auto viaCable = connect(cable);
    auto viaReceiver = connect(rx);
    const Bytes data = pattern(24, 40);
    ASSERT_TRUE(
        viaReceiver->transact(vdev::makeRequest(vdev::CmdWriteSettings, 24, 0, data.data())));
    auto read = viaCable->transact(vdev::makeRequest(vdev::CmdReadSettings, 24, 0));
    ASSERT_TRUE(read);
    EXPECT_EQ(slice(*read, 8, 24), data);
    host().setFault(rx, {vdev::Fault::Unreachable, -1});
    read = viaCable->transact(vdev::makeRequest(vdev::CmdReadSettings, 24, 0));
    ASSERT_TRUE(read);
    expectWellFormedAnswer(*read, vdev::CmdReadSettings, 0);
    EXPECT_EQ(host().dumpState(rx)["twinOf"].asInt(), cable);
}

// Several clients of one node, events, and another device coming and going, all at once: each
// client finds its own answers among everyone's (hidraw hands every input report to every client)
// and nothing is lost or mixed up.
TEST_F(VdevTest, ConcurrentClientsEventsAndReplugs) {
    const int kb = add(DeviceModel::Keyboard);
    const int mouse = add(DeviceModel::Mouse);
    start();
    auto worker = [&](std::uint8_t write, std::uint8_t read, std::uint16_t base, int* failures) {
        NodeClient client(host().nodePath(kb));
        // The answer to (code, offset): other clients' answers and events are skipped.
        auto answerTo = [&](std::uint8_t code, std::uint16_t offset) -> std::optional<Bytes> {
            for (int i = 0; i < 1000; ++i) {
                auto a = client.receive();
                if (!a || a->empty()) return std::nullopt;
                if (a->size() == 64 && (*a)[3] == code && ((*a)[5] | ((*a)[6] << 8)) == offset)
                    return a;
            }
            return std::nullopt;
        };
        for (int i = 0; i < 150; ++i) {
            const auto offset = static_cast<std::uint16_t>(base + (i % 4) * 16);
            const Bytes data = pattern(16, static_cast<std::uint8_t>(i + base));
            std::optional<Bytes> w;
            if (!client.send(vdev::makeRequest(write, 16, offset, data.data())) ||
                !(w = answerTo(write, offset)) || (*w)[7] != 0) {
                ++*failures;
                continue;
            }
            if (!client.send(vdev::makeRequest(read, 16, offset))) {
                ++*failures;
                continue;
            }
            auto r = answerTo(read, offset);
            if (!r || slice(*r, 8, 16) != data) ++*failures;
        }
    };
    int failuresA = 0, failuresB = 0;
    std::atomic<bool> done{false};
    std::thread a(worker, vdev::CmdWriteSettings, vdev::CmdReadSettings, 0, &failuresA);
    std::thread b(worker, vdev::CmdWriteKeyTable, vdev::CmdReadKeyTable, 384, &failuresB);
    std::thread churn([&] {
        while (!done) {
            host().sendEvent(kb, 0x0505);
            host().unplug(mouse);
            host().replug(mouse);
            (void)host().dumpAll();
            // Events at a pace clients keep up with: a client that falls behind loses reports.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    a.join();
    b.join();
    done = true;
    churn.join();
    EXPECT_EQ(failuresA, 0);
    EXPECT_EQ(failuresB, 0);
    EXPECT_TRUE(host().isPlugged(mouse));
    EXPECT_TRUE(connect(mouse)->transact(vdev::makeRequest(vdev::CmdConfigBegin, 0, 0)));
}

TEST_F(VdevTest, RecordsEveryReportIncludingHeadsetLights) {
    const int hs = add(DeviceModel::Headset);
    start();
    auto client = connect(hs);
    Bytes light(vdev::kHeadsetLightReportSize, 0);
    light[0] = 0xFF;
    light[1] = 0x22;
    light[4] = 247;
    ASSERT_TRUE(client->send(light.data(), light.size()));
    const auto request = vdev::makeRequest(vdev::CmdReadSettings, 26, 0);
    auto answer = client->transact(request);
    ASSERT_TRUE(answer);
    expectWellFormedAnswer(*answer, vdev::CmdReadSettings, 0);
    const auto received = host().receivedReports(hs);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], light);
    EXPECT_EQ(received[1], Bytes(request.begin(), request.end()));
    const auto lights = host().memory(hs).headsetLights;
    ASSERT_EQ(lights.size(), 1u);
    EXPECT_EQ(lights[0], light);
    host().clearReceived(hs);
    EXPECT_TRUE(host().receivedReports(hs).empty());
}

TEST_F(VdevTest, ControlCommands) {
    const int kb = add(DeviceModel::Keyboard);
    start();
    auto client = connect(kb);
    ASSERT_TRUE(waitUntil([&] { return host().clientCount(kb) == 1; }));
    bool quit = false;
    struct Case {
        const char* line;
        const char* answerStart;
    } cases[] = {
        {"", ""},
        {"bogus", "error: unknown command"},
        {"unplug 7", "error: unknown device"},
        {"unplug x", "error: unknown device"},
        {"event 0 1zz", "error: usage"},
        {"event 0 10000", "error: usage"},
        {"fault 0 sometimes", "error: unknown fault"},
        {"fault 0 silent many", "error: bad count"},
        {"add toaster", "error: unknown model"},
        {"add mouse-receiver 0", "error: not a twin"},
        {"set 0 status 55 0102", "error: outside the area"},
        {"set 0 battery 0 01", "error: unknown area"},
        {"set 0 status 0 3", "error: usage"},
        {"set 0 status 0 zz", "error: bad hex"},
        {"set 0 status 0 3201", "ok"},
        {"fault 0 refuse-fe 3", "ok"},
        {"event 0 0x1003", "ok"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string answer = vdev::runControlCommand(host(), c.line, quit);
        EXPECT_EQ(answer.rfind(c.answerStart, 0), 0u) << answer;
        if (!*c.answerStart) {
            EXPECT_TRUE(answer.empty());
        }
        EXPECT_FALSE(quit);
    }
    EXPECT_EQ(slice(host().memory(kb).status, 0, 3), (Bytes{0x32, 0x01, 0x00}));
    EXPECT_EQ(host().fault(kb).kind, vdev::Fault::RefuseFE);
    EXPECT_EQ(host().fault(kb).count, 3);
    EXPECT_EQ(client->receive(), (Bytes{3, 0x03, 0x10}));

    const Json::Value dump = parseJson(vdev::runControlCommand(host(), "dump 0", quit));
    EXPECT_EQ(dump["model"].asString(), "keyboard");
    EXPECT_EQ(dump["productId"].asString(), "5064");
    EXPECT_EQ(dump["fault"]["kind"].asString(), "refuse-fe");
    EXPECT_EQ(dump["memory"]["info"].asString().size(), 68u);
    EXPECT_EQ(dump["memory"]["info"].asString().substr(10, 4), "8010"); // E = 128, 16 units

    EXPECT_EQ(vdev::runControlCommand(host(), "add mouse", quit), "ok 1");
    const Json::Value list = parseJson(vdev::runControlCommand(host(), "list", quit));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]["model"].asString(), "mouse");
    EXPECT_EQ(vdev::runControlCommand(host(), "unplug 1", quit), "ok");
    EXPECT_EQ(vdev::runControlCommand(host(), "unplug 1", quit).rfind("error", 0), 0u);
    EXPECT_FALSE(host().isPlugged(1));
    EXPECT_EQ(vdev::runControlCommand(host(), "replug 1", quit), "ok");
    EXPECT_TRUE(host().isPlugged(1));
    EXPECT_EQ(vdev::runControlCommand(host(), "quit", quit), "ok");
    EXPECT_TRUE(quit);
}

// The program: environment lines first, commands on stdin and on the control socket, clean end.
class Program {
public:
    Program(const std::string& root, std::vector<std::string> extra) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
        std::vector<std::string> args{QUASAR_VDEV_PATH, "--root", root};
        args.insert(args.end(), extra.begin(), extra.end());
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            std::vector<char*> argv;
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
    }
    ~Program() {
        if (toChild_ >= 0) ::close(toChild_);
        if (fromChild_ >= 0) ::close(fromChild_);
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void say(const std::string& line) {
        const std::string text = line + "\n";
        ASSERT_EQ(::write(toChild_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    std::optional<std::string> line(int timeoutMs = 5000) {
        for (;;) {
            auto nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                std::string l = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return l;
            }
            pollfd p{fromChild_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
            char buf[65536];
            ssize_t n = ::read(fromChild_, buf, sizeof buf);
            if (n <= 0) return std::nullopt;
            buffer_.append(buf, static_cast<std::size_t>(n));
        }
    }
    void closeInput() {
        ::close(toChild_);
        toChild_ = -1;
    }
    pid_t pid() const { return pid_; }
    // The exit status, or -1 when the program has not ended within the time-out.
    int waitExit(int timeoutMs = 5000) {
        int status = 0;
        if (!waitUntil([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, timeoutMs))
            return -1;
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    int toChild_ = -1, fromChild_ = -1;
    std::string buffer_;
    bool exited_ = false;
};

std::string askControlSocket(const std::string& path, const std::string& line) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        const std::string text = line + "\n";
        if (::send(fd, text.data(), text.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(text.size())) {
            char c;
            pollfd p{fd, POLLIN, 0};
            while (::poll(&p, 1, 5000) > 0 && ::recv(fd, &c, 1, 0) == 1 && c != '\n')
                answer.push_back(c);
        }
    }
    ::close(fd);
    return answer;
}

TEST(VdevProgram, ServesAndTakesCommandsOnStdinAndSocket) {
    TempDir temp;
    const std::string root = temp.file("vd");
    Program program(root, {"--device", "keyboard", "--device", "mouse-receiver", "--device",
                           "keyboard-receiver@0"});
    ASSERT_GT(program.pid(), 0);
    EXPECT_EQ(program.line(), "QUASAR_SYSFS_ROOT=" + root + "/sys");
    EXPECT_EQ(program.line(), "QUASAR_DEV_ROOT=" + root + "/dev");

    program.say("list");
    auto listed = program.line();
    ASSERT_TRUE(listed);
    const Json::Value list = parseJson(*listed);
    ASSERT_EQ(list.size(), 3u) << *listed;
    EXPECT_EQ(list[1]["model"].asString(), "mouse-receiver");
    EXPECT_EQ(list[2]["model"].asString(), "keyboard-receiver");
    NodeClient client(list[0]["node"].asString());
    ASSERT_TRUE(client.connected());
    auto info = client.transact(vdev::makeRequest(vdev::CmdReadDeviceInfo, 34, 0));
    ASSERT_TRUE(info);
    EXPECT_EQ((*info)[8 + 5], 128);

    const std::string control = root + "/control.sock";
    EXPECT_EQ(askControlSocket(control, "event 0 0402"), "ok");
    EXPECT_EQ(client.receive(), (Bytes{3, 0x02, 0x04}));
    program.say("unplug 0");
    EXPECT_EQ(program.line(), "ok");
    auto end = client.receive();
    ASSERT_TRUE(end);
    EXPECT_TRUE(end->empty());
    EXPECT_FALSE(parseJson(askControlSocket(control, "dump 0"))["plugged"].asBool());
    EXPECT_EQ(parseJson(askControlSocket(control, "dump 2"))["twinOf"].asInt(), 0);

    program.say("quit");
    EXPECT_EQ(program.line(), "ok");
    EXPECT_EQ(program.waitExit(), 0);
    EXPECT_FALSE(fs::exists(control));
    EXPECT_FALSE(fs::exists(root + "/dev/hidraw1"));
}

// Scripts run the program in the background: a "quit" on an ignored stdin, or the end of a stdin
// that is not a terminal, leaves it serving until a signal ends it.
TEST(VdevProgram, KeepsServingWithoutStdinAndEndsOnSigterm) {
    for (bool noStdin : {true, false}) {
        SCOPED_TRACE(noStdin ? "--no-stdin" : "stdin closed");
        TempDir temp;
        const std::string root = temp.file("vd");
        Program program(root, noStdin
                                  ? std::vector<std::string>{"--device", "headset", "--no-stdin"}
                                  : std::vector<std::string>{"--device", "headset"});
        ASSERT_GT(program.pid(), 0);
        ASSERT_TRUE(program.line());
        ASSERT_TRUE(program.line());
        if (noStdin)
            program.say("quit"); // not read
        else
            program.closeInput();
        EXPECT_EQ(askControlSocket(root + "/control.sock", "list").substr(0, 9), "[{\"id\":0,");
        EXPECT_EQ(program.waitExit(200), -1) << "the program should still serve";
        EXPECT_EQ(askControlSocket(root + "/control.sock", "list").substr(0, 9), "[{\"id\":0,");
        ::kill(program.pid(), SIGTERM);
        EXPECT_EQ(program.waitExit(), 0);
        EXPECT_FALSE(fs::exists(root + "/control.sock"));
    }
}

TEST(VdevProgram, RefusesBadDevices) {
    const std::vector<std::vector<std::string>> cases = {
        {"--device", "toaster"},
        {"--device", "mouse-receiver@0"},                            // no device 0 yet
        {"--device", "keyboard", "--device", "keyboard-receiver@x"}, // not a number
        {"--device", "keyboard", "--device", "mouse-receiver@0"},    // not its twin
        {"--device"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.back());
        TempDir temp;
        Program program(temp.file("vd"), args);
        ASSERT_GT(program.pid(), 0);
        EXPECT_NE(program.waitExit(), 0);
        EXPECT_FALSE(program.line(100));
    }
}

} // namespace
} // namespace quasar::testing
