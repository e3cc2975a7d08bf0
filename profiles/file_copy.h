#pragma once
// Copying a store file unchanged (macro import and export, recoil patterns), atomically: the
// target is either the old file or a complete copy, never a torn one.

#include <string>

namespace quasar {

// False when the source cannot be read (missing, a folder, larger than JsonFileIo's limit) or
// the target cannot be written; the target is then unchanged.
bool copyFileAtomic(const std::string& from, const std::string& to);

} // namespace quasar
