#pragma once
// The profiles of one device class: "ProfileList.ini" (a JSON document despite its name) and one
// UUID + ".Json" file per profile in the class's user data folder.
//
// The library owns the files and does every operation on them; it has no controls, so the
// profile bar, the command line and the tests all use the same code. Every operation re-reads
// "ProfileList.ini" before changing it and writes it back at once.

#include <string>
#include <vector>

#include <json/value.h>

#include "profiles/jsonfileio.h"

namespace quasar {

class ProfileLibrary {
public:
    // Profiles made by "add"; copy and import are not limited.
    static constexpr int kMaxAddedProfiles = 50;
    static constexpr int kHeadsetKind = 7;

    struct Entry {
        std::string name;
        std::string uuid;
    };

    // RenameNotDone: no profile is selected, or the selected profile has left the list since it
    // was selected (another process deleted it).
    enum RenameResult { RenameNameUsed = 0, RenameDone = 1, RenameBlank = 2, RenameNotDone = 3 };

    ProfileLibrary() = default;
    // Folders of a class name ("keyboard", "mouse", "MousePad", "HD") and its device kind.
    explicit ProfileLibrary(const std::string& className);

    void setDeviceKind(int kind) { deviceKind_ = kind; }
    int deviceKind() const { return deviceKind_; }
    // userDataFolder ends in "/".
    void setFolders(const std::string& userDataFolder, const std::string& factoryDefaultPath);
    const std::string& userDataFolder() const { return userDataFolder_; }
    const std::string& factoryDefaultPath() const { return factoryDefaultPath_; }
    std::string listPath() const { return userDataFolder_ + "ProfileList.ini"; }
    // userDataFolder + uuid + ".Json"; empty for a uuid that is not a plain file name.
    std::string profilePath(const std::string& uuid) const;

    // Reads the list (creating "Profile1" from the factory profile on first use, or rebuilding the
    // list from the profile files when it was lost) and selects the entry in "profileselect".
    void loadProfileList();

    const std::vector<Entry>& entries() const { return entries_; }
    int selectedIndex() const { return selected_; }
    const std::string& selectedUuid() const { return selectedUuid_; }
    std::string selectedProfilePath() const { return profilePath(selectedUuid_); }

    // Each returns true when it changed something on disk.
    bool selectProfile(int index);
    bool addProfile();
    bool deleteProfile();
    bool copyProfile();
    // The file must parse and carry "profilename" and "profileUUID" at its root.
    bool importProfile(const std::string& path);
    static bool isImportable(const Json::Value& doc);
    bool exportProfile(const std::string& path);
    bool resetProfile();
    RenameResult renameProfile(const std::string& name);

private:
    Json::Value readList() const;
    static bool hasEntries(const Json::Value& listDoc);
    // At least one entry names a profile file; a list without one is as good as lost.
    static bool hasUsableEntry(const Json::Value& listDoc);
    bool writeList(const Json::Value& listDoc);
    void fillEntries(const Json::Value& listDoc);
    std::vector<std::string> names() const;
    std::string newUuid() const;
    // Appends {name, uuid} to the list on disk and writes document as the new profile file.
    bool appendProfile(const std::string& name, Json::Value document, bool selectNew);
    bool rebuildFromFiles(Json::Value& listDoc);
    // Position of the selected profile in a freshly read list: found by its UUID, since another
    // process (the command line, say) may have added or removed entries since it was selected.
    // -1 when it is no longer there.
    int selectedIndexIn(const Json::Value& listDoc) const;
    // Takes over the list as it is on disk now (names, count, the selection's new position), so
    // names made here never clash with profiles another process added.
    void syncWithDisk();

    int deviceKind_ = 0;
    std::string userDataFolder_;
    std::string factoryDefaultPath_;
    std::vector<Entry> entries_;
    Json::Value listDoc_;
    int selected_ = -1;
    std::string selectedUuid_;
    JsonFileIo io_;
};

// Device kind of a class name (keyboard 1, mouse 2, mousepad 3, headset 7), 0 when unknown.
int deviceKindOfClass(const std::string& className);

} // namespace quasar
