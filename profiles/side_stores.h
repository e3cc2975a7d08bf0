#pragma once
// The small stores beside the profiles: macros, the names of the lighting effects and of the
// user's light effects, colour presets, languages and the date of the last update check.
// All are UTF-8 JSON read and written through JsonFileIo; a missing or damaged file reads empty.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <json/value.h>

#include "profiles/jsonfileio.h"

namespace quasar {

// ------------------------------------------------------------------ macros

// One step of a macro file ("Events"[i]).
struct MacroEventRecord {
    bool down = false;       // "Action": "down" or "up"
    int button = 0;          // "Button"
    int type = 0;            // "Type"
    std::uint32_t delay = 0; // "Delay", milliseconds (decimal text, an integer is accepted)
};

// A step as the macro editor hands it over for saving: the stored event object and the text of
// its delay column (empty counts as "0").
struct MacroStepInput {
    Json::Value event;
    std::string delay;
};

// Leading decimal number of a delay text ("150", " 42ms" -> 42; anything else -> 0), capped at
// the largest 32-bit value.
std::uint32_t parseDelayText(const std::string& text);
// "Delay" as stored: decimal text or an integer.
std::uint32_t delayOf(const Json::Value& event);
// The "Events" of a macro file, in play order.
std::vector<MacroEventRecord> macroEvents(const Json::Value& macroFile);

class MacroStore {
public:
    static constexpr int kMaxMacros = 50;
    static constexpr int kFileVersion = 64;

    struct Entry {
        std::string name;
        std::string guid;
    };

    // folder ends in "/"; indexName is "macro.config" (keyboard, mouse) or "norvo_macro.config".
    MacroStore(std::string folder, std::string indexName = "macro.config");
    // The store of a class in its user data folder.
    static MacroStore forClass(const std::string& className);

    const std::string& folder() const { return folder_; }
    std::string indexPath() const { return folder_ + indexName_; }

    // Re-reads the index ("MacroInfo" in list order). An index that is missing or damaged is
    // rebuilt from the macro files beside it.
    void load();
    const std::vector<Entry>& macros() const { return macros_; }
    std::vector<std::string> names() const;
    // folder + Guid + ".mac"; empty when the index is out of range or the Guid is not a plain name.
    std::string macroFilePath(int index) const;
    Json::Value readMacroFile(int index) const;

    // "macro_%d" with the smallest free number. Index of the new macro, -1 when refused.
    int newMacro();
    // Name: the file title, or "title_%d" with the smallest free number from 1. The file is copied
    // unchanged. -1 when refused (50 macros, unreadable or non-JSON file).
    int importMacro(const std::string& path);
    bool exportMacro(int index, const std::string& path) const;
    // Writes the macro file: list name, Guid, the steps with their delay columns, version 64.
    bool saveSteps(int index, const std::vector<MacroStepInput>& steps);
    // Removes the entry (later macros move up) and deletes its file.
    bool deleteMacro(int index);
    // Changes the name in the index only; blank names are refused.
    bool renameMacro(int index, const std::string& name);

private:
    // Re-reads the index before a change, so macros another process (the command line) added or
    // removed meanwhile are neither lost nor brought back. An index that has become unreadable
    // keeps the list in memory.
    void refresh();
    // Rebuilds the list from the ".mac" files in the folder, in the order they were made.
    void rebuildFromFiles();
    // Position of guid in the list, -1 when it is not there.
    int indexOfGuid(const std::string& guid) const;
    int appendEntry(const std::string& name, const std::string& guid);
    bool writeIndex();
    std::string newGuid() const;

    std::string folder_;
    std::string indexName_;
    std::vector<Entry> macros_;
    Json::Value index_;
    JsonFileIo io_;
};

// ------------------------------------------------------------------ light names

struct LightEffectName {
    std::string nameKey; // language key of the effect's name
    bool visible = false;
    int value = 0; // the device's effect code
};

struct LightNameLists {
    std::vector<LightEffectName> effects; // "DefaultLightName"[classIndex]
    std::vector<std::string> areas;       // "AreaLightName"[classIndex] name keys
};

// "default_light.json" in the installed data folder.
std::string defaultLightNamesPath();
LightNameLists readLightNames(const std::string& path, int classIndex);
// Names of the user's light effects ("norvo_light.config", "LightInfo"[classIndex]).
std::vector<std::string> readCustomLightNames(const std::string& path, int classIndex);
// Macro names of an index file ("MacroInfo"[i]."MacroName").
std::vector<std::string> readMacroNames(const std::string& path);

// What a device class reads into its lists when it is created.
struct DefaultStoreLists {
    std::vector<std::string> macroNames;
    LightNameLists lightNames;
    std::vector<std::string> customLightNames;
};
DefaultStoreLists loadDefaultStores(const std::string& className);

// ------------------------------------------------------------------ colour presets

inline constexpr int kColourSlots = 20;
inline constexpr const char* kColourPresetFileName = "color_option_info.config";

struct ColourSlot {
    bool present = false;   // "color" was there and is a hexadecimal number
    std::uint32_t argb = 0; // alpha, red, green, blue from the top byte down
    std::string userData;   // saved colours only
};

struct ColourPresetValues {
    std::array<ColourSlot, kColourSlots> swatches;
    int swatchSelected = 0;
    std::array<ColourSlot, kColourSlots> saved;
    int savedSelected = 0;
};

// Hexadecimal text ("FF102030") -> value; false for anything else.
bool parseColourText(const std::string& text, std::uint32_t& out);

class ColourPresetStore {
public:
    // Defaults: dataRootFolder() and defaultDataFolder().
    ColourPresetStore();
    ColourPresetStore(std::string userPath, std::string installedPath);

    const std::string& userPath() const { return userPath_; }
    // Reads the user's file; when it reads null, the installed one is read and written as the
    // user's file first.
    ColourPresetValues open();
    // Writes every slot that is present, and both selections.
    bool save(const ColourPresetValues& values);

private:
    std::string userPath_;
    std::string installedPath_;
    Json::Value doc_;
    JsonFileIo io_;
};

// ------------------------------------------------------------------ languages and update date

struct LanguageEntry {
    int id = 0;       // "Language_ID"
    std::string name; // "Language_name"
    std::string file; // "Language_file", relative to the skin's "lang/" folder
    std::string text; // "Language_text": the language's own name, as the settings list shows it
};

// "Language.config" in the installed data folder.
std::string languageListPath();
std::vector<LanguageEntry> readLanguages(const std::string& path);

// "updatetime.config" in the data root.
std::string updateDatePath();
// Today's local date as "%d-%d-%d" (2021-3-9).
std::string todayText();
// "updatelasttime"."value"; empty when absent.
std::string readUpdateDate(const std::string& path);
bool writeUpdateDate(const std::string& path, const std::string& date);

} // namespace quasar
