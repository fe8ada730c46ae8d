// The constraint lines a conversion is expected to write, built from the documented line
// format for small hand-picked inputs.
#pragma once

#include <cstdio>
#include <string>

#include "tests/support/byte_patterns.h"

// "INST <instance> INIT_0<digit> = <64 hex digits, last byte first>;\r\n" for one chunk of
// up to 32 bytes, padded with "00" at the high end.
inline std::string InitLine(const std::string& instance, int attribute, const std::string& chunk) {
    std::string line = "INST " + instance + " INIT_0";
    line += "0123456789ABCDEF"[attribute];
    line += " = ";
    line.append(2 * (32 - chunk.size()), '0');
    for (auto it = chunk.rbegin(); it != chunk.rend(); ++it) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(*it));
        line += hex;
    }
    return line + ";\r\n";
}
