#pragma once
// The command channel of one device: one 64-byte output report to the command interface, then
// input reports until the one answering it arrives. It holds one HidDevice for the cable path and
// one for the 2.4 GHz receiver path; the connection mode picks which carries the traffic and sets
// the chunk size of the chunked commands.
//
// Locks, in order: the I/O lock (around the write and the reads of each transaction, and around
// every open, close or reopen of the channel's interfaces), the second lock (free for an
// event-interface owner), the command lock (configuration commands, per chunk) and the lighting
// lock (lighting commands, so a frame never waits for a configuration command to be built; the
// two meet only at the I/O lock).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>

#include "platform/hid/hid_device.h"

namespace quasar {

// Status codes of transactions and commands.
inline constexpr int kStatusOk = 1;             // written and answered
inline constexpr int kStatusNoAnswer = 0;       // channel not open, or no answer in time
inline constexpr int kStatusWriteFailed = -1;   // the write failed or timed out
inline constexpr int kStatusUnreachable = -101; // receiver: the device behind it is not reachable
inline constexpr int kStatusRefusedFF = -102;   // the device refused the command (0xFF)
inline constexpr int kStatusRefusedFE = -103;   // the device refused the command (0xFE)
inline constexpr int kStatusBadBlock = -201;    // key-table block other than 0

// Short English description of a status code.
std::string_view statusText(int status);

class CommandChannel {
public:
    static constexpr std::size_t kReportSize = 64;
    static constexpr std::uint16_t kMaxBlockSize = 512;
    static constexpr std::uint32_t kCableTimeoutMs = 1000;
    static constexpr std::uint32_t kReceiverTimeoutMs = 5000;
    static constexpr int kCableMode = 1;
    static constexpr int kReceiverMode = 2;

    CommandChannel();
    CommandChannel(const CommandChannel&) = delete;
    CommandChannel& operator=(const CommandChannel&) = delete;

    // A size above 512 is refused (false, nothing changes).
    bool setBlockSize(std::uint16_t size);
    // 2: receiver (receiver flag set, chunk size 24); anything else: cable (cleared, 56).
    void setConnectionMode(int mode);

    // The full transaction: pad or cut the request to 64 bytes, write it, read up to two input
    // reports until one carries the request's command code (byte 3). Status as above; byteCount
    // (may be null) receives the bytes of the last read. Sets the busy flag throughout.
    int transact(const std::uint8_t* request, std::size_t requestLength, std::uint8_t* response,
                 std::size_t responseLength, std::uint32_t* byteCount);
    // One write and one read over the cable interface: no matching, no trace, busy flag
    // untouched. Used by the light-frame stream.
    int transactQuick(const std::uint8_t* request, std::size_t requestLength,
                      std::uint8_t* response, std::size_t responseLength, std::uint32_t* byteCount);

    bool isOpen() const { return open_.load(); }
    void setOpen(bool open) { open_.store(open); }
    bool lightLinked() const { return lightLinked_.load(); }
    void setLightLinked(bool linked) { lightLinked_.store(linked); }
    bool receiverMode() const { return receiver_.load(); }
    std::uint8_t chunkSize() const { return chunkSize_.load(); }
    std::uint16_t blockSize() const { return blockSize_.load(); }
    bool busy() const { return busy_.load(); }

    HidDevice& cableInterface() { return cable_; }
    HidDevice& receiverInterface() { return receiverDevice_; }
    // The interface of the current mode.
    HidDevice& activeInterface() { return receiverMode() ? receiverDevice_ : cable_; }

    std::mutex& ioLock() { return ioLock_; }
    std::mutex& secondLock() { return secondLock_; }
    std::mutex& commandLock() { return commandLock_; }
    std::mutex& lightingLock() { return lightingLock_; }

private:
    std::atomic<std::uint16_t> blockSize_{kMaxBlockSize};
    std::atomic<bool> busy_{false};
    std::atomic<bool> open_{false};
    std::atomic<bool> lightLinked_{false};
    HidDevice cable_;
    HidDevice receiverDevice_;
    std::mutex ioLock_;
    std::mutex secondLock_;
    std::mutex commandLock_;
    std::mutex lightingLock_;
    std::atomic<bool> receiver_{false};
    std::atomic<std::uint8_t> chunkSize_{24};
};

// Opens path on the interface of the given mode (read and write access, overlapped, shared)
// under the I/O lock; on success sets the open flag and the connection mode. The helper the
// device manager and quasarctl use to bring a channel up.
bool openChannel(CommandChannel& channel, const std::string& path, int mode);
// Clears the open flag and closes both interfaces under the I/O lock.
void closeChannel(CommandChannel& channel);

} // namespace quasar
