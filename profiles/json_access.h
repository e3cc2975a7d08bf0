#pragma once
// Reading values out of documents that users, other programs or a crash may have damaged.
//
// JsonCpp's asInt(), asString(), operator[] on the wrong type and friends throw or assert. These
// helpers never do: a value of the wrong type, or a member of something that is not an object,
// reads as the default of that key. The writers turn whatever is in the way into the container
// they need, so a damaged section is repaired by the next write instead of failing it.

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <json/value.h>

namespace quasar::json {

inline const Json::Value& nullValue() {
    static const Json::Value kNull;
    return kNull;
}

// obj[key] when obj is an object that has it, null otherwise.
inline const Json::Value& member(const Json::Value& obj, const char* key) {
    if (!obj.isObject()) return nullValue();
    const Json::Value* found = obj.find(key, key + std::char_traits<char>::length(key));
    return found ? *found : nullValue();
}

// arr[index] when arr is an array long enough, null otherwise.
inline const Json::Value& element(const Json::Value& arr, std::int64_t index) {
    if (!arr.isArray() || index < 0 || index >= static_cast<std::int64_t>(arr.size()))
        return nullValue();
    return arr[static_cast<Json::ArrayIndex>(index)];
}

// Element count of an array; 0 for anything else.
inline Json::ArrayIndex arraySize(const Json::Value& arr) {
    return arr.isArray() ? arr.size() : 0;
}

// A whole number out of any numeric or boolean value; anything else (strings, containers, null)
// gives def. Large numbers keep their low 64 bits so that the fixed-width fields above them keep
// the low bits as a C cast would.
inline std::int64_t toInt64(const Json::Value& v, std::int64_t def = 0) {
    switch (v.type()) {
    case Json::intValue:
        return v.asLargestInt();
    case Json::uintValue:
        return static_cast<std::int64_t>(v.asLargestUInt());
    case Json::realValue: {
        double d = v.asDouble();
        if (!std::isfinite(d)) return def;
        if (d >= 9.2e18 || d <= -9.2e18) return def;
        return static_cast<std::int64_t>(d);
    }
    case Json::booleanValue:
        return v.asBool() ? 1 : 0;
    default:
        return def;
    }
}

inline int toInt(const Json::Value& v, int def = 0) {
    return static_cast<int>(static_cast<std::uint32_t>(toInt64(v, def)));
}
inline std::uint8_t toU8(const Json::Value& v) {
    return static_cast<std::uint8_t>(toInt64(v));
}
inline std::uint16_t toU16(const Json::Value& v) {
    return static_cast<std::uint16_t>(toInt64(v));
}

// Non-zero numbers and true read as true.
inline bool toTruth(const Json::Value& v) {
    if (v.isBool()) return v.asBool();
    if (v.isDouble() && !v.isIntegral()) return v.asDouble() != 0.0;
    return toInt64(v) != 0;
}

inline std::string toString(const Json::Value& v, const std::string& def = {}) {
    return v.isString() ? v.asString() : def;
}

// Shorthands: member + conversion.
inline int intAt(const Json::Value& obj, const char* key, int def = 0) {
    return toInt(member(obj, key), def);
}
inline std::string stringAt(const Json::Value& obj, const char* key) {
    return toString(member(obj, key));
}

// Writable obj[key]; obj becomes an object first when it is anything else.
inline Json::Value& objectMember(Json::Value& obj, const char* key) {
    if (!obj.isObject()) obj = Json::Value(Json::objectValue);
    return obj[key];
}

// Writable arr[index]; arr becomes an array first when it is anything else, and grows with nulls.
inline Json::Value& arrayElement(Json::Value& arr, Json::ArrayIndex index) {
    if (!arr.isArray()) arr = Json::Value(Json::arrayValue);
    return arr[index];
}

} // namespace quasar::json
