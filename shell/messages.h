#pragma once
// The program's window message numbers: fixed private ones, and registered ones whose numbers are
// handed out at run time by name (the same name always gives the same number in one process).

#include <string_view>

namespace quasar {

// Private messages of the main window.
enum : unsigned {
    DisplayChangeMessage = 0x007E, // the screens changed
    TrayCallbackMessage = 1025,
    HookControlMessage = 1054,
    MenuCommandMessage = 1145,
    ShowSettingProgressMessage = 3072,
    LanguageChangedMessage = 3089,
    InterfaceArrived = 3090,
    InterfaceRemoved = 3091,
    SettingsOpenMessage = 3093,
    UpdateBadgeClearMessage = 3094,
    DeviceOnlineChanged = 3331,
    FirmwareCheckMessage = 3332,
};

// Mouse button codes the tray callback carries in lParam.
enum : long {
    TrayLeftButtonUp = 0x0202,
    TrayRightButtonUp = 0x0205,
};

// A number from 0xC000 upward for a message name; the same name gives the same number. Thread
// safe. An empty name gives 0.
unsigned registerWindowMessage(std::string_view name);

// The registered messages of the program; filled at start-up.
struct ProgramMessages {
    unsigned ProductMessage = 0;
    unsigned SettingsRelayMessage = 0;
    unsigned LightControlBroadcast = 0;
    unsigned LightControlMessage = 0;
    unsigned DeviceListRequest = 0;
    unsigned AudioCompanionMessage = 0;
};
const ProgramMessages& programMessages();
// ProductMessage, named by the product string; registered first at start-up.
unsigned registerProductMessage();
// The five GUID messages; registered once the toolkit is ready.
void registerGuidMessages();

inline constexpr std::string_view kSettingsRelayName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF15}";
inline constexpr std::string_view kLightControlBroadcastName =
    "{4695579F-999A-41d4-9FAF-EFFCE93EBF16}";
inline constexpr std::string_view kLightControlMessageName =
    "{4695579F-999A-41d4-9FAF-EFFCE93EBF17}";
inline constexpr std::string_view kDeviceListRequestName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF18}";
// Ends in "BE19", unlike the others.
inline constexpr std::string_view kAudioCompanionName = "{4695579F-999A-41d4-9FAF-EFFCE93EBE19}";

} // namespace quasar
