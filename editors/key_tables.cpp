#include "editors/key_tables.h"

#include <algorithm>

namespace quasar {

std::vector<std::string_view> allTableNameKeys() {
    std::vector<std::string_view> keys;
    auto add = [&keys](std::string_view k) {
        if (std::find(keys.begin(), keys.end(), k) == keys.end()) keys.push_back(k);
    };
    auto addTable = [&add](const auto& table) {
        for (const NamedKeyEntry& row : table)
            add(row.name);
    };
    addTable(KeyCodeTable);
    add(kKeyboardColorKeyName);
    addTable(MouseButtonTable);
    addTable(DpiActionTable);
    addTable(SystemTable);
    addTable(ConsumerTable);
    addTable(ShortcutTable);
    addTable(NumberedShortcutTable);
    addTable(MouseFunctionTable);
    for (std::string_view g : GunNameList)
        add(g);
    for (std::string_view k : {kCloseTextKey, kSwingLeftKey, kSwingRightKey, kWheelUpKey,
                               kWheelDownKey, kFireKeyKey, kKeySetTooltipKey})
        add(k);
    return keys;
}

} // namespace quasar
