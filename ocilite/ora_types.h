// Oracle column data types: reading a type from DDL, the catalog's view of it (DATA_TYPE,
// DATA_LENGTH, ...), and what describe reports for it. The catalog row is the one record of a
// column's type, so the translator rebuilds the type from it.
#pragma once

#include <optional>
#include <string>

#include "ocilite/sql_parser.h"
#include "ocilite/sql_translate.h"

namespace ocilite {

enum class ora_kind {
    varchar2,
    nvarchar2,
    fixed_char,
    nchar,
    number,
    float_number,
    date,
    timestamp,
    timestamp_tz,
    timestamp_ltz,
    interval_ym,
    interval_ds,
    raw,
    long_text,
    long_raw,
    rowid,
    clob,
    nclob,
    blob,
    bfile,
    binary_double,
    binary_float,
};

struct ora_column_type {
    ora_kind kind = ora_kind::varchar2;
    int length = 0;                // characters or bytes as declared (text and RAW kinds)
    bool char_semantics = false;   // VARCHAR2(n CHAR); always for the national kinds
    std::optional<int> precision;  // NUMBER(p[,s]), FLOAT(p); leading field precision of intervals
    std::optional<int> scale;      // NUMBER scale; fraction precision of timestamps and DAY TO SECOND

    std::string data_type() const;  // USER_TAB_COLUMNS.DATA_TYPE, e.g. "TIMESTAMP(6)"
    int data_length() const;        // bytes
    std::optional<int> data_precision() const;
    std::optional<int> data_scale() const;
    int char_length() const;                       // 0 for non-text kinds
    std::optional<std::string> char_used() const;  // "B", "C" or NULL

    bool is_text() const;     // VARCHAR2, NVARCHAR2, CHAR, NCHAR
    bool is_numeric() const;  // NUMBER, FLOAT, BINARY_*

    column_desc describe(const std::u16string& name, bool nullable) const;

    // Rebuilds the type from its catalog row.
    static ora_column_type from_catalog(const std::string& data_type, int data_length,
                                        std::optional<int> data_precision, std::optional<int> data_scale,
                                        int char_length, const std::string& char_used);
};

// Reads a data type at the parser's position (ORA-00902 invalid datatype, ORA-00910 when a
// length is out of Oracle's range, ORA-01727 / ORA-01728 for NUMBER precision and scale).
ora_column_type parse_column_type(sql_parser& p);

}  // namespace ocilite
