#pragma once
// The device side of the command protocol, without any I/O: one device's memory and fault state,
// and what it answers to one report. The host (virtual_device.cpp) moves the reports.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "vdev/virtual_device.h"

namespace quasar::vdev {

struct DeviceState {
    DeviceModel model = DeviceModel::Keyboard;
    // Shared by the cable device and its receiver twin when they are one physical device.
    std::shared_ptr<DeviceMemory> memory;
    Fault fault;
    std::optional<std::array<std::uint8_t, kCommandReportSize>> lastAnswer;
};

DeviceState makeDeviceState(DeviceModel model);

// Takes one output report written to the command/event node and returns the input reports the
// device sends back (none, one, or a stale one followed by the right one).
std::vector<std::vector<std::uint8_t>> handleReport(DeviceState& state, const std::uint8_t* data,
                                                    std::size_t length);

// The boot-keyboard interface (interface 0) a keyboard also has; the host never claims it.
std::vector<std::uint8_t> bootKeyboardDescriptor();

} // namespace quasar::vdev
