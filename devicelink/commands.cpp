#include "devicelink/commands.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/trace.h"

namespace quasar {

namespace {

enum class LockKind { Command, Lighting, None };

using Report = std::array<std::uint8_t, CommandChannel::kReportSize>;

// Channel status first, then the answer's status byte.
int checkAnswer(int status, const Report& answer) {
    if (status != kStatusOk) return status;
    if (answer[7] == 0xFF) return kStatusRefusedFF;
    if (answer[7] == 0xFE) return kStatusRefusedFE;
    return kStatusOk;
}

int lockedTransact(CommandChannel& channel, LockKind lock, const Report& request, Report& answer) {
    auto run = [&] {
        return channel.transact(request.data(), request.size(), answer.data(), answer.size(),
                                nullptr);
    };
    switch (lock) {
    case LockKind::Command: {
        std::lock_guard<std::mutex> guard(channel.commandLock());
        return run();
    }
    case LockKind::Lighting: {
        std::lock_guard<std::mutex> guard(channel.lightingLock());
        return run();
    }
    case LockKind::None:
        break;
    }
    return run();
}

// The bytes of data for one chunk; missing bytes (data shorter than total) stay zero.
std::span<const std::uint8_t> chunkOf(std::span<const std::uint8_t> data, std::size_t p,
                                      std::size_t length) {
    if (p >= data.size()) return {};
    return data.subspan(p, std::min(length, data.size() - p));
}

// One transaction per chunk: length = min(chunk, total - p), offset = offsetOf(p). Answer bytes
// 8.. go to output at p (when output is given, never past its end).
int runChunked(CommandChannel& channel, CommandCode code, std::size_t total, std::size_t chunk,
               LockKind lock, const std::function<std::uint16_t(std::size_t)>& offsetOf,
               std::span<const std::uint8_t> data, std::span<std::uint8_t> output) {
    if (chunk == 0) chunk = kMaxPayload;
    for (std::size_t p = 0; p < total; p += chunk) {
        const std::size_t length = std::min(chunk, total - p);
        Report request =
            buildRequest(static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(length),
                         offsetOf(p), chunkOf(data, p, length));
        Report answer{};
        int status = checkAnswer(lockedTransact(channel, lock, request, answer), answer);
        if (status != kStatusOk) return status;
        if (p < output.size()) {
            const std::size_t n = std::min({length, output.size() - p, kMaxPayload});
            std::memcpy(output.data() + p, answer.data() + kPayloadOffset, n);
        }
    }
    return kStatusOk;
}

int simpleCommand(CommandChannel& channel, CommandCode code) {
    Report request = buildRequest(static_cast<std::uint8_t>(code), 0, 0);
    Report answer{};
    return checkAnswer(lockedTransact(channel, LockKind::Command, request, answer), answer);
}

std::uint16_t plainOffset(std::size_t p) {
    return static_cast<std::uint16_t>(p);
}

} // namespace

std::uint16_t reportChecksum(const std::uint8_t* report) {
    std::uint16_t sum = 0;
    for (std::size_t i = 3; i < CommandChannel::kReportSize; ++i)
        sum = static_cast<std::uint16_t>(sum + report[i]);
    return sum;
}

std::array<std::uint8_t, 64> buildRequest(std::uint8_t code, std::uint8_t length,
                                          std::uint16_t offset,
                                          std::span<const std::uint8_t> payload) {
    std::array<std::uint8_t, 64> report{};
    report[0] = kReportId;
    report[3] = code;
    report[4] = length;
    report[5] = static_cast<std::uint8_t>(offset & 0xFF);
    report[6] = static_cast<std::uint8_t>(offset >> 8);
    report[7] = 0;
    // An empty span may carry a null pointer, which memcpy must not be given even for 0 bytes.
    if (!payload.empty())
        std::memcpy(report.data() + kPayloadOffset, payload.data(),
                    std::min(payload.size(), kMaxPayload));
    const std::uint16_t sum = reportChecksum(report.data());
    report[1] = static_cast<std::uint8_t>(sum & 0xFF);
    report[2] = static_cast<std::uint8_t>(sum >> 8);
    return report;
}

int ConfigBegin(CommandChannel& channel) {
    return simpleCommand(channel, CommandCode::ConfigBegin);
}

int ConfigEnd(CommandChannel& channel) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return simpleCommand(channel, CommandCode::ConfigEnd);
}

int ReadDeviceInfo(CommandChannel& channel, DeviceInfoBlock& info) {
    return runChunked(channel, CommandCode::ReadDeviceInfo, DeviceInfoBlock::kSize,
                      channel.chunkSize(), LockKind::Command, plainOffset, {}, info.bytes);
}

int ReadSettings(CommandChannel& channel, std::span<std::uint8_t> output, std::size_t total,
                 std::uint16_t baseOffset) {
    return runChunked(
        channel, CommandCode::ReadSettings, total, channel.chunkSize(), LockKind::Command,
        [baseOffset](std::size_t p) { return static_cast<std::uint16_t>(baseOffset + p); }, {},
        output);
}

int WriteSettings(CommandChannel& channel, std::span<const std::uint8_t> data, std::size_t total,
                  std::uint16_t baseOffset) {
    return runChunked(
        channel, CommandCode::WriteSettings, total, channel.chunkSize(), LockKind::Command,
        [baseOffset](std::size_t p) { return static_cast<std::uint16_t>(baseOffset + p); }, data,
        {});
}

int ReadKeyTable(CommandChannel& channel, std::span<std::uint8_t> output) {
    return runChunked(channel, CommandCode::ReadKeyTable, channel.blockSize(), channel.chunkSize(),
                      LockKind::Command, plainOffset, {}, output);
}

int WriteKeyTable(CommandChannel& channel, std::span<const std::uint8_t> data, int block) {
    if (block != 0) return kStatusBadBlock;
    auto offsetOf = [block](std::size_t p) {
        const auto low = static_cast<std::uint16_t>(p & 0xFF);
        const auto high = static_cast<std::uint16_t>(((block * 512 + p) >> 8) & 0xFF);
        return static_cast<std::uint16_t>(low | (high << 8));
    };
    return runChunked(channel, CommandCode::WriteKeyTable, channel.blockSize(), channel.chunkSize(),
                      LockKind::Command, offsetOf, data, {});
}

int WriteKeyColors(CommandChannel& channel, std::span<const std::uint8_t> data, std::size_t total,
                   int baseIndex, int stride) {
    const long base = static_cast<long>(baseIndex) * stride;
    return runChunked(
        channel, CommandCode::WriteKeyColors, total, channel.chunkSize(), LockKind::Lighting,
        [base](std::size_t p) { return static_cast<std::uint16_t>(base + static_cast<long>(p)); },
        data, {});
}

int SendLightFrame(CommandChannel& channel, std::span<const std::uint8_t> frame,
                   std::size_t total) {
    const std::size_t chunk = channel.chunkSize() ? channel.chunkSize() : kMaxPayload;
    for (std::size_t p = 0; p < total; p += chunk) {
        if (channel.busy()) {
            trace::line("放弃灯光数据");
            continue;
        }
        // Frames never go through the receiver.
        if (channel.receiverMode()) continue;
        const std::size_t length = std::min(chunk, total - p);
        Report request = buildRequest(static_cast<std::uint8_t>(CommandCode::SendLightFrame),
                                      static_cast<std::uint8_t>(length),
                                      static_cast<std::uint16_t>(p), chunkOf(frame, p, length));
        Report answer{};
        int status;
        {
            std::lock_guard<std::mutex> guard(channel.lightingLock());
            status = channel.transactQuick(request.data(), request.size(), answer.data(),
                                           answer.size(), nullptr);
        }
        status = checkAnswer(status, answer);
        if (status != kStatusOk) return status;
    }
    return kStatusOk;
}

int WriteMacroData(CommandChannel& channel, std::span<const std::uint8_t> data, std::size_t total) {
    return runChunked(channel, CommandCode::WriteMacroData, total, channel.chunkSize(),
                      LockKind::Command, plainOffset, data, {});
}

int WriteRecoilData(CommandChannel& channel, std::span<const std::uint8_t> data,
                    std::size_t total) {
    return runChunked(channel, CommandCode::WriteRecoilData, total, kMaxPayload, LockKind::None,
                      plainOffset, data, {});
}

int ReadStatus(CommandChannel& channel, std::span<std::uint8_t> output, std::size_t length,
               std::uint16_t offset) {
    // One report carries at most 56 bytes; a longer request would read past the answer.
    length = std::min(length, kMaxPayload);
    Report request = buildRequest(static_cast<std::uint8_t>(CommandCode::ReadStatus),
                                  static_cast<std::uint8_t>(length), offset);
    Report answer{};
    int status = checkAnswer(lockedTransact(channel, LockKind::Command, request, answer), answer);
    if (status != kStatusOk) return status;
    std::memcpy(output.data(), answer.data() + kPayloadOffset, std::min(length, output.size()));
    return kStatusOk;
}

int ReadKeyLedMap(CommandChannel& channel, std::span<std::uint8_t> output) {
    return runChunked(channel, CommandCode::ReadKeyLedMap, channel.blockSize() / 3,
                      channel.chunkSize(), LockKind::Command, plainOffset, {}, output);
}

int HostLightingOn(CommandChannel& channel) {
    return simpleCommand(channel, CommandCode::HostLightingOn);
}

bool ReceiverLinkQuery(CommandChannel& channel) {
    if (!channel.receiverMode()) return true;
    Report request = buildRequest(static_cast<std::uint8_t>(CommandCode::ReceiverLinkQuery), 0, 0);
    Report answer{};
    const int status = lockedTransact(channel, LockKind::Command, request, answer);
    return status == kStatusOk && answer[8] == 0xFF && answer[7] != 0xFF && answer[7] != 0xFE;
}

} // namespace quasar
