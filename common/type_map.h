// Per-column verdicts gathered while a table's records are copied: types_map is a named
// table of entries, dates_map watches the date columns and learns whether each one held
// full date-times, dates only, times only, or something no date type can take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "UDB/udb_sche.h"
#include "compat/text/text.h"
#include "values/ole_date.h"

// A column's kind is a date_kind; none means CHAR(19).
struct types_map_entry {
    int32_t field_index;  // position in the schema and in every record
    compat::wstring field_name;
    date_kind kind;          // the verdict so far
    date_kind created_kind;  // the kind the destination column was created with
    bool seen;               // a non-empty value has been looked at
};

class types_map {
public:
    explicit types_map(const compat::wstring& table_name);
    virtual ~types_map() = default;
    types_map(const types_map&) = delete;
    types_map& operator=(const types_map&) = delete;

    const compat::wstring& table_name() const { return table_name_; }
    size_t size() const { return entries_.size(); }
    // A position out of range is an internal error.
    types_map_entry& entry(size_t position);
    const types_map_entry& entry(size_t position) const;

protected:
    compat::wstring table_name_;
    std::vector<types_map_entry> entries_;
};

class dates_map : public types_map {
public:
    // One entry per column of the schema, or per date column only with dates_only.
    dates_map(const compat::wstring& table_name, const udb_schema& schema, bool dates_only);

    // Updates every entry from one appended record.
    void add_rec_stat(const udb_record& record);

    // The kind of one value as its text reads; nothing for NULL and empty text.
    static std::optional<date_kind> value_kind(const ole_variant& value);

    // The verdict after a value of kind k for an entry that has already seen a value.
    static date_kind next_kind(date_kind before, date_kind k);
};
