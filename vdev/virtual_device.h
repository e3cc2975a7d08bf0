#pragma once
// The virtual device: emulated keyboards, mice, mousepads and headsets served as hidraw-shaped
// nodes below a folder of our choice, so that the real HID code path runs against them.
//
// A VirtualDeviceHost builds ROOT/sys (the kernel's sysfs layout: class/hidraw links, HID device
// directories with uevent and report_descriptor, USB interface and device attribute files) and
// ROOT/dev (one SOCK_SEQPACKET Unix socket per hidraw node; one message is one report). One
// serving thread answers every node. All public operations are thread-safe.
//
// Typical in-process use:
//   quasar::vdev::VirtualDeviceHost host(tempDir);
//   int kb = host.addDevice(quasar::vdev::DeviceModel::Keyboard);
//   host.start();
//   ScopedEnv a("QUASAR_SYSFS_ROOT", host.sysfsRoot()), b("QUASAR_DEV_ROOT", host.devRoot());
//   ... open the node through HidDevice, send commands ...
//   EXPECT_EQ(host.memory(kb).settings[1], 5);

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <json/value.h>

namespace quasar::vdev {

enum class DeviceModel { Keyboard, KeyboardReceiver, Mouse, MouseReceiver, Mousepad, Headset };

// "keyboard", "keyboard-receiver", "mouse", "mouse-receiver", "mousepad", "headset".
std::optional<DeviceModel> parseModel(std::string_view name);
const char* modelName(DeviceModel model);

struct ModelIdentity {
    std::uint16_t vendorId;
    std::uint16_t productId;
    int interfaceNumber;     // of the node that carries the command/event collections
    bool receiver;           // reached through the 2.4 GHz receiver
    const char* productName; // HID_NAME and the USB "product" file
};
ModelIdentity modelIdentity(DeviceModel model);

// Report ids of the vendor-320F interface (four top-level collections in this order).
inline constexpr std::uint8_t kSystemReportId = 1;
inline constexpr std::uint8_t kMediaReportId = 2;
inline constexpr std::uint8_t kEventReportId = 3;
inline constexpr std::uint8_t kCommandReportId = 4;
inline constexpr std::size_t kCommandReportSize = 64;
// The headset's light reports (set-output-report): id 0xFF, 17 bytes with the id.
inline constexpr std::uint8_t kHeadsetLightReportId = 0xFF;
inline constexpr std::size_t kHeadsetLightReportSize = 17;

// Command codes the device understands.
enum Command : std::uint8_t {
    CmdConfigBegin = 1,
    CmdConfigEnd = 2,
    CmdReadDeviceInfo = 3,
    CmdReadSettings = 5,
    CmdWriteSettings = 6,
    CmdReadKeyTable = 7,
    CmdWriteKeyTable = 9,
    CmdWriteKeyColors = 11,
    CmdSendLightFrame = 18,
    CmdWriteMacroData = 21,
    CmdWriteRecoilData = 23,
    CmdReadStatus = 26,
    CmdReadKeyLedMap = 27,
    CmdHostLightingOn = 28,
    CmdReceiverLinkQuery = 0xAA,
};

// Answer status bytes (byte 7) the device uses to refuse a command.
inline constexpr std::uint8_t kStatusRefusedFF = 0xFF; // bad checksum, unknown command
inline constexpr std::uint8_t kStatusRefusedFE = 0xFE; // offset/length outside the area

// Sizes of the memory areas (bytes).
inline constexpr std::size_t kInfoBlockSize = 34;
inline constexpr std::size_t kKeyTableSize = 512;
inline constexpr std::size_t kKeyLedMapSize = 512;
inline constexpr std::size_t kSettingsSize = 1024;
inline constexpr std::size_t kColorTableSize = 512;
inline constexpr std::size_t kLightFrameSize = 512;
inline constexpr std::size_t kStatusSize = 56;

// Misbehaviour on request. count: how many following command reports it applies to
// (-1: until another fault, or Fault{None}, replaces it).
struct Fault {
    enum Kind {
        None,        // answer normally
        Stale,       // send an outdated answer (other command code) before the right one
        RefuseFF,    // answer with status 0xFF, do nothing
        RefuseFE,    // answer with status 0xFE, do nothing
        Silent,      // no answer, do nothing
        Unreachable, // the device behind the receiver is gone: every answer carries 0xAA in
                     // byte 3, and the link query answers "not reachable"
    };
    Kind kind = None;
    int count = -1;
};
// "none", "stale", "refuse-ff", "refuse-fe", "silent", "unreachable".
std::optional<Fault::Kind> parseFaultKind(std::string_view name);
const char* faultKindName(Fault::Kind kind);

// Everything the device stores, as a copy for assertions (memory()) or to change in place
// (updateMemory()).
struct DeviceMemory {
    std::array<std::uint8_t, kInfoBlockSize> info{}; // byte 5: key-table entries E, byte 6:
                                                     // macro memory in 128-byte units, ...
    std::vector<std::uint8_t> keyTable;   // kKeyTableSize: E entries of 3 bytes, rest zero
    std::vector<std::uint8_t> keyLedMap;  // kKeyLedMapSize: LED index per key-table entry
    std::vector<std::uint8_t> settings;   // kSettingsSize: byte 0 active profile, records
    std::vector<std::uint8_t> macro;      // info[6] * 128 bytes
    std::vector<std::uint8_t> colors;     // kColorTableSize: per-key colour table
    std::vector<std::uint8_t> recoil;     // recoil pattern memory (mice; empty otherwise)
    std::vector<std::uint8_t> lightFrame; // kLightFrameSize: last light frame, as sent
    std::vector<std::uint8_t> status;     // kStatusSize: power report (charge, state, ...)
    // Headset: its 17-byte light reports, oldest first (the last 24).
    std::vector<std::vector<std::uint8_t>> headsetLights;
    bool configOpen = false;   // between ConfigBegin and ConfigEnd
    bool hostLighting = false; // HostLightingOn received
    std::uint32_t configBegins = 0;
    std::uint32_t configEnds = 0;
    std::uint32_t lightFrames = 0; // SendLightFrame reports taken
};

// The factory state of a model (what a freshly plugged device holds).
DeviceMemory factoryMemory(DeviceModel model);

// Builds a well-formed 64-byte command report (id 4, checksum in bytes 1-2).
std::array<std::uint8_t, kCommandReportSize> makeRequest(std::uint8_t code, std::uint8_t length,
                                                         std::uint16_t offset,
                                                         const std::uint8_t* payload = nullptr);
// The 16-bit sum of bytes 3..63.
std::uint16_t reportChecksum(const std::uint8_t* report64);

// The report descriptor of a model's command/event node.
std::vector<std::uint8_t> reportDescriptor(DeviceModel model);

class VirtualDeviceHost {
public:
    // Creates rootDir/sys and rootDir/dev (rootDir itself must exist or be creatable).
    explicit VirtualDeviceHost(std::string rootDir);
    ~VirtualDeviceHost(); // stops serving and removes the nodes and sysfs entries it made
    VirtualDeviceHost(const VirtualDeviceHost&) = delete;
    VirtualDeviceHost& operator=(const VirtualDeviceHost&) = delete;

    // Adds a plugged-in device with its factory memory; returns its id (0, 1, ...) or -1 when its
    // nodes could not be made. twinOf: the id of the same keyboard or mouse reached the other way
    // (cable <-> receiver); both then share one DeviceMemory, as one physical device does. -1 when
    // twinOf is not a device of the matching model.
    int addDevice(DeviceModel model, int twinOf = -1);

    // The serving thread. start() is false when it could not start; stop() is idempotent.
    bool start();
    void stop();

    std::string rootDir() const;
    std::string sysfsRoot() const; // rootDir/sys
    std::string devRoot() const;   // rootDir/dev

    std::vector<int> deviceIds() const;
    bool hasDevice(int id) const;
    DeviceModel model(int id) const;
    bool isPlugged(int id) const;
    // The command/event node (rootDir/dev/hidrawN); empty while unplugged or for an unknown id.
    std::string nodePath(int id) const;
    int hidrawNumber(int id) const;   // -1 while unplugged
    int instanceNumber(int id) const; // the HID directory's instance, new on every plug
    int clientCount(int id) const;    // connections to the command/event node

    // Unplug closes every connection of the device's nodes and removes nodes and sysfs entries;
    // replug makes them again (new instance number), memory kept. False for an unknown id or
    // when already in that state.
    bool unplug(int id);
    bool replug(int id);

    // Sends the 16-bit event code as report 3 to every client of the node. False when unplugged.
    bool sendEvent(int id, std::uint16_t code);

    void setFault(int id, Fault fault);
    Fault fault(int id) const;

    // Every report received on the device's nodes, oldest first (the last 4096).
    std::vector<std::vector<std::uint8_t>> receivedReports(int id) const;
    void clearReceived(int id);

    DeviceMemory memory(int id) const;
    // Runs change on the device's memory under the host's lock (for test set-up); change must not
    // call back into the host.
    void updateMemory(int id, const std::function<void(DeviceMemory&)>& change);

    Json::Value dumpState(int id) const;
    Json::Value dumpAll() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// One line of the control language ("list", "add MODEL [TWIN_ID]", "unplug ID", "replug ID",
// "event ID CODE" (hexadecimal), "fault ID KIND [COUNT]", "set ID AREA OFFSET HEXBYTES",
// "dump [ID]", "quit") → one line of answer (no newline; "ok...", "error: ..." or JSON). quit is
// set when the line asks the program to end. Used by quasar-vdev for stdin and its control socket.
std::string runControlCommand(VirtualDeviceHost& host, std::string_view line, bool& quit);

} // namespace quasar::vdev
