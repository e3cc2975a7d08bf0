#pragma once
// Small INI files: the per-user settings that a Windows program would keep in the registry, and
// "main.ini". "[section]" lines, "name=value" lines; lines starting with ';' or '#' are comments.
// Values that appear before any section belong to the section "". A damaged file (binary junk,
// lines without '=') loses only the lines that cannot be read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quasar {

class IniFile {
public:
    // False when the file cannot be read (missing, unreadable, larger than 1 MiB); the object is
    // then empty.
    bool load(const std::string& path);
    // Written atomically (temporary file beside it, then rename). The folder must exist.
    bool save(const std::string& path) const;

    std::optional<std::string> value(const std::string& section, const std::string& name) const;
    void setValue(const std::string& section, const std::string& name, const std::string& value);
    bool empty() const { return sections_.empty(); }

private:
    struct Entry {
        std::string name;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    Section* find(const std::string& section);
    const Section* find(const std::string& section) const;

    std::vector<Section> sections_;
};

// A per-user settings key: the folder $XDG_CONFIG_HOME/<key name>/ (default ~/.config) holding
// "settings.ini" with its values in the section "". Values are 32-bit numbers written in decimal.
class SettingsKey {
public:
    explicit SettingsKey(std::string keyName);

    const std::string& folder() const { return folder_; }
    std::string filePath() const { return folder_ + "settings.ini"; }

    // The value, or nothing when the key, the file or the value is missing or not a number.
    std::optional<std::uint32_t> readNumber(const std::string& name) const;
    // Creates the folder when missing; true when the file was written.
    bool writeNumber(const std::string& name, std::uint32_t value) const;

private:
    std::string folder_;
};

} // namespace quasar
