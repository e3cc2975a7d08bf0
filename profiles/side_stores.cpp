#include "profiles/side_stores.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <limits>
#include <system_error>
#include <unistd.h>

#include "platform/program_paths.h"
#include "profiles/data_folders.h"
#include "profiles/file_copy.h"
#include "profiles/json_access.h"
#include "profiles/name_rules.h"
#include "profiles/path_guard.h"

namespace quasar {

using json::arraySize;
using json::element;
using json::member;
using json::stringAt;

// ------------------------------------------------------------------ macros

std::uint32_t parseDelayText(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && text[i] == '+') ++i;
    std::uint64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (v > std::numeric_limits<std::uint32_t>::max())
            return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(v);
}

std::uint32_t delayOf(const Json::Value& event) {
    const Json::Value& d = member(event, "Delay");
    if (d.isString()) return parseDelayText(d.asString());
    std::int64_t v = json::toInt64(d);
    if (v < 0) return 0;
    if (v > std::numeric_limits<std::uint32_t>::max())
        return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(v);
}

std::vector<MacroEventRecord> macroEvents(const Json::Value& macroFile) {
    const Json::Value& events = member(macroFile, "Events");
    std::vector<MacroEventRecord> out;
    out.reserve(arraySize(events));
    for (Json::ArrayIndex i = 0; i < arraySize(events); ++i) {
        const Json::Value& e = events[i];
        MacroEventRecord r;
        r.down = stringAt(e, "Action") == "down";
        r.button = json::intAt(e, "Button");
        r.type = json::intAt(e, "Type");
        r.delay = delayOf(e);
        out.push_back(r);
    }
    return out;
}

MacroStore::MacroStore(std::string folder, std::string indexName)
    : folder_(std::move(folder)), indexName_(std::move(indexName)) {
    if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
}

MacroStore MacroStore::forClass(const std::string& className) {
    bool own = className == "keyboard" || className == "mouse";
    return MacroStore(userDataFolder(className), own ? "macro.config" : "norvo_macro.config");
}

void MacroStore::load() {
    index_ = io_.readJsonFile(indexPath());
    macros_.clear();
    if (index_.isNull()) {
        // A lost or damaged index must not orphan the macros whose files are still there.
        rebuildFromFiles();
        return;
    }
    const Json::Value& list = member(index_, "MacroInfo");
    for (Json::ArrayIndex i = 0; i < arraySize(list); ++i)
        macros_.push_back(Entry{stringAt(list[i], "MacroName"), stringAt(list[i], "Guid")});
}

namespace {
// "2021_03_09_14_05_07_042": the form makeTimestampName gives.
bool looksLikeGuid(const std::string& text) {
    static constexpr std::string_view kShape = "#_##_##_##_##_##_###";
    std::size_t year = text.find('_');
    if (year == std::string::npos || year == 0 || text.size() - year != kShape.size() - 1)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char want = i < year ? '#' : kShape[i - year + 1];
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (want == '#' ? !digit : text[i] != want) return false;
    }
    return true;
}
} // namespace

void MacroStore::rebuildFromFiles() {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder_, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::filesystem::path& p = it->path();
        if (p.extension() != ".mac") continue;
        std::string guid = p.stem().string();
        // Only files this store made: their names are Guids (other ".mac" files may lie around).
        if (!looksLikeGuid(guid)) continue;
        Json::Value doc = io_.readJsonFile(p.string());
        if (!doc.isObject()) continue;
        std::string name = stringAt(doc, "MacroName");
        macros_.push_back(Entry{isBlankName(name) ? guid : name, guid});
    }
    if (macros_.empty()) return;
    // Guids are creation times, and macros are only ever appended: their order is the list's.
    std::sort(macros_.begin(), macros_.end(),
              [](const Entry& a, const Entry& b) { return a.guid < b.guid; });
    // Only the store the program owns is written; the other program's list is only read.
    if (indexName_ == "macro.config") writeIndex();
}

void MacroStore::refresh() {
    Json::Value disk = io_.readJsonFile(indexPath());
    if (disk.isNull() && !macros_.empty()) return;
    load();
}

int MacroStore::indexOfGuid(const std::string& guid) const {
    for (std::size_t i = 0; i < macros_.size(); ++i)
        if (macros_[i].guid == guid) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> MacroStore::names() const {
    std::vector<std::string> out;
    for (const Entry& e : macros_)
        out.push_back(e.name);
    return out;
}

std::string MacroStore::macroFilePath(int index) const {
    if (index < 0 || index >= static_cast<int>(macros_.size())) return {};
    const std::string& guid = macros_[index].guid;
    if (!isSafeFileStem(guid)) return {};
    return folder_ + guid + ".mac";
}

Json::Value MacroStore::readMacroFile(int index) const {
    std::string path = macroFilePath(index);
    return path.empty() ? Json::Value() : io_.readJsonFile(path);
}

std::string MacroStore::newGuid() const {
    // Unique in this process by construction; another process may have made the same text in
    // the same millisecond, and a new macro has no file until it is saved: check both.
    auto used = [&](const std::string& guid) {
        for (const Entry& e : macros_)
            if (e.guid == guid) return true;
        return ::access((folder_ + guid + ".mac").c_str(), F_OK) == 0;
    };
    std::string guid = makeTimestampName();
    while (used(guid))
        guid = makeTimestampName();
    return guid;
}

bool MacroStore::writeIndex() {
    // Keep whatever else the file carries; only "MacroInfo" is ours.
    if (!index_.isObject()) index_ = Json::Value(Json::objectValue);
    Json::Value list(Json::arrayValue);
    for (const Entry& e : macros_) {
        Json::Value el(Json::objectValue);
        el["MacroName"] = e.name;
        el["Guid"] = e.guid;
        list.append(el);
    }
    index_["MacroInfo"] = list;
    return io_.writeJsonFile(indexPath(), index_);
}

int MacroStore::appendEntry(const std::string& name, const std::string& guid) {
    macros_.push_back(Entry{name, guid});
    if (!writeIndex()) {
        macros_.pop_back();
        return -1;
    }
    return static_cast<int>(macros_.size()) - 1;
}

int MacroStore::newMacro() {
    refresh();
    if (static_cast<int>(macros_.size()) >= kMaxMacros) return -1;
    std::vector<std::string> taken = names();
    int n = 1;
    std::string name = "macro_1";
    while (nameTaken(taken, name))
        name = "macro_" + std::to_string(++n);
    return appendEntry(name, newGuid());
}

int MacroStore::importMacro(const std::string& path) {
    refresh();
    if (static_cast<int>(macros_.size()) >= kMaxMacros) return -1;
    // A file that is not a macro document would only give a macro that cannot be played.
    if (!io_.readJsonFile(path).isObject()) return -1;
    std::vector<std::string> taken = names();
    std::string title = JsonFileIo::fileTitle(path);
    std::string name = title;
    for (int n = 1; nameTaken(taken, name); ++n)
        name = title + "_" + std::to_string(n);
    std::string guid = newGuid();
    // The file first: an index entry must never name a file that is not there.
    if (!copyFileAtomic(path, folder_ + guid + ".mac")) return -1;
    int index = appendEntry(name, guid);
    if (index < 0) ::unlink((folder_ + guid + ".mac").c_str());
    return index;
}

bool MacroStore::exportMacro(int index, const std::string& path) const {
    std::string from = macroFilePath(index);
    return !from.empty() && copyFileAtomic(from, path);
}

bool MacroStore::saveSteps(int index, const std::vector<MacroStepInput>& steps) {
    std::string path = macroFilePath(index);
    if (path.empty()) return false;
    Json::Value doc(Json::objectValue);
    doc["MacroName"] = macros_[index].name;
    doc["Guid"] = macros_[index].guid;
    Json::Value& events = doc["Events"] = Json::Value(Json::arrayValue);
    for (const MacroStepInput& s : steps) {
        Json::Value e = s.event.isObject() ? s.event : Json::Value(Json::objectValue);
        e["Delay"] = std::to_string(parseDelayText(s.delay));
        events.append(e);
    }
    doc["Version"] = kFileVersion;
    return io_.writeJsonFile(path, doc);
}

bool MacroStore::deleteMacro(int index) {
    if (index < 0 || index >= static_cast<int>(macros_.size())) return false;
    const std::string guid = macros_[index].guid;
    refresh();
    if (index >= static_cast<int>(macros_.size()) || macros_[index].guid != guid)
        index = indexOfGuid(guid);
    if (index < 0) return false;
    std::string path = macroFilePath(index);
    Entry removed = macros_[index];
    macros_.erase(macros_.begin() + index);
    if (!writeIndex()) {
        macros_.insert(macros_.begin() + index, removed);
        return false;
    }
    if (!path.empty()) ::unlink(path.c_str());
    return true;
}

bool MacroStore::renameMacro(int index, const std::string& name) {
    if (index < 0 || index >= static_cast<int>(macros_.size()) || isBlankName(name)) return false;
    const std::string guid = macros_[index].guid;
    refresh();
    if (index >= static_cast<int>(macros_.size()) || macros_[index].guid != guid)
        index = indexOfGuid(guid);
    if (index < 0) return false;
    std::string old = macros_[index].name;
    macros_[index].name = name;
    if (!writeIndex()) {
        macros_[index].name = old;
        return false;
    }
    return true;
}

// ------------------------------------------------------------------ light names

std::string defaultLightNamesPath() {
    return defaultDataFolder() + "default_light.json";
}

LightNameLists readLightNames(const std::string& path, int classIndex) {
    JsonFileIo io;
    Json::Value doc = io.readJsonFile(path);
    LightNameLists out;
    const Json::Value& effects = element(member(doc, "DefaultLightName"), classIndex);
    for (Json::ArrayIndex i = 0; i < arraySize(effects); ++i) {
        const Json::Value& e = effects[i];
        out.effects.push_back(LightEffectName{stringAt(e, "LightName"),
                                              json::toTruth(member(e, "visible")),
                                              json::intAt(e, "value")});
    }
    const Json::Value& areas = element(member(doc, "AreaLightName"), classIndex);
    for (Json::ArrayIndex i = 0; i < arraySize(areas); ++i)
        out.areas.push_back(stringAt(areas[i], "LightName"));
    return out;
}

std::vector<std::string> readCustomLightNames(const std::string& path, int classIndex) {
    JsonFileIo io;
    Json::Value doc = io.readJsonFile(path);
    const Json::Value& list = element(member(doc, "LightInfo"), classIndex);
    std::vector<std::string> out;
    for (Json::ArrayIndex i = 0; i < arraySize(list); ++i)
        out.push_back(stringAt(list[i], "LightName"));
    return out;
}

std::vector<std::string> readMacroNames(const std::string& path) {
    JsonFileIo io;
    Json::Value doc = io.readJsonFile(path);
    const Json::Value& list = member(doc, "MacroInfo");
    std::vector<std::string> out;
    for (Json::ArrayIndex i = 0; i < arraySize(list); ++i)
        out.push_back(stringAt(list[i], "MacroName"));
    return out;
}

DefaultStoreLists loadDefaultStores(const std::string& className) {
    DefaultStoreLists out;
    int c = classIndexOf(className);
    if (c < 0) return out;
    MacroStore macros = MacroStore::forClass(className);
    out.macroNames = readMacroNames(macros.indexPath());
    out.lightNames = readLightNames(defaultLightNamesPath(), c);
    out.customLightNames =
        readCustomLightNames(userDataFolder(className) + "norvo_light.config", c);
    return out;
}

// ------------------------------------------------------------------ colour presets

bool parseColourText(const std::string& text, std::uint32_t& out) {
    if (text.empty() || text.size() > 8) return false;
    std::uint32_t v = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return false;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    out = v;
    return true;
}

ColourPresetStore::ColourPresetStore()
    : ColourPresetStore(dataRootFolder() + kColourPresetFileName,
                        defaultDataFolder() + kColourPresetFileName) {}

ColourPresetStore::ColourPresetStore(std::string userPath, std::string installedPath)
    : userPath_(std::move(userPath)), installedPath_(std::move(installedPath)) {}

namespace {
void readSlots(const Json::Value& list, std::array<ColourSlot, kColourSlots>& slots,
               bool withUserData) {
    for (int i = 0; i < kColourSlots; ++i) {
        const Json::Value& e = element(list, i);
        ColourSlot& s = slots[static_cast<std::size_t>(i)];
        s.present = parseColourText(stringAt(e, "color"), s.argb);
        if (withUserData) s.userData = stringAt(e, "UserData");
    }
}

void writeSlots(Json::Value& list, const std::array<ColourSlot, kColourSlots>& slots,
                bool withUserData) {
    for (int i = 0; i < kColourSlots; ++i) {
        const ColourSlot& s = slots[static_cast<std::size_t>(i)];
        if (!s.present) continue;
        Json::Value& e = json::arrayElement(list, static_cast<Json::ArrayIndex>(i));
        json::objectMember(e, "color") = toHex8(s.argb);
        if (withUserData) e["UserData"] = s.userData;
    }
}
} // namespace

ColourPresetValues ColourPresetStore::open() {
    doc_ = io_.readJsonFile(userPath_);
    if (doc_.isNull()) {
        doc_ = io_.readJsonFile(installedPath_);
        // Byte for byte, so the user's file starts as exactly the installed one.
        if (!doc_.isNull()) copyFileAtomic(installedPath_, userPath_);
    }
    ColourPresetValues v;
    const Json::Value& info = member(doc_, "coloroptioninfo");
    readSlots(member(info, "palletDialogcoloroption"), v.swatches, false);
    v.swatchSelected = json::intAt(info, "palletDialogcoloroption_selectitem");
    readSlots(member(info, "palletDialogcollectcoloroption"), v.saved, true);
    v.savedSelected = json::intAt(info, "palletDialogcollectcoloroption_selectitem");
    return v;
}

bool ColourPresetStore::save(const ColourPresetValues& v) {
    Json::Value& info = json::objectMember(doc_, "coloroptioninfo");
    writeSlots(json::objectMember(info, "palletDialogcoloroption"), v.swatches, false);
    info["palletDialogcoloroption_selectitem"] = v.swatchSelected;
    writeSlots(json::objectMember(info, "palletDialogcollectcoloroption"), v.saved, true);
    info["palletDialogcollectcoloroption_selectitem"] = v.savedSelected;
    return io_.writeJsonFile(userPath_, doc_);
}

// ------------------------------------------------------------------ languages and update date

std::string languageListPath() {
    return defaultDataFolder() + "Language.config";
}

std::vector<LanguageEntry> readLanguages(const std::string& path) {
    JsonFileIo io;
    Json::Value doc = io.readJsonFile(path);
    const Json::Value& list = member(doc, "Language");
    std::vector<LanguageEntry> out;
    for (Json::ArrayIndex i = 0; i < arraySize(list); ++i) {
        const Json::Value& e = list[i];
        out.push_back(LanguageEntry{json::intAt(e, "Language_ID"), stringAt(e, "Language_name"),
                                    stringAt(e, "Language_file"), stringAt(e, "Language_text")});
    }
    return out;
}

std::string updateDatePath() {
    return dataRootFolder() + "updatetime.config";
}

std::string todayText() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d-%d-%d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return buf;
}

std::string readUpdateDate(const std::string& path) {
    JsonFileIo io;
    return stringAt(member(io.readJsonFile(path), "updatelasttime"), "value");
}

bool writeUpdateDate(const std::string& path, const std::string& date) {
    Json::Value doc(Json::objectValue);
    doc["updatelasttime"]["value"] = date;
    JsonFileIo io;
    return io.writeJsonFile(path, doc);
}

} // namespace quasar
