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

// Where a piecewise (OCI_DYNAMIC_FETCH) define's value goes: into the buffers its callback
// hands out, one piece after another, for one row of the fetch.
struct piece_slot {
    OCIDefine* define;
    ub4 row;
    OCICallbackDefine callback;
    void* context;
    size_t limit;  // bytes in all
    ub2 dty;
    bool utf16;
};

// Fetches column col of the current row through the callback, as Oracle calls it: first
// with OCI_FIRST_PIECE, then with OCI_NEXT_PIECE while more of the value is left; each call
// hands back a buffer and, in the length it points to, the buffer's size, which the piece's
// length replaces. Characters are never split. A NULL is one call that sets the indicator
// to -1. Returns 0, 1406 when the value was longer than the limit (or than a buffer could
// take), or the ORA error number the fetch must fail with (24343 when the callback fails or
// hands back no buffer).
int fetch_pieces(sqlite3_stmt* stmt, int col, source_kind kind, const piece_slot& slot);

// Fetches column col of the current row into slot. Returns 0, 1406 when the value was cut
// to the buffer, or the ORA error number the fetch must fail with (1405 for a NULL without
// indicator, 932, 1455, 1722, ...).
int fetch_value(sqlite3_stmt* stmt, int col, source_kind kind, const column_desc& desc, const fetch_slot& slot);

// Oracle's print of numbers, exposed for tests of the edge cases.
size_t print_number(double value, char* out, size_t capacity);         // NUMBER: ".5", "-12"
size_t print_binary_double(double value, char* out, size_t capacity);  // "1.5E+000"

}  // namespace ocilite
