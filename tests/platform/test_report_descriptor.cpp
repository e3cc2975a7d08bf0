#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hid_tree.h"
#include "platform/hid/report_descriptor.h"

namespace quasar::hid {
namespace {

using quasar::testing::Bytes;

ReportDescriptor parseOk(const Bytes& d) {
    ReportDescriptor r;
    std::string error;
    EXPECT_TRUE(parseReportDescriptor(d.data(), d.size(), r, &error)) << error;
    return r;
}

std::vector<std::uint16_t> usagesOf(const Collection& c, const Bytes& report,
                                    std::uint16_t page = 0, std::int32_t* status = nullptr) {
    std::vector<std::uint16_t> out(64);
    std::uint32_t n = static_cast<std::uint32_t>(out.size());
    std::int32_t s =
        getUsages(c, ReportKind::Input, page, out.data(), &n, report.data(), report.size());
    if (status) *status = s;
    out.resize(n);
    return out;
}

TEST(ReportDescriptor, KeyboardInterfaceCollections) {
    ReportDescriptor r = parseOk(testing::keyboardInterfaceDescriptor());
    ASSERT_EQ(r.collections.size(), 4u);
    EXPECT_TRUE(r.usesReportIds);
    struct Expect {
        std::uint16_t page, usage;
        std::uint8_t id;
        std::uint16_t in, out;
        std::size_t buttons, values;
    };
    const Expect want[] = {
        {0x01, 0x80, 1, 2, 0, 1, 0}, // 3 bits + 5 padding = 1 byte + id
        {0x0C, 0x01, 2, 5, 0, 1, 0}, // two 16-bit array fields
        {0x0C, 0x01, 3, 3, 0, 1, 0}, // one 16-bit array field
        {0xFF1C, 0x92, 4, 64, 64, 0, 1},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const Collection& c = r.collections[i];
        EXPECT_EQ(c.usagePage, want[i].page);
        EXPECT_EQ(c.usage, want[i].usage);
        EXPECT_EQ(c.reportIds, std::vector<std::uint8_t>{want[i].id});
        EXPECT_EQ(c.reportByteLength[0], want[i].in);
        EXPECT_EQ(c.reportByteLength[1], want[i].out);
        EXPECT_EQ(c.reportByteLength[2], 0);
        EXPECT_EQ(c.buttonCaps[0].size(), want[i].buttons);
        EXPECT_EQ(c.valueCaps[0].size(), want[i].values);
        EXPECT_EQ(c.linkCollectionNodes, 1);
    }
    // The event collection: a 0..FFFF usage array read as unsigned, the way Windows reads it.
    const CapRecord& ev = r.collections[2].buttonCaps[0][0];
    EXPECT_TRUE(ev.isArray);
    EXPECT_TRUE(ev.isRange);
    EXPECT_EQ(ev.usageMin, 0u);
    EXPECT_EQ(ev.usageMax, 0xFFFFu);
    EXPECT_EQ(ev.logicalMax, 0xFFFF);
    EXPECT_EQ(ev.bitSize, 16);
    EXPECT_EQ(ev.reportCount, 1);
    const CapRecord& vendor = r.collections[3].valueCaps[1][0];
    EXPECT_EQ(vendor.usagePage, 0xFF1C);
    EXPECT_EQ(vendor.usageMin, 2u);
    EXPECT_EQ(vendor.reportCount, 63);
    EXPECT_EQ(vendor.bitSize, 8);
}

TEST(ReportDescriptor, DecodesEventArrayAndBitFieldButtons) {
    ReportDescriptor r = parseOk(testing::keyboardInterfaceDescriptor());
    const Collection& system = r.collections[0];
    const Collection& media = r.collections[1];
    const Collection& events = r.collections[2];

    EXPECT_EQ(usagesOf(events, {0x03, 0x05, 0x05}), (std::vector<std::uint16_t>{0x0505}));
    EXPECT_EQ(usagesOf(events, {0x03, 0x03, 0x10}), (std::vector<std::uint16_t>{0x1003}));
    EXPECT_EQ(usagesOf(events, {0x03, 0xFF, 0xFF}), (std::vector<std::uint16_t>{0xFFFF}));
    EXPECT_EQ(usagesOf(media, {0x02, 0xE9, 0x00, 0xCD, 0x00}),
              (std::vector<std::uint16_t>{0xE9, 0xCD}));
    // 0x23D lies above the logical maximum: an empty slot, not a usage.
    EXPECT_EQ(usagesOf(media, {0x02, 0x3D, 0x02, 0xE2, 0x00}), (std::vector<std::uint16_t>{0xE2}));
    EXPECT_EQ(usagesOf(system, {0x01, 0b101}), (std::vector<std::uint16_t>{0x81, 0x83}));
    // Padding bits are no buttons.
    EXPECT_EQ(usagesOf(system, {0x01, 0xF8}), std::vector<std::uint16_t>{});
    EXPECT_EQ(maxUsageListLength(media, ReportKind::Input, 0x0C), 2u);
    EXPECT_EQ(maxUsageListLength(system, ReportKind::Input, 0x01), 3u);

    std::int32_t status = 0;
    usagesOf(events, {0x02, 0x05, 0x05}, 0, &status);
    EXPECT_EQ(status, kStatusIncompatibleReportId);
    usagesOf(events, {0x03, 0x05}, 0, &status); // one byte short
    EXPECT_EQ(status, kStatusInvalidReportLength);
    usagesOf(system, {0x01, 0x01}, 0x0C, &status);
    EXPECT_EQ(status, kStatusUsageNotFound);

    std::vector<std::uint16_t> one(1);
    std::uint32_t n = 1;
    Bytes two{0x02, 0xE9, 0x00, 0xCD, 0x00};
    EXPECT_EQ(getUsages(media, ReportKind::Input, 0, one.data(), &n, two.data(), two.size()),
              kStatusBufferTooSmall);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(one[0], 0xE9);
}

// A mouse-like collection without report ids: buttons, signed X/Y, a wheel with a physical range,
// an unsigned 12-bit value, and a value whose logical range is unusable.
// clang-format off
Bytes valueDescriptor() {
    return {
        0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00,  // mouse, pointer
        0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x03,
        0x81, 0x02, 0x75, 0x05, 0x95, 0x01, 0x81, 0x03,              // 3 buttons + padding
        0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02,
        0x81, 0x06,                                                  // X, Y: -127..127 relative
        0x09, 0x38, 0x15, 0x00, 0x25, 0x64, 0x35, 0x00, 0x45, 0x0A, 0x75, 0x08, 0x95, 0x01,
        0x81, 0x02,                                                  // wheel 0..100 -> 0..10
        0x09, 0x32, 0x15, 0x00, 0x26, 0xFF, 0x0F, 0x35, 0x00, 0x45, 0x00, 0x75, 0x0C, 0x95,
        0x01, 0x81, 0x02,                                            // Z 12 bits, no physical
        0x09, 0x33, 0x15, 0x05, 0x25, 0x05, 0x75, 0x04, 0x95, 0x01, 0x81, 0x02, // Rx: 5..5
        0xC0, 0xC0,
    };
}
// clang-format on

TEST(ReportDescriptor, RawAndScaledValues) {
    ReportDescriptor r = parseOk(valueDescriptor());
    ASSERT_EQ(r.collections.size(), 1u);
    const Collection& c = r.collections[0];
    EXPECT_FALSE(r.usesReportIds);
    EXPECT_TRUE(c.reportIds.empty());
    EXPECT_EQ(c.linkCollectionNodes, 2);
    // 1 + 2 + 1 + 12 bits + 4 bits = 6 data bytes, and the id byte Windows always counts.
    EXPECT_EQ(c.reportByteLength[0], 7);
    ASSERT_EQ(c.valueCaps[0].size(), 5u);
    EXPECT_EQ(c.valueCaps[0][0].linkCollection, 1);

    // Report as callers see it: id 0 in front. Buttons 1 and 3, X -1, Y 127, wheel 50, Z 0xABC,
    // Rx 5.
    const Bytes report{0x00, 0x05, 0xFF, 0x7F, 0x32, 0xBC, 0x5A};
    EXPECT_EQ(usagesOf(c, report, 0x09), (std::vector<std::uint16_t>{1, 3}));
    struct Case {
        std::uint16_t usage;
        std::uint32_t raw;
        std::int32_t scaledStatus;
        std::int32_t scaled;
    };
    const Case cases[] = {
        {0x30, 0xFF, kStatusSuccess, -1},     // sign-extended through the logical range
        {0x31, 0x7F, kStatusSuccess, 127},    // the logical maximum
        {0x38, 50, kStatusSuccess, 5},        // 0..100 onto 0..10
        {0x32, 0xABC, kStatusSuccess, 0xABC}, // no physical range: the logical one
        {0x33, 5, kStatusBadLogPhyValues, 0}, // logical minimum == maximum
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.usage);
        std::uint32_t raw = 0;
        std::int32_t scaled = 1234;
        EXPECT_EQ(
            getUsageValue(c, ReportKind::Input, 0x01, k.usage, &raw, report.data(), report.size()),
            kStatusSuccess);
        EXPECT_EQ(raw, k.raw);
        EXPECT_EQ(getScaledUsageValue(c, ReportKind::Input, 0x01, k.usage, &scaled, report.data(),
                                      report.size()),
                  k.scaledStatus);
        EXPECT_EQ(scaled, k.scaled);
    }
    std::uint32_t raw = 0;
    EXPECT_EQ(getUsageValue(c, ReportKind::Input, 0x01, 0x36, &raw, report.data(), report.size()),
              kStatusUsageNotFound);
    // X = -128 is outside -127..127.
    const Bytes outOfRange{0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00};
    std::int32_t scaled = 0;
    EXPECT_EQ(getScaledUsageValue(c, ReportKind::Input, 0x01, 0x30, &scaled, outOfRange.data(),
                                  outOfRange.size()),
              kStatusValueOutOfRange);
}

TEST(ReportDescriptor, GlobalStackUsageListsExtendedUsagesAndLongItems) {
    // clang-format off
    const Bytes d{
        0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x07,
        0xA4,                                     // push (Consumer page, id 7)
        0x05, 0x09, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01,
        0x09, 0x05, 0x09, 0x02, 0x0B, 0x03, 0x00, 0x01, 0x00, // usages 5, 2, extended 0001:0003
        0x95, 0x04, 0x81, 0x02,                  // 4 bit fields, last usage repeats
        0xB4,                                    // pop: back to the Consumer page
        0xFE, 0x02, 0x10, 0xAA, 0xBB,            // a long item: skipped
        0x09, 0xE9, 0x15, 0x00, 0x25, 0x7F, 0x75, 0x04, 0x95, 0x01, 0x81, 0x02,
        0xA1, 0x02, 0xA1, 0x02, 0xC0, 0xC0,      // nested logical collections
        0xC0,
    };
    // clang-format on
    ReportDescriptor r = parseOk(d);
    ASSERT_EQ(r.collections.size(), 1u);
    const Collection& c = r.collections[0];
    EXPECT_EQ(c.linkCollectionNodes, 3);
    EXPECT_EQ(c.reportByteLength[0], 2); // 4 + 4 bits, id byte
    ASSERT_EQ(c.buttonCaps[0].size(), 3u);
    EXPECT_EQ(c.buttonCaps[0][0].usagePage, 0x09);
    EXPECT_EQ(c.buttonCaps[0][2].usagePage, 0x01); // the extended usage carries its page
    EXPECT_EQ(c.buttonCaps[0][2].reportCount, 2);  // fields 3 and 4
    ASSERT_EQ(c.valueCaps[0].size(), 1u);
    EXPECT_EQ(c.valueCaps[0][0].usagePage, 0x0C); // pop restored the page
    EXPECT_EQ(c.valueCaps[0][0].reportId, 7);
    EXPECT_EQ(c.valueCaps[0][0].bitOffset, 4u);

    const Bytes report{0x07, 0b1011};
    EXPECT_EQ(usagesOf(c, report, 0), (std::vector<std::uint16_t>{5, 2, 3}));
    EXPECT_EQ(usagesOf(c, report, 0x09), (std::vector<std::uint16_t>{5, 2}));
    EXPECT_EQ(usagesOf(c, Bytes{0x07, 0b1100}, 0x01), (std::vector<std::uint16_t>{3, 3}));
}

TEST(ReportDescriptor, MalformedDescriptorsAreRefused) {
    const Bytes open{0x05, 0x01, 0x09, 0x02, 0xA1, 0x01};
    auto withOpen = [&](Bytes tail) {
        Bytes d = open;
        d.insert(d.end(), tail.begin(), tail.end());
        return d;
    };
    struct Case {
        const char* name;
        Bytes data;
    };
    // clang-format off
    std::vector<Case> cases = {
        {"truncated item", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x26, 0xFF}},
        {"truncated long item", withOpen({0xFE, 0x05, 0x10, 0x01})},
        {"unclosed collection", withOpen({0x75, 0x08, 0x95, 0x01, 0x81, 0x02})},
        {"end without collection", {0xC0}},
        {"pop without push", withOpen({0xB4, 0xC0})},
        {"report id 0", withOpen({0x85, 0x00, 0xC0})},
        {"report id above 255", withOpen({0x86, 0x00, 0x01, 0xC0})},
        {"ids after unnumbered report", withOpen({0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x85, 0x01, 0xC0})},
        {"field of 64 bits", withOpen({0x75, 0x40, 0x95, 0x01, 0x81, 0x02, 0xC0})},
        {"report count absurd", withOpen({0x75, 0x01, 0x97, 0xA0, 0x86, 0x01, 0x00, 0x81, 0x02, 0xC0})},
        {"report too long", withOpen({0x75, 0x20, 0x96, 0x01, 0x10, 0x81, 0x02, 0xC0})},
        {"usage minimum above maximum", withOpen({0x19, 0x05, 0x29, 0x01, 0xC0})},
        {"report item outside a collection", {0x75, 0x08, 0x95, 0x01, 0x81, 0x02}},
    };
    // clang-format on
    Bytes deep;
    for (int i = 0; i < 40; ++i)
        deep.insert(deep.end(), {0xA1, 0x00});
    for (int i = 0; i < 40; ++i)
        deep.push_back(0xC0);
    cases.push_back({"collections nested too deep", deep});
    Bytes pushes = open;
    for (int i = 0; i < 40; ++i)
        pushes.push_back(0xA4);
    cases.push_back({"push too deep", pushes});
    Bytes huge(kMaxDescriptorBytes + 1, 0x00); // refused for its size alone
    cases.push_back({"descriptor too large", huge});

    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ReportDescriptor r;
        r.collections.resize(2);
        std::string error;
        EXPECT_FALSE(parseReportDescriptor(k.data.data(), k.data.size(), r, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(r.collections.empty()); // nothing half understood is handed out
    }
    // An empty descriptor is well formed and has no collection.
    ReportDescriptor empty;
    EXPECT_TRUE(parseReportDescriptor(nullptr, 0, empty));
    EXPECT_TRUE(empty.collections.empty());
}

TEST(ReportDescriptor, ExtractBitsStaysInsideTheReport) {
    const Bytes report{0x00, 0x34, 0x12, 0xFF};
    std::uint32_t v = 0;
    EXPECT_TRUE(extractBits(report.data(), report.size(), 0, 16, &v));
    EXPECT_EQ(v, 0x1234u);
    EXPECT_TRUE(extractBits(report.data(), report.size(), 4, 12, &v));
    EXPECT_EQ(v, 0x123u);
    EXPECT_TRUE(extractBits(report.data(), report.size(), 23, 1, &v));
    EXPECT_EQ(v, 1u);
    EXPECT_FALSE(extractBits(report.data(), report.size(), 17, 8, &v));
    EXPECT_FALSE(extractBits(report.data(), report.size(), 0xFFFFFFF0u, 32, &v));
    EXPECT_FALSE(extractBits(report.data(), 0, 0, 1, &v));
}

} // namespace
} // namespace quasar::hid
