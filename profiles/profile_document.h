#pragma once
// The profile document of one device: the "Device" section of a profile file, read and written
// through typed getters and setters, with the factory profile as the seed of a missing file.
//
// Every setter changes the in-memory section only; save() (or writeSection) puts it on disk.
// Every getter reads whatever the file holds without validating ranges; a missing key, a value of
// the wrong type or a damaged file reads as the default of that key.

#include <cstdint>
#include <string>
#include <vector>

#include <json/value.h>

#include "editors/key_action.h"
#include "profiles/jsonfileio.h"

namespace quasar {

// The selected lighting effect. The three reserved bytes are never stored.
struct LightInfoValues {
    std::uint8_t selectItem = 0; // "SelectItem"
    std::uint8_t light = 0;      // "Light" (brightness level)
    std::uint8_t speed = 0;      // "Speed"
    std::uint8_t fx = 0;         // "Fx"
    std::uint8_t multiColor = 0; // "MultiColor" (read as a truth value)
    std::uint8_t red = 0;        // "Red"
    std::uint8_t green = 0;      // "Green"
    std::uint8_t blue = 0;       // "Blue"
    std::uint8_t reserved[3] = {0, 0, 0};
    std::uint8_t zzccLedMode = 0; // "ZZCCLedMode"
    std::uint8_t customGroup = 0; // "CustomGroup"
    std::uint8_t oldLedMode = 0;  // "OldLedmode"
    bool operator==(const LightInfoValues&) const = default;
};

// Music-reactive lighting.
struct AudioLightValues {
    std::uint8_t audioMode = 0;                      // "AudioMode"
    std::uint8_t bkRed = 0, bkGreen = 0, bkBlue = 0; // "BkColorR", "BkColorG", "BkColorB"
    std::uint8_t fgRed = 0, fgGreen = 0, fgBlue = 0; // "FgColorR", "FgColorG", "FgColorB"
    std::uint8_t sevenColor = 0;                     // "7ColorFlags" (truth value)
    std::uint8_t colorType = 0;                      // "ColorTypeFlags" (1 whenever stored)
    bool operator==(const AudioLightValues&) const = default;
};

// Stored parameters of one effect (or one light's own setting).
struct LightListEntry {
    std::uint8_t mode = 0;       // "LEDREGMode"
    std::uint8_t brightness = 0; // "LEDBrightness"
    std::uint8_t speed = 0;      // "LEDSpeed"
    std::uint8_t direction = 0;  // "LEDDirection" (truth value)
    std::uint8_t multiColor = 0; // "LEDMultiColor" (truth value)
    std::uint8_t red = 0, green = 0, blue = 0;
    std::uint8_t present = 0; // 1 when the element is not null
    bool operator==(const LightListEntry&) const = default;
};

// One step of a user light effect (".light" file).
struct CustomEffectStep {
    std::uint8_t mode = 0, direction = 0, brightness = 0, speed = 0, multiColor = 0;
    std::uint8_t red = 0, green = 0, blue = 0;
    std::int32_t time = 0;  // "Time", milliseconds
    std::int32_t cycle = 0; // "Cyle"
    bool operator==(const CustomEffectStep&) const = default;
};

struct DpiStage {
    std::uint8_t active = 0;                   // "StageActive"
    std::uint8_t xy = 0;                       // "StageXY"
    std::uint16_t dpiX = 0;                    // "StageDPIX"
    std::uint16_t dpiY = 0;                    // "StageDPIY"
    std::uint8_t red = 0, green = 0, blue = 0; // "StageColorR/G/B"
    bool operator==(const DpiStage&) const = default;
};

struct CustomLightColor {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 0;
    bool operator==(const CustomLightColor&) const = default;
};

struct CorrectEntry {
    std::uint8_t pixThresh = 0; // "CorrectPixThresh"
    std::uint8_t minSq = 0;     // "CorrectMinSq"
    std::uint8_t select = 0;    // "CorrectSelect"
    std::string name;           // "CorrectName", UTF-8
    bool operator==(const CorrectEntry&) const = default;
};

// "SystemStages" of a keyboard.
struct KeyboardSystemValues {
    std::uint16_t repeat = 0, repeatDelay = 0, key6Flag = 0, pollingRate = 0, wFlag = 0,
                  winFlag = 0;
    bool operator==(const KeyboardSystemValues&) const = default;
};

// "SystemStages" of a mouse plus the selected polling-rate entry ("ReportStages"/"StageActive").
struct MouseSystemValues {
    std::uint16_t doubleClickTime = 0, mouseSpeed = 0, pointerPrecision = 0, scrollPage = 0,
                  wheelScrollLines = 0, reportStage = 0;
    bool operator==(const MouseSystemValues&) const = default;
};

// "SystemSetStages" of a headset.
struct HeadsetSystemValues {
    std::int32_t magicEnable = 0, magicType = 0, eqType = 0, customEqSelectIndex = 0,
                 micInSelect = 0, micInValue = 0, micMonitorSelect = 0, micMonitorValue = 0;
    bool operator==(const HeadsetSystemValues&) const = default;
};

class CBasicProfiledata {
public:
    CBasicProfiledata() = default;
    virtual ~CBasicProfiledata() = default;
    CBasicProfiledata(const CBasicProfiledata&) = delete;
    CBasicProfiledata& operator=(const CBasicProfiledata&) = delete;

    // --- writing (true when the file is in place) ---
    virtual bool save();
    // Puts section at "Device"[deviceIndex] of the document at path, keeping everything else.
    virtual bool writeSection(const Json::Value& section, const std::string& path);
    virtual bool saveResetSection(const std::string& path);
    // value becomes the whole file.
    virtual bool writeDocument(const Json::Value& value, const std::string& path);

    // --- paths and index ---
    void setProfilePath(const std::string& path) { profilePath_ = path; }
    const std::string& profilePath() const { return profilePath_; }
    void setFallbackPath(const std::string& path) {
        if (!path.empty()) fallbackPath_ = path;
    }
    const std::string& fallbackPath() const { return fallbackPath_; }
    void setLightLibraryPath(const std::string& path) { lightLibraryPath_ = path; }
    const std::string& lightLibraryPath() const { return lightLibraryPath_; }
    void setDeviceIndex(int index) { deviceIndex_ = index; }
    int deviceIndex() const { return deviceIndex_; }
    int firstCustomEffect() const { return firstCustomEffect_; }

    // --- loading: a missing or unreadable profile is seeded from the fallback and written ---
    Json::Value loadSection(const std::string& path);
    Json::Value loadResetSection(const std::string& path);
    Json::Value loadLightLibrary(const std::string& path);
    const Json::Value& currentSection() const { return currentSection_; }
    const Json::Value& resetSection() const { return resetSection_; }

    LightInfoValues getLightInfo();
    void setLightInfo(const LightInfoValues& values);
    AudioLightValues getAudioLightInfo();
    void setAudioLightInfo(const AudioLightValues& values);
    std::vector<LightListEntry> getLightList();
    // Steps of the selected user effect from its ".light" file beside the light library.
    std::vector<CustomEffectStep> getCustomEffect();

    std::vector<KeyAssignmentEntry> getKeyList();
    void setKeyList(const std::vector<KeyAssignmentEntry>& list);
    std::vector<KeyAssignmentEntry> getResetKeyList();
    void setResetKeyList(const std::vector<KeyAssignmentEntry>& list);

protected:
    Json::Value& section() { return currentSection_; }
    const Json::Value& sectionKey(const char* key) const;

    JsonFileIo io_;

private:
    Json::Value loadInto(Json::Value& target, const std::string& path);

    std::string profilePath_;
    std::string fallbackPath_;
    std::string lightLibraryPath_;
    int deviceIndex_ = 0;
    int firstCustomEffect_ = 0;
    Json::Value currentSection_;
    Json::Value resetSection_;
    Json::Value lightLibrary_;

    LightInfoValues lightInfo_;
    LightInfoValues defaultLightInfo_;
    AudioLightValues audioLightInfo_;
    std::vector<LightListEntry> lightList_;
    std::vector<CustomEffectStep> customEffect_;
    std::vector<KeyAssignmentEntry> keyList_;
    std::vector<KeyAssignmentEntry> resetKeyList_;
};

class CKeyboardProfiledata : public CBasicProfiledata {
public:
    KeyboardSystemValues getSystemStages();
    void setSystemStages(const KeyboardSystemValues& values);
    // Colours of LEDs 0..count-1 of a group; missing LEDs (or the whole group) are added to the
    // section as zeros and read as zero.
    std::vector<CustomLightColor> getCustomLightColors(int group, int count);
    void setCustomLightColors(int group, const std::vector<CustomLightColor>& colors);
    int getCustomLightGroup();
    void setCustomLightGroup(int group);

private:
    KeyboardSystemValues systemStages_;
    std::vector<CustomLightColor> customColors_;
    int customGroup_ = 0;
};

class CMouseProfiledata : public CBasicProfiledata {
public:
    // Stages read are merged into the cached list (stage j overwrites cached stage j, extra
    // cached stages remain); also refreshes the active stage.
    std::vector<DpiStage> getDpiStages();
    void setDpiStages(const std::vector<DpiStage>& stages);
    void setActiveDpiStage(int stage);
    int activeDpiStage() const { return activeDpiStage_; }
    MouseSystemValues getMouseSystemStages();
    void setMouseSystemStages(const MouseSystemValues& values);
    std::vector<CorrectEntry> getCorrectInfo();

private:
    std::vector<DpiStage> dpiStages_;
    int activeDpiStage_ = 0;
    MouseSystemValues systemStages_;
    std::vector<CorrectEntry> correctInfo_;
};

class CZi6533Profiledata : public CBasicProfiledata {
public:
    static constexpr int kBands = 10;

    HeadsetSystemValues getSystemSetStages();
    void setSystemSetStages(const HeadsetSystemValues& values);
    // Preset 0 means 1, 1-12 themselves, 13 (custom) does nothing (empty result), above 13 means 1.
    std::vector<int> getEqBands(int preset);
    void setEqBands(int preset, const std::vector<int>& values);
    std::vector<std::string> getCustomEqNames();
    void setCustomEqNames(const std::vector<std::string>& names);
    std::vector<int> getCustomEqBands(int custom);
    void setCustomEqBands(int custom, const std::vector<int>& values);

private:
    std::vector<int> bandsOf(const char* key, int index);
    void writeBands(const char* key, int index, const std::vector<int>& values);

    HeadsetSystemValues systemSetStages_;
};

} // namespace quasar
