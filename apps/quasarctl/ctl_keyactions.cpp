// quasarctl action: what key actions (as a profile's "Assignment" numbers or as kind.p1.p2 bytes)
// mean, by the same labels the device pages show.

#include <iostream>
#include <string>
#include <vector>

#include <json/value.h>
#include <json/writer.h>

#include "apps/quasarctl/ctl.h"
#include "editors/action_label.h"
#include "editors/key_action_text.h"

namespace quasarctl {

namespace {

using namespace quasar;

int runAction(const std::vector<std::string>& argsIn) {
    std::vector<std::string> args = argsIn;
    const bool json = takeFlag(args, "--json");
    const bool mouse = takeFlag(args, "--mouse");
    if (args.empty()) return usageError("action", "at least one ACTION is needed");
    std::vector<KeyAction> actions;
    for (const std::string& a : args) {
        const auto parsed = parseKeyAction(a);
        if (!parsed)
            return usageError("action", "'" + a +
                                            "' is not an action (kk.pp.qq in hex, or a number "
                                            "below 16777216)");
        actions.push_back(*parsed);
    }
    const ActionDevice device = mouse ? ActionDevice::Mouse : ActionDevice::Keyboard;
    Json::Value list(Json::arrayValue);
    for (const KeyAction& a : actions) {
        const std::string label = actionLabel(a, {}, device);
        if (json) {
            Json::Value v;
            v["value"] = actionToInt(a);
            v["kind"] = a.kind;
            v["p1"] = a.p1;
            v["p2"] = a.p2;
            v["label"] = label;
            list.append(v);
        } else {
            std::cout << formatKeyAction(a) << "  " << actionToInt(a) << "  "
                      << (label.empty() ? "(no label)" : label) << "\n";
        }
    }
    if (json) {
        Json::StreamWriterBuilder builder;
        builder["indentation"] = "  ";
        std::cout << Json::writeString(builder, list) << "\n";
    }
    return 0;
}

} // namespace

QUASARCTL_COMMAND("action",
                  "action ACTION... [--mouse] [--json]\n"
                  "                         label of key actions (kk.pp.qq or the "
                  "profile's number)",
                  runAction);

} // namespace quasarctl
