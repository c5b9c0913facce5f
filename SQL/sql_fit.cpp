// The column builder's changes for a table the server would refuse as the source has it:
// a row longer than the engine takes, a default its column cannot hold.
#include <algorithm>

#include "SQL/sql_engi.h"
#include "SQL/sql_init.h"
#include "SQL/sql_rowsz.h"
#include "SQL/sql_util.h"
#include "TK/tk_trace.h"
#include "UDB/udb_rule.h"
#include "compat/text/format.h"
#include "values/ole_numtext.h"

using compat::wstring;
using sql::row_column;

namespace {

// TEXT holds 65,535 bytes: what a VARCHAR of up to 255 characters held fits in it.
constexpr int text_size = 0xFFFF;

int code_points(compat::wstring_view text) {
    int n = 0;
    for (char16_t c : text)
        if (c < 0xDC00 || c > 0xDFFF) ++n;
    return n;
}

// Digits before the point of a number's exact text ("-0012.50" has 2).
int integer_digits(const std::string& text) {
    size_t i = text.find_first_not_of("+-");
    if (i == std::string::npos) return 0;
    while (i < text.size() && text[i] == '0') ++i;
    int n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) ++n;
    return n;
}

// TINYTEXT/TINYBLOB to LONGTEXT/LONGBLOB: the bytes of their length.
int length_bytes_of(unsigned size) {
    if (size == 0 || size > 0xFFFFFF) return 4;
    if (size > 0xFFFF) return 3;
    return size > 255 ? 2 : 1;
}

wstring native_type(const t_ftd& f) { return get_native_type(f.vartype, unsigned(std::max(f.size, 0)), f.reserved); }

// An empty text is Oracle's NULL: no default is lost without it.
bool has_default_text(const t_ftd& f) { return !f.def_value.is_null() && !f.def_value.to_wstring().empty(); }

}  // namespace

row_column sql_schema_initializer::row_shape(const t_ftd& field, const t_ftd& source) const {
    row_column c;
    c.nullable = !is_not_null(field, source);
    // what a custom rule makes of the column is the rule's own: not counted
    if (udb_custom_conversion::is_acceptable1(field)) return c;
    const bool blob = field.vartype == VT_BLOB || field.vartype == VT_BLOB_OBJECT;
    const int bytes = sql_indexes_initializer::key_bytes(field, target_);
    if (field.vartype == VT_BSTR) {
        const bool varchar = is_key_text(field, source) || (field.size >= 1 && field.size <= 255);
        if (varchar) return {row_column::kind::varying, bytes, 0, c.nullable};
        return {row_column::kind::outside, 0, length_bytes_of(unsigned(std::max(field.size, 0))), c.nullable};
    }
    if (blob) {
        if (is_varying_key(field, source)) return {row_column::kind::varying, field.size, 0, c.nullable};
        return {row_column::kind::outside, 0, length_bytes_of(unsigned(std::max(field.size, 0))), c.nullable};
    }
    // CHAR(19) of a date column without kind: in a multi-byte character set InnoDB keeps
    // it as a varying one
    if (field.vartype == VT_DATE && udb_date_kind_of(field.reserved) == date_kind::none)
        return {row_column::kind::varying, bytes, 0, c.nullable};
    return {row_column::kind::fixed, bytes, 0, c.nullable};
}

bool sql_schema_initializer::default_fits(const t_ftd& field, const t_ftd& source) const {
    if (field.def_value.is_null()) return true;
    // the builder writes no DEFAULT there
    if (!writes_default(field, source)) return true;
    const wstring text = field.def_value.to_wstring();
    // a text the writer cannot write as a literal of the type (a date it cannot read)
    if (!text.empty() && make_mysql_def_val(field).empty()) return false;
    if (field.vartype == VT_BSTR) return code_points(text) <= field.size;
    if (compat::vt_is_integer(field.vartype) || field.vartype == VT_BOOL) {
        // a whole number that the writer leaves out is one the type cannot hold
        return ole_whole_number(text).empty() || !make_mysql_def_val(field).empty();
    }
    if (field.vartype == VT_DECIMAL) {
        const int precision = udb_decimal_precision(field.reserved);
        const int scale = udb_decimal_scale(field.reserved);
        if (precision == 0 || !ole_is_number(compat::wstring_view(text))) return true;
        return integer_digits(field.def_value.to_string()) <= std::max(precision, scale + 1) - scale;
    }
    return true;
}

void sql_schema_initializer::fit_types() {
    const size_t n = schema_.size();
    const sql::row_limits limits(target_);
    const bool has_primary =
        std::any_of(indexes_.begin(), indexes_.end(), [](const udb_index& idx) { return idx.primary; });
    std::vector<row_column> row;
    for (size_t i = 0; i < n; ++i) row.push_back(row_shape(*schema_[i], *source_[i]));

    // The limit each column was made TEXT for (0: none).
    std::vector<int> as_text(n, 0);
    for (;;) {
        const bool over_server = sql::row_limits::server_bytes(row) > sql::row_limits::server_limit;
        const bool over_engine =
            limits.engine_limit() != 0 && limits.engine_bytes(row, has_primary) >= limits.engine_limit();
        if (!over_server && !over_engine) break;
        // the widest VARCHAR in no index whose change shortens the row where it is too long
        size_t pick = n;
        for (size_t i = 0; i < n; ++i) {
            const t_ftd& f = *schema_[i];
            if (as_text[i] || f.vartype != VT_BSTR || f.size < 1 || f.size > 255 ||
                udb_custom_conversion::is_acceptable1(f) || indexes_.is_idx_field(source_[i]->name, false))
                continue;
            const bool helps = (over_server && sql::row_limits::server_saving_as_text(row[i]) > 0) ||
                               (over_engine && limits.engine_saving_as_text(row[i]) > 0);
            if (helps && (pick == n || row[i].bytes >= row[pick].bytes)) pick = i;
        }
        // nothing left to change: the server says what remains
        if (pick == n) break;
        as_text[pick] = over_server ? sql::row_limits::server_limit : limits.engine_limit();
        row[pick] = {row_column::kind::outside, 0, 2, row[pick].nullable};
    }

    for (size_t i = 0; i < n; ++i) {
        t_ftd& f = *schema_[i];
        const wstring column = u"column " + f.name;
        if (udb_is_beyond_decimal(f.vartype, f.reserved))
            notes_.push_back(column + compat::wformat(u" is DOUBLE: a MySQL DECIMAL cannot hold NUMBER(%d,%d)",
                                                      udb_beyond_decimal_precision(f.reserved),
                                                      udb_beyond_decimal_scale(f.reserved)));
        if (as_text[i]) {
            const bool had_default = !f.def_value.is_null();
            const wstring was = get_native_type(f.vartype, unsigned(f.size), f.reserved);
            f.size = text_size;
            f.def_value = ole_variant();
            notes_.push_back(
                column + u" is TEXT instead of " + was + (had_default ? u", without its DEFAULT" : u"") +
                (as_text[i] == sql::row_limits::server_limit
                     ? u": the row would pass the 65535 bytes a MySQL row may take"
                     : compat::wformat(u": the row would not fit the %d bytes an InnoDB row may take", as_text[i])));
        } else if (has_default_text(f) && !writes_default(f, *source_[i])) {
            // the server refuses any DEFAULT on such a column
            notes_.push_back(column + u" has no DEFAULT: MySQL takes none for " +
                             (f.b_auto_increment ? wstring(u"an AUTO_INCREMENT column") : native_type(f)) +
                             u", the source's default '" + f.def_value.to_wstring() + u"' is left out");
            f.def_value = ole_variant();
        } else if (!default_fits(f, *source_[i])) {
            notes_.push_back(column + u" has no DEFAULT: " + native_type(f) + u" cannot hold the source's default '" +
                             f.def_value.to_wstring() + u"'");
            f.def_value = ole_variant();
        }
    }
    for (const wstring& note : notes_) tk_log::log(2, u"Note: %s", note);
}
