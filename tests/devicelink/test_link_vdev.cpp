// Discovery, the command channel and the command set through the real hidraw code against the
// virtual device.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <numeric>
#include <thread>

#include "devicelink/commands.h"
#include "platform/trace.h"
#include "vdev_fixture.h"

namespace quasar::testing {
namespace {

using Report = std::vector<std::uint8_t>;

struct Chunk {
    std::uint8_t code, length;
    std::uint16_t offset;
    bool operator==(const Chunk&) const = default;
};

std::vector<Chunk> chunksOf(const std::vector<Report>& reports) {
    std::vector<Chunk> out;
    for (const auto& r : reports)
        out.push_back({r[3], r[4], static_cast<std::uint16_t>(r[5] | (r[6] << 8))});
    return out;
}

std::ostream& operator<<(std::ostream& os, const Chunk& c) {
    return os << "{code " << int(c.code) << " len " << int(c.length) << " off " << c.offset << "}";
}

std::vector<std::uint8_t> pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(seed + i * 7);
    return v;
}

std::vector<std::uint8_t> prefix(const std::vector<std::uint8_t>& v, std::size_t from,
                                 std::size_t n) {
    return {v.begin() + from, v.begin() + from + n};
}

using DeviceLink = VdevTest;

TEST_F(DeviceLink, DiscoveryClaimsAllElevenRowsAndFollowsUnplugAndReplug) {
    plug({Model::Keyboard, Model::KeyboardReceiver, Model::Mouse, Model::MouseReceiver,
          Model::Mousepad, Model::Headset});
    HidDevice probe;
    std::vector<int> announced;
    DiscoveryReport report =
        claimNewInterfaces(probe, slots_, [&](int slot) { announced.push_back(slot); });
    EXPECT_TRUE(report.enumerated);
    EXPECT_EQ(announced, report.claimed);
    std::vector<int> claimed = report.claimed;
    std::sort(claimed.begin(), claimed.end());
    std::vector<int> all(11);
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(claimed, all);
    for (int row : all) {
        const auto& slot = slots_[row];
        char ids[40];
        std::snprintf(ids, sizeof ids, "#vid_%04x&pid_%04x&mi_%02x", slot.vendorId, slot.productId,
                      slot.interfaceNumber);
        EXPECT_NE(slot.devicePath.find(ids), std::string::npos) << row << " " << slot.devicePath;
        EXPECT_EQ(slot.devicePath.find("&col") == std::string::npos, row == 10) << row;
    }
    EXPECT_TRUE(slots_.allSlotsClaimed());
    // Nothing is free: the next pass does not even list the interfaces.
    EXPECT_FALSE(claimNewInterfaces(probe, slots_).enumerated);

    HidDevice tester;
    EXPECT_TRUE(releaseLostInterfaces(tester, slots_).empty());
    ASSERT_TRUE(host().unplug(id(Model::Keyboard)));
    EXPECT_EQ(releaseLostInterfaces(tester, slots_), (std::vector<int>{0, 1}));
    EXPECT_TRUE(slots_[0].isFree() && slots_[1].isFree());
    EXPECT_TRUE(slots_[2].connected);

    ASSERT_TRUE(host().replug(id(Model::Keyboard)));
    report = claimNewInterfaces(probe, slots_);
    claimed = report.claimed;
    std::sort(claimed.begin(), claimed.end());
    EXPECT_EQ(claimed, (std::vector<int>{0, 1}));
    EXPECT_TRUE(slots_.allSlotsClaimed());
}

TEST(CommandChannelState, SizesAndModes) {
    CommandChannel channel;
    EXPECT_EQ(channel.blockSize(), 512);
    EXPECT_EQ(channel.chunkSize(), 24);
    EXPECT_FALSE(channel.isOpen() || channel.busy() || channel.lightLinked() ||
                 channel.receiverMode());
    EXPECT_TRUE(channel.setBlockSize(264));
    EXPECT_FALSE(channel.setBlockSize(513));
    EXPECT_EQ(channel.blockSize(), 264);

    struct Case {
        int mode;
        bool receiver;
        int chunk;
    } cases[] = {{2, true, 24}, {1, false, 56}, {2, true, 24}, {0, false, 56}, {7, false, 56}};
    for (const auto& c : cases) {
        channel.setConnectionMode(c.mode);
        EXPECT_EQ(channel.receiverMode(), c.receiver) << c.mode;
        EXPECT_EQ(channel.chunkSize(), c.chunk) << c.mode;
    }
    // Not open: every transaction answers 0 at once.
    std::uint8_t request[8] = {4, 1, 0, 1}, answer[64];
    std::uint32_t count = 99;
    EXPECT_EQ(channel.transact(request, 8, answer, 64, &count), kStatusNoAnswer);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(channel.transactQuick(request, 8, answer, 64, nullptr), kStatusNoAnswer);
    EXPECT_EQ(ConfigBegin(channel), kStatusNoAnswer);
}

TEST_F(DeviceLink, TransactionPadsTheRequestAndNeedsTheOpenFlag) {
    plug({Model::Keyboard});
    CommandChannel channel;
    openRow(channel, 0);

    channel.setOpen(false);
    std::uint8_t request[8] = {4, 1, 0, 1, 0, 0, 0, 0};
    std::uint8_t answer[64] = {};
    EXPECT_EQ(channel.transact(request, 8, answer, 64, nullptr), kStatusNoAnswer);
    EXPECT_TRUE(commands(Model::Keyboard).empty());

    channel.setOpen(true);
    std::uint32_t count = 0;
    EXPECT_EQ(channel.transact(request, 8, answer, 64, &count), kStatusOk);
    EXPECT_EQ(count, 64u);
    EXPECT_EQ(answer[3], 1);
    EXPECT_FALSE(channel.busy());
    auto sent = commands(Model::Keyboard);
    ASSERT_EQ(sent.size(), 1u);
    Report expected(64, 0);
    std::copy(request, request + 8, expected.begin());
    EXPECT_EQ(sent[0], expected);
}

TEST_F(DeviceLink, AnswerMatchingSkipsOneStaleReportButNotTwo) {
    plug({Model::Keyboard});
    CommandChannel channel;
    openRow(channel, 0);

    // One stale answer first, then the right one: the command still gets its data.
    host().setFault(id(Model::Keyboard), {vdev::Fault::Stale, 1});
    DeviceInfoBlock info;
    EXPECT_EQ(ReadDeviceInfo(channel, info), kStatusOk);
    EXPECT_EQ(info.bytes, host().memory(id(Model::Keyboard)).info);

    // Two answers to another client's requests wait in the channel's queue (every client of a
    // node gets every input report): both reads take a stale answer and the second is kept.
    int raw = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    ASSERT_GE(raw, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string node = host().nodePath(id(Model::Keyboard));
    std::strncpy(addr.sun_path, node.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::connect(raw, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    for (int i = 0; i < 2; ++i) {
        auto request = vdev::makeRequest(vdev::CmdReadStatus, 4, 0);
        ASSERT_EQ(::send(raw, request.data(), request.size(), MSG_NOSIGNAL), 64);
        std::uint8_t reply[64];
        ASSERT_EQ(::recv(raw, reply, sizeof reply, 0), 64);
    }
    ::close(raw);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // let the copies arrive
    auto request = buildRequest(static_cast<std::uint8_t>(CommandCode::HostLightingOn), 0, 0);
    std::uint8_t answer[64] = {};
    EXPECT_EQ(channel.transact(request.data(), 64, answer, 64, nullptr), kStatusOk);
    EXPECT_EQ(answer[3], vdev::CmdReadStatus);
}

TEST_F(DeviceLink, ReceiverReportsAnUnreachableDevice) {
    plug({Model::KeyboardReceiver});
    const int receiver = id(Model::KeyboardReceiver);
    CommandChannel channel;
    openRow(channel, 2);
    ASSERT_TRUE(channel.receiverMode());

    EXPECT_TRUE(ReceiverLinkQuery(channel));
    DeviceInfoBlock info;
    ASSERT_EQ(ReadDeviceInfo(channel, info), kStatusOk);
    EXPECT_EQ(info.bytes, host().memory(receiver).info);
    // 34 bytes through the receiver: 24 at offset 0, then 10 at 24.
    EXPECT_EQ(chunksOf(commands(Model::KeyboardReceiver)),
              (std::vector<Chunk>{{0xAA, 0, 0}, {3, 24, 0}, {3, 10, 24}}));

    host().setFault(receiver, {vdev::Fault::Unreachable, -1});
    EXPECT_FALSE(ReceiverLinkQuery(channel));
    EXPECT_EQ(ConfigBegin(channel), kStatusUnreachable);
    EXPECT_EQ(ReadDeviceInfo(channel, info), kStatusUnreachable);

    // The same answer over a cable-mode channel is no match: a second read follows and finds
    // nothing, so the status is that of the last read.
    CommandChannel cable;
    openRow(cable, 2, CommandChannel::kCableMode);
    host().clearReceived(receiver);
    EXPECT_TRUE(ReceiverLinkQuery(cable)); // by cable nothing is asked
    EXPECT_EQ(ConfigBegin(cable), kStatusNoAnswer);
    EXPECT_EQ(commands(Model::KeyboardReceiver).size(), 1u);
}

TEST_F(DeviceLink, FailuresOfTheDeviceBecomeStatuses) {
    plug({Model::Keyboard});
    const int kb = id(Model::Keyboard);
    CommandChannel channel;
    openRow(channel, 0);
    const auto before = host().memory(kb).settings;
    const auto data = pattern(120, 3);

    struct Case {
        vdev::Fault::Kind fault;
        int status;
    } cases[] = {{vdev::Fault::RefuseFF, kStatusRefusedFF},
                 {vdev::Fault::RefuseFE, kStatusRefusedFE},
                 {vdev::Fault::Silent, kStatusNoAnswer}};
    for (const auto& c : cases) {
        SCOPED_TRACE(vdev::faultKindName(c.fault));
        host().clearReceived(kb);
        host().setFault(kb, {c.fault, 1});
        // Three chunks; the first fails, so the command stops there.
        EXPECT_EQ(WriteSettings(channel, data, data.size(), 0), c.status);
        EXPECT_EQ(commands(Model::Keyboard).size(), 1u);
        EXPECT_EQ(host().memory(kb).settings, before);
    }

    // A later chunk refused (outside the area): the chunks before it stay written.
    host().setFault(kb, {vdev::Fault::None, -1});
    host().clearReceived(kb);
    const std::size_t base = vdev::kSettingsSize - 64;
    EXPECT_EQ(WriteSettings(channel, data, 100, base), kStatusRefusedFE);
    EXPECT_EQ(chunksOf(commands(Model::Keyboard)),
              (std::vector<Chunk>{{6, 56, static_cast<std::uint16_t>(base)},
                                  {6, 44, static_cast<std::uint16_t>(base + 56)}}));
    EXPECT_EQ(prefix(host().memory(kb).settings, base, 56), prefix(data, 0, 56));

    // Unplugged under an open channel: the write fails, and no answer is traced for it.
    ASSERT_TRUE(host().unplug(kb));
    trace::setEnabled(true);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ConfigBegin(channel), kStatusWriteFailed);
    const std::string traced = ::testing::internal::GetCapturedStderr();
    trace::setEnabled(false);
    EXPECT_NE(traced.find("命令\n04 01 00 01 "), std::string::npos) << traced;
    EXPECT_EQ(traced.find("返回"), std::string::npos) << traced;
}

TEST_F(DeviceLink, CommandsFrameAndChunkTheirData) {
    plug({Model::Keyboard});
    const int kb = id(Model::Keyboard);
    CommandChannel channel;
    openRow(channel, 0);

    EXPECT_EQ(ConfigBegin(channel), kStatusOk);
    auto sent = commands(Model::Keyboard);
    ASSERT_EQ(sent.size(), 1u);
    Report begin(64, 0);
    begin[0] = 4, begin[1] = 1, begin[3] = 1;
    EXPECT_EQ(sent[0], begin);

    DeviceInfoBlock info;
    EXPECT_EQ(ReadDeviceInfo(channel, info), kStatusOk);
    EXPECT_EQ(info.bytes, host().memory(kb).info);

    // Key table over a block size of 264 by cable: five reports.
    ASSERT_TRUE(channel.setBlockSize(264));
    const auto table = pattern(264, 11);
    host().clearReceived(kb);
    EXPECT_EQ(WriteKeyTable(channel, table, 0), kStatusOk);
    EXPECT_EQ(
        chunksOf(commands(Model::Keyboard)),
        (std::vector<Chunk>{{9, 56, 0}, {9, 56, 56}, {9, 56, 112}, {9, 56, 168}, {9, 40, 224}}));
    for (const auto& r : commands(Model::Keyboard))
        EXPECT_EQ(reportChecksum(r.data()), r[1] | r[2] << 8);
    EXPECT_EQ(prefix(host().memory(kb).keyTable, 0, 264), table);
    std::vector<std::uint8_t> readBack(264);
    EXPECT_EQ(ReadKeyTable(channel, readBack), kStatusOk);
    EXPECT_EQ(readBack, table);
    host().clearReceived(kb);
    EXPECT_EQ(WriteKeyTable(channel, table, 1), kStatusBadBlock);
    EXPECT_TRUE(commands(Model::Keyboard).empty());

    // Key-LED map: one byte per key-table entry, a third of the block size.
    std::vector<std::uint8_t> ledMap(88, 0xEE);
    EXPECT_EQ(ReadKeyLedMap(channel, ledMap), kStatusOk);
    EXPECT_EQ(ledMap, prefix(host().memory(kb).keyLedMap, 0, 88));

    // Settings at a base offset, read back through the same area.
    const auto settings = pattern(130, 5);
    EXPECT_EQ(WriteSettings(channel, settings, settings.size(), 100), kStatusOk);
    EXPECT_EQ(prefix(host().memory(kb).settings, 100, 130), settings);
    std::vector<std::uint8_t> settingsBack(130);
    host().clearReceived(kb);
    EXPECT_EQ(ReadSettings(channel, settingsBack, settingsBack.size(), 100), kStatusOk);
    EXPECT_EQ(settingsBack, settings);
    EXPECT_EQ(chunksOf(commands(Model::Keyboard)),
              (std::vector<Chunk>{{5, 56, 100}, {5, 56, 156}, {5, 18, 212}}));

    const auto macro = pattern(200, 9);
    EXPECT_EQ(WriteMacroData(channel, macro, macro.size()), kStatusOk);
    EXPECT_EQ(prefix(host().memory(kb).macro, 0, 200), macro);

    const auto colors = pattern(120, 1);
    EXPECT_EQ(WriteKeyColors(channel, colors, colors.size(), 0, 512), kStatusOk);
    EXPECT_EQ(prefix(host().memory(kb).colors, 0, 120), colors);

    host().clearReceived(kb);
    const auto frame = pattern(100, 2);
    EXPECT_EQ(SendLightFrame(channel, frame, frame.size()), kStatusOk);
    EXPECT_EQ(chunksOf(commands(Model::Keyboard)), (std::vector<Chunk>{{18, 56, 0}, {18, 44, 56}}));
    EXPECT_EQ(prefix(host().memory(kb).lightFrame, 0, 100), frame);

    // ReadStatus with length 6 copies answer bytes 8 to 13.
    host().updateMemory(kb, [](vdev::DeviceMemory& m) {
        for (std::size_t i = 0; i < m.status.size(); ++i)
            m.status[i] = static_cast<std::uint8_t>(0x40 + i);
    });
    std::uint8_t status[8] = {0, 0, 0, 0, 0, 0, 0xCC, 0xCC};
    host().clearReceived(kb);
    EXPECT_EQ(ReadStatus(channel, std::span<std::uint8_t>(status, 6), 6, 0), kStatusOk);
    EXPECT_EQ(Report(status, status + 8), (Report{0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0xCC, 0xCC}));
    EXPECT_EQ(chunksOf(commands(Model::Keyboard)), (std::vector<Chunk>{{26, 6, 0}}));
    // One report carries at most 56 bytes, whatever is asked.
    std::vector<std::uint8_t> wide(64, 0xCC);
    host().clearReceived(kb);
    EXPECT_EQ(ReadStatus(channel, wide, 60, 0), kStatusOk);
    EXPECT_EQ(chunksOf(commands(Model::Keyboard)), (std::vector<Chunk>{{26, 56, 0}}));
    EXPECT_EQ(prefix(wide, 0, 56), prefix(host().memory(kb).status, 0, 56));
    EXPECT_EQ(prefix(wide, 56, 8), std::vector<std::uint8_t>(8, 0xCC));

    // A buffer shorter than the block: the whole block is read, only the buffer is filled.
    std::vector<std::uint8_t> guarded(264, 0xCC);
    EXPECT_EQ(ReadKeyTable(channel, std::span<std::uint8_t>(guarded.data(), 100)), kStatusOk);
    EXPECT_EQ(prefix(guarded, 0, 100), prefix(table, 0, 100));
    EXPECT_EQ(prefix(guarded, 100, 164), std::vector<std::uint8_t>(164, 0xCC));

    EXPECT_EQ(HostLightingOn(channel), kStatusOk);
    EXPECT_EQ(ConfigEnd(channel), kStatusOk);
    const auto memory = host().memory(kb);
    EXPECT_TRUE(memory.hostLighting);
    EXPECT_EQ(memory.configBegins, 1u);
    EXPECT_EQ(memory.configEnds, 1u);
}

TEST_F(DeviceLink, CommandsFromSeveralThreadsEachGetTheirOwnAnswer) {
    plug({Model::Keyboard});
    const int kb = id(Model::Keyboard);
    const auto settings = pattern(56, 21);
    host().updateMemory(kb, [&](vdev::DeviceMemory& m) {
        std::copy(settings.begin(), settings.end(), m.settings.begin());
    });
    CommandChannel channel;
    openRow(channel, 0);

    // A configuration reader (command lock), a colour writer and a frame stream (lighting
    // lock) at once: their reports interleave at the device, yet every command is answered.
    constexpr int kRounds = 200;
    std::atomic<int> readFailures{0}, wrongData{0}, colorFailures{0}, frameFailures{0};
    std::thread reader([&] {
        for (int i = 0; i < kRounds; ++i) {
            std::vector<std::uint8_t> out(56);
            if (ReadSettings(channel, out, out.size(), 0) != kStatusOk)
                ++readFailures;
            else if (out != settings)
                ++wrongData;
        }
    });
    std::thread colors([&] {
        const auto data = pattern(56, 3);
        for (int i = 0; i < kRounds; ++i)
            if (WriteKeyColors(channel, data, data.size(), 0, 512) != kStatusOk) ++colorFailures;
    });
    std::thread frames([&] {
        const auto frame = pattern(56, 8);
        for (int i = 0; i < kRounds; ++i)
            if (SendLightFrame(channel, frame, frame.size()) != kStatusOk) ++frameFailures;
    });
    reader.join();
    colors.join();
    frames.join();
    EXPECT_EQ(readFailures.load(), 0);
    EXPECT_EQ(wrongData.load(), 0);
    EXPECT_EQ(colorFailures.load(), 0);
    EXPECT_EQ(frameFailures.load(), 0);
    EXPECT_EQ(prefix(host().memory(kb).colors, 0, 56), pattern(56, 3));
}

TEST_F(DeviceLink, ReceiverChunksAndNoFrames) {
    plug({Model::MouseReceiver});
    const int mouse = id(Model::MouseReceiver);
    CommandChannel channel;
    openRow(channel, 6);
    ASSERT_TRUE(channel.receiverMode());

    // Recoil data goes in 56-byte chunks even through the receiver.
    const auto recoil = pattern(120, 4);
    EXPECT_EQ(WriteRecoilData(channel, recoil, recoil.size()), kStatusOk);
    EXPECT_EQ(chunksOf(commands(Model::MouseReceiver)),
              (std::vector<Chunk>{{23, 56, 0}, {23, 56, 56}, {23, 8, 112}}));
    EXPECT_EQ(prefix(host().memory(mouse).recoil, 0, 120), recoil);

    // Settings use the receiver's 24-byte chunks.
    host().clearReceived(mouse);
    const auto settings = pattern(50, 8);
    EXPECT_EQ(WriteSettings(channel, settings, settings.size(), 0), kStatusOk);
    EXPECT_EQ(chunksOf(commands(Model::MouseReceiver)),
              (std::vector<Chunk>{{6, 24, 0}, {6, 24, 24}, {6, 2, 48}}));

    // Frames never go through the receiver.
    host().clearReceived(mouse);
    const auto frame = pattern(45, 1);
    EXPECT_EQ(SendLightFrame(channel, frame, frame.size()), kStatusOk);
    EXPECT_TRUE(commands(Model::MouseReceiver).empty());
}

TEST_F(DeviceLink, FramesGiveWayToABusyTransactionAndTracesKeepTheirFormat) {
    plug({Model::Keyboard});
    const int kb = id(Model::Keyboard);
    CommandChannel channel;
    openRow(channel, 0);

    trace::setEnabled(true);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ConfigBegin(channel), kStatusOk);
    std::string traced = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(
        traced.find("命令\n04 01 00 01   00 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  "
                    "00 00 00 00  00 00 00 00  00 00 00 00\n00 00 00 00   00 00 00 00   "),
        std::string::npos)
        << traced;
    EXPECT_NE(traced.find("返回\n04 "), std::string::npos) << traced;

    // A configuration command waits for a silent device (busy for a second); the frame's
    // chunks are dropped meanwhile and count as sent.
    host().clearReceived(kb);
    host().setFault(kb, {vdev::Fault::Silent, 1});
    std::thread configuration([&] { EXPECT_EQ(ConfigBegin(channel), kStatusNoAnswer); });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!channel.busy() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_TRUE(channel.busy());
    ::testing::internal::CaptureStderr();
    const auto frame = pattern(100, 2);
    EXPECT_EQ(SendLightFrame(channel, frame, frame.size()), kStatusOk);
    traced = ::testing::internal::GetCapturedStderr();
    configuration.join();
    trace::setEnabled(false);

    std::size_t drops = 0;
    for (auto at = traced.find("放弃灯光数据"); at != std::string::npos;
         at = traced.find("放弃灯光数据", at + 1))
        ++drops;
    EXPECT_EQ(drops, 2u) << traced;
    for (const auto& r : commands(Model::Keyboard))
        EXPECT_NE(r[3], 18);
    EXPECT_EQ(host().memory(kb).lightFrames, 0u);
}

} // namespace
} // namespace quasar::testing
