// Interface paths: the four path parsers on any text, the hidraw name parser, and the round trip
// of a path the enumeration builds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/hid/hid_device.h"
#include "platform/hid/sysfs_enum.h"

using namespace quasar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    volatile std::uint32_t sink = parseVendorId(text) + parseProductId(text) +
                                  parseInterfaceNumber(text) + parseCollectionNumber(text);
    (void)sink;
    // A hidraw number only ever comes from "hidraw" followed by digits alone.
    if (hid::hidrawNumber(text) >= 0 &&
        (text.substr(0, 6) != "hidraw" || text.find_first_not_of("0123456789", 6) != text.npos))
        __builtin_trap();

    if (size >= 8) {
        hid::HidrawNode node;
        node.nodePath = std::string(text.substr(8));
        node.vendorId = static_cast<std::uint16_t>(data[0] | data[1] << 8);
        node.productId = static_cast<std::uint16_t>(data[2] | data[3] << 8);
        node.interfaceNumber = data[4];
        const std::size_t count = 1 + data[5];
        const std::size_t index = data[6] % count;
        const std::string path = hid::makeInterfacePath(node, index, count);
        // The suffix is parsed from the last '#': the node path may hold anything.
        std::string_view suffix = std::string_view(path).substr(path.rfind('#'));
        if (parseVendorId(suffix) != node.vendorId || parseProductId(suffix) != node.productId ||
            parseInterfaceNumber(suffix) != node.interfaceNumber ||
            parseCollectionNumber(suffix) != (count > 1 ? index + 1 : 0))
            __builtin_trap();
    }
    return 0;
}
