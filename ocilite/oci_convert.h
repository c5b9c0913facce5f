// Turns one value of a fetched row into the external type its define asks for, as an Oracle
// client would: texts as Oracle prints them, the 7-byte DATE, integers, floats, RAW bytes,
// hexadecimal for binary data read as text, LOB locators; NULLs and truncation reported
// through the indicator, the returned length and the column return code.
#pragma once

#include <sqlite3.h>

#include <cstddef>

#include "compat/oci/oci.h"
#include "ocilite/oci_cursor.h"
#include "ocilite/sql_translate.h"

namespace ocilite {

// Where one value goes: the define's buffers for one row of the fetch.
struct fetch_slot {
    void* value;
    sb4 size;  // bytes
    ub2 dty;
    sb2* ind;
    ub2* rlen;
    ub2* rcode;
    bool utf16;
};

// Fetches column col of the current row into slot. Returns 0, 1406 when the value was cut
// to the buffer, or the ORA error number the fetch must fail with (1405 for a NULL without
// indicator, 932, 1455, 1722, ...).
int fetch_value(sqlite3_stmt* stmt, int col, source_kind kind, const column_desc& desc, const fetch_slot& slot);

// Oracle's print of numbers, exposed for tests of the edge cases.
size_t print_number(double value, char* out, size_t capacity);         // NUMBER: ".5", "-12"
size_t print_binary_double(double value, char* out, size_t capacity);  // "1.5E+000"

}  // namespace ocilite
