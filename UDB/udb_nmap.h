// Name maps: source names and the names they were given at the destination, so that
// later texts (indexes, foreign keys, view definitions) can use the new names.
#pragma once

#include <map>

#include "compat/text/text.h"

// One map of names: source name -> mapped name, ordered by code units.
class t_names_map {
public:
    using map_type = std::map<compat::wstring, compat::wstring>;
    using const_iterator = map_type::const_iterator;

    // A source name already present keeps its first mapping.
    void add(const compat::wstring& source, const compat::wstring& mapped);

    // The mapped name of the first source name equal to name (exactly, or without case),
    // or name itself when none matches.
    compat::wstring get_mapped_name(const compat::wstring& name, bool exact) const;

    // Reverse lookup: the source name of the first entry whose mapped name matches, or
    // mapped itself when none does.
    compat::wstring get_orig_name(const compat::wstring& mapped, bool exact) const;

    const map_type& pairs() const { return map_; }
    const_iterator begin() const { return map_.begin(); }
    const_iterator end() const { return map_.end(); }
    size_t size() const { return map_.size(); }
    bool empty() const { return map_.empty(); }

private:
    map_type map_;
};

// Table names plus, per table, the names of its fields.
class udb_names_map {
public:
    using field_maps = std::map<compat::wstring, t_names_map>;

    void add_tn_mapping(const compat::wstring& source, const compat::wstring& mapped);
    // A table already present keeps its first field map.
    void add_fn_map(const compat::wstring& table, const t_names_map& fields);

    compat::wstring get_tn_mapped_name(const compat::wstring& name, bool exact) const;
    // The table's field map is found by exact table name; without one the field name is
    // returned unchanged.
    compat::wstring get_fn_mapped_name(const compat::wstring& table, const compat::wstring& field, bool exact) const;
    compat::wstring get_fn_orig_name(const compat::wstring& table, const compat::wstring& mapped, bool exact) const;

    // Replaces in text every whole-word source name of the table map, then of each field
    // map, by its mapped name wrapped in before/after (the destination's quotes).
    compat::wstring do_global_replace1(const compat::wstring& text, const compat::wstring& before,
                                       const compat::wstring& after) const;
    static compat::wstring do_global_replace2(const compat::wstring& text, const t_names_map& map,
                                              const compat::wstring& before, const compat::wstring& after);

    const t_names_map& tables() const { return tables_; }
    const field_maps& fields() const { return fields_; }

private:
    t_names_map tables_;
    field_maps fields_;
};
