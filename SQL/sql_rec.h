// One row of a MySQL result as a record of the data model.
#pragma once

#include <mysql.h>

#include "UDB/udb_sche.h"
#include "compat/text/text.h"

// One cell: the value built from the result cell by its MySQL type, length and flags.
class sql_field : public udb_field {
public:
    // A text cell already converted to wide text.
    sql_field(const compat::wstring& name, unsigned mysql_type, unsigned long length, unsigned flags,
              const compat::wstring& text);
    // Raw cell bytes (numbers, dates, binary data); a null cell gives the empty value.
    sql_field(const compat::wstring& name, unsigned mysql_type, unsigned long length, unsigned flags, const char* cell);
};

class sql_record : public udb_record {
public:
    // One row of a result: the descriptors of its n_fields columns, the byte length of
    // each cell and the cells.
    sql_record(unsigned n_fields, const MYSQL_FIELD* fields, const unsigned long* lengths, MYSQL_ROW row);
};
