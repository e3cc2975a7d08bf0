#include "profiles/profile_document.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "profiles/json_access.h"
#include "profiles/path_guard.h"

namespace quasar {

using json::arrayElement;
using json::arraySize;
using json::element;
using json::intAt;
using json::member;
using json::objectMember;

namespace {

// Largest group, LED, preset or list index a caller may ask to be created: a stray number from
// a damaged file or a control must not make the document allocate millions of elements.
constexpr int kMaxCreatedIndex = 4096;

std::uint8_t u8At(const Json::Value& obj, const char* key) {
    return json::toU8(member(obj, key));
}
std::uint8_t truthAt(const Json::Value& obj, const char* key) {
    return json::toTruth(member(obj, key)) ? 1 : 0;
}

std::vector<KeyAssignmentEntry> readKeyList(const Json::Value& section) {
    const Json::Value& list = member(section, "KeyList");
    std::vector<KeyAssignmentEntry> out;
    Json::ArrayIndex n = arraySize(list);
    out.reserve(n);
    for (Json::ArrayIndex i = 0; i < n; ++i) {
        const Json::Value& e = list[i];
        out.push_back(makeKeyAssignment(
            static_cast<std::uint16_t>(i),
            actionFromInt(static_cast<std::uint32_t>(json::toInt64(member(e, "Assignment")))),
            actionFromInt(
                static_cast<std::uint32_t>(json::toInt64(member(e, "DefaultAssignment"))))));
    }
    return out;
}

void writeKeyList(Json::Value& section, const std::vector<KeyAssignmentEntry>& list) {
    Json::Value& keyList = objectMember(section, "KeyList");
    for (std::size_t i = 0; i < list.size(); ++i) {
        Json::Value& e = arrayElement(keyList, static_cast<Json::ArrayIndex>(i));
        objectMember(e, "Assignment") = static_cast<Json::Int>(actionToInt(list[i].current.action));
    }
}

// A profile file that exists but does not parse (or is not a JSON object) is about to be replaced
// by a fresh document. Its bytes may still hold the user's settings (a hand edit gone wrong, a
// partly written file from another tool), so they are kept beside it as "<file>.damaged" for the
// user to recover.
void keepDamagedFile(const std::string& path) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return;
    if (std::filesystem::file_size(path, ec) == 0 || ec) return;
    std::filesystem::copy_file(path, path + ".damaged",
                               std::filesystem::copy_options::overwrite_existing, ec);
}

} // namespace

// ---------------------------------------------------------------- writing

bool CBasicProfiledata::save() {
    return writeSection(currentSection_, profilePath_);
}

bool CBasicProfiledata::writeSection(const Json::Value& section, const std::string& path) {
    if (path.empty() || deviceIndex_ < 0 || deviceIndex_ > kMaxCreatedIndex) return false;
    Json::Value doc = io_.readJsonFile(path);
    if (!doc.isObject()) keepDamagedFile(path);
    Json::Value& devices = objectMember(doc, "Device");
    arrayElement(devices, static_cast<Json::ArrayIndex>(deviceIndex_)) = section;
    return io_.writeJsonFile(path, doc);
}

bool CBasicProfiledata::saveResetSection(const std::string& path) {
    return writeSection(resetSection_, path);
}

bool CBasicProfiledata::writeDocument(const Json::Value& value, const std::string& path) {
    if (path.empty()) return false;
    return io_.writeJsonFile(path, value);
}

// ---------------------------------------------------------------- loading

Json::Value CBasicProfiledata::loadInto(Json::Value& target, const std::string& path) {
    Json::Value doc = io_.readJsonFile(path);
    const bool unusable = !doc.isObject();
    target = element(member(doc, "Device"), deviceIndex_);
    if (target.isNull() && deviceIndex_ >= 0 && deviceIndex_ <= kMaxCreatedIndex) {
        Json::Value fallback = io_.readJsonFile(fallbackPath_);
        target = element(member(fallback, "Device"), deviceIndex_);
        arrayElement(objectMember(doc, "Device"), static_cast<Json::ArrayIndex>(deviceIndex_)) =
            target;
        if (!path.empty()) {
            if (unusable) keepDamagedFile(path);
            io_.writeJsonFile(path, doc);
        }
    }
    return target;
}

Json::Value CBasicProfiledata::loadSection(const std::string& path) {
    return loadInto(currentSection_, path);
}

Json::Value CBasicProfiledata::loadResetSection(const std::string& path) {
    return loadInto(resetSection_, path);
}

Json::Value CBasicProfiledata::loadLightLibrary(const std::string& path) {
    lightLibrary_ = io_.readJsonFile(path);
    return lightLibrary_;
}

const Json::Value& CBasicProfiledata::sectionKey(const char* key) const {
    return member(currentSection_, key);
}

// ---------------------------------------------------------------- lighting

LightInfoValues CBasicProfiledata::getLightInfo() {
    const Json::Value& g = sectionKey("LightInfo");
    if (g.isNull()) return defaultLightInfo_;
    LightInfoValues v;
    v.selectItem = u8At(g, "SelectItem");
    v.light = u8At(g, "Light");
    v.speed = u8At(g, "Speed");
    v.fx = u8At(g, "Fx");
    v.multiColor = truthAt(g, "MultiColor");
    v.red = u8At(g, "Red");
    v.green = u8At(g, "Green");
    v.blue = u8At(g, "Blue");
    v.zzccLedMode = u8At(g, "ZZCCLedMode");
    v.customGroup = u8At(g, "CustomGroup");
    v.oldLedMode = u8At(g, "OldLedmode");
    lightInfo_ = v;
    return v;
}

void CBasicProfiledata::setLightInfo(const LightInfoValues& v) {
    Json::Value& g = objectMember(currentSection_, "LightInfo");
    objectMember(g, "SelectItem") = v.selectItem;
    g["Light"] = v.light;
    g["Speed"] = v.speed;
    g["Fx"] = v.fx;
    g["MultiColor"] = v.multiColor;
    g["Red"] = v.red;
    g["Green"] = v.green;
    g["Blue"] = v.blue;
    g["ZZCCLedMode"] = v.zzccLedMode;
    g["CustomGroup"] = v.customGroup;
    g["OldLedmode"] = v.oldLedMode;
    lightInfo_ = v;
    lightInfo_.reserved[0] = lightInfo_.reserved[1] = lightInfo_.reserved[2] = 0;
}

AudioLightValues CBasicProfiledata::getAudioLightInfo() {
    const Json::Value& g = sectionKey("AudioLightInfo");
    if (g.isNull()) return AudioLightValues{};
    AudioLightValues v;
    v.audioMode = u8At(g, "AudioMode");
    v.bkRed = u8At(g, "BkColorR");
    v.bkGreen = u8At(g, "BkColorG");
    v.bkBlue = u8At(g, "BkColorB");
    v.fgRed = u8At(g, "FgColorR");
    v.fgGreen = u8At(g, "FgColorG");
    v.fgBlue = u8At(g, "FgColorB");
    v.sevenColor = truthAt(g, "7ColorFlags");
    // The flag is only ever written as set; an existing section always means "set".
    v.colorType = 1;
    audioLightInfo_ = v;
    return v;
}

void CBasicProfiledata::setAudioLightInfo(const AudioLightValues& v) {
    Json::Value& g = objectMember(currentSection_, "AudioLightInfo");
    objectMember(g, "AudioMode") = v.audioMode;
    g["BkColorR"] = v.bkRed;
    g["BkColorG"] = v.bkGreen;
    g["BkColorB"] = v.bkBlue;
    g["FgColorR"] = v.fgRed;
    g["FgColorG"] = v.fgGreen;
    g["FgColorB"] = v.fgBlue;
    g["7ColorFlags"] = v.sevenColor;
    g["ColorTypeFlags"] = v.colorType;
    audioLightInfo_ = v;
}

std::vector<LightListEntry> CBasicProfiledata::getLightList() {
    const Json::Value& list = sectionKey("LightList");
    std::vector<LightListEntry> out(arraySize(list));
    for (Json::ArrayIndex i = 0; i < out.size(); ++i) {
        const Json::Value& e = list[i];
        if (e.isNull()) continue;
        LightListEntry& v = out[i];
        v.mode = u8At(e, "LEDREGMode");
        v.brightness = u8At(e, "LEDBrightness");
        v.speed = u8At(e, "LEDSpeed");
        v.direction = truthAt(e, "LEDDirection");
        v.multiColor = truthAt(e, "LEDMultiColor");
        v.red = u8At(e, "red");
        v.green = u8At(e, "green");
        v.blue = u8At(e, "blue");
        v.present = 1;
    }
    lightList_ = out;
    return out;
}

std::vector<CustomEffectStep> CBasicProfiledata::getCustomEffect() {
    customEffect_.clear();
    int selected = lightInfo_.selectItem;
    if (lightLibrary_.isNull() || selected < firstCustomEffect_) return customEffect_;
    const Json::Value& entry = element(element(member(lightLibrary_, "LightInfo"), deviceIndex_),
                                       selected - firstCustomEffect_);
    std::string guid = json::stringAt(entry, "Guid");
    // The name comes from a document: it must name a file beside the library, nothing else.
    if (!isSafeFileStem(guid)) return customEffect_;
    Json::Value doc = io_.readJsonFile(folderOf(lightLibraryPath_) + guid + ".light");
    const Json::Value& steps = member(doc, "LEDEffectList");
    for (Json::ArrayIndex i = 0; i < arraySize(steps); ++i) {
        const Json::Value& s = steps[i];
        CustomEffectStep step;
        step.mode = u8At(s, "LEDREGMode");
        step.direction = u8At(s, "LEDDirection");
        step.brightness = u8At(s, "LEDBrightness");
        step.speed = u8At(s, "LEDSpeed");
        step.multiColor = u8At(s, "LEDMultiColor");
        step.red = u8At(s, "red");
        step.green = u8At(s, "green");
        step.blue = u8At(s, "blue");
        step.time = intAt(s, "Time");
        step.cycle = intAt(s, "Cyle");
        customEffect_.push_back(step);
    }
    return customEffect_;
}

// ---------------------------------------------------------------- keys

std::vector<KeyAssignmentEntry> CBasicProfiledata::getKeyList() {
    keyList_ = readKeyList(currentSection_);
    return keyList_;
}

void CBasicProfiledata::setKeyList(const std::vector<KeyAssignmentEntry>& list) {
    keyList_ = list;
    writeKeyList(currentSection_, list);
}

std::vector<KeyAssignmentEntry> CBasicProfiledata::getResetKeyList() {
    resetKeyList_ = readKeyList(resetSection_);
    return resetKeyList_;
}

void CBasicProfiledata::setResetKeyList(const std::vector<KeyAssignmentEntry>& list) {
    resetKeyList_ = list;
    writeKeyList(resetSection_, list);
}

// ---------------------------------------------------------------- keyboard

KeyboardSystemValues CKeyboardProfiledata::getSystemStages() {
    const Json::Value& g = sectionKey("SystemStages");
    if (g.isNull()) return KeyboardSystemValues{};
    KeyboardSystemValues v;
    v.repeat = json::toU16(member(g, "Repeat"));
    v.repeatDelay = json::toU16(member(g, "RepeatDelay"));
    v.key6Flag = json::toU16(member(g, "Key6Flag"));
    v.pollingRate = json::toU16(member(g, "PollingRate"));
    v.wFlag = json::toU16(member(g, "WFlag"));
    v.winFlag = json::toU16(member(g, "WinFlag"));
    systemStages_ = v;
    return v;
}

void CKeyboardProfiledata::setSystemStages(const KeyboardSystemValues& v) {
    Json::Value& g = objectMember(section(), "SystemStages");
    objectMember(g, "Repeat") = v.repeat;
    g["RepeatDelay"] = v.repeatDelay;
    g["Key6Flag"] = v.key6Flag;
    g["PollingRate"] = v.pollingRate;
    g["WFlag"] = v.wFlag;
    g["WinFlag"] = v.winFlag;
    systemStages_ = v;
}

std::vector<CustomLightColor> CKeyboardProfiledata::getCustomLightColors(int group, int count) {
    std::vector<CustomLightColor> out;
    if (group < 0 || group > kMaxCreatedIndex || count <= 0) {
        customColors_ = out;
        return out;
    }
    count = std::min(count, kMaxCreatedIndex);
    Json::Value& info = objectMember(objectMember(section(), "CustomLightMode"), "LightColorInfo");
    Json::Value& colors = arrayElement(info, static_cast<Json::ArrayIndex>(group));
    out.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Json::Value& c = arrayElement(colors, static_cast<Json::ArrayIndex>(i));
        if (!c.isObject()) {
            c = Json::Value(Json::objectValue);
            c["Red"] = 0;
            c["Green"] = 0;
            c["Blue"] = 0;
            c["Alpha"] = 0;
            continue;
        }
        out[i] =
            CustomLightColor{u8At(c, "Red"), u8At(c, "Green"), u8At(c, "Blue"), u8At(c, "Alpha")};
    }
    customColors_ = out;
    return out;
}

void CKeyboardProfiledata::setCustomLightColors(int group,
                                                const std::vector<CustomLightColor>& colors) {
    if (group < 0 || group > kMaxCreatedIndex) return;
    Json::Value& info = objectMember(objectMember(section(), "CustomLightMode"), "LightColorInfo");
    Json::Value& list = arrayElement(info, static_cast<Json::ArrayIndex>(group));
    for (std::size_t i = 0; i < colors.size(); ++i) {
        Json::Value& c = arrayElement(list, static_cast<Json::ArrayIndex>(i));
        objectMember(c, "Red") = colors[i].red;
        c["Green"] = colors[i].green;
        c["Blue"] = colors[i].blue;
        c["Alpha"] = colors[i].alpha;
    }
    customColors_ = colors;
}

int CKeyboardProfiledata::getCustomLightGroup() {
    customGroup_ = intAt(sectionKey("CustomLightMode"), "CustomLightModeGroupIndex");
    return customGroup_;
}

void CKeyboardProfiledata::setCustomLightGroup(int group) {
    objectMember(objectMember(section(), "CustomLightMode"), "CustomLightModeGroupIndex") = group;
    customGroup_ = group;
}

// ---------------------------------------------------------------- mouse

std::vector<DpiStage> CMouseProfiledata::getDpiStages() {
    const Json::Value& g = sectionKey("DPIStages");
    if (!g.isNull()) {
        activeDpiStage_ = intAt(g, "StageActive");
        const Json::Value& list = member(g, "StageDPIs");
        for (Json::ArrayIndex j = 0; j < arraySize(list); ++j) {
            const Json::Value& e = list[j];
            DpiStage s;
            s.active = u8At(e, "StageActive");
            s.xy = u8At(e, "StageXY");
            s.dpiX = json::toU16(member(e, "StageDPIX"));
            s.dpiY = json::toU16(member(e, "StageDPIY"));
            s.red = u8At(e, "StageColorR");
            s.green = u8At(e, "StageColorG");
            s.blue = u8At(e, "StageColorB");
            if (j < dpiStages_.size())
                dpiStages_[j] = s;
            else
                dpiStages_.push_back(s);
        }
    }
    return dpiStages_;
}

void CMouseProfiledata::setDpiStages(const std::vector<DpiStage>& stages) {
    dpiStages_ = stages;
    Json::Value& list = objectMember(objectMember(section(), "DPIStages"), "StageDPIs");
    for (std::size_t i = 0; i < stages.size(); ++i) {
        const DpiStage& s = stages[i];
        Json::Value& e = arrayElement(list, static_cast<Json::ArrayIndex>(i));
        objectMember(e, "StageActive") = s.active;
        e["StageXY"] = s.xy;
        e["StageDPIX"] = s.dpiX;
        e["StageDPIY"] = s.dpiY;
        e["StageColorR"] = s.red;
        e["StageColorG"] = s.green;
        e["StageColorB"] = s.blue;
    }
}

void CMouseProfiledata::setActiveDpiStage(int stage) {
    activeDpiStage_ = stage;
    objectMember(objectMember(section(), "DPIStages"), "StageActive") = stage;
}

MouseSystemValues CMouseProfiledata::getMouseSystemStages() {
    const Json::Value& g = sectionKey("SystemStages");
    if (g.isNull()) return MouseSystemValues{};
    MouseSystemValues v;
    v.doubleClickTime = json::toU16(member(g, "DoubleClickTime"));
    v.mouseSpeed = json::toU16(member(g, "MouseSpeed"));
    v.pointerPrecision = json::toU16(member(g, "PointerPrecision"));
    v.scrollPage = json::toU16(member(g, "ScorllPage"));
    v.wheelScrollLines = json::toU16(member(g, "WheelScorlllinse"));
    v.reportStage = json::toU16(member(sectionKey("ReportStages"), "StageActive"));
    systemStages_ = v;
    return v;
}

void CMouseProfiledata::setMouseSystemStages(const MouseSystemValues& v) {
    Json::Value& g = objectMember(section(), "SystemStages");
    objectMember(g, "DoubleClickTime") = v.doubleClickTime;
    g["MouseSpeed"] = v.mouseSpeed;
    g["PointerPrecision"] = v.pointerPrecision;
    g["ScorllPage"] = v.scrollPage;
    g["WheelScorlllinse"] = v.wheelScrollLines;
    objectMember(objectMember(section(), "ReportStages"), "StageActive") = v.reportStage;
    systemStages_ = v;
}

std::vector<CorrectEntry> CMouseProfiledata::getCorrectInfo() {
    const Json::Value& list = sectionKey("CorrectInfo");
    std::vector<CorrectEntry> out;
    for (Json::ArrayIndex i = 0; i < arraySize(list); ++i) {
        const Json::Value& e = list[i];
        out.push_back(CorrectEntry{u8At(e, "CorrectPixThresh"), u8At(e, "CorrectMinSq"),
                                   u8At(e, "CorrectSelect"), json::stringAt(e, "CorrectName")});
    }
    correctInfo_ = out;
    return out;
}

// ---------------------------------------------------------------- headset

HeadsetSystemValues CZi6533Profiledata::getSystemSetStages() {
    const Json::Value& g = sectionKey("SystemSetStages");
    if (g.isNull()) return HeadsetSystemValues{};
    HeadsetSystemValues v;
    v.magicEnable = intAt(g, "MagicEnable");
    v.magicType = intAt(g, "MagicType");
    v.eqType = intAt(g, "EqType");
    v.customEqSelectIndex = intAt(g, "CustomEqSeletIndex");
    v.micInSelect = intAt(g, "MicInSelect");
    v.micInValue = intAt(g, "MicInValue");
    v.micMonitorSelect = intAt(g, "MicMoniterSelect");
    v.micMonitorValue = intAt(g, "MicMoniterValue");
    systemSetStages_ = v;
    return v;
}

void CZi6533Profiledata::setSystemSetStages(const HeadsetSystemValues& v) {
    Json::Value& g = objectMember(section(), "SystemSetStages");
    objectMember(g, "MagicEnable") = v.magicEnable;
    g["MagicType"] = v.magicType;
    g["EqType"] = v.eqType;
    g["CustomEqSeletIndex"] = v.customEqSelectIndex;
    g["MicInSelect"] = v.micInSelect;
    g["MicInValue"] = v.micInValue;
    g["MicMoniterSelect"] = v.micMonitorSelect;
    g["MicMoniterValue"] = v.micMonitorValue;
    systemSetStages_ = v;
}

namespace {
// Preset numbers as the equaliser list gives them; -1 means "nothing to do" (the custom entry).
int mapPreset(int preset) {
    if (preset == 13) return -1;
    if (preset >= 1 && preset <= 12) return preset;
    return 1; // 0, above 13, and numbers that cannot be presets at all
}
} // namespace

std::vector<int> CZi6533Profiledata::bandsOf(const char* key, int index) {
    std::vector<int> out;
    if (index < 0 || index > kMaxCreatedIndex) return out;
    Json::Value& presets = objectMember(section(), key);
    Json::Value& bands = arrayElement(presets, static_cast<Json::ArrayIndex>(index));
    out.resize(kBands);
    for (int b = 0; b < kBands; ++b) {
        Json::Value& band = arrayElement(bands, static_cast<Json::ArrayIndex>(b));
        if (band.isObject() && band.isMember("value")) {
            out[b] = intAt(band, "value");
        } else {
            objectMember(band, "value") = 0;
        }
    }
    return out;
}

void CZi6533Profiledata::writeBands(const char* key, int index, const std::vector<int>& values) {
    if (index < 0 || index > kMaxCreatedIndex) return;
    Json::Value& presets = objectMember(section(), key);
    Json::Value& bands = arrayElement(presets, static_cast<Json::ArrayIndex>(index));
    for (int b = 0; b < kBands && b < static_cast<int>(values.size()); ++b)
        objectMember(arrayElement(bands, static_cast<Json::ArrayIndex>(b)), "value") = values[b];
}

std::vector<int> CZi6533Profiledata::getEqBands(int preset) {
    int p = mapPreset(preset);
    if (p < 0) return {};
    return bandsOf("EQHzValueInfo", p);
}

void CZi6533Profiledata::setEqBands(int preset, const std::vector<int>& values) {
    int p = mapPreset(preset);
    if (p < 0) return;
    writeBands("EQHzValueInfo", p, values);
}

std::vector<std::string> CZi6533Profiledata::getCustomEqNames() {
    const Json::Value& list = sectionKey("CustomEQNameInfo");
    std::vector<std::string> out;
    for (Json::ArrayIndex i = 0; i < arraySize(list); ++i)
        out.push_back(json::stringAt(list[i], "Name"));
    return out;
}

void CZi6533Profiledata::setCustomEqNames(const std::vector<std::string>& names) {
    Json::Value list(Json::arrayValue);
    for (const std::string& n : names) {
        Json::Value e(Json::objectValue);
        e["Name"] = n;
        list.append(e);
    }
    objectMember(section(), "CustomEQNameInfo") = list;
}

std::vector<int> CZi6533Profiledata::getCustomEqBands(int custom) {
    return bandsOf("CustomEQHzValueInfo", custom);
}

void CZi6533Profiledata::setCustomEqBands(int custom, const std::vector<int>& values) {
    writeBands("CustomEQHzValueInfo", custom, values);
}

} // namespace quasar
