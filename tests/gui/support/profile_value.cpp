#include "profile_value.h"

#include <windows.h>

namespace guitest {

std::optional<std::string> ProfileValue(const std::string& iniPath, const std::string& key) {
    // Two different defaults tell an absent key from one whose value equals a default.
    char value[4096] = {};
    GetPrivateProfileStringA("Settings", key.c_str(), "\x01", value, sizeof value, iniPath.c_str());
    if (std::string(value) != "\x01") return std::string(value);
    GetPrivateProfileStringA("Settings", key.c_str(), "\x02", value, sizeof value, iniPath.c_str());
    if (std::string(value) != "\x02") return std::string(value);
    return std::nullopt;
}

}  // namespace guitest
