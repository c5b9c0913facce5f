#include "ORA/ora_ffind.h"

#include "TK/tk_trace.h"

compat::wstring ora_destination_name(const udb_validator& validator, const compat::wstring& name, bool upper_case,
                                     const t_names_map* map) {
    const compat::wstring out = upper_case ? compat::to_upper(name) : name;
    // A name the column builder changed (a case-only clash, say) is only known from its map.
    if (map) {
        for (const auto& [source, mapped] : *map)
            if (source == name || source == out) return mapped;
    }
    return validator.is_acceptable(out) ? out : validator.get_safe_name(out);
}

ora_field_finder::ora_field_finder(const udb_record& record, bool upper_case, const t_names_map* map)
    : upper_case_(upper_case), map_(map), validator_(record) {
    tk_log::log(1, "ora_field_finder::ctor");
    intialize(record);
}

void ora_field_finder::intialize(const udb_record& record) {
    tk_log::log(1, "ora_field_finder::intialize");
    names_.clear();
    for (const auto& field : record) names_.push_back(ora_destination_name(validator_, field->name, upper_case_, map_));
}

int ora_field_finder::get_field_idx(const compat::wstring& name) const {
    tk_log::log(1, "ora_field_finder::get_field_idx");
    for (size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name) return static_cast<int>(i);
    return -1;
}
