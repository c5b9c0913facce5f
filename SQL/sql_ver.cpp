#include "SQL/sql_ver.h"

namespace sql {

std::optional<uint32_t> parse_version_word(std::string_view text) {
    uint32_t part[3] = {0, 0, 0};
    size_t i = 0;
    for (int n = 0; n < 3; ++n) {
        if (n > 0) {
            if (i >= text.size() || text[i] != '.') return std::nullopt;
            ++i;
        }
        // as "%d" does: leading blanks only before the first number
        if (n == 0)
            while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        size_t start = i;
        uint32_t v = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            v = v * 10 + uint32_t(text[i] - '0');
            if (v > 0xFFFF) return std::nullopt;
            ++i;
        }
        if (i == start) return std::nullopt;
        part[n] = v;
    }
    // minor and patch share the low 16 bits: each must fit its byte
    if (part[1] > 0xFF || part[2] > 0xFF) return std::nullopt;
    return part[0] << 16 | part[1] << 8 | part[2];
}

}  // namespace sql
