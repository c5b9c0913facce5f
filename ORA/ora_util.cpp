#include "ORA/ora_util.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "ORA/ora_engi.h"
#include "TK/tk_trace.h"
#include "UDB/udb_guid.h"
#include "UDB/udb_sche.h"
#include "values/ole_date.h"
#include "values/ole_numtext.h"

ora_exception::ora_exception(int oracle_error_code, const std::string& text) : tk_exception(text, 0) {
    set_code(ora_error_code(oracle_error_code));
    tk_log::log(2, "ora_exception::ctor");
}

compat::wstring ora_quote_literal(compat::wstring_view text) {
    compat::wstring out;
    out.reserve(text.size());
    for (compat::wchar c : text) {
        out += c;
        if (c == u'\'') out += c;
    }
    return out;
}

ora_stmt::ora_stmt() {
    tk_log::log(1, "ora_stmt::ctor");
    ora_engine& e = ora_engine::instance();
    void* h = nullptr;
    e.check_status(e.oci().OCIHandleAlloc(e.env(), &h, OCI_HTYPE_STMT, 0, nullptr));
    handle_ = static_cast<OCIStmt*>(h);
}

ora_stmt::~ora_stmt() {
    tk_log::log(1, "ora_stmt::dtor");
    if (handle_) {
        if (ora_engine* e = ora_engine::try_get()) e->oci().OCIHandleFree(handle_, OCI_HTYPE_STMT);
    }
    tk_log::log(1, "ora_stmt::dtor - END");
}

void ora_stmt::prepare(compat::wstring_view text) {
    ora_engine& e = ora_engine::instance();
    e.check_status(e.oci().OCIStmtPrepare(handle_, e.err(), reinterpret_cast<const OraText*>(text.data()),
                                          static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT));
}

void ora_stmt::set_prefetch() {
    ora_engine& e = ora_engine::instance();
    ub4 rows = prefetch_rows;
    ub4 memory = prefetch_memory;
    e.check_status(e.oci().OCIAttrSet(handle_, OCI_HTYPE_STMT, &rows, 0, OCI_ATTR_PREFETCH_ROWS, e.err()));
    e.check_status(e.oci().OCIAttrSet(handle_, OCI_HTYPE_STMT, &memory, 0, OCI_ATTR_PREFETCH_MEMORY, e.err()));
}

sword ora_stmt::execute(ub4 iterations, ub4 mode) {
    ora_engine& e = ora_engine::instance();
    return e.check_status(e.oci().OCIStmtExecute(e.svc(), handle_, e.err(), iterations, 0, nullptr, nullptr, mode));
}

sword ora_stmt::fetch() {
    ora_engine& e = ora_engine::instance();
    return e.check_status(e.oci().OCIStmtFetch(handle_, e.err(), 1, OCI_FETCH_NEXT, OCI_DEFAULT));
}

void ora_stmt::define_int(ub4 position, int64_t* value) {
    ora_engine& e = ora_engine::instance();
    OCIDefine* def = nullptr;
    e.check_status(e.oci().OCIDefineByPos(handle_, &def, e.err(), position, value, sizeof(int64_t), SQLT_INT, nullptr,
                                          nullptr, nullptr, OCI_DEFAULT));
}

void ora_stmt::define_text(ub4 position, compat::wchar* buffer, sb4 size) {
    ora_engine& e = ora_engine::instance();
    OCIDefine* def = nullptr;
    e.check_status(e.oci().OCIDefineByPos(handle_, &def, e.err(), position, buffer, size, SQLT_STR, nullptr, nullptr,
                                          nullptr, OCI_DEFAULT));
}

void ora_stmt::bind(ub4 position, ora_bind_value& value) {
    ora_engine& e = ora_engine::instance();
    OCIBind* handle = nullptr;
    const bool counted = value.type == SQLT_CHR || value.type == SQLT_BIN;
    value.length = static_cast<ub2>(counted ? value.data.size() : 0);
    e.check_status(e.oci().OCIBindByPos(handle_, &handle, e.err(), position, value.data.data(),
                                        static_cast<sb4>(value.data.size()), value.type, nullptr,
                                        counted ? &value.length : nullptr, nullptr, 0, nullptr, OCI_DEFAULT));
    if (value.form == SQLCS_NCHAR)
        e.check_status(e.oci().OCIAttrSet(handle, OCI_HTYPE_BIND, &value.form, 0, OCI_ATTR_CHARSET_FORM, e.err()));
}

ub4 ora_stmt::row_count() const {
    ora_engine& e = ora_engine::instance();
    ub4 rows = 0;
    e.check_status(e.oci().OCIAttrGet(handle_, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, e.err()));
    return rows;
}

// ---- destination writer: native types and literals ----------------------------------------

namespace {

bool is_hex_digit(compat::wchar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
bool is_dec_digit(compat::wchar c) { return c >= u'0' && c <= u'9'; }

// The types whose default is written when it prints back as a 32-bit integer.
bool is_integer_vartype(VARTYPE vt) { return compat::vt_is_integer(vt) || vt == VT_BOOL; }

bool is_binary_vartype(VARTYPE vt) { return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == VT_BYTE_ARRAY; }

// The text of a binary value as the value type prints it ("0x" and hexadecimal digits), or
// digits only; anything else is no binary literal.
bool is_binary_text(const compat::wstring& text) {
    if (text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        for (size_t i = 2; i < text.size(); ++i)
            if (!is_hex_digit(text[i])) return false;
        return true;
    }
    for (compat::wchar c : text)
        if (!is_dec_digit(c)) return false;
    return true;
}

// The 32 digits of a GUID in printed order, put into the order of its bytes in memory: the
// first three groups are little-endian.
compat::wstring guid_memory_order(const compat::wstring& d) {
    if (d.size() != 32) tk_fail(tk_where::ora_util, 297);
    compat::wstring out;
    for (int i : {6, 4, 2, 0, 10, 8, 14, 12}) out += d.substr(static_cast<size_t>(i), 2);
    out += d.substr(16);
    return out;
}

// The text a C library reads as a double from the start of text (0 when none), as atof does.
double leading_double(const compat::wstring& text) {
    std::string narrow = compat::utf16_to_utf8(text);
    return std::strtod(narrow.c_str(), nullptr);
}

// A text that equals the decimal form of the integer it reads as: 32 bits wide, as a long
// reads, and wide enough for the 32-bit unsigned and the 64-bit types, whose defaults a long
// would drop.
template <typename T>
bool prints_back_as(const std::string& narrow) {
    T value = 0;
    auto r = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    return r.ec == std::errc() && r.ptr == narrow.data() + narrow.size() && std::to_string(value) == narrow;
}

bool prints_back_as_integer(const compat::wstring& text, VARTYPE vt) {
    const std::string narrow = compat::utf16_to_utf8(text);
    switch (vt) {
        case VT_UI8:
            return prints_back_as<uint64_t>(narrow);
        case VT_I8:
        case VT_UI4:
        case VT_UINT:
            return prints_back_as<int64_t>(narrow);
        default:
            return prints_back_as<int32_t>(narrow);
    }
}

bool only_zero_characters(const compat::wstring& text) {
    if (text.empty()) return false;
    for (compat::wchar c : text)
        if (c != u'e' && c != u'E' && c != u'-' && c != u'+' && c != u'.' && c != u',' && c != u'0') return false;
    return true;
}

}  // namespace

namespace ora {

bool is_lob_column(VARTYPE vt, int size) {
    return (vt == VT_BSTR || vt == VT_BLOB || vt == VT_BYTE_ARRAY) && (size <= 0 || size > max_inline_size);
}

bool takes_default(const t_ftd& column) {
    const bool text_or_binary = column.vartype == VT_BSTR || column.vartype == VT_BLOB;
    return !(text_or_binary && (column.size <= 0 || column.size > max_inline_size));
}

bool out_of_number_range(double value) { return !(std::fabs(value) < number_limit); }

unsigned max_name_bytes() {
    ora_engine* e = ora_engine::try_get();
    if (!e || !e->svc()) return max_name_bytes_before_12_2;
    return e->get_version() >= release_12_2 ? max_name_bytes_from_12_2 : max_name_bytes_before_12_2;
}

size_t name_bytes(compat::wstring_view name) { return compat::utf16_to_utf8(name).size(); }

compat::wstring cut_to_bytes(const compat::wstring& name, size_t bytes) {
    size_t units = 0, used = 0;
    while (units < name.size()) {
        const compat::wchar c = name[units];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && units + 1 < name.size();
        const size_t width = pair ? 2 : 1;
        const size_t next = name_bytes(compat::wstring_view(name).substr(units, width));
        if (used + next > bytes) break;
        used += next;
        units += width;
    }
    return name.substr(0, units);
}

}  // namespace ora

compat::wstring get_native_type(const t_ftd& ftd) {
    tk_log::log(1, "get_native_type [Oracle]");
    switch (ftd.vartype) {
        case VT_I2:
        case VT_UI1:
            return u"NUMBER(5,0)";
        case VT_I4:
        case VT_UI2:
        case VT_INT:
            return u"NUMBER(11,0)";
        case VT_R4:
        case VT_R8:
        case VT_CY:
            return u"NUMBER";
        case VT_DATE:
            return u"DATE";
        case VT_BSTR:
            tk_log::log(1, "process as text");
            if (ftd.size >= 1 && ftd.size <= ora::max_inline_size) return compat::wformat(u"NVARCHAR2(%d) ", ftd.size);
            return u"CLOB";
        case VT_BOOL:
        case VT_I1:
            return u"NUMBER(3,0)";
        case VT_DECIMAL:
            return compat::wformat(u"NUMBER(%d,%d)", udb_decimal_precision(ftd.reserved),
                                   udb_decimal_scale(ftd.reserved));
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_UINT:
            return u"NUMBER(19,0)";
        case VT_BLOB:
            tk_log::log(1, "process as binary");
            if (ftd.size >= 1 && ftd.size <= ora::max_inline_size) return compat::wformat(u"RAW(%d)", ftd.size);
            return u"BLOB";
        default:
            tk_fail(tk_where::ora_util, 126);
    }
}

compat::wstring to_oracle_str(const compat::wstring& text, VARTYPE vt) {
    tk_log::log(1, u"to_oracle_str(%s,%d)", text, int{vt});
    if (text.empty()) return u"''";
    if (vt == VT_DATE) {
        ole_date date(text);
        if (!date.is_valid()) return {};
        compat::wstring printed = date.to_wstring();
        switch (date.get_kind()) {
            case date_kind::time: {
                const compat::wstring zero_date = u"0000-00-00 ";
                size_t at = printed.find(zero_date);
                if (at != compat::wstring::npos) {
                    tk_log::log(2, "Null date has been found");
                    printed.erase(at, zero_date.size());
                }
                return u"to_date('" + printed + u"', 'HH24-MI-SS')";
            }
            case date_kind::date:
                return u"to_date('" + printed + u"', 'YYYY-MM-DD')";
            default:
                return u"to_date('" + printed + u"', 'YYYY-MM-DD HH24:MI:SS')";
        }
    }
    if (is_binary_vartype(vt)) {
        tk_log::log(1, "GOT BLOB");
        if (text.size() < 2 || !is_binary_text(text)) return u"''";
        tk_log::log(1, "BLOB IS VALID");
        return u"'" + text.substr(2) + u"'";
    }
    compat::wstring quoted = ora_quote_literal(text);
    if (vt == VT_BSTR) return u"'" + quoted + u"'";
    return quoted;
}

compat::wstring to_oracle_str(const udb_field* field) {
    tk_log::log(1, "to_oracle_str( const udb_field *  )");
    if (!field) tk_fail(tk_where::ora_util, 275);
    const VARTYPE vt = field->get_type();
    if (vt == VT_BSTR || vt == VT_BLOB || vt == VT_BYTE_ARRAY) {
        ole_guid_extractor guid(field->to_string());
        // Only a value that is nothing but a GUID stands for its bytes; a longer text that
        // mentions one stays text.
        if (guid.is_found() && guid.is_whole_text()) {
            tk_log::log(1, "FIELD IS A GUID!");
            compat::wstring digits = guid_memory_order(guid.to_wstring());
            tk_log::log(1, u"ora_guid=%s", digits);
            return u"HEXTORAW('" + digits + u"')";
        }
    }
    // The shortest number that reads back as the same float or double: a fixed count of
    // digits changes the value (0.30000000000000004 would go in as .3).
    if (std::string number; ole_append_shortest_float(number, *field)) return compat::utf8_to_utf16(number);
    return to_oracle_str(field->to_wstring(), vt);
}

compat::wstring make_ora_def_val(const t_ftd* ftd) {
    if (!ftd) tk_fail(tk_where::ora_util, 167);
    compat::wstring text = ftd->def_value.to_wstring();
    tk_log::log(1, u"make_ora_def_val(%s)", text);
    if (text.empty()) {
        tk_log::log(1, "Got empty def value");
        return {};
    }
    const VARTYPE vt = ftd->vartype;
    if (is_integer_vartype(vt)) return prints_back_as_integer(text, vt) ? text : compat::wstring();
    switch (vt) {
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DECIMAL: {
            const double value = leading_double(text);
            if (ora::out_of_number_range(value)) {
                tk_log::log(1, "def value is out of range");
                return u"0";
            }
            if (value == 0) return text == u"0" || only_zero_characters(text) ? text : compat::wstring();
            return text;
        }
        case VT_DATE: {
            tk_log::log(1, "Got DATE def value");
            compat::wstring printed = ole_date(text).to_wstring();
            tk_log::log(1, u"After canonization: %s", printed);
            return printed.empty() ? compat::wstring() : to_oracle_str(printed, VT_DATE);
        }
        case VT_BSTR:
            tk_log::log(1, u"Got BSTR or DATE def value: %s", text);
            if (ftd->size > 0 && text.size() > static_cast<size_t>(ftd->size))
                text.resize(compat::utf16_safe_prefix(text, static_cast<size_t>(ftd->size)));
            return to_oracle_str(text, VT_BSTR);
        default:
            return {};
    }
}
