#include "shell/ini_file.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <unistd.h>

#include "profiles/name_rules.h"

namespace quasar {

namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool sameName(const std::string& a, const std::string& b) { return equalsIgnoreCase(a, b); }

std::string configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.config";
}

} // namespace

bool IniFile::load(const std::string& path) {
    sections_.clear();
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    if (ec || size > 1024 * 1024) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    std::string current;
    while (std::getline(in, line)) {
        std::string t = trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[') {
            if (t.back() != ']') continue; // damaged header: skip the line
            current = trim(t.substr(1, t.size() - 2));
            continue;
        }
        size_t eq = t.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        setValue(current, trim(t.substr(0, eq)), trim(t.substr(eq + 1)));
    }
    return true;
}

bool IniFile::save(const std::string& path) const {
    std::ostringstream out;
    for (const Section& s : sections_) {
        if (!s.name.empty()) out << '[' << s.name << "]\n";
        for (const Entry& e : s.entries) out << e.name << '=' << e.value << '\n';
    }
    std::string text = out.str();
    std::string tmp = path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fflush(f) == 0 && ok;
    ok = ::fsync(fileno(f)) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

IniFile::Section* IniFile::find(const std::string& section) {
    for (Section& s : sections_)
        if (sameName(s.name, section)) return &s;
    return nullptr;
}

const IniFile::Section* IniFile::find(const std::string& section) const {
    for (const Section& s : sections_)
        if (sameName(s.name, section)) return &s;
    return nullptr;
}

std::optional<std::string> IniFile::value(const std::string& section,
                                          const std::string& name) const {
    if (const Section* s = find(section))
        for (const Entry& e : s->entries)
            if (sameName(e.name, name)) return e.value;
    return std::nullopt;
}

void IniFile::setValue(const std::string& section, const std::string& name,
                       const std::string& value) {
    Section* s = find(section);
    if (!s) {
        // Values without a section must come first in the file.
        if (section.empty()) sections_.insert(sections_.begin(), Section{section, {}});
        else sections_.push_back(Section{section, {}});
        s = find(section);
    }
    for (Entry& e : s->entries)
        if (sameName(e.name, name)) {
            e.value = value;
            return;
        }
    s->entries.push_back(Entry{name, value});
}

SettingsKey::SettingsKey(std::string keyName) : folder_(configHome() + "/" + keyName + "/") {}

std::optional<std::uint32_t> SettingsKey::readNumber(const std::string& name) const {
    IniFile ini;
    if (!ini.load(filePath())) return std::nullopt;
    auto text = ini.value("", name);
    if (!text || text->empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text->c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < INT32_MIN || v > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

bool SettingsKey::writeNumber(const std::string& name, std::uint32_t value) const {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    IniFile ini;
    ini.load(filePath()); // a damaged or missing file is rewritten with what could be read
    ini.setValue("", name, std::to_string(value));
    return ini.save(filePath());
}

} // namespace quasar
