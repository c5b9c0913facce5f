// Text form of one key's file: a line per value, "<kind> <name>=<data>", name and data
// escaped so that any bytes survive (\\ \= \n \r \t and \xHH for other control bytes).
// Lines that do not parse are skipped: a damaged file loses those values, not the rest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace compat::reg_detail {

enum class value_kind { dword, narrow, wide };

struct reg_value {
    std::string name;  // as written (UTF-8 for names given wide)
    value_kind kind = value_kind::dword;
    uint32_t dword = 0;
    std::string text;  // narrow: the bytes; wide: their UTF-8 form
};

std::string escape(std::string_view raw);
// False for a dangling backslash or a bad \x escape.
bool unescape(std::string_view escaped, std::string& raw);

std::string serialize(const std::vector<reg_value>& values);
std::vector<reg_value> parse(std::string_view file_text);

}  // namespace compat::reg_detail
