// Oracle SQL -> SQLite translation against an ocilite store. The client library prepares
// every statement through translate(); the description it returns is what OCI describe
// reports for the select list.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ocilite {

// Thrown for SQL Oracle would reject; message is Oracle's full text,
// e.g. "ORA-00942: table or view does not exist".
struct ora_error {
    int code = 0;
    std::string message;
};

// Oracle's internal data type codes, as column_desc carries them. The client library reports
// the datetime, interval and ROWID kinds in describe by their SQLT codes (187.., 104).
namespace type_code {
inline constexpr int varchar2 = 1;   // VARCHAR2, NVARCHAR2
inline constexpr int number = 2;     // NUMBER, FLOAT, INTEGER
inline constexpr int long_text = 8;  // LONG
inline constexpr int date = 12;
inline constexpr int raw = 23;
inline constexpr int long_raw = 24;
inline constexpr int rowid = 69;
inline constexpr int fixed_char = 96;  // CHAR, NCHAR
inline constexpr int binary_float = 100;
inline constexpr int binary_double = 101;
inline constexpr int clob = 112;  // CLOB, NCLOB
inline constexpr int blob = 113;
inline constexpr int bfile = 114;
inline constexpr int timestamp = 180;
inline constexpr int timestamp_tz = 181;
inline constexpr int interval_ym = 182;
inline constexpr int interval_ds = 183;
inline constexpr int timestamp_ltz = 231;
}  // namespace type_code

// What OCI describe reports for one select-list item.
struct column_desc {
    std::u16string name;       // as Oracle reports it (upper case for unquoted names/expressions)
    int type_code = 0;         // one of type_code:: above
    std::u16string type_name;  // "VARCHAR2", "NUMBER", ...
    int data_size = 0;         // bytes (2n for NCHAR/NVARCHAR2), as OCI_ATTR_DATA_SIZE
    int precision = 0;         // 0 for NUMBER without precision, p for FLOAT(p)
    int scale = 0;             // -127 for NUMBER without precision and FLOAT
    bool nullable = true;
    int charset_form = 1;    // 1 implicit, 2 national (NCHAR, NVARCHAR2, NCLOB)
    int char_size = 0;       // characters of a text column, as OCI_ATTR_CHAR_SIZE
    bool char_used = false;  // length in characters (VARCHAR2(n CHAR), the national kinds)
};

// Where a BLOB item that carries only its cell's rowid is stored: data table t<N>, column c<N>
// (both empty for an item that is its value).
struct stored_cell {
    std::string table;
    std::string column;
};

struct translated {
    std::string sqlite_sql;            // runnable on the store; result columns in select-list order
    std::vector<column_desc> columns;  // empty for a non-query
    std::vector<stored_cell> cells;    // per column
    bool is_query = false;
    // SELECT ... FOR UPDATE of one table: its rows are locked for the session, and its LOB
    // items can be written through the locators fetched. The row's SQLite rowid is the result
    // column after the described ones.
    bool for_update = false;
    std::string lock_table;                 // the data table t<N>
    std::vector<std::string> lock_columns;  // per select item: its c<N>, empty when not a column
};

// The ROWID pseudo-column: Oracle's 18-character text (data object, file, block, row in
// base 64) for a row of data table t<N>. The store's connection needs the functions that the
// translated SQL calls for it.
std::string rowid_text(const std::string& sqlite_table, int64_t rowid);
// The SQLite rowid a ROWID text names in that table; none for another table's ROWID.
// ORA-01410 (invalid ROWID) for a text that is no ROWID.
std::optional<int64_t> rowid_of(std::string_view text, const std::string& sqlite_table);
void register_rowid_functions(sqlite3* db);

// Parses Oracle SQL as the client sent it (UTF-16 from OCIStmtPrepare), resolves names like
// Oracle (unquoted fold to upper case, quoted exact), maps tables/columns to the store's
// t<N>/c<N>, and returns SQLite SQL plus the description. Throws ora_error (ORA-00942 unknown
// table/view, ORA-00904 invalid identifier, ORA-00900 invalid SQL statement, ORA-00933 SQL
// command not properly ended).
// With lazy_lobs, a BLOB column of a stored table selected at the top yields its rowid (NULL
// for a NULL cell) and names its cell in `cells`.
translated translate(sqlite3* store, std::u16string_view oracle_sql, bool lazy_lobs = false);

}  // namespace ocilite
