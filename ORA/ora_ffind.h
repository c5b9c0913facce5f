// Matches a record's fields to the destination names the column builder gave them, so that
// a record can be written into a table whose columns were renamed.
#pragma once

#include <vector>

#include "ORA/ora_vali.h"

// The destination name of a source column: upper-cased when asked; then the name the column
// builder recorded for it (map, may be null), else the name made acceptable.
compat::wstring ora_destination_name(const udb_validator& validator, const compat::wstring& name, bool upper_case,
                                     const t_names_map* map);

class ora_field_finder {
public:
    // map: the table's source-to-destination column names, when the table was created here.
    ora_field_finder(const udb_record& record, bool upper_case, const t_names_map* map = nullptr);
    void intialize(const udb_record& record);
    // Position of the field whose destination name is exactly name, or -1.
    int get_field_idx(const compat::wstring& name) const;

private:
    bool upper_case_;
    const t_names_map* map_;
    ora_fn_validator validator_;
    std::vector<compat::wstring> names_;
};
