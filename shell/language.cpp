#include "shell/language.h"

#include "platform/program_paths.h"
#include "platform/trace.h"
#include "profiles/jsonfileio.h"
#include "shell/ini_file.h"

namespace quasar {

std::vector<LanguageEntry> readLanguageList() { return readLanguages(languageListPath()); }

LanguageEntry languageAt(const std::vector<LanguageEntry>& list, int index) {
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return {};
    return list[static_cast<size_t>(index)];
}

int loadStoredLanguage() {
    SettingsKey key{std::string(kLanguageSettingsKey)};
    auto stored = key.readNumber(std::string(kLanguageValueName));
    if (!stored) return 0;
    auto list = readLanguageList();
    for (size_t i = 0; i < list.size(); ++i)
        if (static_cast<std::uint32_t>(list[i].id) == *stored) return static_cast<int>(i);
    return 0;
}

bool saveLanguageId(int id) {
    SettingsKey key{std::string(kLanguageSettingsKey)};
    bool ok = key.writeNumber(std::string(kLanguageValueName), static_cast<std::uint32_t>(id));
    if (ok) trace::line("写成功！");
    return ok;
}

std::string fontFaceOfLanguage(int index) {
    switch (index) {
    case 15: return "Noto Sans Thai";
    case 0: return "汉仪菱心体简";
    case 2: return "Noto Sans CJK TC Regular";
    default: return "Verdana Unicode MS";
    }
}

bool languageSwitchChangesFont(int current, int next) {
    auto own = [](int i) { return i == 15 || i == 0 || i == 2; };
    return own(next) || own(current) || current == -1;
}

bool LanguageTexts::merge(const std::string& path) {
    Json::Value doc = JsonFileIo().readJsonFile(path);
    if (!doc.isObject()) return false;
    for (auto it = doc.begin(); it != doc.end(); ++it)
        if (it->isString()) texts_[it.name()] = it->asString();
    return true;
}

bool LanguageTexts::load(const std::string& folder, const std::string& file) {
    texts_.clear();
    if (file.empty() || file.front() == '/' || file.find("..") != std::string::npos) {
        trace::printf("language file refused: %s\n", file.c_str());
        return false;
    }
    if (!merge(folder + file)) {
        trace::printf("language file missing or damaged: %s%s\n", folder.c_str(), file.c_str());
        return false;
    }
    std::string stem = file;
    if (auto dot = stem.rfind('.'); dot != std::string::npos) stem.resize(dot);
    merge(folder + stem + ".data.json");
    return true;
}

std::string LanguageTexts::translate(std::string_view key) const {
    auto it = texts_.find(std::string(key));
    if (it == texts_.end() || it->second.empty()) return std::string(key);
    return it->second;
}

} // namespace quasar
