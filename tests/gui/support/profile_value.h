// A key of the profile section "Settings" as the system reads it.
#pragma once

#include <optional>
#include <string>

namespace guitest {

// The key's value, or nothing when it is absent.
std::optional<std::string> ProfileValue(const std::string& iniPath, const std::string& key);

}  // namespace guitest
