#pragma once
// A virtual device host in a temporary folder, with the HID roots pointing into it, and the
// device link's view of it: the claimed slots and a channel opened on a row.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devicelink/command_channel.h"
#include "devicelink/device_tables.h"
#include "devicelink/discovery.h"
#include "platform/hid/hid_device.h"
#include "support/temp_dir.h"
#include "vdev/virtual_device.h"

namespace quasar::testing {

class VdevTest : public ::testing::Test {
protected:
    using Model = vdev::DeviceModel;

    void plug(std::initializer_list<Model> models) {
        host_ = std::make_unique<vdev::VirtualDeviceHost>(temp_.path());
        for (Model model : models) {
            int id = host_->addDevice(model);
            ASSERT_GE(id, 0) << vdev::modelName(model);
            ids_[model] = id;
        }
        ASSERT_TRUE(host_->start());
        sysfs_ = std::make_unique<ScopedEnv>("QUASAR_SYSFS_ROOT", host_->sysfsRoot());
        dev_ = std::make_unique<ScopedEnv>("QUASAR_DEV_ROOT", host_->devRoot());
    }

    vdev::VirtualDeviceHost& host() { return *host_; }
    int id(Model model) { return ids_.at(model); }

    // Claims what is present and returns the path of a row (empty when it is not claimed).
    std::string pathOfRow(int row) {
        HidDevice probe;
        claimNewInterfaces(probe, slots_);
        return slots_[row].devicePath;
    }

    // Opens the row's interface on the channel in the given mode (default: the row's kind).
    void openRow(CommandChannel& channel, int row, int mode = 0) {
        std::string path = pathOfRow(row);
        ASSERT_FALSE(path.empty()) << "row " << row << " not claimed";
        if (!mode) mode = connectionModeOfKind(SupportedInterfaceTable[row].kind);
        ASSERT_TRUE(openChannel(channel, path, mode)) << path;
    }

    // The command reports (report id 4) the device received, oldest first.
    std::vector<std::vector<std::uint8_t>> commands(Model model) {
        std::vector<std::vector<std::uint8_t>> result;
        for (auto& report : host_->receivedReports(id(model)))
            if (!report.empty() && report[0] == vdev::kCommandReportId) result.push_back(report);
        return result;
    }

    TempDir temp_;
    std::unique_ptr<vdev::VirtualDeviceHost> host_;
    std::unique_ptr<ScopedEnv> sysfs_, dev_;
    std::map<Model, int> ids_;
    InterfaceSlots slots_;
};

} // namespace quasar::testing
