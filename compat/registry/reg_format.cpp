#include "compat/registry/reg_format.h"

#include <charconv>

namespace compat::reg_detail {
namespace {

constexpr std::string_view kind_dword = "dword";
constexpr std::string_view kind_narrow = "sz";
constexpr std::string_view kind_wide = "wsz";

std::string_view kind_name(value_kind k) {
    switch (k) {
        case value_kind::dword:
            return kind_dword;
        case value_kind::narrow:
            return kind_narrow;
        case value_kind::wide:
            return kind_wide;
    }
    return kind_dword;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Position of the first '=' that is not escaped, or npos.
size_t find_separator(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == '=') {
            return i;
        }
    }
    return std::string_view::npos;
}

bool parse_line(std::string_view line, reg_value& out) {
    size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return false;
    std::string_view kind = line.substr(0, blank);
    std::string_view rest = line.substr(blank + 1);
    size_t eq = find_separator(rest);
    if (eq == std::string_view::npos) return false;
    if (!unescape(rest.substr(0, eq), out.name)) return false;
    std::string data;
    if (!unescape(rest.substr(eq + 1), data)) return false;
    if (kind == kind_dword) {
        uint32_t v = 0;
        auto [end, ec] = std::from_chars(data.data(), data.data() + data.size(), v);
        if (ec != std::errc() || end != data.data() + data.size() || data.empty()) return false;
        out.kind = value_kind::dword;
        out.dword = v;
    } else if (kind == kind_narrow || kind == kind_wide) {
        out.kind = kind == kind_narrow ? value_kind::narrow : value_kind::wide;
        out.text = std::move(data);
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::string escape(std::string_view raw) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(raw.size());
    for (char c : raw) {
        auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '=':
                out += "\\=";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20 || u == 0x7f) {
                    out += "\\x";
                    out += hex[u >> 4];
                    out += hex[u & 15];
                } else {
                    out += c;
                }
        }
    }
    return out;
}

bool unescape(std::string_view escaped, std::string& raw) {
    raw.clear();
    for (size_t i = 0; i < escaped.size(); ++i) {
        char c = escaped[i];
        if (c != '\\') {
            raw += c;
            continue;
        }
        if (++i == escaped.size()) return false;
        switch (escaped[i]) {
            case '\\':
                raw += '\\';
                break;
            case '=':
                raw += '=';
                break;
            case 'n':
                raw += '\n';
                break;
            case 'r':
                raw += '\r';
                break;
            case 't':
                raw += '\t';
                break;
            case 'x': {
                if (i + 2 >= escaped.size()) return false;
                int hi = hex_digit(escaped[i + 1]);
                int lo = hex_digit(escaped[i + 2]);
                if (hi < 0 || lo < 0) return false;
                raw += static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

std::string serialize(const std::vector<reg_value>& values) {
    std::string out = "; settings store key, one value a line: <kind> <name>=<data>\n";
    for (const reg_value& v : values) {
        out += kind_name(v.kind);
        out += ' ';
        out += escape(v.name);
        out += '=';
        out += v.kind == value_kind::dword ? std::to_string(v.dword) : escape(v.text);
        out += '\n';
    }
    return out;
}

std::vector<reg_value> parse(std::string_view file_text) {
    std::vector<reg_value> values;
    while (!file_text.empty()) {
        size_t nl = file_text.find('\n');
        std::string_view line = file_text.substr(0, nl);
        file_text = nl == std::string_view::npos ? std::string_view() : file_text.substr(nl + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        reg_value v;
        if (parse_line(line, v)) values.push_back(std::move(v));
    }
    return values;
}

}  // namespace compat::reg_detail
