// The control language of the virtual device: one line in, one line out.

#include <algorithm>
#include <charconv>
#include <sstream>
#include <string>
#include <vector>

#include <json/writer.h>

#include "vdev/virtual_device.h"

namespace quasar::vdev {

namespace {

std::vector<std::string> splitWords(std::string_view line) {
    std::vector<std::string> words;
    std::istringstream in{std::string(line)};
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

bool parseInt(const std::string& text, int base, long long& out) {
    std::string_view s = text;
    if (base == 16 && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s.remove_prefix(2);
    if (s.empty()) return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out, base);
    return ec == std::errc() && p == s.data() + s.size();
}

std::string oneLine(const Json::Value& v) {
    Json::StreamWriterBuilder b;
    b["indentation"] = "";
    return Json::writeString(b, v);
}

std::string error(const std::string& what) {
    return "error: " + what;
}

} // namespace

std::string runControlCommand(VirtualDeviceHost& host, std::string_view line, bool& quit) {
    quit = false;
    const std::vector<std::string> w = splitWords(line);
    if (w.empty()) return {};
    const std::string& cmd = w[0];

    auto deviceArg = [&](std::size_t at, int& id) -> std::string {
        long long v = 0;
        if (w.size() <= at || !parseInt(w[at], 10, v) || v < 0 || v > 1000000 ||
            !host.hasDevice(static_cast<int>(v)))
            return error("unknown device" + (w.size() > at ? " " + w[at] : std::string()));
        id = static_cast<int>(v);
        return {};
    };

    if (cmd == "quit" || cmd == "exit") {
        quit = true;
        return "ok";
    }
    if (cmd == "list") {
        Json::Value all(Json::arrayValue);
        for (int id : host.deviceIds()) {
            Json::Value d;
            d["id"] = id;
            d["model"] = modelName(host.model(id));
            d["plugged"] = host.isPlugged(id);
            d["node"] = host.nodePath(id);
            all.append(d);
        }
        return oneLine(all);
    }
    if (cmd == "dump") {
        if (w.size() == 1) return oneLine(host.dumpAll());
        int id = 0;
        if (auto e = deviceArg(1, id); !e.empty()) return e;
        return oneLine(host.dumpState(id));
    }
    if (cmd == "add") {
        if (w.size() < 2 || w.size() > 3) return error("usage: add MODEL [TWIN_ID]");
        auto model = parseModel(w[1]);
        if (!model) return error("unknown model " + w[1]);
        int twin = -1;
        if (w.size() == 3) {
            if (auto e = deviceArg(2, twin); !e.empty()) return e;
        }
        const int id = host.addDevice(*model, twin);
        if (id >= 0) return "ok " + std::to_string(id);
        return error(twin >= 0 ? "not a twin of that device, or cannot create the nodes"
                               : "cannot create the nodes");
    }
    if (cmd == "unplug" || cmd == "replug") {
        int id = 0;
        if (auto e = deviceArg(1, id); !e.empty()) return e;
        const bool done = cmd == "unplug" ? host.unplug(id) : host.replug(id);
        if (!done) return error(cmd == "unplug" ? "already unplugged" : "already plugged");
        return "ok";
    }
    if (cmd == "event") {
        int id = 0;
        if (auto e = deviceArg(1, id); !e.empty()) return e;
        long long code = 0;
        if (w.size() != 3 || !parseInt(w[2], 16, code) || code < 0 || code > 0xFFFF)
            return error("usage: event ID CODE (hexadecimal, 0-FFFF)");
        if (!host.sendEvent(id, static_cast<std::uint16_t>(code))) return error("device unplugged");
        return "ok";
    }
    if (cmd == "fault") {
        int id = 0;
        if (auto e = deviceArg(1, id); !e.empty()) return e;
        if (w.size() < 3 || w.size() > 4) return error("usage: fault ID KIND [COUNT]");
        auto kind = parseFaultKind(w[2]);
        if (!kind)
            return error("unknown fault " + w[2] +
                         " (none, stale, refuse-ff, refuse-fe, silent, unreachable)");
        long long count = -1;
        if (w.size() == 4 && (!parseInt(w[3], 10, count) || count < -1 || count > 1000000000))
            return error("bad count " + w[3]);
        host.setFault(id, Fault{*kind, static_cast<int>(count)});
        return "ok";
    }
    if (cmd == "set") {
        // set ID AREA OFFSET HEXBYTES: changes stored bytes directly, as the device itself would
        // (a battery running down, a profile switched on the device).
        int id = 0;
        if (auto e = deviceArg(1, id); !e.empty()) return e;
        long long offset = 0;
        if (w.size() != 5 || !parseInt(w[3], 10, offset) || offset < 0 || w[4].size() % 2 != 0)
            return error("usage: set ID AREA OFFSET HEXBYTES");
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < w[4].size(); i += 2) {
            long long b = 0;
            if (!parseInt(w[4].substr(i, 2), 16, b)) return error("bad hex bytes " + w[4]);
            bytes.push_back(static_cast<std::uint8_t>(b));
        }
        std::string result = "ok";
        host.updateMemory(id, [&](DeviceMemory& m) {
            std::uint8_t* data = nullptr;
            std::size_t size = 0;
            auto pick = [&](std::vector<std::uint8_t>& v) { data = v.data(), size = v.size(); };
            const std::string& area = w[2];
            if (area == "info")
                data = m.info.data(), size = m.info.size();
            else if (area == "keyTable")
                pick(m.keyTable);
            else if (area == "keyLedMap")
                pick(m.keyLedMap);
            else if (area == "settings")
                pick(m.settings);
            else if (area == "macro")
                pick(m.macro);
            else if (area == "colors")
                pick(m.colors);
            else if (area == "recoil")
                pick(m.recoil);
            else if (area == "lightFrame")
                pick(m.lightFrame);
            else if (area == "status")
                pick(m.status);
            else {
                result = error("unknown area " + area +
                               " (info, keyTable, keyLedMap, settings, macro, colors, recoil, "
                               "lightFrame, status)");
                return;
            }
            if (static_cast<std::size_t>(offset) > size ||
                bytes.size() > size - static_cast<std::size_t>(offset)) {
                result = error("outside the area (" + std::to_string(size) + " bytes)");
                return;
            }
            std::copy(bytes.begin(), bytes.end(), data + offset);
        });
        return result;
    }
    return error("unknown command " + cmd +
                 " (list, add, unplug, replug, event, fault, set, dump, quit)");
}

} // namespace quasar::vdev
