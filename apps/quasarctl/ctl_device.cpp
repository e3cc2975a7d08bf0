// quasarctl list, info and raw: discovery of the supported interfaces and single transactions
// on their command interfaces.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <json/value.h>
#include <json/writer.h>

#include "apps/quasarctl/ctl.h"
#include "devicelink/command_channel.h"
#include "devicelink/commands.h"
#include "devicelink/device_tables.h"
#include "devicelink/discovery.h"
#include "platform/hid/hid_device.h"

namespace quasarctl {

namespace {

using namespace quasar;

constexpr const char* kUdevHint =
    "install data/udev/70-quasar.rules into /etc/udev/rules.d and replug the device";

std::string nodeOf(const std::string& interfacePath) {
    return interfacePath.substr(0, interfacePath.find('#'));
}

std::string hexBytes(const std::uint8_t* bytes, std::size_t count, const char* separator) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < count; ++i) {
        if (i && *separator) out += separator;
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        out += buf;
    }
    return out;
}

void printJson(const Json::Value& value) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    std::cout << Json::writeString(builder, value) << "\n";
}

// One discovery pass; on no claimed slot, the error to give (empty when something was claimed).
std::string discover(InterfaceSlots& slots) {
    HidDevice probe;
    DiscoveryReport report = claimNewInterfaces(probe, slots);
    if (report.enumerationFailed) return "cannot list the HID interfaces";
    // Several collections share a node: name each refused node once.
    std::vector<std::string> deniedNodes;
    for (const auto& path : report.deniedPaths)
        if (std::find(deniedNodes.begin(), deniedNodes.end(), nodeOf(path)) == deniedNodes.end())
            deniedNodes.push_back(nodeOf(path));
    if (!slots.claimedSlots().empty()) {
        for (const auto& node : deniedNodes)
            std::fprintf(stderr, "quasarctl: warning: permission denied on %s; %s\n", node.c_str(),
                         kUdevHint);
        return {};
    }
    if (!deniedNodes.empty())
        return "permission denied on " + deniedNodes.front() + "; " + kUdevHint;
    return "no supported device found";
}

// The channel is open whenever quasarctl runs a transaction, so no answer means a time-out.
std::string resultText(int status) {
    if (status == kStatusNoAnswer) return "time-out: the device did not answer";
    return std::string(statusText(status));
}

const char* modeName(int mode) {
    return mode == CommandChannel::kReceiverMode ? "receiver" : "cable";
}

// Opens the slot's command interface in the mode of its kind; on failure the reason.
std::string openSlotChannel(CommandChannel& channel, const InterfaceSlot& slot) {
    const int mode = connectionModeOfKind(slot.kind);
    if (openChannel(channel, slot.devicePath, mode)) return {};
    HidDevice& device = mode == CommandChannel::kReceiverMode ? channel.receiverInterface()
                                                              : channel.cableInterface();
    const int error = device.lastOpenError();
    std::string reason = "cannot open " + nodeOf(slot.devicePath);
    if (error == EACCES || error == EPERM) return reason + ": permission denied; " + kUdevHint;
    if (error) return reason + ": " + std::strerror(error);
    return reason;
}

// Through the receiver the device behind it may take a moment to answer: ask for the link up to
// 26 times, 50 ms apart. A receiver that does not answer at all costs seconds per query, so the
// asking also ends once about two seconds have gone by.
bool waitForReceiverLink(CommandChannel& channel) {
    const auto start = std::chrono::steady_clock::now();
    for (int attempt = 0; attempt < 26; ++attempt) {
        if (ReceiverLinkQuery(channel)) return true;
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(2)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

int runList(const std::vector<std::string>& argsIn) {
    std::vector<std::string> args = argsIn;
    const bool json = takeFlag(args, "--json");
    if (!args.empty()) return usageError("list", "unexpected argument '" + args[0] + "'");
    InterfaceSlots slots;
    if (std::string error = discover(slots); !error.empty()) return fail(error);

    Json::Value rows(Json::arrayValue);
    for (int index : slots.claimedSlots()) {
        const InterfaceSlot& slot = slots[index];
        if (json) {
            Json::Value row;
            row["row"] = index;
            row["kind"] = slot.kind;
            row["role"] = slot.role;
            row["vendorId"] = slot.vendorId;
            row["productId"] = slot.productId;
            row["usagePage"] = slot.usagePage;
            row["usage"] = slot.usage;
            row["path"] = slot.devicePath;
            rows.append(row);
        } else {
            std::printf("row %-2d  kind %d %-20s role %-3d %-8s %04x:%04x  usage %04x:%04x  %s\n",
                        index, slot.kind, std::string(deviceKindName(slot.kind)).c_str(), slot.role,
                        slot.role == kRoleCommand ? "command" : "event", slot.vendorId,
                        slot.productId, slot.usagePage, slot.usage, slot.devicePath.c_str());
        }
    }
    if (json) printJson(rows);
    return 0;
}

int runInfo(const std::vector<std::string>& argsIn) {
    std::vector<std::string> args = argsIn;
    const bool json = takeFlag(args, "--json");
    if (!args.empty()) return usageError("info", "unexpected argument '" + args[0] + "'");
    InterfaceSlots slots;
    if (std::string error = discover(slots); !error.empty()) return fail(error);

    Json::Value rows(Json::arrayValue);
    std::vector<std::string> failures;
    for (int index : slots.claimedSlots()) {
        const InterfaceSlot& slot = slots[index];
        if (slot.role != kRoleCommand) continue;
        const int mode = connectionModeOfKind(slot.kind);
        CommandChannel channel;
        DeviceInfoBlock info;
        int status = kStatusNoAnswer;
        std::string failure = openSlotChannel(channel, slot);
        if (failure.empty()) {
            const bool linked =
                mode != CommandChannel::kReceiverMode || waitForReceiverLink(channel);
            status = ReadDeviceInfo(channel, info);
            if (status != kStatusOk)
                failure = resultText(status) + " (status " + std::to_string(status) + ")" +
                          (linked ? "" : "; the receiver reports no link to the device");
            closeChannel(channel);
        }
        if (!failure.empty()) failures.push_back("row " + std::to_string(index) + ": " + failure);

        const std::string hex = hexBytes(info.bytes.data(), info.bytes.size(), "");
        if (json) {
            Json::Value row;
            row["row"] = index;
            row["kind"] = slot.kind;
            row["mode"] = modeName(mode);
            row["status"] = status;
            // Only an answered read has a block to show.
            row["info"] = status == kStatusOk ? Json::Value(hex) : Json::Value();
            rows.append(row);
        } else if (status == kStatusOk) {
            std::printf("row %-2d  %-20s %-8s status %d  info %s  (key-table entries %u, macro "
                        "memory %u bytes)\n",
                        index, std::string(deviceKindName(slot.kind)).c_str(), modeName(mode),
                        status, hex.c_str(), info.keyTableEntries(),
                        static_cast<unsigned>(info.macroMemoryUnits()) * 128u);
        } else {
            std::printf("row %-2d  %-20s %-8s status %d  (%s)\n", index,
                        std::string(deviceKindName(slot.kind)).c_str(), modeName(mode), status,
                        resultText(status).c_str());
        }
    }
    if (json) printJson(rows);
    for (const auto& failure : failures)
        fail(failure);
    return failures.empty() ? 0 : 1;
}

// Hex digits with optional separators (spaces, ':', ',', '-') and optional "0x" prefixes.
bool parseHex(const std::vector<std::string>& words, std::vector<std::uint8_t>& out) {
    std::string digits;
    for (const auto& word : words) {
        for (std::size_t i = 0; i < word.size(); ++i) {
            char c = word[i];
            if (c == '0' && i + 1 < word.size() && (word[i + 1] == 'x' || word[i + 1] == 'X')) {
                // A "0x" prefix only where a byte starts.
                if (digits.size() % 2 == 0) {
                    ++i;
                    continue;
                }
            }
            if (std::isxdigit(static_cast<unsigned char>(c)))
                digits += c;
            else if (c != ' ' && c != ':' && c != ',' && c != '-')
                return false;
        }
    }
    if (digits.empty() || digits.size() % 2) return false;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return true;
}

int runRaw(const std::vector<std::string>& args) {
    if (args.size() < 2) return usageError("raw", "ROW and HEXBYTES are needed");
    int row = -1;
    try {
        std::size_t used = 0;
        row = std::stoi(args[0], &used);
        if (used != args[0].size()) row = -1;
    } catch (...) {
        row = -1;
    }
    if (row < 0 || row >= static_cast<int>(kSupportedInterfaceCount))
        return usageError("raw", "ROW must be a row number from 0 to " +
                                     std::to_string(kSupportedInterfaceCount - 1));
    std::vector<std::uint8_t> request;
    if (!parseHex({args.begin() + 1, args.end()}, request))
        return usageError("raw", "HEXBYTES must be pairs of hexadecimal digits");
    if (request.size() > CommandChannel::kReportSize)
        return usageError("raw", "at most 64 bytes fit one report");

    InterfaceSlots slots;
    if (std::string error = discover(slots); !error.empty()) return fail(error);
    const InterfaceSlot& slot = slots[row];
    if (!slot.connected) return fail("row " + std::to_string(row) + " is not present");
    if (slot.role != kRoleCommand)
        return fail("row " + std::to_string(row) +
                    " is an event interface; raw needs a command interface (role 0)");

    CommandChannel channel;
    if (std::string failure = openSlotChannel(channel, slot); !failure.empty())
        return fail(failure);
    std::uint8_t answer[CommandChannel::kReportSize] = {};
    const int status =
        channel.transact(request.data(), request.size(), answer, sizeof answer, nullptr);
    closeChannel(channel);
    std::printf("status %d (%s)\n%s\n", status, resultText(status).c_str(),
                hexBytes(answer, sizeof answer, " ").c_str());
    if (status != kStatusOk) return fail("row " + std::to_string(row) + ": " + resultText(status));
    return 0;
}

} // namespace

QUASARCTL_COMMAND("list", "list [--json]          claim the supported interfaces and list them",
                  runList);
QUASARCTL_COMMAND("info", "info [--json]          read the information block of every device",
                  runInfo);
QUASARCTL_COMMAND("raw", "raw ROW HEXBYTES       one transaction on a row's command interface",
                  runRaw);

} // namespace quasarctl
