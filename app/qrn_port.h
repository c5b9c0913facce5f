// TCP ports as the user writes them, for both servers.
#pragma once

#include <optional>
#include <string_view>

// 1 to 65535 written in decimal digits only (at most five); anything else is no port.
std::optional<unsigned> qrn_parse_port(std::string_view text);
