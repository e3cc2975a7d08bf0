#pragma once
// The one way JSON files are read and written, and the small string helpers every store uses.

#include <cstdint>
#include <string>
#include <string_view>

#include <json/value.h>

namespace quasar {

class JsonFileIo {
public:
    // Files above this size are not read (they read as missing): a profile is a few hundred KiB.
    static constexpr std::uintmax_t kMaxFileBytes = 64u * 1024u * 1024u;

    // The whole file as bytes; empty when it cannot be opened, is too large or reads short.
    std::string readFileText(const std::string& path) const;
    // Missing, empty, unreadable or malformed files read as null. Comments are allowed.
    Json::Value readJsonFile(const std::string& path) const;
    // Styled text plus a line end, written atomically: a temporary file in the same folder is
    // written, flushed to disk and renamed over the old one, so a crash or a full disk leaves
    // either the old or the new document. Returns true when the new file is in place.
    bool writeJsonFile(const std::string& path, const Json::Value& value) const;
    // The file-name part of a path without folder and extension.
    static std::string fileTitle(std::string_view path);
};

// "%d_%02d_%02d_%02d_%02d_%02d_%03d" from the local time (year … millisecond). Identifiers of
// profiles, macros and light effects are made with it, so two calls in one process never return
// the same text: a call within the same millisecond as the previous one waits for the next.
std::string makeTimestampName();

// UTF-16 <-> UTF-8. Invalid input (lone surrogates, malformed bytes) becomes U+FFFD.
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view bytes);

// Eight upper-case hexadecimal digits, most significant first.
std::string toHex8(std::uint32_t value);

// "DPI_slider_3" -> prefix "DPI_slider_" and number 3. False when there is no underscore or no
// decimal number after the last one.
bool splitIndexedName(std::string_view name, std::string& prefix, int& number);

} // namespace quasar
