#pragma once
// Small helpers for the profile tests: files in a temporary folder, read back as text or JSON.

#include <fstream>
#include <sstream>
#include <string>

#include <json/reader.h>
#include <json/value.h>

#include "support/temp_dir.h"

namespace quasar::testing {

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Parses text strictly; null when it is not JSON (so a torn file shows as null).
inline Json::Value parseJson(const std::string& text) {
    Json::CharReaderBuilder b;
    Json::Value v;
    std::string errors;
    std::istringstream in(text);
    if (!Json::parseFromStream(b, in, &v, &errors)) return Json::Value();
    return v;
}

inline Json::Value readJson(const std::string& path) {
    return parseJson(readText(path));
}

inline void writeJson(const std::string& path, const Json::Value& v) {
    writeText(path, v.toStyledString());
}

inline bool exists(const std::string& path) {
    return std::ifstream(path).good();
}

} // namespace quasar::testing
