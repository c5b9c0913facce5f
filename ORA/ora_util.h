// The Oracle error exception and the statement object that owns one OCI statement handle.
#pragma once

#include <string>
#include <vector>

#include "TK/tk_excep.h"
#include "UDB/udb_rec_exc.h"
#include "compat/oci/oci.h"
#include "compat/oleaut/vartype.h"
#include "compat/text/text.h"

// An Oracle error: level 0, code 0x100000 | (Oracle error number & 0xFFFF), the client's
// error text as the message (UTF-8).
class ora_exception : public tk_exception {
public:
    ora_exception(int oracle_error_code, const std::string& text);
};

// Code of an ora_exception for an Oracle error number.
constexpr int ora_error_code(int oracle_error) { return (oracle_error & 0xFFFF) | 0x100000; }

// A value of the row just fetched that cannot be carried whole (cut by its buffer, or a
// number the destination cannot hold), with the code of an ora_exception. Only that record
// is lost: the reading goes on with the next row.
class ora_value_exception : public udb_record_exception {
public:
    ora_value_exception(int oracle_error_code, const std::string& text)
        : udb_record_exception(text, ora_error_code(oracle_error_code)) {}
};

// text with every apostrophe doubled, to stand between apostrophes in an SQL text.
compat::wstring ora_quote_literal(compat::wstring_view text);

// A value the destination writer binds instead of writing it into the statement text: text
// as UTF-16 (SQLT_CHR for a column in the row, SQLT_LNG for LONG and CLOB columns) or bytes
// (SQLT_BIN, SQLT_LBI).
struct ora_bind_value {
    ub2 type = SQLT_CHR;
    ub1 form = SQLCS_IMPLICIT;  // SQLCS_NCHAR for a national column
    std::vector<unsigned char> data;
    ub2 length = 0;  // of SQLT_CHR and SQLT_BIN data, which the client takes from here
};

// One statement handle, freed on every path out of the scope that made it. Every call is
// guarded by the engine's status check.
class ora_stmt {
public:
    // Rows and bytes the client may read ahead per server round trip.
    static constexpr ub4 prefetch_rows = 1000;
    static constexpr ub4 prefetch_memory = 4 * 1024 * 1024;

    ora_stmt();
    ~ora_stmt();
    ora_stmt(const ora_stmt&) = delete;
    ora_stmt& operator=(const ora_stmt&) = delete;

    OCIStmt* get() const { return handle_; }

    void prepare(compat::wstring_view text);
    // Lets the client fetch rows ahead, so a server is not asked once per row.
    void set_prefetch();
    sword execute(ub4 iterations, ub4 mode = OCI_DEFAULT);
    // One row forward; OCI_NO_DATA at the end. Errors raise.
    sword fetch();
    // Binds position as an 8-byte signed integer, for counts that may pass 2^31-1 (no
    // indicator: a NULL raises ORA-01405).
    void define_int(ub4 position, int64_t* value);
    // Binds position as zero-terminated UTF-16 text into buffer of size bytes.
    void define_text(ub4 position, compat::wchar* buffer, sb4 size);
    // Binds the placeholder at position (from 1, in the order of the text) to value, which
    // must stay in place until the statement has run.
    void bind(ub4 position, ora_bind_value& value);
    // Rows the last execute inserted or changed.
    ub4 row_count() const;

private:
    OCIStmt* handle_ = nullptr;
};

class t_ftd;
class udb_field;

// ---- destination writer: native types and literals ----------------------------------------

namespace ora {

// Longest name Oracle holds, in bytes of the database character set: 30 before release 12.2,
// 128 from it on.
inline constexpr unsigned max_name_bytes_before_12_2 = 30;
inline constexpr unsigned max_name_bytes_from_12_2 = 128;
inline constexpr unsigned release_12_2 = 12u << 16 | 2u << 8;
// The limit of the connected server; the older one without a connection.
unsigned max_name_bytes();
// A name's length as the server counts it: bytes of its database character set, AL32UTF8.
size_t name_bytes(compat::wstring_view name);
// The longest prefix of name of at most bytes, never ending inside a character.
compat::wstring cut_to_bytes(const compat::wstring& name, size_t bytes);
// Longest text literal a SQL statement may hold, in bytes of the database character set
// (ORA-01704 beyond); longer values are bound.
inline constexpr size_t max_literal_bytes = 4000;
// Longest in-row text or binary column; larger (or unsized) columns become CLOB / BLOB.
// NVARCHAR2 holds 4000 bytes, 2000 characters of its UTF-16 national character set, and RAW
// holds 2000 bytes: a server refuses anything longer (ORA-00910).
inline constexpr int max_inline_size = 2000;
// Oracle NUMBER holds magnitudes below this (ORA-01426 from it on); defaults and
// floating-point values must stay below it.
inline constexpr double number_limit = 1.0E126;

// A text or binary column that cannot stay in the row.
bool is_lob_column(VARTYPE vt, int size);
// A column that takes a DEFAULT clause when its default text is not empty.
bool takes_default(const t_ftd& column);
// A double Oracle NUMBER cannot hold (NaN included).
bool out_of_number_range(double value);

}  // namespace ora

// The Oracle column type text of a descriptor.
compat::wstring get_native_type(const t_ftd& ftd);
// The Oracle literal of a value given as text.
compat::wstring to_oracle_str(const compat::wstring& text, VARTYPE vt);
// The Oracle literal of a field's value.
compat::wstring to_oracle_str(const udb_field* field);
// The text of a DEFAULT clause, empty for none.
compat::wstring make_ora_def_val(const t_ftd* ftd);
