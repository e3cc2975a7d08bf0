#pragma once
// One pass of device discovery, shared by the device manager's discovery thread and quasarctl:
// list the HID interface paths, pre-match each on the numbers in its path, probe the ones that
// pass, and claim a free slot on a full match; and the check that claimed paths still open.

#include <functional>
#include <string>
#include <vector>

#include "devicelink/device_tables.h"

namespace quasar {

class HidDevice;

struct DiscoveryReport {
    bool enumerated = false;        // the interface list was read in this pass
    bool enumerationFailed = false; // listing the interfaces failed
    std::vector<int> claimed;       // slots claimed in this pass, in enumeration order
    // Pre-matched paths whose probe the system refused (EACCES/EPERM): a supported device is
    // there but this user may not open it.
    std::vector<std::string> deniedPaths;
};

// Skips the listing while every slot is claimed. onClaimed runs for each claimed slot while the
// probe is still open (the device manager hands the arrival over at that point).
DiscoveryReport claimNewInterfaces(HidDevice& probe, InterfaceSlots& slots,
                                   const std::function<void(int slot)>& onClaimed = {});

// Opens every claimed slot's path with no access; a path that no longer opens frees its slot.
// onReleased runs for each slot freed (already free when it runs). Returns the freed slots.
std::vector<int> releaseLostInterfaces(HidDevice& tester, InterfaceSlots& slots,
                                       const std::function<void(int slot)>& onReleased = {});

} // namespace quasar
