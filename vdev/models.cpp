// Names, identities and report descriptors of the emulated models.

#include <array>

#include "vdev/device_model.h"

namespace quasar::vdev {

namespace {

struct ModelRow {
    DeviceModel model;
    const char* name;
    ModelIdentity identity;
};

constexpr std::array<ModelRow, 6> kModels{{
    {DeviceModel::Keyboard,
     "keyboard",
     {0x320F, 0x5064, 1, false, "Brimlet Quasar+ 88-Key RGB Keyboard"}},
    {DeviceModel::KeyboardReceiver,
     "keyboard-receiver",
     {0x320F, 0x5001, 1, true, "Brimlet 2.4G Receiver"}},
    {DeviceModel::Mouse, "mouse", {0x320F, 0x221C, 1, false, "Brimlet Quasar Mouse"}},
    {DeviceModel::MouseReceiver,
     "mouse-receiver",
     {0x320F, 0x221D, 1, true, "Brimlet Mouse 2.4G Receiver"}},
    {DeviceModel::Mousepad, "mousepad", {0x320F, 0x1004, 1, false, "Brimlet RGB Mousepad"}},
    {DeviceModel::Headset, "headset", {0x0C76, 0x1630, 3, false, "Brimlet USB Headset"}},
}};

struct FaultName {
    Fault::Kind kind;
    const char* name;
};
constexpr std::array<FaultName, 6> kFaultNames{{
    {Fault::None, "none"},
    {Fault::Stale, "stale"},
    {Fault::RefuseFF, "refuse-ff"},
    {Fault::RefuseFE, "refuse-fe"},
    {Fault::Silent, "silent"},
    {Fault::Unreachable, "unreachable"},
}};

// The event collection: one 16-bit usage in an array input, usages 0..FFFF, so that the first
// usage decoded from the report is the event code itself.
void appendEventItems(std::vector<std::uint8_t>& d) {
    // clang-format off
    const std::uint8_t items[] = {
        0x85, kEventReportId,             // Report ID 3
        0x19, 0x00,                       // Usage Minimum 0
        0x2A, 0xFF, 0xFF,                 // Usage Maximum 0xFFFF
        0x15, 0x00,                       // Logical Minimum 0
        0x27, 0xFF, 0xFF, 0x00, 0x00,     // Logical Maximum 0xFFFF (4-byte form: unsigned)
        0x75, 0x10,                       // Report Size 16
        0x95, 0x01,                       // Report Count 1
        0x81, 0x00,                       // Input (Data, Array, Absolute)
    };
    // clang-format on
    d.insert(d.end(), std::begin(items), std::end(items));
}

// Vendor report 4: 63 data bytes in and out.
void appendCommandItems(std::vector<std::uint8_t>& d) {
    const std::uint8_t items[] = {
        0x85, kCommandReportId, // Report ID 4
        0x06, 0x1C,
        0xFF,       // Usage Page 0xFF1C
        0x09, 0x01, // Usage 1
        0x15, 0x00, // Logical Minimum 0
        0x26, 0xFF,
        0x00,       // Logical Maximum 255
        0x75, 0x08, // Report Size 8
        0x95, 0x3F, // Report Count 63
        0x81, 0x02, // Input (Data, Variable, Absolute)
        0x09, 0x02, // Usage 2
        0x91, 0x02, // Output (Data, Variable, Absolute)
    };
    d.insert(d.end(), std::begin(items), std::end(items));
}

} // namespace

std::optional<DeviceModel> parseModel(std::string_view name) {
    for (const ModelRow& row : kModels)
        if (name == row.name) return row.model;
    return std::nullopt;
}

const char* modelName(DeviceModel model) {
    for (const ModelRow& row : kModels)
        if (row.model == model) return row.name;
    return "";
}

ModelIdentity modelIdentity(DeviceModel model) {
    for (const ModelRow& row : kModels)
        if (row.model == model) return row.identity;
    return kModels[0].identity;
}

std::optional<Fault::Kind> parseFaultKind(std::string_view name) {
    for (const FaultName& f : kFaultNames)
        if (name == f.name) return f.kind;
    return std::nullopt;
}

const char* faultKindName(Fault::Kind kind) {
    for (const FaultName& f : kFaultNames)
        if (f.kind == kind) return f.name;
    return "";
}

std::vector<std::uint8_t> reportDescriptor(DeviceModel model) {
    std::vector<std::uint8_t> d;
    if (model == DeviceModel::Headset) {
        // A single Consumer Control collection: the event code, the command report (so that
        // the settings commands have somewhere to go) and the 17-byte light reports.
        // clang-format off
        const std::uint8_t head[] = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01};
        // clang-format on
        d.insert(d.end(), std::begin(head), std::end(head));
        appendEventItems(d);
        appendCommandItems(d);
        // clang-format off
        const std::uint8_t lights[] = {
            0x85, kHeadsetLightReportId, // Report ID 0xFF
            0x09, 0x03,                  // Usage 3 (vendor page still current)
            0x95, 0x10,                  // Report Count 16
            0x91, 0x02,                  // Output (Data, Variable, Absolute)
            0xC0,
        };
        // clang-format on
        d.insert(d.end(), std::begin(lights), std::end(lights));
        return d;
    }
    // clang-format off
    const std::uint8_t system[] = {
        0x05, 0x01, 0x09, 0x80, 0xA1, 0x01,   // Generic Desktop / System Control
        0x85, kSystemReportId,
        0x19, 0x81, 0x29, 0x83,               // power down, sleep, wake up
        0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02,
        0x95, 0x05, 0x81, 0x01,               // padding
        0xC0,
        0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01,   // Consumer / Consumer Control: media keys
        0x85, kMediaReportId,
        0x19, 0x00, 0x2A, 0x3C, 0x02,
        0x15, 0x00, 0x26, 0x3C, 0x02, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00,
        0xC0,
        0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01,   // Consumer / Consumer Control: device events
    };
    // clang-format on
    d.insert(d.end(), std::begin(system), std::end(system));
    appendEventItems(d);
    d.push_back(0xC0);
    const std::uint8_t vendor[] = {0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01}; // FF1C / 0092
    d.insert(d.end(), std::begin(vendor), std::end(vendor));
    appendCommandItems(d);
    d.push_back(0xC0);
    return d;
}

std::vector<std::uint8_t> bootKeyboardDescriptor() {
    // clang-format off
    return {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00,
            0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01,
            0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x05, 0x07, 0x19, 0x00, 0x2A,
            0xFF, 0x00, 0x81, 0x00, 0xC0};
    // clang-format on
}

} // namespace quasar::vdev
