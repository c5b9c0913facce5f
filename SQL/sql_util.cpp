#include "SQL/sql_util.h"

#include "values/ole_numtext.h"

#include <vector>

#include "SQL/sql_engi.h"
#include "SQL/sql_esc.h"
#include "SQL/sql_valw.h"
#include "TK/tk_trace.h"
#include "UDB/udb_guid.h"
#include "UDB/udb_rule.h"
#include "values/ole_date.h"

using compat::wstring;

namespace {

constexpr VARTYPE vt_bytes = VT_ARRAY | VT_UI1;

bool is_blob_type(VARTYPE t) { return t == VT_BLOB || t == VT_BLOB_OBJECT || t == vt_bytes; }

bool is_dec(char32_t c) { return c >= '0' && c <= '9'; }
bool is_hex(char32_t c) { return is_dec(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Whether a whole number in plain digits fits the integer column type.
bool fits_integer(const std::string& n, VARTYPE type) {
    if (n.size() > 21) return false;
    const bool negative = n[0] == '-';
    unsigned __int128 magnitude = 0;
    for (char c : n)
        if (c != '-') magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    auto within = [&](unsigned long long min_magnitude, unsigned long long max) {
        return negative ? magnitude <= min_magnitude : magnitude <= max;
    };
    switch (type) {
        case VT_BOOL:
            return within(0, 1);
        case VT_I1:
            return within(128, 127);
        case VT_UI1:
            return within(0, 255);
        case VT_I2:
            return within(32768, 32767);
        case VT_UI2:
            return within(0, 65535);
        case VT_I4:
        case VT_INT:
            return within(2147483648ULL, 2147483647ULL);
        case VT_UI4:
        case VT_UINT:
            return within(0, 4294967295ULL);
        case VT_I8:
            return within(9223372036854775808ULL, 9223372036854775807ULL);
        case VT_UI8:
            return within(0, 18446744073709551615ULL);
        default:
            return false;
    }
}

// Steps 3 and 4 of the literal writers, on narrow or wide text of a non-binary type.
template <class S>
S plain_literal(S text, VARTYPE type) {
    if (type == VT_DATE) {
        if constexpr (std::is_same_v<S, std::string>)
            text = ole_date(text).to_string();
        else
            text = ole_date(text).to_wstring();
    }
    // A number stays bare only when it is one; anything else is a text literal.
    if (type != VT_DATE && type != VT_BSTR && ole_is_number(text)) return text;
    const std::string_view introducer = sql_engine::current_text_introducer();
    if constexpr (std::is_same_v<S, std::string>) {
        std::string out;
        sql::append_text_literal(out, std::string_view(text), introducer);
        return out;
    } else {
        return sql::text_literal(text, introducer);
    }
}

// Bytes go as hexadecimal, which no client character set can misread.
std::string hex_literal(std::string_view bytes) {
    std::string out;
    sql::append_hex_literal(out, bytes);
    return out;
}

std::string blob_text_literal(const std::string& text) {
    tk_log::log(1, "GOT BLOB");
    if (text.size() == 1) return hex_literal(text);
    ole_guid_extractor guid(text);
    std::string digits = guid.to_string();
    if (!digits.empty()) {
        bool hex = true;
        for (char c : digits) hex = hex && is_hex(c);
        // the extractor takes the characters as they stand: only hex digits may go bare
        if (hex) {
            tk_log::log(1, "BLOB IS AN GUID");
            return "0x" + digits;
        }
    }
    bool valid = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        valid = true;
        for (size_t i = 2; i < text.size(); ++i) valid = valid && is_hex(text[i]);
    } else if (text.size() >= 2 && is_dec(text[0]) && is_dec(text[1])) {
        valid = true;
        for (size_t i = 2; i < text.size(); ++i) valid = valid && is_dec(text[i]);
    }
    if (valid) {
        tk_log::log(1, "BLOB IS VALID");
        // The server reads only "0x" as a hex prefix; "0X1F" would be a column name.
        if (text[1] == 'X') return "0x" + text.substr(2);
        return text;
    }
    return hex_literal(text);
}

bool rule_applies(const udb_field& value) { return udb_custom_conversion::is_acceptable2(value); }

}  // namespace

// ---- column types -------------------------------------------------------------------

const char16_t* mysql_date_type(date_kind kind) {
    switch (kind) {
        case date_kind::datetime:
            return u"DATETIME";
        case date_kind::date:
            return u"DATE";
        case date_kind::time:
            return u"TIME";
        default:
            return u"CHAR(19)";
    }
}

wstring get_native_type(VARTYPE type, unsigned size, int flags) {
    tk_log::log(1, "get_native_type(%d,%d,%d)", int(type), int(size), flags);
    switch (type) {
        case VT_I2:
            return u"SMALLINT";
        case VT_I4:
        case VT_INT:
            return u"INT";
        case VT_R4:
            return u"FLOAT";
        case VT_R8:
            return u"DOUBLE";
        case VT_CY:
            return u"DECIMAL(19,4)";
        case VT_DATE:
            return mysql_date_type(udb_date_kind_of(flags));
        case VT_BSTR: {
            tk_log::log(1, "process as text");
            if (size == 0 || size > 0xFFFFFF) return u"LONGTEXT";
            if (size > 0xFFFF) return u"MEDIUMTEXT";
            if (size > 255) return u"TEXT";
            wstring t = compat::wformat(u"VARCHAR(%d)", int(size));
            if (sql_engine::instance().case_sensitive()) t += u" BINARY";
            return t;
        }
        case VT_BOOL:
            return u"BIT";
        case VT_I1:
            return u"TINYINT";
        case VT_DECIMAL: {
            int scale = udb_decimal_scale(flags);
            int precision = udb_decimal_precision(flags);
            tk_log::log(1, "Scale/precision for decimal column: (%d, %d)", scale, precision);
            if (precision == 0) return u"DOUBLE";
            // MySQL refuses a scale that is not below the precision
            if (scale >= precision) precision = scale + 1;
            return compat::wformat(u"DECIMAL(%d,%d)", precision, scale);
        }
        case VT_UI1:
            return u"TINYINT UNSIGNED";
        case VT_UI2:
            return u"SMALLINT UNSIGNED";
        case VT_UI4:
        case VT_UINT:
            return u"INT UNSIGNED";
        case VT_I8:
            return u"BIGINT";
        case VT_UI8:
            return u"BIGINT UNSIGNED";
        case VT_BLOB:
            tk_log::log(1, "process as blob");
            if (size == 0 || size > 0xFFFFFF) return u"LONGBLOB";
            if (size <= 255) return u"TINYBLOB";
            if (size > 0xFFFF) return u"MEDIUMBLOB";
            return u"BLOB";
        default:
            tk_fail(tk_where::sql_util, 378);
    }
}

VARTYPE mysql_type_to_vartype(unsigned t, unsigned flags) {
    namespace ft = sql_field_type;
    bool u = (flags & ft::unsigned_flag) != 0;
    switch (t) {
        case ft::decimal:
        case ft::newdecimal:
            return VT_DECIMAL;
        case ft::tiny:
            return u ? VT_UI1 : VT_I1;
        case ft::short_:
            return u ? VT_UI2 : VT_I2;
        case ft::long_:
            return u ? VT_UI4 : VT_I4;
        case ft::float_:
            return VT_R4;
        case ft::double_:
            return VT_R8;
        case ft::timestamp:
        case ft::date:
        case ft::time:
        case ft::datetime:
            return VT_DATE;
        case ft::longlong:
            return u ? VT_UI8 : VT_I8;
        case ft::int24:
            return VT_I4;
        case ft::year:
            return VT_UI2;
        case ft::bit:
            return VT_BOOL;
        case ft::tiny_blob:
        case ft::medium_blob:
        case ft::long_blob:
        case ft::blob:
            return sql_engine::instance().blob_as_text() ? VT_BSTR : VT_BLOB;
        default:
            return VT_BSTR;
    }
}

// ---- values from text ---------------------------------------------------------------

ole_variant get_variant(VARTYPE type, const char* text) {
    tk_log::log(1, "get_variant(char)");
    if (!text) return ole_variant();
    tk_log::log(1, "Type=%d, src=%s", int(type), text);
    if (type == VT_BOOL) return ole_variant(text[0] != 0);
    return ole_variant::from_string(text, type);
}

ole_variant get_variant(VARTYPE type, const char16_t* text) {
    tk_log::log(1, "get_variant(wchar_t)");
    if (!text) return ole_variant();
    tk_log::log(1, u"Type=%d, src=%s", int(type), text);
    if (type == VT_BOOL) return ole_variant(text[0] != 0);
    return ole_variant::from_wstring(text, type);
}

namespace {

template <class C>
ole_variant cell_variant(unsigned mysql_type, unsigned flags, unsigned length, const C* cell) {
    namespace ft = sql_field_type;
    tk_log::log(1, "get_variant(2), type=%d, lenght=%d", int(mysql_type), int(length));
    if (!cell) {
        tk_log::log(1, "process NULL-values");
        return ole_variant();
    }
    std::basic_string<C> text(cell, length);
    if (mysql_type < ft::tiny_blob || mysql_type > ft::blob)
        return get_variant(mysql_type_to_vartype(mysql_type, flags), text.c_str());
    if ((flags & ft::binary_flag) && !sql_engine::instance().blob_as_text()) {
        tk_log::log(1, "Extract BINARY value");
        std::vector<uint8_t> bytes(length);
        for (unsigned i = 0; i < length; ++i) bytes[i] = uint8_t(cell[i] & 0xFF);
        return ole_variant(bytes);
    }
    tk_log::log(1, "Extract TEXT value");
    if constexpr (std::is_same_v<C, char>)
        return ole_variant(compat::ansi_to_utf16(text));
    else
        return ole_variant(text);
}

}  // namespace

ole_variant get_variant(unsigned mysql_type, unsigned flags, unsigned length, const char* cell) {
    return cell_variant(mysql_type, flags, length, cell);
}

ole_variant get_variant(unsigned mysql_type, unsigned flags, unsigned length, const char16_t* cell) {
    return cell_variant(mysql_type, flags, length, cell);
}

// ---- literals -----------------------------------------------------------------------

std::string to_mysql_str(const std::string& text, VARTYPE type) {
    tk_log::log(1, "to_mysql_str(%s)", text);
    if (type == VT_NULL || type == VT_EMPTY) {
        tk_log::log(1, "******* NULL VALUE ******");
        return "NULL";
    }
    if (text.empty()) return sql_empty_token;
    if (is_blob_type(type)) return blob_text_literal(text);
    return plain_literal(text, type);
}

wstring to_mysql_wstr(const wstring& text, VARTYPE type) {
    tk_log::log(1, u"to_mysql_wstr(%s)", text);
    if (type == VT_NULL || type == VT_EMPTY) {
        tk_log::log(1, "******* NULL VALUE ******");
        return u"NULL";
    }
    if (text.empty()) return u"\"\"";
    if (is_blob_type(type)) {
        tk_log::log(1, "Don't process BLOBs here!");
        tk_fail(tk_where::sql_util, 688);
    }
    return plain_literal(text, type);
}

std::string to_mysql_str(const ole_variant& value) {
    tk_log::log(1, "to_mysql_str");
    if (value.get_type() == vt_bytes) {
        tk_log::log(1, "special processing for BLOBs");
        const void* data = nullptr;
        size_t n = value.get_bytes(&data);
        std::string_view bytes(static_cast<const char*>(data), data ? n : 0);
        return hex_literal(bytes);
    }
    if (std::string number; ole_append_shortest_float(number, value)) return number;
    return to_mysql_str(value.to_string(), value.get_type());
}

wstring make_mysql_def_val(const t_ftd& column) {
    wstring text = column.def_value.to_wstring();
    tk_log::log(1, u"make_mysql_def_val(%d,%s)", int(column.vartype), text);
    if (text.empty()) {
        tk_log::log(1, "Got empty def value");
        return text;
    }
    if (compat::vt_is_integer(column.vartype) || column.vartype == VT_BOOL) {
        // the text read as a number, never a prefix of it; a fraction or a value the
        // column cannot hold gives no default
        const std::string n = ole_whole_number(text);
        if (n.empty() || !fits_integer(n, column.vartype)) return {};
        tk_log::log(1, "Int/long default value is correct");
        return compat::utf8_to_utf16(n);
    }
    switch (column.vartype) {
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DECIMAL: {
            const int precision = udb_decimal_precision(column.reserved);
            if (column.vartype == VT_DECIMAL && udb_decimal_scale(column.reserved) == 0 && precision != 0) {
                // DECIMAL(p,0) holds whole numbers of at most p digits
                const std::string n = ole_whole_number(text);
                const size_t digits = n.size() - (n.starts_with('-') ? 1 : 0);
                if (n.empty() || digits > static_cast<size_t>(precision)) return {};
                return compat::utf8_to_utf16(n);
            }
            // the value goes into the statement bare, so it must be one number token
            if (!ole_is_number(compat::wstring_view(text))) return {};
            if (std::string number; ole_append_shortest_float(number, column.def_value))
                return compat::utf8_to_utf16(number);
            return text;
        }
        case VT_DATE: {
            tk_log::log(1, "Got DATE def value");
            wstring canon = ole_date(text).to_wstring();
            tk_log::log(1, u"After canonization: %s", canon);
            if (canon.empty()) return canon;
            return u"\"" + canon + u"\"";
        }
        case VT_BSTR:
            tk_log::log(1, u"Got BSTR def value: %s", text);
            return to_mysql_wstr(text, VT_BSTR);
        default:
            return {};
    }
}

namespace {

bool is_leap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// A calendar date and time of day whose printed text reads back as itself: the literal
// writer may print it straight away instead of parsing its own text again. Years below
// 1000 are left to the reading, which takes short years in its own ways.
bool prints_as_read(const SYSTEMTIME& st) {
    static constexpr unsigned char days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (st.wYear < 1000 || st.wYear > 9999 || st.wMonth < 1 || st.wMonth > 12) return false;
    unsigned last = days[st.wMonth - 1] + (st.wMonth == 2 && is_leap(st.wYear) ? 1 : 0);
    return st.wDay >= 1 && st.wDay <= last && st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60;
}

// The number types, whose text the literal writer keeps bare when it is one number token.
bool prints_bare(VARTYPE t) { return compat::vt_is_number(t) || t == VT_BOOL; }

}  // namespace

void append_fld_str(std::string& out, const udb_field& value, const t_ftd& column, const sql::value_writer& values) {
    tk_log::log(1, "get_fld_append_str");
    if (rule_applies(value)) {
        out += compat::utf16_to_utf8(udb_custom_conversion::handle2(value));
        return;
    }
    VARTYPE type = value.get_type();
    if (type == VT_BSTR) {
        compat::wstring_view text = value.get_variant().bstrVal.view();
        static constexpr compat::wstring_view value_line = u"Got BSTR value: %s";
        tk_log::log(1, value_line, text);
        if (text.empty()) {
            out += sql_empty_token;
            return;
        }
        values.append_text(out, text);
        return;
    }
    if (type == vt_bytes) {
        const void* data = nullptr;
        const size_t n = value.get_bytes(&data);
        values.append_bytes(out, std::string_view(static_cast<const char*>(data), data ? n : 0));
        return;
    }
    if (type == VT_DATE && prints_as_read(value.get_systemtime())) {
        // digits, dashes, colons and a blank: nothing to escape
        out += '\'';
        ole_date(value.get_systemtime()).append_string(out);
        out += '\'';
        return;
    }
    if (ole_append_shortest_float(out, value)) return;
    if (prints_bare(type)) {
        // Printed in place and kept bare when it is one number token (which holds nothing
        // to escape), as the general writer would keep it.
        const size_t at = out.size();
        value.append_string(out);
        std::string_view body(out.data() + at, out.size() - at);
        if (ole_is_number(body)) return;
        out.resize(at);
    }
    std::string s = to_mysql_str(static_cast<const ole_variant&>(value));
    tk_log::log(1, "Got field: %s, type=%08X", s, int(type));
    bool is_null = type == VT_EMPTY || type == VT_NULL || (type != VT_BLOB && type != vt_bytes && s == sql_empty_token);
    if (!is_null) {
        out += s;
        return;
    }
    tk_log::log(1, "Put NULL-field");
    if (column.b_not_null)
        out += to_mysql_str(column.def_value.to_string(), column.def_value.get_type());
    else
        out += "NULL";
}

std::string get_fld_append_str(const udb_field& value, const t_ftd& column) {
    std::string out;
    append_fld_str(out, value, column, sql::hex_values());
    return out;
}
