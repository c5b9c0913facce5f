// A helper of the toolkit tests: an assertion's location spelled out for comparison.
#pragma once

#include <string>

namespace tk_test {

// The assertion message for a location, spelled out for comparison.
inline std::string hex_of(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

}  // namespace tk_test
