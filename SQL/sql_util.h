// Translation between the data model's value types and MySQL: column type texts, the
// reverse map from result field types, values from result cells, and SQL literals for
// INSERT, UPDATE and DEFAULT texts. Nothing here talks to the server.
#pragma once

#include <string>

#include "UDB/udb_sche.h"
#include "compat/oleaut/vartype.h"
#include "compat/text/text.h"
#include "values/ole_var.h"

namespace sql {
class value_writer;
}

// MySQL result field type codes and flags (client-library values).
namespace sql_field_type {
inline constexpr unsigned decimal = 0, tiny = 1, short_ = 2, long_ = 3, float_ = 4, double_ = 5, timestamp = 7,
                          longlong = 8, int24 = 9, date = 10, time = 11, datetime = 12, year = 13, bit = 16,
                          newdecimal = 246, tiny_blob = 249, medium_blob = 250, long_blob = 251, blob = 252;
inline constexpr unsigned unsigned_flag = 0x20, binary_flag = 0x80;
}  // namespace sql_field_type

// The column type text of CREATE TABLE ("INT", "VARCHAR(50)", "DECIMAL(10,2)", ...).
compat::wstring get_native_type(VARTYPE type, unsigned size, int flags);
// The column type for dates of one kind: DATETIME, DATE, TIME, or CHAR(19) for any other.
const char16_t* mysql_date_type(date_kind kind);

VARTYPE mysql_type_to_vartype(unsigned mysql_type, unsigned field_flags);

// A value of the type built from text; a null text gives VT_NULL.
ole_variant get_variant(VARTYPE type, const char* text);
ole_variant get_variant(VARTYPE type, const char16_t* text);
// The value of one result-row cell (null = SQL NULL) of length bytes or code units.
ole_variant get_variant(unsigned mysql_type, unsigned field_flags, unsigned length, const char* cell);
ole_variant get_variant(unsigned mysql_type, unsigned field_flags, unsigned length, const char16_t* cell);

// The empty-string token of the literal writers.
inline constexpr const char* sql_empty_token = "\"\"";

// The literal of a text of the given type: "NULL", the empty-string token, a quoted and
// escaped text or date, a bare number.
std::string to_mysql_str(const std::string& text, VARTYPE type);
compat::wstring to_mysql_wstr(const compat::wstring& text, VARTYPE type);
// The literal of a whole value, byte arrays included.
std::string to_mysql_str(const ole_variant& value);

// The DEFAULT literal of a column's default value; empty = no DEFAULT clause.
compat::wstring make_mysql_def_val(const t_ftd& column);

// The UTF-8 literal of one value for an INSERT or UPDATE text, appended to out; texts and
// bytes are written as values writes them. A NULL in a NOT NULL column becomes the
// column's default.
void append_fld_str(std::string& out, const udb_field& value, const t_ftd& column, const sql::value_writer& values);
// The same literal with hexadecimal texts and bytes, as a dump has them.
std::string get_fld_append_str(const udb_field& value, const t_ftd& column);
