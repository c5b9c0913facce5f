// Table creation on an Oracle destination: the column builder (CREATE TABLE with native
// types, defaults and NOT NULL; a sequence and a BEFORE INSERT trigger for an auto-number
// column) and the index builder (primary key, unique keys, plain indexes).
#pragma once

#include <vector>

#include "ORA/ora_vali.h"
#include "UDB/udb_db.h"

class ora_database;

class ora_schema_initializer {
public:
    ora_schema_initializer(const compat::wstring& name, const udb_schema& source, bool upper_case);
    void build_schema(ora_database& db);
    // The created sequence's name; empty when every candidate name was taken.
    compat::wstring create_sequence(ora_database& db);

    const udb_schema& schema() const { return schema_; }
    const t_names_map& field_map() const { return validator_.get_mapped_pairs(); }

    // The trigger that numbers new rows from the sequence when the column is left NULL.
    static compat::wstring trigger_text(const compat::wstring& table, const compat::wstring& column,
                                        const compat::wstring& sequence);

private:
    compat::wstring table_;
    bool upper_case_;
    udb_schema schema_;
    compat::wstring auto_column_;
    ora_fn_validator validator_;
};

class ora_indexes_initializer {
public:
    ora_indexes_initializer(const compat::wstring& table, const udb_schema& schema, const udb_indexes& indexes,
                            const t_names_map& field_map);
    void build_indexes();

    const std::vector<udb_index>& indexes() const { return indexes_; }

private:
    int pk_ = -1;
    compat::wstring table_;
    std::vector<udb_index> indexes_;
    const udb_schema& schema_;
    const t_names_map& field_map_;
};

// Q(x): a name between double quotes, as every destination statement writes names.
inline compat::wstring ora_q(const compat::wstring& name) { return u"\"" + name + u"\""; }
