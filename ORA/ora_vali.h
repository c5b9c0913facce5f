// Oracle's name rules for the destination writer: at most 30 bytes of the database character
// set before release 12.2, 128 from it on; a letter first, then letters, digits, '_', '$' and
// '#'. Anything else (a double quote or a zero character above all, which no quoted Oracle
// name can hold) is replaced in a safe name.
#pragma once

#include "ORA/ora_util.h"
#include "TK/tk_singl.h"
#include "UDB/udb_idx.h"
#include "UDB/udb_sche.h"
#include "UDB/udb_vali.h"

class ora_validator : public udb_validator {
public:
    // max_bytes: the longest name; by default the connected server's.
    explicit ora_validator(unsigned max_bytes = ora::max_name_bytes());
    bool is_acceptable(const compat::wstring& name) const override;
    compat::wstring get_safe_name(const compat::wstring& name) const override;

protected:
    size_t name_length(const compat::wstring& name) const override;
    compat::wstring cut_name(const compat::wstring& name, size_t bytes) const override;

    bool column_names_ = false;
};

// Column names: the names already in a table (or a record) are taken, and no column is named
// ROWID (the pseudo-column's name).
class ora_fn_validator : public ora_validator {
public:
    explicit ora_fn_validator(const udb_schema& schema);
    explicit ora_fn_validator(const udb_record& record);
};

// Index and constraint names, shared by every table of the process: Oracle keeps them in
// one namespace per schema.
class ora_in_validator : public ora_validator, public singleton<ora_in_validator> {
public:
    ora_in_validator() = default;
    ~ora_in_validator() override = default;
    void load(const udb_indexes& indexes);
};
