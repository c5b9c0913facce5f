// Writes a new row's large values: the INSERT put empty LOBs in, this selects the row's LOB
// locators FOR UPDATE and writes each value in one piece.
#pragma once

#include <vector>

#include "ORA/ora_util.h"
#include "UDB/udb_sche.h"

class ora_lob_insert {
public:
    // A CLOB, NCLOB or BLOB column of the destination table, by its real type.
    struct lob_column {
        int position;  // in the table's schema
        bool binary;   // BLOB
        compat::wstring name;
    };

    ora_lob_insert(const compat::wstring& table, std::vector<lob_column> columns);
    ~ora_lob_insert();
    ora_lob_insert(const ora_lob_insert&) = delete;
    ora_lob_insert& operator=(const ora_lob_insert&) = delete;

    // by_position: the field written into each schema column (null when the record has none).
    void insert(const compat::wstring& rowid, const std::vector<const udb_field*>& by_position);

private:
    void write_blob(size_t lob, const udb_field& field);
    void write_clob(size_t lob, const udb_field& field);

    compat::wstring table_;
    std::vector<OCIDefine*> defines_;
    std::vector<lob_column> columns_;
    std::vector<OCILobLocator*> locators_;
    std::vector<sb2> indicators_;
};
