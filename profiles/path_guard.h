#pragma once
// Names taken from documents (a macro's or a light effect's "Guid") become file names. They must
// name a file inside the store's own folder and nothing else.

#include <string>
#include <string_view>

namespace quasar {

// True when name is usable as the stem of a file in a store folder: not empty, no folder
// separator of either kind, no "..", no control characters.
inline bool isSafeFileStem(std::string_view name) {
    if (name.empty() || name == ".") return false;
    if (name.find("..") != std::string_view::npos) return false;
    for (char c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

// The folder part of a path including its trailing "/"; empty when there is none.
inline std::string folderOf(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

} // namespace quasar
