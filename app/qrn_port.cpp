#include "app/qrn_port.h"

std::optional<unsigned> qrn_parse_port(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + unsigned(c - '0');
    }
    if (port == 0 || port > 65535) return std::nullopt;
    return port;
}
