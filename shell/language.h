#pragma once
// Interface languages: the list in "Language.config", the stored choice, the texts of a language
// file and the font face that goes with a language.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "profiles/side_stores.h"

namespace quasar {

// The settings key that holds the stored language ("LANGUAGE" = the language's identifier).
inline constexpr std::string_view kLanguageSettingsKey = "Brimlet Quasar+ 88-Key RGB Keyboard keyboard";
inline constexpr std::string_view kLanguageValueName = "LANGUAGE";

// "Language.config" of the default data folder, in order; empty when missing or damaged.
std::vector<LanguageEntry> readLanguageList();
// Element `index` of the list; empty names and identifier 0 when out of range.
LanguageEntry languageAt(const std::vector<LanguageEntry>& list, int index);

// The index of the stored language in the list; 0 when nothing is stored or nothing matches.
int loadStoredLanguage();
// Stores the identifier (creating the settings folder when missing). True when written.
bool saveLanguageId(int id);

// The font face of a language index.
std::string fontFaceOfLanguage(int index);
// Whether switching from `current` to `next` changes the font face: any switch to or from one of
// the languages with a face of their own (and the first switch, from -1).
bool languageSwitchChangesFont(int current, int next);

// The sizes and styles of the font ids stay as the toolkit's font table gives them
// (ui::fontSpecForId); a language switch changes only the face.

// The texts of one language: a JSON object mapping language key to text, plus "<stem>.data.json"
// beside it when present (texts of the keys used by the factory data files).
class LanguageTexts {
public:
    // Reads "<folder><file>"; false (and no texts) when it is missing or not a JSON object.
    // A file name that leaves the folder ("../x", "/x") is refused.
    bool load(const std::string& folder, const std::string& file);
    void clear() { texts_.clear(); }
    // The text of the key; the key itself when there is none.
    std::string translate(std::string_view key) const;
    size_t size() const { return texts_.size(); }

private:
    bool merge(const std::string& path);
    std::unordered_map<std::string, std::string> texts_;
};

} // namespace quasar
