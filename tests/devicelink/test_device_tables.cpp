// Matching and claiming of interfaces against the supported device table, on the numbers the
// discovery pass gets from a path and from the probed interface.

#include <gtest/gtest.h>

#include "devicelink/device_tables.h"

namespace quasar {
namespace {

// What a probe of the path would report: the path's own ids plus the collection's usage.
InterfaceKey probedKey(const std::string& path, std::uint16_t usagePage, std::uint16_t usage) {
    InterfaceKey key = keyFromPath(path);
    key.usagePage = usagePage;
    key.usage = usage;
    return key;
}

TEST(DeviceTables, PartnerRowsPointAtEachOtherAcrossModes) {
    for (std::size_t i = 0; i < SupportedInterfaceTable.size(); ++i) {
        const auto& row = SupportedInterfaceTable[i];
        EXPECT_EQ(row.connected, 0) << i;
        if (!row.hasPartner) continue;
        const auto& partner = SupportedInterfaceTable.at(row.partnerRow);
        EXPECT_EQ(partner.partnerRow, i) << i;
        EXPECT_EQ(partner.role, row.role) << i;
        EXPECT_NE(isReceiverKind(partner.kind), isReceiverKind(row.kind)) << i;
        EXPECT_EQ(partner.collectionNumber, row.collectionNumber) << i;
    }
}

TEST(DeviceTables, RowLookups) {
    struct Case {
        std::uint16_t vid, pid, kind, role;
        int row;
    } cases[] = {
        {0x320F, 0x5064, 1, 0, 0},   {0x320F, 0x5064, 1, 255, 1},  {0x320F, 0x5001, 9, 0, 2},
        {0x320F, 0x221D, 6, 255, 7}, {0x320F, 0x1004, 3, 0, 8},    {0x0C76, 0x1630, 7, 0, 10},
        {0x320F, 0x5064, 9, 0, -1},  {0x0C76, 0x1630, 7, 255, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findInterfaceRow(c.vid, c.pid, c.kind, c.role), c.row)
            << std::hex << c.vid << ":" << c.pid << " kind " << c.kind << " role " << c.role;

    // A receiver mouse looks its class up with its cable partner's ids and kind 2; a receiver
    // keyboard (kind 9) has no option row of its own.
    const auto& receiverMouse = SupportedInterfaceTable[6];
    const auto& cableMouse = SupportedInterfaceTable[receiverMouse.partnerRow];
    EXPECT_EQ(findOptionRow(cableMouse.vendorId, cableMouse.productId, 2, 0), 0);
    EXPECT_EQ(findOptionRow(0x320F, 0x5064, 1, 0), 1);
    EXPECT_EQ(findOptionRow(0x320F, 0x1004, 3, 0), 2);
    EXPECT_EQ(findOptionRow(0x0C76, 0x1630, 7, 0), 3);
    EXPECT_EQ(findOptionRow(0x320F, 0x5001, 9, 0), -1);
    EXPECT_EQ(findOptionRow(0x320F, 0x5064, 1, 1), -1);
    EXPECT_STREQ(DeviceOptionTable[3].className, "HD");
    EXPECT_EQ(DeviceViewTable[1].lightCount, 170);
}

TEST(DeviceTables, PathsClaimTheirRows) {
    struct Case {
        const char* path;
        std::uint16_t usagePage, usage;
        bool prematch;
        int slot; // -1: nothing claimed
        std::uint16_t kind, role;
    } cases[] = {
        {"/dev/hidraw3#vid_320f&pid_5064&mi_01&col04", 0xFF1C, 0x0092, true, 0, 1, 0},
        {"/dev/hidraw3#VID_320F&PID_5064&MI_01&COL03", 0x000C, 0x0001, true, 1, 1, 255},
        // The receiver keyboard's command interface: row 2, kind 9, partner row 0.
        {"/dev/hidraw5#vid_320f&pid_5001&mi_01&col04", 0xFF1C, 0x0092, true, 2, 9, 0},
        // The headset has a single collection: no "&col" part, collection 0.
        {"/dev/hidraw9#vid_0c76&pid_1630&mi_03", 0x000C, 0x0001, true, 10, 7, 0},
        // The keyboard's system-control collection: not in the table, never opened.
        {"/dev/hidraw3#vid_320f&pid_5064&mi_01&col01", 0x0001, 0x0080, false, -1, 0, 0},
        // Right numbers in the path, but the probed collection is another one.
        {"/dev/hidraw7#vid_320f&pid_221c&mi_01&col04", 0x000C, 0x0001, true, -1, 0, 0},
        {"/dev/hidraw8#vid_1234&pid_5678&mi_00", 0x0001, 0x0006, false, -1, 0, 0},
    };
    InterfaceSlots slots;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        InterfaceKey key = probedKey(c.path, c.usagePage, c.usage);
        EXPECT_EQ(slots.prematchPath(key), c.prematch);
        auto slot = slots.claimInterface(key, c.path);
        if (c.slot < 0) {
            EXPECT_FALSE(slot.has_value());
            continue;
        }
        ASSERT_TRUE(slot.has_value());
        EXPECT_EQ(*slot, c.slot);
        EXPECT_EQ(key.kind, c.kind);
        EXPECT_EQ(key.role, c.role);
        EXPECT_EQ(slots[*slot].connected, 1);
        EXPECT_EQ(slots[*slot].devicePath, c.path);
    }
    EXPECT_EQ(slots[2].partnerRow, 0);
    EXPECT_EQ(slots.claimedSlots(), (std::vector<int>{0, 1, 2, 10}));
}

TEST(DeviceTables, ASecondKeyboardFindsItsRowsTakenUntilTheFirstLeaves) {
    InterfaceSlots slots;
    const std::string first = "/dev/hidraw1#vid_320f&pid_5064&mi_01&col04";
    const std::string second = "/dev/hidraw6#vid_320f&pid_5064&mi_01&col04";
    InterfaceKey key = probedKey(first, 0xFF1C, 0x0092);
    ASSERT_EQ(slots.claimInterface(key, first), 0);

    InterfaceKey other = probedKey(second, 0xFF1C, 0x0092);
    EXPECT_FALSE(slots.prematchPath(other));
    EXPECT_FALSE(slots.claimInterface(other, second).has_value());
    EXPECT_EQ(slots[0].devicePath, first);

    EXPECT_TRUE(slots.releaseSlot(0));
    EXPECT_TRUE(slots[0].isFree());
    EXPECT_FALSE(slots.releaseSlot(11));
    EXPECT_TRUE(slots.prematchPath(other));
    EXPECT_EQ(slots.claimInterface(other, second), 0);
}

TEST(DeviceTables, AllSlotsClaimedOnlyWhenEveryRowIsTaken) {
    InterfaceSlots slots;
    for (std::size_t i = 0; i < SupportedInterfaceTable.size(); ++i) {
        EXPECT_FALSE(slots.allSlotsClaimed()) << i;
        const auto& row = SupportedInterfaceTable[i];
        InterfaceKey key{row.vendorId,
                         row.productId,
                         row.interfaceNumber,
                         row.collectionNumber,
                         row.usagePage,
                         row.usage,
                         0,
                         0};
        ASSERT_EQ(slots.claimInterface(key, "/dev/hidraw" + std::to_string(i)),
                  static_cast<int>(i));
    }
    EXPECT_TRUE(slots.allSlotsClaimed());
    slots.releaseSlot(4);
    EXPECT_FALSE(slots.allSlotsClaimed());
}

} // namespace
} // namespace quasar
