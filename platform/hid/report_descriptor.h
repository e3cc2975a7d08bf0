#pragma once
// Our own HID report-descriptor parser. It gives, per top-level collection, what the Windows HID
// parser gives through HidP: usage page and usage, the report ids, the report byte lengths (with
// the id byte counted, as Windows always does), the button and value capability records, and the
// decoding of reports (usages of arrays and bit fields, raw and scaled values).
//
// Descriptors come from devices, that is from outside: everything is bounded, and a malformed
// descriptor (truncated item, absurd sizes, unbalanced collections or push/pop, report id 0, ...)
// is refused with a reason instead of being half understood.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quasar::hid {

// Decode statuses (0 is success, as HidDataItem::status expects).
enum HidStatus : std::int32_t {
    kStatusSuccess = 0,
    kStatusInvalidReportLength = 1,  // the report is too short for the field
    kStatusIncompatibleReportId = 2, // the report's id does not carry the usage
    kStatusUsageNotFound = 3,
    kStatusBufferTooSmall = 4,
    kStatusBadLogPhyValues = 5, // logical (or physical) range not usable for scaling
    kStatusValueOutOfRange = 6,
    kStatusNullValue = 7, // value outside the logical range on an item with a null state
};

// Limits that keep a hostile descriptor from costing memory or time.
inline constexpr std::size_t kMaxDescriptorBytes = 16384;
inline constexpr std::size_t kMaxReportBytes = 16384; // per report, id byte excluded
inline constexpr unsigned kMaxFieldBits = 32;
inline constexpr unsigned kMaxReportCount = 16384;
inline constexpr unsigned kMaxCollectionDepth = 32;
inline constexpr unsigned kMaxPushDepth = 16;
inline constexpr std::size_t kMaxUsagesPerItem = 1024; // usage entries (a range counts once)
inline constexpr std::size_t kMaxCaps = 512;           // capability records in all
// Fields of all button records, and usages of all value records: an open interface keeps one
// decode item per value usage and a usage list per button record, so these bound its memory.
inline constexpr std::size_t kMaxButtonFields = 8192;
inline constexpr std::size_t kMaxValueUsages = 16384;

enum class ReportKind : std::uint8_t { Input = 0, Output = 1, Feature = 2 };
inline constexpr std::size_t kReportKinds = 3;

// One capability record, the way HidP describes it. A record covers one usage or one usage
// range of one main item; bitOffset counts bits from the first data byte (after the id byte).
struct CapRecord {
    std::uint8_t reportId = 0;
    std::uint16_t usagePage = 0;
    bool isRange = false;
    std::uint32_t usageMin = 0; // single usage: min == max
    std::uint32_t usageMax = 0;
    std::int32_t logicalMin = 0, logicalMax = 0;
    std::int32_t physicalMin = 0, physicalMax = 0;
    std::uint32_t unit = 0;
    std::int32_t unitExponent = 0;
    std::uint16_t bitSize = 0;
    std::uint16_t reportCount = 0; // fields covered by this record
    std::uint32_t bitOffset = 0;
    std::uint32_t bitField = 0; // the main item's flag bits (constant, variable, relative, ...)
    bool isArray = false;       // array item: each field holds an index into the usages
    bool hasNull = false;
    bool isAbsolute = true;
    std::uint16_t linkCollection = 0; // index among the collection's link nodes (0 = top level)
    // Array items: the position of this record's first usage among the item's usages, and the
    // item's logical minimum (field value logicalMin + i names usage i).
    std::uint32_t arrayIndexBase = 0;
};

struct Collection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::vector<std::uint8_t> reportIds; // in order of first use; empty when ids are not used
    std::array<std::uint16_t, kReportKinds> reportByteLength{}; // id byte counted; 0: no report
    std::uint16_t linkCollectionNodes = 1;
    std::array<std::vector<CapRecord>, kReportKinds> buttonCaps;
    std::array<std::vector<CapRecord>, kReportKinds> valueCaps;

    bool ownsReportId(std::uint8_t id) const;
};

struct ReportDescriptor {
    bool usesReportIds = false;
    std::vector<Collection> collections; // top-level collections in descriptor order
};

// Parses a descriptor. False with a short reason in *error on malformed input; out is then empty.
bool parseReportDescriptor(const std::uint8_t* data, std::size_t size, ReportDescriptor& out,
                           std::string* error = nullptr);

// HidP_MaxUsageListLength: how many usages a decode of kind can return for the usage page
// (0 = all pages).
std::uint32_t maxUsageListLength(const Collection& c, ReportKind kind, std::uint16_t usagePage);

// HidP_GetUsages: the usages of button records on usagePage (0 = all pages) that are on in the
// report (report[0] is the report id, 0 when ids are not used). Array fields name usages through
// their value; bit fields give their usage when the bit is set. *length is the capacity in and
// the count out. kStatusBufferTooSmall when more usages are on than fit (the first ones are kept).
std::int32_t getUsages(const Collection& c, ReportKind kind, std::uint16_t usagePage,
                       std::uint16_t* usages, std::uint32_t* length, const std::uint8_t* report,
                       std::size_t reportLength);

// HidP_GetUsageValue: the raw bits of the value field of usage (first field of a value array).
// The usage page must match exactly (0 is a page like any other here).
std::int32_t getUsageValue(const Collection& c, ReportKind kind, std::uint16_t usagePage,
                           std::uint16_t usage, std::uint32_t* value, const std::uint8_t* report,
                           std::size_t reportLength);

// HidP_GetScaledUsageValue: the value mapped from the logical onto the physical range (the
// logical range itself when no physical range is given); the raw value is sign-extended when the
// logical minimum is negative.
std::int32_t getScaledUsageValue(const Collection& c, ReportKind kind, std::uint16_t usagePage,
                                 std::uint16_t usage, std::int32_t* value,
                                 const std::uint8_t* report, std::size_t reportLength);

// The report's bits [bitOffset, bitOffset + bitSize) of the data after the id byte, when present.
bool extractBits(const std::uint8_t* report, std::size_t reportLength, std::uint32_t bitOffset,
                 std::uint16_t bitSize, std::uint32_t* value);

} // namespace quasar::hid
