#include "platform/hid/report_descriptor.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace quasar::hid {

bool Collection::ownsReportId(std::uint8_t id) const {
    return std::find(reportIds.begin(), reportIds.end(), id) != reportIds.end();
}

namespace {

// Item tags (prefix byte without its size bits).
enum : std::uint8_t {
    kMainInput = 0x80,
    kMainOutput = 0x90,
    kMainCollection = 0xA0,
    kMainFeature = 0xB0,
    kMainEndCollection = 0xC0,
    kGlobalUsagePage = 0x04,
    kGlobalLogicalMin = 0x14,
    kGlobalLogicalMax = 0x24,
    kGlobalPhysicalMin = 0x34,
    kGlobalPhysicalMax = 0x44,
    kGlobalUnitExponent = 0x54,
    kGlobalUnit = 0x64,
    kGlobalReportSize = 0x74,
    kGlobalReportId = 0x84,
    kGlobalReportCount = 0x94,
    kGlobalPush = 0xA4,
    kGlobalPop = 0xB4,
    kLocalUsage = 0x08,
    kLocalUsageMin = 0x18,
    kLocalUsageMax = 0x28,
    kLongItem = 0xFE,
};

enum : std::uint32_t {
    kFlagConstant = 0x01,
    kFlagVariable = 0x02,
    kFlagRelative = 0x04,
    kFlagNullState = 0x40
};

// An item's data as both readings: logical and physical maxima are unsigned when the minimum is
// not negative (a two-byte 0xFFFF maximum over a minimum of 0 means 65535, not -1).
struct Number {
    std::uint32_t u = 0;
    std::int32_t s = 0;
};

struct Globals {
    std::uint16_t usagePage = 0;
    Number logicalMin, logicalMax, physicalMin, physicalMax;
    std::uint32_t unit = 0;
    std::int32_t unitExponent = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

struct UsageEntry {
    bool hasPage = false; // extended (four-byte) usage carrying its own page
    std::uint16_t page = 0;
    std::uint32_t min = 0, max = 0;
    bool isRange = false;
};

struct Locals {
    std::vector<UsageEntry> usages;
    std::optional<std::pair<std::uint32_t, unsigned>> usageMin; // value, data size
    std::optional<std::pair<std::uint32_t, unsigned>> usageMax;
};

std::int32_t resolveMax(const Number& min, const Number& max) {
    if (min.s >= 0) return max.u > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<std::int32_t>(max.u);
    return max.s;
}

class Parser {
public:
    Parser(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool run(ReportDescriptor& out, std::string& error) {
        if (size_ > kMaxDescriptorBytes) return fail(error, "descriptor too large");
        std::size_t pos = 0;
        while (pos < size_) {
            std::uint8_t prefix = data_[pos];
            if (prefix == kLongItem) {
                if (pos + 3 > size_) return fail(error, "truncated long item");
                std::size_t len = data_[pos + 1];
                if (pos + 3 + len > size_) return fail(error, "truncated long item");
                pos += 3 + len; // long items carry nothing we use
                continue;
            }
            unsigned dataSize = prefix & 3u;
            if (dataSize == 3) dataSize = 4;
            if (pos + 1 + dataSize > size_) return fail(error, "truncated item");
            std::uint32_t u = 0;
            for (unsigned i = 0; i < dataSize; ++i)
                u |= static_cast<std::uint32_t>(data_[pos + 1 + i]) << (8 * i);
            Number n;
            n.u = u;
            if (dataSize == 1)
                n.s = static_cast<std::int8_t>(u);
            else if (dataSize == 2)
                n.s = static_cast<std::int16_t>(u);
            else
                n.s = static_cast<std::int32_t>(u);
            pos += 1 + dataSize;

            std::uint8_t tag = prefix & 0xFCu;
            switch ((prefix >> 2) & 3u) {
            case 0:
                if (!mainItem(tag, n.u, error)) return false;
                break;
            case 1:
                if (!globalItem(tag, n, dataSize, error)) return false;
                break;
            case 2:
                if (!localItem(tag, n.u, dataSize, error)) return false;
                break;
            default:
                break; // reserved short items are skipped
            }
        }
        if (depth_ != 0) return fail(error, "unbalanced collections");
        finish();
        out = std::move(result_);
        return true;
    }

private:
    static bool fail(std::string& error, const char* why) {
        error = why;
        return false;
    }

    bool globalItem(std::uint8_t tag, const Number& n, unsigned dataSize, std::string& error) {
        switch (tag) {
        case kGlobalUsagePage:
            globals_.usagePage = static_cast<std::uint16_t>(n.u);
            break;
        case kGlobalLogicalMin:
            globals_.logicalMin = n;
            break;
        case kGlobalLogicalMax:
            globals_.logicalMax = n;
            break;
        case kGlobalPhysicalMin:
            globals_.physicalMin = n;
            break;
        case kGlobalPhysicalMax:
            globals_.physicalMax = n;
            break;
        case kGlobalUnitExponent:
            globals_.unitExponent = n.s;
            break;
        case kGlobalUnit:
            globals_.unit = n.u;
            break;
        case kGlobalReportSize:
            globals_.reportSize = n.u;
            break;
        case kGlobalReportCount:
            globals_.reportCount = n.u;
            break;
        case kGlobalReportId:
            if (dataSize == 0 || n.u == 0 || n.u > 255) return fail(error, "invalid report id");
            if (mainWithoutId_) return fail(error, "report id after reports without one");
            globals_.reportId = static_cast<std::uint8_t>(n.u);
            usesIds_ = true;
            break;
        case kGlobalPush:
            if (stack_.size() >= kMaxPushDepth) return fail(error, "push too deep");
            stack_.push_back(globals_);
            break;
        case kGlobalPop:
            if (stack_.empty()) return fail(error, "pop without push");
            globals_ = stack_.back();
            stack_.pop_back();
            break;
        default:
            break;
        }
        return true;
    }

    bool pushUsage(const UsageEntry& e, std::string& error) {
        if (locals_.usages.size() >= kMaxUsagesPerItem) return fail(error, "too many usages");
        locals_.usages.push_back(e);
        return true;
    }

    bool completeRange(std::string& error) {
        auto [minValue, minSize] = *locals_.usageMin;
        auto [maxValue, maxSize] = *locals_.usageMax;
        locals_.usageMin.reset();
        locals_.usageMax.reset();
        UsageEntry e;
        e.isRange = true;
        if (minSize == 4 || maxSize == 4) {
            std::uint16_t minPage = minSize == 4 ? static_cast<std::uint16_t>(minValue >> 16) : 0;
            std::uint16_t maxPage = maxSize == 4 ? static_cast<std::uint16_t>(maxValue >> 16) : 0;
            if (minSize == 4 && maxSize == 4 && minPage != maxPage)
                return fail(error, "usage range across pages");
            e.hasPage = true;
            e.page = minSize == 4 ? minPage : maxPage;
        }
        e.min = minValue & 0xFFFFu;
        e.max = maxValue & 0xFFFFu;
        if (e.min > e.max) return fail(error, "usage minimum above maximum");
        return pushUsage(e, error);
    }

    bool localItem(std::uint8_t tag, std::uint32_t u, unsigned dataSize, std::string& error) {
        switch (tag) {
        case kLocalUsage: {
            UsageEntry e;
            if (dataSize == 4) {
                e.hasPage = true;
                e.page = static_cast<std::uint16_t>(u >> 16);
            }
            e.min = e.max = u & 0xFFFFu;
            return pushUsage(e, error);
        }
        case kLocalUsageMin:
            locals_.usageMin = std::make_pair(u, dataSize);
            if (locals_.usageMax) return completeRange(error);
            break;
        case kLocalUsageMax:
            locals_.usageMax = std::make_pair(u, dataSize);
            if (locals_.usageMin) return completeRange(error);
            break;
        default:
            break; // designators, strings and delimiters do not change the layout
        }
        return true;
    }

    // Usage entries of the item with their pages resolved; a lone minimum or maximum counts as
    // a single usage.
    bool takeUsages(std::vector<UsageEntry>& usages, std::string& error) {
        for (auto* lone : {&locals_.usageMin, &locals_.usageMax}) {
            if (!*lone) continue;
            UsageEntry e;
            auto [value, size] = **lone;
            if (size == 4) {
                e.hasPage = true;
                e.page = static_cast<std::uint16_t>(value >> 16);
            }
            e.min = e.max = value & 0xFFFFu;
            if (!pushUsage(e, error)) return false;
        }
        usages = std::move(locals_.usages);
        for (UsageEntry& e : usages)
            if (!e.hasPage) e.page = globals_.usagePage;
        locals_ = Locals{};
        return true;
    }

    bool mainItem(std::uint8_t tag, std::uint32_t flags, std::string& error) {
        std::vector<UsageEntry> usages;
        if (!takeUsages(usages, error)) return false;
        switch (tag) {
        case kMainCollection: {
            if (depth_ >= kMaxCollectionDepth) return fail(error, "collections nested too deep");
            if (depth_ == 0) {
                Collection c;
                if (!usages.empty()) {
                    c.usagePage = usages.front().page;
                    c.usage = static_cast<std::uint16_t>(usages.front().min);
                } else {
                    c.usagePage = globals_.usagePage;
                }
                c.linkCollectionNodes = 1;
                result_.collections.push_back(std::move(c));
                kindIds_.emplace_back();
                linkStack_.assign(1, 0);
            } else {
                Collection& top = result_.collections.back();
                if (top.linkCollectionNodes == 0xFFFF) return fail(error, "too many collections");
                linkStack_.push_back(top.linkCollectionNodes++);
            }
            ++depth_;
            return true;
        }
        case kMainEndCollection:
            if (depth_ == 0) return fail(error, "end collection without collection");
            --depth_;
            linkStack_.pop_back();
            return true;
        case kMainInput:
            return reportItem(ReportKind::Input, flags, usages, error);
        case kMainOutput:
            return reportItem(ReportKind::Output, flags, usages, error);
        case kMainFeature:
            return reportItem(ReportKind::Feature, flags, usages, error);
        default:
            return true; // reserved main items
        }
    }

    bool reportItem(ReportKind kind, std::uint32_t flags, const std::vector<UsageEntry>& usages,
                    std::string& error) {
        if (depth_ == 0) return fail(error, "report item outside a collection");
        if (usesIds_ && globals_.reportId == 0) return fail(error, "report item without report id");
        if (!usesIds_) mainWithoutId_ = true;
        const std::uint32_t size = globals_.reportSize;
        const std::uint32_t count = globals_.reportCount;
        const bool constant = flags & kFlagConstant;
        if (count > kMaxReportCount) return fail(error, "report count too large");
        if (size > (constant ? kMaxReportBytes * 8 : kMaxFieldBits))
            return fail(error, "report size too large");
        const std::size_t k = static_cast<std::size_t>(kind);
        std::uint32_t& used = bitsUsed_[k][globals_.reportId];
        const std::uint64_t bits = static_cast<std::uint64_t>(size) * count;
        if (used + bits > kMaxReportBytes * 8) return fail(error, "report too long");
        const std::uint32_t offset = used;
        used += static_cast<std::uint32_t>(bits);

        Collection& top = result_.collections.back();
        auto& ids = kindIds_.back()[k];
        if (std::find(ids.begin(), ids.end(), globals_.reportId) == ids.end())
            ids.push_back(globals_.reportId);
        if (usesIds_ && !top.ownsReportId(globals_.reportId))
            top.reportIds.push_back(globals_.reportId);

        if (constant || bits == 0) return true; // padding has no capabilities

        CapRecord base;
        base.reportId = globals_.reportId;
        base.logicalMin = globals_.logicalMin.s;
        base.logicalMax = resolveMax(globals_.logicalMin, globals_.logicalMax);
        base.physicalMin = globals_.physicalMin.s;
        base.physicalMax = resolveMax(globals_.physicalMin, globals_.physicalMax);
        base.unit = globals_.unit;
        base.unitExponent = globals_.unitExponent;
        base.bitSize = static_cast<std::uint16_t>(size);
        base.bitField = flags & 0x1FFu;
        base.isArray = !(flags & kFlagVariable);
        base.hasNull = flags & kFlagNullState;
        base.isAbsolute = !(flags & kFlagRelative);
        base.linkCollection = linkStack_.back();
        const bool button = base.isArray || size == 1;
        auto& caps = button ? top.buttonCaps[k] : top.valueCaps[k];

        std::vector<UsageEntry> list = usages;
        if (list.empty()) {
            UsageEntry none;
            none.page = globals_.usagePage;
            list.push_back(none);
        }
        if (base.isArray) {
            std::uint32_t index = 0;
            for (const UsageEntry& e : list) {
                if (totalCaps_ >= kMaxCaps) return fail(error, "too many capabilities");
                CapRecord r = base;
                r.usagePage = e.page;
                r.isRange = e.isRange;
                r.usageMin = e.min;
                r.usageMax = e.max;
                r.reportCount = static_cast<std::uint16_t>(count);
                r.bitOffset = offset;
                r.arrayIndexBase = index;
                index += e.max - e.min + 1;
                caps.push_back(r);
                ++totalCaps_;
            }
            buttonFields_ += count;
            if (buttonFields_ > kMaxButtonFields) return fail(error, "too many button fields");
            return true;
        }
        // Variable item: the usages are given to the fields in order; the last usage (or the
        // top of the last range) also names every field left over.
        std::uint32_t field = 0;
        for (std::size_t i = 0; i < list.size() && field < count; ++i) {
            const UsageEntry& e = list[i];
            const bool last = i + 1 == list.size();
            std::uint32_t span = e.max - e.min + 1;
            std::uint32_t take = last ? count - field : std::min(span, count - field);
            if (totalCaps_ >= kMaxCaps) return fail(error, "too many capabilities");
            CapRecord r = base;
            r.usagePage = e.page;
            r.isRange = e.isRange;
            r.usageMin = e.min;
            r.usageMax = e.isRange ? std::min(e.max, e.min + take - 1) : e.min;
            r.reportCount = static_cast<std::uint16_t>(take);
            r.bitOffset = offset + field * size;
            caps.push_back(r);
            ++totalCaps_;
            field += take;
            if (button)
                buttonFields_ += take;
            else
                valueUsages_ += r.usageMax - r.usageMin + 1;
        }
        if (buttonFields_ > kMaxButtonFields) return fail(error, "too many button fields");
        if (valueUsages_ > kMaxValueUsages) return fail(error, "too many value usages");
        return true;
    }

    void finish() {
        result_.usesReportIds = usesIds_;
        for (std::size_t c = 0; c < result_.collections.size(); ++c) {
            Collection& col = result_.collections[c];
            if (!usesIds_) col.reportIds.clear();
            for (std::size_t k = 0; k < kReportKinds; ++k) {
                std::uint32_t bytes = 0;
                bool any = false;
                for (std::uint8_t id : kindIds_[c][k]) {
                    any = true;
                    bytes = std::max(bytes, (bitsUsed_[k][id] + 7) / 8);
                }
                // Windows counts the id byte whether or not the device numbers its reports.
                col.reportByteLength[k] = any ? static_cast<std::uint16_t>(bytes + 1) : 0;
            }
        }
    }

    const std::uint8_t* data_;
    std::size_t size_;
    Globals globals_;
    Locals locals_;
    std::vector<Globals> stack_;
    unsigned depth_ = 0;
    bool usesIds_ = false;
    bool mainWithoutId_ = false;
    std::size_t totalCaps_ = 0;
    std::size_t buttonFields_ = 0;
    std::size_t valueUsages_ = 0;
    std::vector<std::uint16_t> linkStack_;
    std::array<std::map<std::uint8_t, std::uint32_t>, kReportKinds> bitsUsed_;
    std::vector<std::array<std::vector<std::uint8_t>, kReportKinds>> kindIds_;
    ReportDescriptor result_;
};

std::int32_t signExtend(std::uint32_t raw, std::uint16_t bits) {
    if (bits == 0 || bits >= 32) return static_cast<std::int32_t>(raw);
    std::uint32_t sign = 1u << (bits - 1);
    return static_cast<std::int32_t>((raw ^ sign) - sign);
}

bool matchesReport(const CapRecord& r, const std::uint8_t* report, std::size_t length) {
    return length >= 1 && r.reportId == report[0];
}

// Finds the value record of usage in the report; *field is the field index within it.
std::int32_t findValue(const Collection& c, ReportKind kind, std::uint16_t usagePage,
                       std::uint16_t usage, const std::uint8_t* report, std::size_t length,
                       const CapRecord** found, std::uint32_t* field) {
    if (length < 1) return kStatusInvalidReportLength;
    bool elsewhere = false;
    for (const CapRecord& r : c.valueCaps[static_cast<std::size_t>(kind)]) {
        if (r.usagePage != usagePage || usage < r.usageMin || usage > r.usageMax) continue;
        if (!matchesReport(r, report, length)) {
            elsewhere = true;
            continue;
        }
        *found = &r;
        *field = r.isRange ? usage - r.usageMin : 0;
        return kStatusSuccess;
    }
    return elsewhere ? kStatusIncompatibleReportId : kStatusUsageNotFound;
}

} // namespace

bool parseReportDescriptor(const std::uint8_t* data, std::size_t size, ReportDescriptor& out,
                           std::string* error) {
    out = ReportDescriptor{};
    std::string why;
    if (!data && size != 0) {
        if (error) *error = "no data";
        return false;
    }
    Parser parser(data, size);
    if (!parser.run(out, why)) {
        out = ReportDescriptor{};
        if (error) *error = why;
        return false;
    }
    return true;
}

bool extractBits(const std::uint8_t* report, std::size_t reportLength, std::uint32_t bitOffset,
                 std::uint16_t bitSize, std::uint32_t* value) {
    if (bitSize == 0 || bitSize > 32 || reportLength < 1) return false;
    const std::uint64_t end = static_cast<std::uint64_t>(bitOffset) + bitSize;
    if ((end + 7) / 8 > reportLength - 1) return false;
    const std::uint8_t* data = report + 1;
    std::uint64_t acc = 0;
    std::uint32_t firstByte = bitOffset / 8;
    std::uint32_t lastByte = static_cast<std::uint32_t>((end - 1) / 8);
    for (std::uint32_t b = lastByte + 1; b-- > firstByte;)
        acc = (acc << 8) | data[b];
    acc >>= bitOffset % 8;
    if (bitSize < 32) acc &= (1ull << bitSize) - 1;
    *value = static_cast<std::uint32_t>(acc);
    return true;
}

std::uint32_t maxUsageListLength(const Collection& c, ReportKind kind, std::uint16_t usagePage) {
    std::uint32_t total = 0;
    // The records of one array item share its fields (same report and offset): count them once.
    std::vector<std::pair<std::uint8_t, std::uint32_t>> arrays;
    for (const CapRecord& r : c.buttonCaps[static_cast<std::size_t>(kind)]) {
        if (usagePage != 0 && r.usagePage != usagePage) continue;
        if (r.isArray) {
            auto key = std::make_pair(r.reportId, r.bitOffset);
            if (std::find(arrays.begin(), arrays.end(), key) != arrays.end()) continue;
            arrays.push_back(key);
        }
        total += r.reportCount;
    }
    return total;
}

std::int32_t getUsages(const Collection& c, ReportKind kind, std::uint16_t usagePage,
                       std::uint16_t* usages, std::uint32_t* length, const std::uint8_t* report,
                       std::size_t reportLength) {
    const std::uint32_t capacity = *length;
    *length = 0;
    if (reportLength < 1) return kStatusInvalidReportLength;
    bool anyInReport = false, anyOnPage = false, tooSmall = false;
    auto add = [&](std::uint32_t usage) {
        if (*length < capacity)
            usages[(*length)++] = static_cast<std::uint16_t>(usage);
        else
            tooSmall = true;
    };
    for (const CapRecord& r : c.buttonCaps[static_cast<std::size_t>(kind)]) {
        if (!matchesReport(r, report, reportLength)) continue;
        anyInReport = true;
        if (usagePage != 0 && r.usagePage != usagePage) continue;
        anyOnPage = true;
        for (std::uint32_t i = 0; i < r.reportCount; ++i) {
            std::uint32_t raw = 0;
            if (!extractBits(report, reportLength, r.bitOffset + i * r.bitSize, r.bitSize, &raw))
                return kStatusInvalidReportLength;
            if (r.isArray) {
                std::int64_t v = r.logicalMin < 0 ? signExtend(raw, r.bitSize) : raw;
                if (v < r.logicalMin || v > r.logicalMax) continue; // empty slot
                std::int64_t index = v - r.logicalMin - r.arrayIndexBase;
                if (index < 0 || index > static_cast<std::int64_t>(r.usageMax - r.usageMin))
                    continue;
                add(r.usageMin + static_cast<std::uint32_t>(index));
            } else if (raw != 0) {
                add(r.isRange ? std::min(r.usageMin + i, r.usageMax) : r.usageMin);
            }
        }
    }
    if (!anyInReport) return kStatusIncompatibleReportId;
    if (!anyOnPage) return kStatusUsageNotFound;
    return tooSmall ? kStatusBufferTooSmall : kStatusSuccess;
}

std::int32_t getUsageValue(const Collection& c, ReportKind kind, std::uint16_t usagePage,
                           std::uint16_t usage, std::uint32_t* value, const std::uint8_t* report,
                           std::size_t reportLength) {
    const CapRecord* r = nullptr;
    std::uint32_t field = 0;
    std::int32_t status = findValue(c, kind, usagePage, usage, report, reportLength, &r, &field);
    if (status != kStatusSuccess) return status;
    if (!extractBits(report, reportLength, r->bitOffset + field * r->bitSize, r->bitSize, value))
        return kStatusInvalidReportLength;
    return kStatusSuccess;
}

std::int32_t getScaledUsageValue(const Collection& c, ReportKind kind, std::uint16_t usagePage,
                                 std::uint16_t usage, std::int32_t* value,
                                 const std::uint8_t* report, std::size_t reportLength) {
    *value = 0;
    const CapRecord* r = nullptr;
    std::uint32_t field = 0;
    std::int32_t status = findValue(c, kind, usagePage, usage, report, reportLength, &r, &field);
    if (status != kStatusSuccess) return status;
    std::uint32_t raw = 0;
    if (!extractBits(report, reportLength, r->bitOffset + field * r->bitSize, r->bitSize, &raw))
        return kStatusInvalidReportLength;
    const std::int64_t lmin = r->logicalMin, lmax = r->logicalMax;
    if (lmin >= lmax) return kStatusBadLogPhyValues;
    std::int64_t pmin = r->physicalMin, pmax = r->physicalMax;
    if (pmin == 0 && pmax == 0) {
        pmin = lmin;
        pmax = lmax;
    }
    if (pmin >= pmax) return kStatusBadLogPhyValues;
    const std::int64_t v = lmin < 0 ? signExtend(raw, r->bitSize) : static_cast<std::int64_t>(raw);
    if (v < lmin || v > lmax) return r->hasNull ? kStatusNullValue : kStatusValueOutOfRange;
    *value = static_cast<std::int32_t>((v - lmin) * (pmax - pmin) / (lmax - lmin) + pmin);
    return kStatusSuccess;
}

} // namespace quasar::hid
