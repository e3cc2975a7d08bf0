#pragma once
// The fifteen commands of the vendor protocol. Each builds 64-byte requests in the common layout,
// runs them through the channel and checks the answer's status byte:
//
//   byte 0      report id 4
//   bytes 1-2   checksum, the 16-bit sum of bytes 3..63, little-endian (computed last)
//   byte 3      command code (repeated in the answer)
//   byte 4      payload length carried or asked for
//   bytes 5-6   byte offset in the device area, little-endian
//   byte 7      0 in requests; the status in answers (0xFF -> -102, 0xFE -> -103)
//   bytes 8-63  payload (written data; read data in answers)
//
// Chunked commands move min(chunk size, total - p) bytes per report at offset base + p and stop at
// the first chunk that fails (chunks already sent stay sent). All return the status codes of
// command_channel.h; none throws. Buffers are spans: a command never reads or writes outside the
// buffer it is given.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "devicelink/command_channel.h"

namespace quasar {

enum class CommandCode : std::uint8_t {
    ConfigBegin = 1,
    ConfigEnd = 2,
    ReadDeviceInfo = 3,
    ReadSettings = 5,
    WriteSettings = 6,
    ReadKeyTable = 7,
    WriteKeyTable = 9,
    WriteKeyColors = 11,
    SendLightFrame = 18,
    WriteMacroData = 21,
    WriteRecoilData = 23,
    ReadStatus = 26,
    ReadKeyLedMap = 27,
    HostLightingOn = 28,
    ReceiverLinkQuery = 0xAA,
};

inline constexpr std::size_t kPayloadOffset = 8;
inline constexpr std::size_t kMaxPayload = 56;
inline constexpr std::uint8_t kReportId = 4;

// The device's 34-byte information block.
struct DeviceInfoBlock {
    static constexpr std::size_t kSize = 34;
    std::array<std::uint8_t, kSize> bytes{};
    // Entries in the key table (3 bytes each).
    std::uint8_t keyTableEntries() const { return bytes[5]; }
    // Macro memory size in units of 128 bytes.
    std::uint8_t macroMemoryUnits() const { return bytes[6]; }
};

// The 64-byte request of one report: id, code, length, offset, payload, then the checksum.
std::array<std::uint8_t, 64> buildRequest(std::uint8_t code, std::uint8_t length,
                                          std::uint16_t offset,
                                          std::span<const std::uint8_t> payload = {});
// Sum of bytes 3..63 kept to 16 bits.
std::uint16_t reportChecksum(const std::uint8_t* report);

int ConfigBegin(CommandChannel& channel);
// Waits 10 ms before it is sent.
int ConfigEnd(CommandChannel& channel);
int ReadDeviceInfo(CommandChannel& channel, DeviceInfoBlock& info);
// total bytes of the settings area from baseOffset; output must hold them (at most output.size()
// bytes are read).
int ReadSettings(CommandChannel& channel, std::span<std::uint8_t> output, std::size_t total,
                 std::uint16_t baseOffset);
int WriteSettings(CommandChannel& channel, std::span<const std::uint8_t> data, std::size_t total,
                  std::uint16_t baseOffset);
// The key table over the channel's block size (at most output.size() bytes).
int ReadKeyTable(CommandChannel& channel, std::span<std::uint8_t> output);
// block must be 0, otherwise -201 and nothing is sent. Sends the channel's block size; bytes
// beyond data.size() go out as zeros.
int WriteKeyTable(CommandChannel& channel, std::span<const std::uint8_t> data, int block);
// Lighting lock. Offset of each chunk: baseIndex * stride + p.
int WriteKeyColors(CommandChannel& channel, std::span<const std::uint8_t> data, std::size_t total,
                   int baseIndex, int stride);
// The per-light frame stream (lighting lock, quick transaction). A chunk found while another
// command's transaction is under way is dropped ("放弃灯光数据") and counts as success; through the
// receiver nothing is sent and the result is success.
int SendLightFrame(CommandChannel& channel, std::span<const std::uint8_t> frame, std::size_t total);
int WriteMacroData(CommandChannel& channel, std::span<const std::uint8_t> data, std::size_t total);
// Fixed 56-byte chunks in either mode; takes no lock of its own.
int WriteRecoilData(CommandChannel& channel, std::span<const std::uint8_t> data, std::size_t total);
// One report of length bytes (at most 56) at offset; answer bytes 8.. into output.
int ReadStatus(CommandChannel& channel, std::span<std::uint8_t> output, std::size_t length,
               std::uint16_t offset);
// One byte per key-table entry: chunked over a third of the block size.
int ReadKeyLedMap(CommandChannel& channel, std::span<std::uint8_t> output);
int HostLightingOn(CommandChannel& channel);
// By cable: true without sending. Through the receiver: true only when the transaction
// succeeded, answer byte 8 is 0xFF and byte 7 is neither 0xFF nor 0xFE.
bool ReceiverLinkQuery(CommandChannel& channel);

} // namespace quasar
