#pragma once
// Where the program's own installed data lives (factory documents, skin, fonts).
//
//  - $QUASAR_DATA_DIR when set (tests, relocated installs): DefaultData/ and skin/ below it;
//  - run from the build tree: the source tree's data/DefaultData and the build tree's skin/
//    (layouts copied and images rendered at build time);
//  - otherwise the installed <prefix>/share/quasar/.

#include <string>

namespace quasar {

// Each result ends in "/".
std::string defaultDataFolder(); // .../DefaultData/
std::string skinFolder();        // .../skin/
std::string programFolder();     // the folder holding DefaultData/ and skin/ (Font/ lives in skin/)

// True when the running executable is inside this build's binary tree.
bool runningFromBuildTree();

} // namespace quasar
