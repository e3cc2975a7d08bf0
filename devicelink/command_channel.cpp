#include "devicelink/command_channel.h"

#include <algorithm>
#include <cstring>

#include "platform/trace.h"

namespace quasar {

namespace {

// 32 bytes per line in groups of four: three spaces between the first four groups, two after.
#define QUASAR_REPORT_LINE_FORMAT                                                                  \
    "%02x %02x %02x %02x   %02x %02x %02x %02x   %02x %02x %02x %02x   %02x %02x %02x %02x  "      \
    "%02x %02x %02x %02x  %02x %02x %02x %02x  %02x %02x %02x %02x  %02x %02x %02x %02x"

void traceReportLine(const std::uint8_t* b) {
    trace::printf(QUASAR_REPORT_LINE_FORMAT "\n", b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7],
                  b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15], b[16], b[17], b[18], b[19],
                  b[20], b[21], b[22], b[23], b[24], b[25], b[26], b[27], b[28], b[29], b[30],
                  b[31]);
}

// The title, then the 64 bytes as two lines. Formatting only happens while tracing is on, so
// the transaction costs nothing extra otherwise.
void traceReport(const char* title, const std::uint8_t* report) {
    if (!trace::enabled()) return;
    trace::line(title);
    traceReportLine(report);
    traceReportLine(report + 32);
}

void buildReport(std::uint8_t (&report)[CommandChannel::kReportSize], const std::uint8_t* request,
                 std::size_t requestLength) {
    std::memset(report, 0, sizeof report);
    if (request) std::memcpy(report, request, std::min(requestLength, sizeof report));
}

} // namespace

std::string_view statusText(int status) {
    switch (status) {
    case kStatusOk:
        return "ok";
    case kStatusNoAnswer:
        return "no answer (channel not open or time-out)";
    case kStatusWriteFailed:
        return "write failed";
    case kStatusUnreachable:
        return "device behind the receiver not reachable";
    case kStatusRefusedFF:
        return "device refused the command (0xFF)";
    case kStatusRefusedFE:
        return "device refused the command (0xFE)";
    case kStatusBadBlock:
        return "invalid key-table block";
    }
    return "unknown status";
}

CommandChannel::CommandChannel() = default;

bool CommandChannel::setBlockSize(std::uint16_t size) {
    if (size > kMaxBlockSize) return false;
    blockSize_.store(size);
    return true;
}

void CommandChannel::setConnectionMode(int mode) {
    if (mode == kReceiverMode) {
        receiver_.store(true);
        chunkSize_.store(24);
    } else {
        receiver_.store(false);
        chunkSize_.store(56);
    }
}

int CommandChannel::transact(const std::uint8_t* request, std::size_t requestLength,
                             std::uint8_t* response, std::size_t responseLength,
                             std::uint32_t* byteCount) {
    busy_.store(true);
    if (byteCount) *byteCount = 0;
    int status = kStatusNoAnswer;
    // Callers pass a 64-byte buffer; without one the answer still has to land somewhere.
    std::uint8_t scratch[kReportSize];
    if (!response || responseLength == 0) {
        response = scratch;
        responseLength = kReportSize;
    }
    if (open_.load()) {
        std::uint8_t report[kReportSize];
        buildReport(report, request, requestLength);
        traceReport("命令", report);

        const bool viaReceiver = receiver_.load();
        HidDevice& device = viaReceiver ? receiverDevice_ : cable_;
        const std::uint32_t timeout = viaReceiver ? kReceiverTimeoutMs : kCableTimeoutMs;

        bool written = false;
        {
            // The write and its reads form one unit under the I/O lock. Were the lock let go
            // in between, a transaction from another thread could write its request there and
            // then take this one's answer: this one would find nothing left to read and report
            // a command the device carried out as unanswered.
            std::lock_guard<std::mutex> lock(ioLock_);
            written = device.write(report, kReportSize, nullptr, timeout);
            if (!written) {
                status = kStatusWriteFailed;
            } else {
                const auto length = static_cast<std::uint32_t>(responseLength);
                // Up to two reads: a stale answer (or a late one, after a read that timed
                // out) gets one more chance before the transaction gives up.
                for (int attempt = 0; attempt < 2; ++attempt) {
                    std::uint32_t got = 0;
                    const bool read = device.read(response, length, &got, timeout);
                    status = read ? kStatusOk : kStatusNoAnswer;
                    if (byteCount) *byteCount = got;
                    if (!read || responseLength < 4) continue;
                    if (response[3] == report[3]) break;
                    if (viaReceiver && response[3] == 0xAA) {
                        status = kStatusUnreachable;
                        break;
                    }
                }
            }
        }

        // A request that never went out has no answer to show.
        if (written && trace::enabled()) {
            std::uint8_t answer[kReportSize] = {};
            std::memcpy(answer, response, std::min(responseLength, kReportSize));
            traceReport("返回", answer);
        }
    }
    busy_.store(false);
    return status;
}

int CommandChannel::transactQuick(const std::uint8_t* request, std::size_t requestLength,
                                  std::uint8_t* response, std::size_t responseLength,
                                  std::uint32_t* byteCount) {
    if (byteCount) *byteCount = 0;
    if (!open_.load()) return kStatusNoAnswer;
    std::uint8_t report[kReportSize];
    buildReport(report, request, requestLength);
    // One unit under the I/O lock, like the full transaction: the quick read takes the first
    // answer it sees, so no other request may come between.
    std::lock_guard<std::mutex> lock(ioLock_);
    if (!cable_.write(report, kReportSize, nullptr, kCableTimeoutMs)) return kStatusWriteFailed;
    return cable_.read(response, static_cast<std::uint32_t>(responseLength), byteCount,
                       kCableTimeoutMs)
               ? kStatusOk
               : kStatusNoAnswer;
}

bool openChannel(CommandChannel& channel, const std::string& path, int mode) {
    {
        std::lock_guard<std::mutex> lock(channel.ioLock());
        HidDevice& device = mode == CommandChannel::kReceiverMode ? channel.receiverInterface()
                                                                  : channel.cableInterface();
        if (!device.open(path, true, true, true, false)) return false;
    }
    channel.setOpen(true);
    channel.setConnectionMode(mode);
    return true;
}

void closeChannel(CommandChannel& channel) {
    channel.setOpen(false);
    std::lock_guard<std::mutex> lock(channel.ioLock());
    channel.cableInterface().close();
    channel.receiverInterface().close();
}

} // namespace quasar
