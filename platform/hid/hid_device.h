#pragma once
// One HID interface: enumeration of the interface paths, open with four options, capabilities
// from our own report-descriptor parser, reads and writes with time-out and cancel, and the
// decode of input reports into usages.
//
// Linux: interfaces are hidraw nodes found through sysfs below $QUASAR_SYSFS_ROOT (default /sys),
// nodes below $QUASAR_DEV_ROOT (default /dev). One path per top-level collection of a node:
//   "<node path>#vid_320f&pid_5064&mi_01&col04"   (no "&col.." when the node has one collection)
// A node that is a SOCK_SEQPACKET Unix socket is connected to instead of opened (one message is
// one report). A collection's device reads only the input reports whose id belongs to it.
// As on Windows, a report as callers see it always begins with its report id, 0 when the node
// does not number its reports (read puts that 0 in front; write passes it on, as hidraw wants),
// and the report byte lengths count that byte. A path only opens the node while the node still
// carries the vendor, product and interface the path names (node numbers are reused on replug).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid/report_descriptor.h"
#include "platform/sync.h"

namespace quasar {

struct HidCaps {
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
    // Byte lengths count the report id byte, as the Windows HID parser does.
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
    std::uint16_t numberLinkCollectionNodes = 0;
    std::uint16_t numberInputButtonCaps = 0;
    std::uint16_t numberInputValueCaps = 0;
    std::uint16_t numberOutputButtonCaps = 0;
    std::uint16_t numberOutputValueCaps = 0;
    std::uint16_t numberFeatureButtonCaps = 0;
    std::uint16_t numberFeatureValueCaps = 0;
};

struct HidAttributes {
    std::uint32_t size = sizeof(HidAttributes);
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
};

// One button capability record, or one usage of a value capability record.
struct HidDataItem {
    bool isButton = false;
    std::uint16_t usagePage = 0;
    std::int32_t status = 0; // result of the last decode (0 = success)
    std::uint32_t reportId = 0;
    bool isSet = false; // the last decode of a matching report filled this item
    // button data
    std::uint32_t usageMin = 0, usageMax = 0;
    std::uint32_t maxUsageListLength = 0;
    std::vector<std::uint16_t> usages; // maxUsageListLength entries; 0 after the last kept one
    // value data
    std::uint16_t usage = 0;
    std::uint32_t rawValue = 0;
    std::int32_t scaledValue = 0;
};

enum class HidReportKind { Input = 0, Output = 1, Feature = 2 };

class HidDevice {
public:
    static constexpr std::size_t kMaxPathUnits = 259;

    HidDevice();
    ~HidDevice();
    HidDevice(const HidDevice&) = delete;
    HidDevice& operator=(const HidDevice&) = delete;

    // Rebuilds the path list (one path per top-level collection of every hidraw node whose
    // descriptor parses) and resets the cursor. False on failure, leaving no list.
    bool enumerateInterfaces();
    // The path at the cursor, advancing it; nullopt at the end or without a list.
    std::optional<std::string> nextInterfacePath();
    void releaseInterfacePaths();
    std::size_t interfacePathCount() const;

    // Opens a path from the enumeration. With neither read nor write access it only tests that
    // the interface exists. False (and closed) when the node cannot be opened or its descriptor
    // not parsed, or the path is longer than kMaxPathUnits.
    bool open(const std::string& path, bool readAccess, bool writeAccess, bool overlapped,
              bool shareReadOnly);
    bool reopen();
    // Cancels a read or write in progress on another thread, frees the capability data and
    // closes the node. The path list and events survive.
    void close();
    bool isOpen() const;

    // One transfer each with a time-out in ms (kInfinite: no limit). The byte counts may be null;
    // they receive the bytes moved (0 on failure). A time-out, a cancel (cancelEvent or close
    // from another thread), or a node that went away makes them return false promptly.
    bool read(std::uint8_t* buffer, std::uint32_t length, std::uint32_t* bytesRead,
              std::uint32_t timeoutMs);
    bool write(const std::uint8_t* buffer, std::uint32_t length, std::uint32_t* bytesWritten,
               std::uint32_t timeoutMs);

    // Decodes one input report into the input data items whose report id equals report[0].
    bool unpackInputReport(const std::uint8_t* report, std::uint32_t length);

    const HidAttributes& attributes() const;
    const HidCaps& caps() const;
    const std::string& path() const;
    std::vector<std::uint8_t>& reportBuffer(HidReportKind kind);
    std::vector<HidDataItem>& dataItems(HidReportKind kind);
    int interfaceNumber() const;  // MI
    int collectionNumber() const; // COL
    Event& cancelEvent();
    // Signals cancelEvent when a read or write is in progress (and only then), so the signal
    // never lingers to cut short a later transfer.
    void cancelTransfer();
    // The open collection's capability records (empty when closed).
    const std::vector<hid::CapRecord>& buttonCaps(HidReportKind kind) const;
    const std::vector<hid::CapRecord>& valueCaps(HidReportKind kind) const;
    // The report ids of the open collection (empty when its node does not number its reports).
    const std::vector<std::uint8_t>& reportIds() const;
    // errno of the last failed open (EACCES tells the caller to hint at the udev rule).
    int lastOpenError() const;

private:
    struct Impl;
    Impl* impl_;
};

// The path parsers: the hexadecimal digits after the marker (case-insensitive), low 16 bits; 0
// when the marker is missing or no digit follows.
std::uint16_t parseVendorId(std::string_view path);         // "vid_"
std::uint16_t parseProductId(std::string_view path);        // "pid_"
std::uint16_t parseInterfaceNumber(std::string_view path);  // "&mi_"
std::uint16_t parseCollectionNumber(std::string_view path); // "&col"

} // namespace quasar
