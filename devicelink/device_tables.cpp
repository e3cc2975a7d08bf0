#include "devicelink/device_tables.h"

#include "platform/hid/hid_device.h"

namespace quasar {

namespace {

bool sameFour(const SupportedInterface& row, const InterfaceKey& key) {
    return row.vendorId == key.vendorId && row.productId == key.productId &&
           row.collectionNumber == key.collectionNumber &&
           row.interfaceNumber == key.interfaceNumber;
}

bool sameSix(const SupportedInterface& row, const InterfaceKey& key) {
    return sameFour(row, key) && row.usagePage == key.usagePage && row.usage == key.usage;
}

} // namespace

std::string_view deviceKindName(std::uint16_t kind) {
    switch (static_cast<DeviceKind>(kind)) {
    case DeviceKind::Keyboard:
        return "keyboard";
    case DeviceKind::Mouse:
        return "mouse";
    case DeviceKind::MousePad:
        return "mousepad";
    case DeviceKind::ReceiverMouse:
        return "mouse (receiver)";
    case DeviceKind::Headset:
        return "headset";
    case DeviceKind::ReceiverKeyboard:
        return "keyboard (receiver)";
    }
    return "unknown";
}

InterfaceKey keyFromPath(std::string_view path) {
    InterfaceKey key;
    key.vendorId = parseVendorId(path);
    key.productId = parseProductId(path);
    key.interfaceNumber = parseInterfaceNumber(path);
    key.collectionNumber = parseCollectionNumber(path);
    return key;
}

int findInterfaceRow(std::uint16_t vendorId, std::uint16_t productId, std::uint16_t kind,
                     std::uint16_t role) {
    for (std::size_t i = 0; i < SupportedInterfaceTable.size(); ++i) {
        const auto& row = SupportedInterfaceTable[i];
        if (row.vendorId == vendorId && row.productId == productId && row.kind == kind &&
            row.role == role)
            return static_cast<int>(i);
    }
    return -1;
}

int findOptionRow(std::int32_t vendorId, std::int32_t productId, std::int32_t kind,
                  std::int32_t variant) {
    for (std::size_t i = 0; i < DeviceOptionTable.size(); ++i) {
        const auto& row = DeviceOptionTable[i];
        if (row.vendorId == vendorId && row.productId == productId && row.kind == kind &&
            row.variant == variant)
            return static_cast<int>(i);
    }
    return -1;
}

InterfaceSlots::InterfaceSlots() {
    slots_.reserve(SupportedInterfaceTable.size());
    for (const auto& row : SupportedInterfaceTable) {
        InterfaceSlot slot;
        static_cast<SupportedInterface&>(slot) = row;
        slots_.push_back(std::move(slot));
    }
}

bool InterfaceSlots::prematchPath(const InterfaceKey& key) const {
    bool rowFound = false;
    for (const auto& row : SupportedInterfaceTable)
        if (sameFour(row, key)) {
            rowFound = true;
            break;
        }
    if (!rowFound) return false;
    for (const auto& slot : slots_)
        if (slot.isFree() && sameFour(slot, key)) return true;
    return false;
}

std::optional<int> InterfaceSlots::claimInterface(InterfaceKey& key, const std::string& path) {
    const SupportedInterface* match = nullptr;
    for (const auto& row : SupportedInterfaceTable)
        if (sameSix(row, key)) {
            match = &row;
            break;
        }
    if (!match) return std::nullopt;
    key.kind = match->kind;
    key.role = match->role;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        InterfaceSlot& slot = slots_[i];
        if (slot.isFree() && sameSix(slot, key)) {
            slot.connected = 1;
            slot.devicePath = path;
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

bool InterfaceSlots::allSlotsClaimed() const {
    for (const auto& slot : slots_)
        if (slot.isFree()) return false;
    return true;
}

bool InterfaceSlots::releaseSlot(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= slots_.size()) return false;
    slots_[index].connected = 0;
    slots_[index].devicePath.clear();
    return true;
}

std::vector<int> InterfaceSlots::claimedSlots() const {
    std::vector<int> result;
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].connected) result.push_back(static_cast<int>(i));
    return result;
}

} // namespace quasar
