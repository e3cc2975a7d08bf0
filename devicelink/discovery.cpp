#include "devicelink/discovery.h"

#include <cerrno>

#include "platform/hid/hid_device.h"

namespace quasar {

DiscoveryReport claimNewInterfaces(HidDevice& probe, InterfaceSlots& slots,
                                   const std::function<void(int slot)>& onClaimed) {
    DiscoveryReport report;
    if (slots.allSlotsClaimed()) return report;
    if (!probe.enumerateInterfaces()) {
        report.enumerationFailed = true;
        return report;
    }
    report.enumerated = true;
    while (auto path = probe.nextInterfacePath()) {
        InterfaceKey key = keyFromPath(*path);
        if (!slots.prematchPath(key)) continue;
        // Probing needs read access only; it must not disturb a channel that has the node open.
        if (!probe.open(*path, true, false, true, false)) {
            int error = probe.lastOpenError();
            if (error == EACCES || error == EPERM) report.deniedPaths.push_back(*path);
            continue;
        }
        key.vendorId = probe.attributes().vendorId;
        key.productId = probe.attributes().productId;
        key.usagePage = probe.caps().usagePage;
        key.usage = probe.caps().usage;
        if (auto slot = slots.claimInterface(key, *path)) {
            report.claimed.push_back(*slot);
            if (onClaimed) onClaimed(*slot);
        }
        probe.close();
    }
    probe.releaseInterfacePaths();
    return report;
}

std::vector<int> releaseLostInterfaces(HidDevice& tester, InterfaceSlots& slots,
                                       const std::function<void(int slot)>& onReleased) {
    std::vector<int> released;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!slots[i].connected) continue;
        // Copy: releasing the slot clears the path the open was given.
        const std::string path = slots[i].devicePath;
        if (tester.open(path, false, false, false, false)) {
            tester.close();
            continue;
        }
        slots.releaseSlot(static_cast<int>(i));
        released.push_back(static_cast<int>(i));
        if (onReleased) onReleased(static_cast<int>(i));
    }
    return released;
}

} // namespace quasar
