#include "shell/messages.h"

#include <mutex>
#include <string>
#include <unordered_map>

#include "profiles/data_folders.h"

namespace quasar {

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<std::string, unsigned> ids;
    unsigned next = 0xC000;
};

Registry& registry() {
    static Registry r;
    return r;
}

ProgramMessages& messages() {
    static ProgramMessages m;
    return m;
}

} // namespace

unsigned registerWindowMessage(std::string_view name) {
    if (name.empty()) return 0;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto [it, inserted] = r.ids.try_emplace(std::string(name), r.next);
    if (inserted) ++r.next;
    return it->second;
}

const ProgramMessages& programMessages() { return messages(); }

unsigned registerProductMessage() {
    return messages().ProductMessage = registerWindowMessage(kProductString);
}

void registerGuidMessages() {
    ProgramMessages& m = messages();
    m.SettingsRelayMessage = registerWindowMessage(kSettingsRelayName);
    m.LightControlBroadcast = registerWindowMessage(kLightControlBroadcastName);
    m.LightControlMessage = registerWindowMessage(kLightControlMessageName);
    m.DeviceListRequest = registerWindowMessage(kDeviceListRequestName);
    m.AudioCompanionMessage = registerWindowMessage(kAudioCompanionName);
}

} // namespace quasar
