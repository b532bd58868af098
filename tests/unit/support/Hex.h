#pragma once

#include <string>

namespace plover::testing {

// "08 00 ab" (blanks ignored) as bytes.
inline std::string FromHex(const std::string& hex) {
    std::string bytes;
    int high = -1;
    for (char c : hex) {
        int value;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            value = c - 'A' + 10;
        else
            continue;
        if (high < 0) {
            high = value;
        } else {
            bytes += static_cast<char>(high << 4 | value);
            high = -1;
        }
    }
    return bytes;
}

inline std::string ToHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

}  // namespace plover::testing
