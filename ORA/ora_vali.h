// Oracle's name rules for the destination writer: at most 30 characters, a letter first,
// then letters, digits, '_', '$' and '#'. Anything else (a double quote or a zero character
// above all, which no quoted Oracle name can hold) is replaced in a safe name.
#pragma once

#include "TK/tk_singl.h"
#include "UDB/udb_idx.h"
#include "UDB/udb_sche.h"
#include "UDB/udb_vali.h"

class ora_validator : public udb_validator {
public:
    ora_validator();
    bool is_acceptable(const compat::wstring& name) const override;
    compat::wstring get_safe_name(const compat::wstring& name) const override;
};

// Column names: the names already in a table (or a record) are taken.
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
