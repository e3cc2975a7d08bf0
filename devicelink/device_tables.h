#pragma once
// The fixed tables of supported devices and the live interface slots.
//
// SupportedInterfaceTable lists every HID interface the program claims: the numbers that identify
// it (ids, interface and collection numbers, usage page and usage) and the kind of device it
// belongs to. DeviceOptionTable, DeviceViewTable and ProductInfoTable give, per class of device
// (mouse, keyboard, mousepad, headset, in that order), what the device strip, the device page and
// the settings and about windows need.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quasar {

// Kind of a supported device and how it is reached (16-bit in the tables).
enum class DeviceKind : std::uint16_t {
    Keyboard = 1,
    Mouse = 2,
    MousePad = 3,
    ReceiverMouse = 6,
    Headset = 7,
    ReceiverKeyboard = 9,
};

inline constexpr std::uint16_t kRoleCommand = 0;
inline constexpr std::uint16_t kRoleEvent = 255;

// True for the kinds reached through the 2.4 GHz receiver (6 and 9).
constexpr bool isReceiverKind(std::uint16_t kind) {
    return kind == static_cast<std::uint16_t>(DeviceKind::ReceiverMouse) ||
           kind == static_cast<std::uint16_t>(DeviceKind::ReceiverKeyboard);
}
// Short English name of a kind ("keyboard", "mouse (receiver)", ...); "unknown" otherwise.
std::string_view deviceKindName(std::uint16_t kind);
// Connection mode of the command channel for a kind: 2 (receiver) for 6 and 9, else 1 (cable).
constexpr int connectionModeOfKind(std::uint16_t kind) {
    return isReceiverKind(kind) ? 2 : 1;
}

// One row of SupportedInterfaceTable: eleven numbers (the device path lives in the slot).
struct SupportedInterface {
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::uint16_t interfaceNumber;
    std::uint16_t collectionNumber; // 0 when the interface has a single top-level collection
    std::uint16_t kind;             // DeviceKind
    std::uint16_t role;             // kRoleCommand or kRoleEvent
    std::uint16_t connected;        // 0 in the table; 1 in a claimed slot
    std::uint16_t usagePage;
    std::uint16_t usage;
    std::uint16_t hasPartner; // 1: the same device has a twin row in the other mode
    std::uint16_t partnerRow; // that twin's row (only meaningful with hasPartner)
};

inline constexpr std::size_t kSupportedInterfaceCount = 11;

// clang-format off
inline constexpr std::array<SupportedInterface, kSupportedInterfaceCount> SupportedInterfaceTable{{
    //  vid     pid    mi col kind role conn usagePage usage partner row
    {0x320F, 0x5064, 1,  4,  1,   0,  0,   0xFF1C, 0x0092, 1,  2}, // 0
    {0x320F, 0x5064, 1,  3,  1, 255,  0,   0x000C, 0x0001, 1,  3}, // 1
    {0x320F, 0x5001, 1,  4,  9,   0,  0,   0xFF1C, 0x0092, 1,  0}, // 2
    {0x320F, 0x5001, 1,  3,  9, 255,  0,   0x000C, 0x0001, 1,  1}, // 3
    {0x320F, 0x221C, 1,  4,  2,   0,  0,   0xFF1C, 0x0092, 1,  6}, // 4
    {0x320F, 0x221C, 1,  3,  2, 255,  0,   0x000C, 0x0001, 1,  7}, // 5
    {0x320F, 0x221D, 1,  4,  6,   0,  0,   0xFF1C, 0x0092, 1,  4}, // 6
    {0x320F, 0x221D, 1,  3,  6, 255,  0,   0x000C, 0x0001, 1,  5}, // 7
    {0x320F, 0x1004, 1,  4,  3,   0,  0,   0xFF1C, 0x0092, 0,  0}, // 8
    {0x320F, 0x1004, 1,  3,  3, 255,  0,   0x000C, 0x0001, 0,  0}, // 9
    {0x0C76, 0x1630, 3,  0,  7,   0,  0,   0x000C, 0x0001, 0,  0}, // 10
}};
// clang-format on

// A live copy of a table row: connected and devicePath change as interfaces come and go.
struct InterfaceSlot : SupportedInterface {
    std::string devicePath;
    // Free: not connected and no path.
    bool isFree() const { return connected == 0 && devicePath.empty(); }
};

// What matching knows about an enumerated interface. The four path numbers come from the path
// parsers; vendorId/productId are then replaced by the opened interface's attributes and
// usagePage/usage taken from its capabilities. A full match fills kind and role.
struct InterfaceKey {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t interfaceNumber = 0;
    std::uint16_t collectionNumber = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint16_t kind = 0;
    std::uint16_t role = 0;
};

// The key of a path before it is opened (ids, interface and collection number from the path).
InterfaceKey keyFromPath(std::string_view path);

// First SupportedInterfaceTable row with all four equal, or -1.
int findInterfaceRow(std::uint16_t vendorId, std::uint16_t productId, std::uint16_t kind,
                     std::uint16_t role);

// The live slots, one per table row in table order (a slot index is a row index). Not locked:
// the owner serialises access (the discovery thread writes, the window thread reads only while
// handling the arrival and removal it is told about synchronously).
class InterfaceSlots {
public:
    InterfaceSlots();

    std::size_t size() const { return slots_.size(); }
    const InterfaceSlot& operator[](std::size_t index) const { return slots_[index]; }
    const InterfaceSlot& slot(std::size_t index) const { return slots_[index]; }

    // A table row and a free slot both equal the key in vendor id, product id, collection
    // number and interface number; otherwise the path is not worth opening.
    bool prematchPath(const InterfaceKey& key) const;
    // Full match on the six numbers: the first equal row gives kind and role to the key, then the
    // first free slot equal in the six numbers is claimed with the path. The slot index, or none.
    std::optional<int> claimInterface(InterfaceKey& key, const std::string& path);
    // True when no slot is free.
    bool allSlotsClaimed() const;
    // Marks a slot not connected and clears its path. False for an index out of range.
    bool releaseSlot(int index);
    // Claimed slot indexes in order.
    std::vector<int> claimedSlots() const;

private:
    std::vector<InterfaceSlot> slots_;
};

// One per class of device: mouse, keyboard, mousepad, headset.
struct DeviceOption {
    const char* itemLayoutFile;
    const char* tabHeaderControl;
    const char* powerSwitchControl;
    const char* className;
    std::int32_t unused[3]; // kept as they stand; nothing reads them
    std::int32_t classIndex;
    std::int32_t vendorId;
    std::int32_t productId;
    std::int32_t kind;
    std::int32_t variant;
};

inline constexpr std::size_t kDeviceClassCount = 4;

inline constexpr std::array<DeviceOption, kDeviceClassCount> DeviceOptionTable{{
    {"XML/CustomControlXML/DeviceOption.xml",
     "tab_header_device",
     "device_power_switch",
     "mouse",
     {0, 0, 0},
     1,
     0x320F,
     0x221C,
     2,
     0},
    {"XML/CustomControlXML/DeviceOption.xml",
     "tab_header_device",
     "device_power_switch",
     "keyboard",
     {1, 1, -1},
     0,
     0x320F,
     0x5064,
     1,
     0},
    {"XML/CustomControlXML/DeviceOption.xml",
     "tab_header_device",
     "device_power_switch",
     "MousePad",
     {2, 2, 1},
     2,
     0x320F,
     0x1004,
     3,
     0},
    {"XML/CustomControlXML/DeviceOption.xml",
     "tab_header_device",
     "device_power_switch",
     "HD",
     {3, 3, -1},
     3,
     0x0C76,
     0x1630,
     7,
     0},
}};

// Parallel to DeviceOptionTable.
struct DeviceView {
    std::int32_t lightCount;
    std::int32_t keyCount;
    std::int32_t batteryFlag;
    std::int32_t highlightedLight; // -1 for none
    const char* pageLayoutFile;
    const char* lightStoreName;
};

inline constexpr std::array<DeviceView, kDeviceClassCount> DeviceViewTable{{
    {15, 11, 1, -1, "XML/DeviceXml/mousedevice.xml", "norvo_light"},
    {170, 170, 0, -1, "XML/DeviceXml/keyboarddevice.xml", "norvo_light"},
    {15, 0, 0, -1, "XML/DeviceXml/mousepaddevice.xml", "norvo_light"},
    {13, 0, 0, -1, "XML/DeviceXml/zi6533device.xml", "norvo_light"},
}};

struct ProductInfo {
    std::int32_t numbers[3];
    const char* vendor;
    const char* model;
    const char* productName;
    const char* secondName;
    const char* version;
};

inline constexpr std::array<ProductInfo, 4> ProductInfoTable{{
    {{1, 1, 0}, "NORVO", "TK300A02", "MS", "MS", ""},
    {{1, 1, 0}, "NORVO", "TK300A01", "Brimlet", "Brimlet", ""},
    {{2, 1, 0},
     "NORVO",
     "TK300A01",
     "Brimlet Quasar+ 88-Key RGB Keyboard",
     "Brimlet Quasar+ 88-Key RGB Keyboard",
     ""},
    {{0, 1, 0}, "NORVO", "ALL", "Brimlet Quasar+ 88-Key RGB Keyboard", "AP", "V1.0.0.0"},
}};

// First DeviceOptionTable row with all four equal, or -1.
int findOptionRow(std::int32_t vendorId, std::int32_t productId, std::int32_t kind,
                  std::int32_t variant);

} // namespace quasar
