#pragma once
// hidraw nodes as the kernel describes them in sysfs:
//   <sysfs>/class/hidraw/hidrawN/device  -> the HID device directory, with "uevent"
//                                           (HID_ID, HID_PHYS, ...) and "report_descriptor"
//   <HID dir>/..                         -> the USB interface (bInterfaceNumber)
//   <HID dir>/../..                      -> the USB device (bcdDevice)
// Roots: $QUASAR_SYSFS_ROOT (default /sys) and $QUASAR_DEV_ROOT (default /dev).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quasar::hid {

std::string sysfsRoot();
std::string devRoot();

// The keys of a HID device directory's uevent that matter here.
struct HidUevent {
    std::uint16_t bus = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int interfaceNumber = -1; // from HID_PHYS ".../input<n>"; -1 when it carries none
    std::string name;
};
// False when HID_ID is missing or malformed.
bool parseHidUevent(std::string_view text, HidUevent& out);

// "hidraw<N>" -> N; -1 for any other name.
long hidrawNumber(std::string_view name);

// The hidraw node names below <sysfs>/class/hidraw, ordered by number. A missing class folder
// is an empty list; *ok is false only when the folder exists but cannot be read.
std::vector<std::string> listHidrawNodes(bool* ok);

struct HidrawNode {
    std::string name;     // "hidraw3"
    std::string nodePath; // <dev>/hidraw3
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0; // bcdDevice, 0 when absent
    int interfaceNumber = 0;
    std::vector<std::uint8_t> descriptor;
};
// Reads what sysfs says about one node. False (with a reason) when its entries are missing or
// unreadable; the node itself is not touched.
bool readHidrawNode(const std::string& name, HidrawNode& out, std::string* error = nullptr);

// "<node path>#vid_320f&pid_5064&mi_01&col04"; no "&col" part when the node has one collection.
std::string makeInterfacePath(const HidrawNode& node, std::size_t collectionIndex,
                              std::size_t collectionCount);

// A whole sysfs-style file (read to its end: report_descriptor claims 4096 bytes to stat whatever
// it holds); false when it cannot be opened or is longer than maxBytes.
bool readWholeFile(const std::string& path, std::string& out, std::size_t maxBytes);

} // namespace quasar::hid
