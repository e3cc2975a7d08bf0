#pragma once
// Where each device class keeps its profiles and stores.
//
//   dataRootFolder()          $XDG_DATA_HOME (default ~/.local/share) + "/" + product + "/"
//   userDataFolder("mouse")   dataRootFolder() + "mouse/"
//   factoryDefaultPath(cls)   defaultDataFolder() + cls + ".Json"   (installed, only read)
//
// The two user folders are created level by level every time they are asked for; a level that
// cannot be created is not reported (the files below it then simply fail to read and write).

#include <array>
#include <string>
#include <string_view>

namespace quasar {

// Names the program's data root.
inline constexpr std::string_view kProductString = "Brimlet Quasar+ 88-Key RGB Keyboard";

// Class names of the device classes, in class-index order (keyboard 0, mouse 1, mousepad 2,
// headset 3): the stem of the factory document and the name of the user folder.
inline constexpr std::array<std::string_view, 4> kDeviceClassNames{"keyboard", "mouse", "MousePad",
                                                                   "HD"};

// Index of a class name in kDeviceClassNames (exact spelling), -1 when unknown.
int classIndexOf(std::string_view className);

// Each result ends in "/".
std::string dataRootFolder();
std::string userDataFolder(std::string_view className);
// The installed factory profile of a class.
std::string factoryDefaultPath(std::string_view className);

} // namespace quasar
