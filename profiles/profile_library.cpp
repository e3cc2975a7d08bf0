#include "profiles/profile_library.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "profiles/data_folders.h"
#include "profiles/json_access.h"
#include "profiles/name_rules.h"
#include "profiles/path_guard.h"

namespace quasar {

using json::arraySize;
using json::member;

namespace {

Json::Value listElement(const std::string& name, const std::string& uuid) {
    Json::Value e(Json::objectValue);
    e["profilename"] = name;
    e["profileUUID"] = uuid;
    e["profileislink"] = 0;
    e["profilelinkmame"] = "";
    return e;
}

void setRootNames(Json::Value& doc, const std::string& name, const std::string& uuid) {
    json::objectMember(doc, "profilename") = name;
    doc["profileUUID"] = uuid;
}

bool fileExists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

} // namespace

int deviceKindOfClass(const std::string& className) {
    switch (classIndexOf(className)) {
    case 0:
        return 1;
    case 1:
        return 2;
    case 2:
        return 3;
    case 3:
        return ProfileLibrary::kHeadsetKind;
    default:
        return 0;
    }
}

ProfileLibrary::ProfileLibrary(const std::string& className)
    : deviceKind_(deviceKindOfClass(className)) {
    setFolders(quasar::userDataFolder(className), quasar::factoryDefaultPath(className));
}

void ProfileLibrary::setFolders(const std::string& userDataFolder,
                                const std::string& factoryDefaultPath) {
    userDataFolder_ = userDataFolder;
    if (!userDataFolder_.empty() && userDataFolder_.back() != '/') userDataFolder_ += '/';
    factoryDefaultPath_ = factoryDefaultPath;
}

std::string ProfileLibrary::profilePath(const std::string& uuid) const {
    if (!isSafeFileStem(uuid)) return {};
    return userDataFolder_ + uuid + ".Json";
}

Json::Value ProfileLibrary::readList() const {
    Json::Value doc = io_.readJsonFile(listPath());
    // Another program (or the command line) may have damaged it since we last looked: keep
    // working on the last good copy instead of a list that lost every entry.
    if (!hasEntries(doc) && hasEntries(listDoc_)) return listDoc_;
    return doc;
}

bool ProfileLibrary::hasEntries(const Json::Value& listDoc) {
    return arraySize(member(listDoc, "profilelist")) > 0;
}

bool ProfileLibrary::hasUsableEntry(const Json::Value& listDoc) {
    const Json::Value& list = member(listDoc, "profilelist");
    for (Json::ArrayIndex i = 0; i < arraySize(list); ++i)
        if (isSafeFileStem(json::stringAt(list[i], "profileUUID"))) return true;
    return false;
}

bool ProfileLibrary::writeList(const Json::Value& listDoc) {
    bool ok = io_.writeJsonFile(listPath(), listDoc);
    listDoc_ = listDoc;
    fillEntries(listDoc);
    return ok;
}

void ProfileLibrary::fillEntries(const Json::Value& listDoc) {
    entries_.clear();
    const Json::Value& list = member(listDoc, "profilelist");
    for (Json::ArrayIndex i = 0; i < arraySize(list); ++i)
        entries_.push_back(
            Entry{json::stringAt(list[i], "profilename"), json::stringAt(list[i], "profileUUID")});
}

std::vector<std::string> ProfileLibrary::names() const {
    std::vector<std::string> out;
    out.reserve(entries_.size());
    for (const Entry& e : entries_)
        out.push_back(e.name);
    return out;
}

std::string ProfileLibrary::newUuid() const {
    // Unique within this process by construction; a file of the same name can still come from
    // another process started in the same millisecond, so never reuse an existing one.
    std::string uuid = makeTimestampName();
    while (fileExists(profilePath(uuid)))
        uuid = makeTimestampName();
    return uuid;
}

bool ProfileLibrary::rebuildFromFiles(Json::Value& listDoc) {
    std::vector<Entry> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(userDataFolder_, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::filesystem::path& p = it->path();
        if (p.extension() != ".Json") continue;
        std::string uuid = p.stem().string();
        if (!isSafeFileStem(uuid)) continue;
        Json::Value doc = io_.readJsonFile(p.string());
        if (!doc.isObject() || json::stringAt(doc, "profileUUID") != uuid) continue;
        std::string name = json::stringAt(doc, "profilename");
        found.push_back(Entry{name.empty() ? uuid : name, uuid});
    }
    if (found.empty()) return false;
    std::sort(found.begin(), found.end(),
              [](const Entry& a, const Entry& b) { return a.uuid < b.uuid; });
    listDoc = Json::Value(Json::objectValue);
    Json::Value& list = listDoc["profilelist"] = Json::Value(Json::arrayValue);
    for (const Entry& e : found)
        list.append(listElement(e.name, e.uuid));
    listDoc["profileselect"] = 0;
    return true;
}

void ProfileLibrary::loadProfileList() {
    listDoc_ = Json::Value();
    Json::Value doc = io_.readJsonFile(listPath());
    if (!hasUsableEntry(doc)) {
        // A lost or damaged list must not hide the profiles that are still on disk.
        if (rebuildFromFiles(doc)) {
            writeList(doc);
        } else {
            std::string uuid = newUuid();
            doc = Json::Value(Json::objectValue);
            doc["profilelist"] = Json::Value(Json::arrayValue);
            doc["profilelist"].append(listElement("Profile1", uuid));
            doc["profileselect"] = 0;
            writeList(doc);
            Json::Value profile = io_.readJsonFile(factoryDefaultPath_);
            setRootNames(profile, "Profile1", uuid);
            io_.writeJsonFile(profilePath(uuid), profile);
        }
    }
    listDoc_ = doc;
    fillEntries(doc);
    int select = json::intAt(doc, "profileselect");
    // A damaged selection would leave the device without a profile: take the first one.
    if (select < 0 || select >= static_cast<int>(entries_.size())) select = 0;
    selected_ = -1;
    selectedUuid_.clear();
    selectProfile(select);
}

bool ProfileLibrary::selectProfile(int index) {
    Json::Value doc = readList();
    const Json::Value& entry = json::element(member(doc, "profilelist"), index);
    if (entry.isNull()) return false;
    selected_ = index;
    json::objectMember(doc, "profileselect") = index;
    selectedUuid_ = json::stringAt(entry, "profileUUID");
    return writeList(doc);
}

int ProfileLibrary::selectedIndexIn(const Json::Value& listDoc) const {
    if (selected_ < 0) return -1;
    const Json::Value& list = member(listDoc, "profilelist");
    auto uuidAt = [&](std::int64_t i) {
        return json::stringAt(json::element(list, i), "profileUUID");
    };
    if (selected_ < static_cast<int>(arraySize(list)) && uuidAt(selected_) == selectedUuid_)
        return selected_;
    if (selectedUuid_.empty()) return -1;
    for (Json::ArrayIndex i = 0; i < arraySize(list); ++i)
        if (uuidAt(i) == selectedUuid_) return static_cast<int>(i);
    return -1;
}

bool ProfileLibrary::appendProfile(const std::string& name, Json::Value document, bool selectNew) {
    std::string uuid = newUuid();
    std::string path = profilePath(uuid);
    if (path.empty()) return false;
    setRootNames(document, name, uuid);
    // The profile file first: a list entry must never point at a file that is not there.
    if (!io_.writeJsonFile(path, document)) return false;
    Json::Value doc = readList();
    Json::Value& list = json::objectMember(doc, "profilelist");
    if (!list.isArray()) list = Json::Value(Json::arrayValue);
    list.append(listElement(name, uuid));
    if (selectNew) doc["profileselect"] = static_cast<int>(list.size()) - 1;
    return writeList(doc);
}

void ProfileLibrary::syncWithDisk() {
    Json::Value doc = readList();
    if (!hasEntries(doc)) return;
    int s = selectedIndexIn(doc);
    listDoc_ = doc;
    fillEntries(doc);
    selected_ = s;
}

bool ProfileLibrary::addProfile() {
    syncWithDisk();
    if (static_cast<int>(entries_.size()) >= kMaxAddedProfiles) return false;
    std::vector<std::string> taken = names();
    int n = 1;
    std::string name = "Profile1";
    while (nameTaken(taken, name))
        name = "Profile" + std::to_string(++n);
    return appendProfile(name, io_.readJsonFile(factoryDefaultPath_), true);
}

bool ProfileLibrary::copyProfile() {
    syncWithDisk();
    if (selected_ < 0 || selected_ >= static_cast<int>(entries_.size())) return false;
    std::vector<std::string> taken = names();
    std::string name = entries_[selected_].name + " copy";
    while (nameTaken(taken, name))
        name += " copy";
    Json::Value doc = io_.readJsonFile(profilePath(entries_[selected_].uuid));
    return appendProfile(name, doc, false);
}

bool ProfileLibrary::isImportable(const Json::Value& doc) {
    return doc.isObject() && doc.isMember("profilename") && doc.isMember("profileUUID");
}

bool ProfileLibrary::importProfile(const std::string& path) {
    syncWithDisk();
    if (selected_ < 0) return false;
    Json::Value doc = io_.readJsonFile(path);
    if (!isImportable(doc)) return false;
    std::vector<std::string> taken = names();
    std::string name = JsonFileIo::fileTitle(path);
    for (int k = 1; nameTaken(taken, name); ++k)
        name += "(" + std::to_string(k) + ")";
    bool ok = appendProfile(name, doc, false);
    // A profile of an empty UUID is a leftover of an import gone wrong: never a real profile.
    std::remove((userDataFolder_ + ".Json").c_str());
    return ok;
}

bool ProfileLibrary::exportProfile(const std::string& path) {
    if (path.empty() || selected_ < 0) return false;
    Json::Value list = readList();
    int s = selectedIndexIn(list);
    if (s < 0) return false;
    const Json::Value& entry = json::element(member(list, "profilelist"), s);
    std::string source = profilePath(json::stringAt(entry, "profileUUID"));
    if (source.empty()) return false;
    Json::Value doc = io_.readJsonFile(source);
    if (doc.isNull()) return false; // nothing readable to export; never write an empty profile
    return io_.writeJsonFile(path, doc);
}

bool ProfileLibrary::deleteProfile() {
    if (selected_ < 0 || entries_.size() < 2) return false;
    Json::Value doc = readList();
    int s = selectedIndexIn(doc);
    Json::Value& list = json::objectMember(doc, "profilelist");
    if (s < 0 || !list.isArray() || list.size() < 2) return false;
    int next = s == 0 ? 0 : s - 1;
    Json::Value removed;
    list.removeIndex(static_cast<Json::ArrayIndex>(s), &removed);
    std::string path = profilePath(json::stringAt(removed, "profileUUID"));
    doc["profileselect"] = next;
    // The list first: a list entry must never point at a deleted file.
    if (!writeList(doc)) return false;
    if (!path.empty()) std::remove(path.c_str());
    selected_ = -1;
    selectProfile(next);
    return true;
}

ProfileLibrary::RenameResult ProfileLibrary::renameProfile(const std::string& name) {
    if (isBlankName(name)) return RenameBlank;
    syncWithDisk();
    if (nameTaken(names(), name, selected_)) return RenameNameUsed;
    Json::Value doc = readList();
    int s = selectedIndexIn(doc);
    if (s < 0) return RenameNotDone;
    Json::Value& entry = json::objectMember(doc, "profilelist")[static_cast<Json::ArrayIndex>(s)];
    json::objectMember(entry, "profilename") = name;
    writeList(doc);
    selected_ = s;
    std::string path = profilePath(json::stringAt(entry, "profileUUID"));
    if (!path.empty()) {
        Json::Value profile = io_.readJsonFile(path);
        // A profile that cannot be read is left alone: its name lives in the list already.
        if (profile.isObject()) {
            profile["profilename"] = name;
            io_.writeJsonFile(path, profile);
        }
    }
    return RenameDone;
}

bool ProfileLibrary::resetProfile() {
    if (selected_ < 0) return false;
    Json::Value list = readList();
    int s = selectedIndexIn(list);
    if (s < 0) return false;
    const Json::Value& entry = json::element(member(list, "profilelist"), s);
    std::string uuid = json::stringAt(entry, "profileUUID");
    std::string name = json::stringAt(entry, "profilename");
    std::string path = profilePath(uuid);
    if (path.empty()) return false;
    Json::Value doc = io_.readJsonFile(factoryDefaultPath_);
    // Without the factory profile a reset would only destroy the user's settings.
    if (!doc.isObject()) return false;
    setRootNames(doc, name, uuid);
    if (deviceKind_ == kHeadsetKind) {
        // The user's own equaliser presets survive a reset.
        Json::Value current = io_.readJsonFile(path);
        const Json::Value& from = json::element(member(current, "Device"), 0);
        Json::Value& to = json::arrayElement(json::objectMember(doc, "Device"), 0);
        for (const char* key : {"CustomEQNameInfo", "CustomEQHzValueInfo"}) {
            const Json::Value& v = member(from, key);
            if (!v.isNull())
                json::objectMember(to, key) = v;
            else if (to.isObject())
                to.removeMember(key);
        }
    }
    return io_.writeJsonFile(path, doc);
}

} // namespace quasar
