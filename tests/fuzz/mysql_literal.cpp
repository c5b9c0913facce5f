#include "tests/fuzz/mysql_literal.h"

namespace mg_fuzz {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The server's escape table: unknown letters stand for themselves, but \% and \_ keep
// their backslash (they are LIKE escapes).
void unescape(char e, std::string& out) {
    switch (e) {
        case '0':
            out += '\0';
            break;
        case 'b':
            out += '\b';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'Z':
            out += '\x1A';
            break;
        case '%':
            out += "\\%";
            break;
        case '_':
            out += "\\_";
            break;
        default:
            out += e;
    }
}

std::optional<literal_value> quoted(std::string_view text) {
    const char q = text[0];
    literal_value v;
    size_t i = 1;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\\') {
            if (i + 1 >= text.size()) return std::nullopt;
            unescape(text[i + 1], v.bytes);
            i += 2;
        } else if (c == q) {
            if (i + 1 < text.size() && text[i + 1] == q) {  // a doubled quote
                v.bytes += q;
                i += 2;
            } else {
                return i + 1 == text.size() ? std::optional(v) : std::nullopt;
            }
        } else {
            v.bytes += c;
            ++i;
        }
    }
    return std::nullopt;  // no closing quote
}

std::optional<literal_value> hex(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    literal_value v;
    // An odd count has an implied leading zero.
    std::string d = digits.size() % 2 ? "0" + std::string(digits) : std::string(digits);
    for (size_t i = 0; i < d.size(); i += 2) {
        int hi = hex_value(d[i]), lo = hex_value(d[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        v.bytes += static_cast<char>(hi * 16 + lo);
    }
    return v;
}

// [-+]digits[.digits][e[-+]digits] or [-+].digits...
bool is_number(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    size_t int_digits = 0, frac_digits = 0;
    while (i < t.size() && is_digit(t[i])) ++i, ++int_digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && is_digit(t[i])) ++i, ++frac_digits;
    }
    if (int_digits + frac_digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
        size_t exp_digits = 0;
        while (i < t.size() && is_digit(t[i])) ++i, ++exp_digits;
        if (exp_digits == 0) return false;
    }
    return i == t.size();
}

}  // namespace

std::optional<literal_value> read_mysql_literal(std::string_view text) {
    if (text.empty()) return std::nullopt;
    if (text == "NULL") {
        literal_value v;
        v.is_null = true;
        return v;
    }
    if (text[0] == '\'' || text[0] == '"') return quoted(text);
    // Text in hexadecimal behind a character-set introducer (or a versioned comment that
    // holds one) is text to the server: its bytes as they stand.
    for (std::string_view introducer : {"/*!50503 _utf8mb4*/", "_utf8mb4 ", "_utf8 "}) {
        if (text.starts_with(introducer)) {
            std::string_view rest = text.substr(introducer.size());
            if (rest.size() > 2 && rest[0] == '0' && rest[1] == 'x') return hex(rest.substr(2));
            return std::nullopt;
        }
    }
    if (text.size() > 2 && text[0] == '0' && text[1] == 'x') return hex(text.substr(2));
    if (is_number(text)) {
        literal_value v;
        v.is_number = true;
        v.bytes = std::string(text);
        return v;
    }
    return std::nullopt;
}

}  // namespace mg_fuzz
