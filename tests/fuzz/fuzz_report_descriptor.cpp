// Report descriptors come from devices. The first two bytes give the descriptor length, the
// rest after the descriptor is a report to decode with every collection the parser found.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/hid/report_descriptor.h"

using namespace quasar::hid;

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

void exercise(const Collection& c, const std::uint8_t* report, std::size_t length) {
    check(c.linkCollectionNodes >= 1);
    for (std::size_t k = 0; k < kReportKinds; ++k) {
        const auto kind = static_cast<ReportKind>(k);
        const std::uint32_t byteLength = c.reportByteLength[k];
        check(byteLength <= kMaxReportBytes + 1);
        // Every record lies inside the report length the collection announces.
        for (const auto* caps : {&c.buttonCaps[k], &c.valueCaps[k]}) {
            if (!caps->empty()) check(byteLength >= 2);
            for (const CapRecord& r : *caps) {
                check(r.usageMin <= r.usageMax && r.usageMax <= 0xFFFF);
                check(r.bitSize >= 1 && r.bitSize <= 32);
                const std::uint64_t end = r.bitOffset + std::uint64_t(r.bitSize) * r.reportCount;
                check(end <= std::uint64_t(byteLength - 1) * 8);
                check(!c.reportIds.empty() || r.reportId == 0);
            }
        }
        const std::uint32_t max = maxUsageListLength(c, kind, 0);
        std::vector<std::uint16_t> usages(max);
        std::uint32_t count = max;
        std::int32_t status = getUsages(c, kind, 0, usages.data(), &count, report, length);
        check(count <= max);
        check(status != kStatusBufferTooSmall); // the maximum is the maximum
        // A usage may appear in several records; its value comes from the first one in the report.
        auto firstRecord = [&](std::uint16_t page, std::uint32_t usage) -> const CapRecord* {
            for (const CapRecord& o : c.valueCaps[k])
                if (o.usagePage == page && o.reportId == report[0] && o.usageMin <= usage &&
                    usage <= o.usageMax)
                    return &o;
            return nullptr;
        };
        for (const CapRecord& r : c.valueCaps[k]) {
            std::uint32_t raw = 0;
            std::int32_t scaled = 0;
            if (getUsageValue(c, kind, r.usagePage, static_cast<std::uint16_t>(r.usageMin), &raw,
                              report, length) == kStatusSuccess) {
                const CapRecord* first = firstRecord(r.usagePage, r.usageMin);
                check(first != nullptr);
                if (first->bitSize < 32) check(raw < (1u << first->bitSize));
            }
            if (getScaledUsageValue(c, kind, r.usagePage, static_cast<std::uint16_t>(r.usageMax),
                                    &scaled, report, length) == kStatusSuccess) {
                const CapRecord* first = firstRecord(r.usagePage, r.usageMax);
                check(first != nullptr);
                std::int64_t lo = first->physicalMin, hi = first->physicalMax;
                if (lo == 0 && hi == 0) lo = first->logicalMin, hi = first->logicalMax;
                check(scaled >= lo && scaled <= hi);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::size_t descriptorLength = std::min<std::size_t>(size - 2, data[0] | (data[1] << 8));
    const std::uint8_t* descriptor = data + 2;
    const std::uint8_t* report = descriptor + descriptorLength;
    const std::size_t reportLength = size - 2 - descriptorLength;

    ReportDescriptor parsed;
    std::string error;
    if (!parseReportDescriptor(descriptor, descriptorLength, parsed, &error)) {
        check(parsed.collections.empty() && !error.empty());
        return 0;
    }
    for (const Collection& c : parsed.collections) {
        // The report as a reader of this collection would get it: one of its ids in front.
        std::vector<std::uint8_t> buffer(report, report + reportLength);
        if (buffer.empty()) buffer.push_back(0);
        if (!c.reportIds.empty())
            buffer[0] = c.reportIds[buffer[0] % c.reportIds.size()];
        else
            buffer[0] = 0;
        exercise(c, buffer.data(), buffer.size());
    }
    return 0;
}
