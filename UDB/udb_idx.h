// Index model: named indexes of a table with their fields and primary or unique flags.
#pragma once

#include <vector>

#include "compat/text/text.h"

using udb_names = std::vector<compat::wstring>;

struct udb_index {
    compat::wstring name;
    bool unique = false;
    bool primary = false;
    udb_names fields;  // in key order

    udb_index() = default;
    udb_index(const compat::wstring& index_name, bool is_unique, bool is_primary, udb_names index_fields = {})
        : name(index_name), unique(is_unique), primary(is_primary), fields(std::move(index_fields)) {}

    // The index begins with these fields, in this order (names compared without case).
    // An empty list gives true.
    bool starts_with_fields(const udb_names& names) const;
    // The index has exactly these fields, in any order (names compared exactly).
    bool consists_of_fields(const udb_names& names) const;
};

// The indexes of a table, in the order added.
class udb_indexes {
public:
    using list_type = std::vector<udb_index>;

    // No index has that name (without case).
    bool is_acceptable_name(const compat::wstring& name) const;
    // The first index of that name (without case); a missing one is an internal error.
    const udb_index& get_index(const compat::wstring& name) const;
    udb_index& get_index(const compat::wstring& name);
    // The first index that starts with the fields decides: true, or with unique_test its
    // unique flag. No such index: false.
    bool has_index_on_fields(const udb_names& names, bool unique_test) const;
    // Some index (only primary ones with primary_only) has a field of exactly that name.
    bool is_idx_field(const compat::wstring& name, bool primary_only) const;

    void push_back(const udb_index& index) { list_.push_back(index); }
    size_t size() const { return list_.size(); }
    bool empty() const { return list_.empty(); }
    void clear() { list_.clear(); }
    const udb_index& operator[](size_t i) const { return list_.at(i); }
    udb_index& operator[](size_t i) { return list_.at(i); }
    list_type::const_iterator begin() const { return list_.begin(); }
    list_type::const_iterator end() const { return list_.end(); }
    list_type::iterator begin() { return list_.begin(); }
    list_type::iterator end() { return list_.end(); }

private:
    list_type list_;
};
