// Name validators of the MySQL side: one family for servers before 4.1.0 (bare names:
// reserved words refused, only ASCII letters and digits, '_' and '$'), one for 4.1.0 and later
// (backquoted names: a few characters refused, no blanks at either end).
#pragma once

#include <vector>

#include "UDB/udb_idx.h"
#include "UDB/udb_sche.h"
#include "UDB/udb_vali.h"
#include "compat/text/text.h"

using sql_names = std::vector<compat::wstring>;

class sql_old_validator : public udb_validator {
public:
    static constexpr unsigned max_name_len = 64;
    sql_old_validator();
    bool is_acceptable(const compat::wstring& name) const override;
    compat::wstring get_safe_name(const compat::wstring& name) const override;
    // The old family's reserved words, lower case.
    static const std::vector<const char16_t*>& reserved_words();

protected:
    // The name with every character that the old rule refuses replaced by '_'.
    compat::wstring replace_symbols(const compat::wstring& name) const;
};

class sql_old_dn_validator : public sql_old_validator {
public:
    sql_old_dn_validator();
    bool is_acceptable(const compat::wstring& name) const override;
    compat::wstring get_safe_name(const compat::wstring& name) const override;
};

class sql_old_tn_validator : public sql_old_validator {
public:
    sql_old_tn_validator(const sql_names& tables, const sql_names& existing);
};

class sql_old_fn_validator : public sql_old_validator {
public:
    explicit sql_old_fn_validator(const udb_schema& schema);
    explicit sql_old_fn_validator(const udb_record& record);
};

class sql_old_in_validator : public sql_old_validator {
public:
    explicit sql_old_in_validator(const udb_indexes& indexes);
};

class sql_new_validator : public udb_validator {
public:
    static constexpr unsigned max_name_len = 64;
    // The illegal characters in their order: the field and index kinds take the first 8,
    // the table and database kinds all 16.
    static constexpr char16_t illegal_chars[] = u"`\"'^*#\\;+|:<>?./";
    static constexpr size_t all_illegal = 16;
    static constexpr size_t field_illegal = 8;

    explicit sql_new_validator(size_t n_illegal = all_illegal);
    bool is_acceptable(const compat::wstring& name) const override;
    compat::wstring get_safe_name(const compat::wstring& name) const override;
};

class sql_new_tn_validator : public sql_new_validator {
public:
    sql_new_tn_validator(const sql_names& tables, const sql_names& existing);
};

class sql_new_fn_validator : public sql_new_validator {
public:
    explicit sql_new_fn_validator(const udb_schema& schema);
    explicit sql_new_fn_validator(const udb_record& record);
};

class sql_new_in_validator : public sql_new_validator {
public:
    explicit sql_new_in_validator(const udb_indexes& indexes);
};

// The databases that belong to the server itself (grants, its catalog, its statistics):
// never a destination, whatever the letter case.
bool sql_is_server_database(compat::wstring_view name);
