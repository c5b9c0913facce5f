#include "common/type_map.h"

#include "TK/tk_trace.h"
#include "compat/oleaut/vartype.h"
#include "values/ole_date.h"

namespace {

bool is_leap(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// A calendar date of years 1 to 9999 (or no date at all) and a time of day: its printed
// text reads back with the kind its fields give, so the reading can be skipped. Anything
// else takes the text road.
bool is_plain_date(const SYSTEMTIME& st) {
    if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59) return false;
    if (st.wYear == 0 && st.wMonth == 0 && st.wDay == 0) return true;
    if (st.wYear < 1 || st.wYear > 9999 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1) return false;
    static constexpr unsigned days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    unsigned last = days[st.wMonth - 1];
    if (st.wMonth == 2 && is_leap(st.wYear)) last = 29;
    return st.wDay <= last;
}
}  // namespace

types_map::types_map(const compat::wstring& table_name) : table_name_(table_name) {
    tk_log::log(2, u"types_map::ctor(%s)", table_name_);
}

types_map_entry& types_map::entry(size_t position) {
    if (position >= entries_.size()) tk_fail(tk_where::type_map, 49);
    return entries_[position];
}

const types_map_entry& types_map::entry(size_t position) const {
    if (position >= entries_.size()) tk_fail(tk_where::type_map, 49);
    return entries_[position];
}

dates_map::dates_map(const compat::wstring& table_name, const udb_schema& schema, bool dates_only)
    : types_map(table_name) {
    tk_log::log(2, "dates_map::ctor(size=%d)", static_cast<int>(schema.size()));
    for (size_t i = 0; i < schema.size(); ++i) {
        const t_ftd& f = *schema[i];
        const int n = static_cast<int>(i);
        tk_log::log(1, "Field #%d has type %d", n, static_cast<int>(f.vartype));
        const bool is_date = f.vartype == VT_DATE;
        if (dates_only && !is_date) {
            tk_log::log(1, "Field #%d has not a date type", n);
            continue;
        }
        tk_log::log(1, "Add map entry for field #%d", n);
        entries_.push_back({n, f.name, date_kind::none, is_date ? date_kind::datetime : date_kind::none, false});
    }
}

date_kind dates_map::next_kind(date_kind before, date_kind k) {
    if (before == date_kind::none) return date_kind::none;  // final: CHAR(19)
    date_kind kind = before;
    if (((kind == date_kind::datetime || kind == date_kind::date) && k == date_kind::time) ||
        (kind == date_kind::time && k != date_kind::time))
        kind = date_kind::none;
    if (kind == date_kind::date && k == date_kind::datetime) kind = date_kind::datetime;
    return kind;
}

std::optional<date_kind> dates_map::value_kind(const ole_variant& value) {
    if (value.get_variant().vt == VT_DATE && is_plain_date(value.get_systemtime())) {
        if (tk_log::wants(1)) tk_log::log(1, u"Got string representation: '%s'", value.to_wstring());
        return ole_date(value.get_systemtime()).get_kind();
    }
    const compat::wstring text = value.to_wstring();
    tk_log::log(1, u"Got string representation: '%s'", text);
    if (text.empty()) return std::nullopt;
    return ole_date(compat::wstring_view(text)).get_kind();
}

void dates_map::add_rec_stat(const udb_record& record) {
    tk_log::log(1, "dates_map::add_rec_stat(map size=%d)", static_cast<int>(entries_.size()));
    for (size_t i = 0; i < entries_.size(); ++i) {
        types_map_entry& e = entries_[i];
        tk_log::log(1, "Process %d item, n_field=%d", static_cast<int>(i), e.field_index);
        const std::optional<date_kind> k = value_kind(*record.at(static_cast<size_t>(e.field_index)));
        if (!k) continue;  // NULL
        if (!e.seen) {
            e.seen = true;
            switch (*k) {
                case date_kind::datetime:
                    e.kind = date_kind::datetime;
                    tk_log::log(1, "got datetime");
                    break;
                case date_kind::date:
                    e.kind = date_kind::date;
                    tk_log::log(1, "got date");
                    break;
                case date_kind::time:
                    e.kind = date_kind::time;
                    tk_log::log(1, "got time");
                    break;
                case date_kind::none:
                    break;  // not a date: the kind stays CHAR(19)
            }
            continue;
        }
        if (e.kind == date_kind::none) {
            tk_log::log(1, "skip mapping CHAR(19)");
            continue;
        }
        const date_kind after = next_kind(e.kind, *k);
        if (after == date_kind::none)
            tk_log::log(1, "switch to char(19)");
        else if (after == date_kind::datetime && e.kind == date_kind::date)
            tk_log::log(1, "switch to datetime");
        e.kind = after;
    }
    tk_log::log(1, "End of dates_map::add_rec_stat");
}
