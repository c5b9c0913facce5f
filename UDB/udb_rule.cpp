#include "UDB/udb_rule.h"

#include "TK/tk_trace.h"

using compat::wstring;

void udb_custom_conversion::add_rule(std::unique_ptr<udb_rule> rule) {
    if (rule) rules_.push_back(std::move(rule));
}

bool udb_custom_conversion::is_acceptable1(const t_ftd& column) {
    tk_log::log(1, "udb_custom_conversion::is_acceptable1");
    udb_custom_conversion* self = try_get();
    if (!self) return false;
    for (const auto& r : self->rules_) {
        if (r->accepts_column(column)) return true;
    }
    return false;
}

bool udb_custom_conversion::is_acceptable2(const udb_field& value) {
    tk_log::log(1, "udb_custom_conversion::is_acceptable2");
    udb_custom_conversion* self = try_get();
    if (!self) return false;
    for (const auto& r : self->rules_) {
        if (r->accepts_value(value)) return true;
    }
    return false;
}

wstring udb_custom_conversion::handle1(const t_ftd& column) {
    tk_log::log(1, "udb_custom_conversion::handle1");
    udb_custom_conversion* self = try_get();
    if (!self) return {};
    for (const auto& r : self->rules_) {
        if (r->accepts_column(column)) return r->column_text(column);
    }
    return {};
}

wstring udb_custom_conversion::handle2(const udb_field& value) {
    tk_log::log(1, "udb_custom_conversion::handle2");
    udb_custom_conversion* self = try_get();
    if (!self || self->rules_.empty()) return {};
    for (const auto& r : self->rules_) {
        if (r->accepts_value(value)) return r->value_text(value);
    }
    tk_fail(tk_where::udb_rule, 88);
}
