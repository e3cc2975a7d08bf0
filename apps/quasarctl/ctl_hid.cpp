// quasarctl hid: every HID interface the system sees, supported or not, as the program's HID
// layer understands it (paths, ids, collections, report lengths, whether it opens), and the
// input reports of one interface. For diagnosing permissions, descriptors and event codes.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <json/value.h>
#include <json/writer.h>

#include "apps/quasarctl/ctl.h"
#include "platform/hid/hid_device.h"

namespace quasarctl {

namespace {

using namespace quasar;

constexpr const char* kHidUsage =
    "hid [--json]           every HID interface: ids, usage page and usage, report lengths,\n"
    "                       whether it opens for reading\n"
    "  hid read PATH [COUNT] [--timeout MS]\n"
    "                       print COUNT (default 1) input reports of PATH in hex with the first\n"
    "                       usage they decode to (default time-out 10000 ms per report)";

std::string hex4(unsigned value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04x", value & 0xFFFFu);
    return buf;
}

int listInterfaces(bool json) {
    HidDevice enumerator;
    if (!enumerator.enumerateInterfaces()) return fail("cannot list the HID interfaces");
    Json::Value list(Json::arrayValue);
    HidDevice probe;
    while (auto path = enumerator.nextInterfacePath()) {
        Json::Value row;
        row["path"] = *path;
        bool opens = probe.open(*path, true, false, true, false);
        int error = probe.lastOpenError();
        // An interface that exists but cannot be read (permissions) still shows what it is.
        if (!opens) probe.open(*path, false, false, false, false);
        row["opens"] = opens;
        row["error"] = opens ? "" : std::strerror(error);
        if (probe.isOpen()) {
            row["vendorId"] = hex4(probe.attributes().vendorId);
            row["productId"] = hex4(probe.attributes().productId);
            row["version"] = hex4(probe.attributes().versionNumber);
            row["interface"] = probe.interfaceNumber();
            row["collection"] = probe.collectionNumber();
            row["usagePage"] = hex4(probe.caps().usagePage);
            row["usage"] = hex4(probe.caps().usage);
            row["inputLength"] = probe.caps().inputReportByteLength;
            row["outputLength"] = probe.caps().outputReportByteLength;
            row["featureLength"] = probe.caps().featureReportByteLength;
            Json::Value ids(Json::arrayValue);
            for (std::uint8_t id : probe.reportIds())
                ids.append(id);
            row["reportIds"] = ids;
        }
        probe.close();
        list.append(row);
    }
    if (json) {
        Json::StreamWriterBuilder builder;
        builder["indentation"] = "  ";
        std::cout << Json::writeString(builder, list) << "\n";
        return 0;
    }
    if (list.empty()) std::cout << "no HID interfaces\n";
    for (const Json::Value& row : list) {
        std::cout << row["path"].asString() << "\n";
        if (row.isMember("usagePage"))
            std::cout << "  " << row["vendorId"].asString() << ":" << row["productId"].asString()
                      << " version " << row["version"].asString() << "  usage page "
                      << row["usagePage"].asString() << " usage " << row["usage"].asString()
                      << "  in/out/feature " << row["inputLength"].asUInt() << "/"
                      << row["outputLength"].asUInt() << "/" << row["featureLength"].asUInt()
                      << "\n";
        if (!row["opens"].asBool())
            std::cout << "  does not open: " << row["error"].asString() << "\n";
    }
    return 0;
}

int readReports(std::vector<std::string> args) {
    std::uint32_t timeout = 10000;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--timeout") continue;
        if (i + 1 >= args.size()) return usageError("hid", "--timeout needs milliseconds");
        char* end = nullptr;
        unsigned long ms = std::strtoul(args[i + 1].c_str(), &end, 10);
        if (!end || *end || ms >= kInfinite)
            return usageError("hid", "bad time-out: " + args[i + 1]);
        timeout = static_cast<std::uint32_t>(ms);
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                   args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        break;
    }
    if (args.empty() || args.size() > 2) return usageError("hid", "hid read needs PATH [COUNT]");
    long count = 1;
    if (args.size() == 2) {
        char* end = nullptr;
        count = std::strtol(args[1].c_str(), &end, 10);
        if (!end || *end || count < 1) return usageError("hid", "bad count: " + args[1]);
    }
    HidDevice hid;
    if (!hid.open(args[0], true, false, true, false)) {
        int error = hid.lastOpenError();
        std::string message = args[0] + ": " + std::strerror(error);
        if (error == EACCES) message += " (install the udev rule and replug the device)";
        return fail(message);
    }
    std::vector<std::uint8_t> buffer(std::max<std::size_t>(hid.caps().inputReportByteLength, 1));
    for (long i = 0; i < count; ++i) {
        std::uint32_t got = 0;
        if (!hid.read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), &got, timeout))
            return fail("no report within " + std::to_string(timeout) + " ms");
        std::string line;
        char byte[4];
        for (std::uint32_t b = 0; b < got; ++b) {
            std::snprintf(byte, sizeof byte, b ? " %02x" : "%02x", buffer[b]);
            line += byte;
        }
        if (hid.unpackInputReport(buffer.data(), got)) {
            for (const HidDataItem& item : hid.dataItems(HidReportKind::Input)) {
                if (!item.isSet || item.reportId != buffer[0]) continue;
                line += item.isButton ? "  usage " + hex4(item.usages.empty() ? 0 : item.usages[0])
                                      : "  value " + std::to_string(item.rawValue);
                break;
            }
        }
        std::cout << line << "\n" << std::flush;
    }
    return 0;
}

int runHid(const std::vector<std::string>& argsIn) {
    std::vector<std::string> args = argsIn;
    bool json = takeFlag(args, "--json");
    if (!args.empty() && args[0] == "read") {
        if (json) return usageError("hid", "hid read has no --json");
        return readReports(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    if (!args.empty()) return usageError("hid", "unknown argument: " + args[0]);
    return listInterfaces(json);
}

} // namespace

QUASARCTL_COMMAND("hid", kHidUsage, runHid);

} // namespace quasarctl
