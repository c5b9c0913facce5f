// Relationship model: the foreign keys of a database.
#pragma once

#include <vector>

#include "UDB/udb_idx.h"

struct udb_relationship {
    compat::wstring name;          // the foreign key constraint
    compat::wstring key_name;      // the referenced key
    compat::wstring child_table;   // referencing table
    compat::wstring parent_table;  // referenced table
    compat::wstring delete_rule;   // "ON DELETE " and the rule, or empty
    udb_names child_fields;
    udb_names parent_fields;
};

class udb_relationships {
public:
    using list_type = std::vector<udb_relationship>;

    // No relationship of that name yet (without case).
    bool is_acceptable_name(const compat::wstring& name) const;
    // The relationship of that name (without case); a missing one is an internal error.
    const udb_relationship& get_index(const compat::wstring& name) const;

    void push_back(const udb_relationship& rel) { list_.push_back(rel); }
    size_t size() const { return list_.size(); }
    bool empty() const { return list_.empty(); }
    const udb_relationship& operator[](size_t i) const { return list_.at(i); }
    list_type::const_iterator begin() const { return list_.begin(); }
    list_type::const_iterator end() const { return list_.end(); }

private:
    list_type list_;
};
