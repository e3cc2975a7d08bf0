// The uevent file of a HID device directory.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/hid/sysfs_enum.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quasar::hid::HidUevent uevent;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (quasar::hid::parseHidUevent(text, uevent) && uevent.interfaceNumber > 255) __builtin_trap();
    return 0;
}
