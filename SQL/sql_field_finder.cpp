#include "SQL/sql_field_finder.h"

#include "SQL/sql_engi.h"
#include "TK/tk_trace.h"

sql_field_finder::sql_field_finder(const udb_record& record)
    : validator_((tk_log::log(1, "sql_field_finder::ctor"), sql_engine::instance().create_fn_validator(record))) {
    intialize(record);
}

void sql_field_finder::intialize(const udb_record& record) {
    tk_log::log(1, "sql_field_finder::intialize");
    for (const auto& f : record) {
        if (validator_->is_acceptable(f->name)) {
            names_.push_back(f->name);
            continue;
        }
        const compat::wstring safe = validator_->get_safe_name(f->name);
        names_.push_back(safe);
        tk_log::log(1, u"GOT SAFE NAME: %s->%s", f->name, safe);
        // two fields never get the same safe name
        validator_->add_existing_name(safe);
    }
}

int sql_field_finder::get_field_idx(const compat::wstring& name) const {
    tk_log::log(1, u"sql_field_finder::get_field_idx(%s)", name);
    for (size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name) return static_cast<int>(i);
    return -1;
}
