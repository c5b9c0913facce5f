#include "ocilite/value_convert.h"

#include <cmath>

#include "compat/text/text.h"
#include "ocilite/expr_eval.h"
#include "ocilite/ora_errors.h"

namespace ocilite {

using vk = ora_value::kind;

void stored_value::bind(sqlite3_stmt* st, int i) const {
    switch (k) {
        case kind::null:
            sqlite3_bind_null(st, i);
            break;
        case kind::integer:
            sqlite3_bind_int64(st, i, integer);
            break;
        case kind::real:
            sqlite3_bind_double(st, i, real);
            break;
        case kind::text:
            sqlite3_bind_text(st, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
            break;
        case kind::blob:
            if (bytes.empty())
                sqlite3_bind_zeroblob(st, i, 0);
            else
                sqlite3_bind_blob(st, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
            break;
    }
}

namespace {

stored_value text_value(std::string s) {
    stored_value r;
    r.k = stored_value::kind::text;
    r.bytes = std::move(s);
    return r;
}

ora_datetime to_datetime(const ora_value& v, bool timestamp) {
    if (v.k == vk::date || v.k == vk::timestamp) return v.dt;
    if (v.k == vk::text) {
        return timestamp ? parse_datetime(v.bytes, "DD-MON-RR HH24:MI:SS.FF")
                         : parse_datetime(v.bytes, "DD-MON-RR HH24:MI:SS");
    }
    raise_inconsistent(timestamp ? "TIMESTAMP" : "DATE", kind_name(v));
}

// What a NUMBER column keeps: ORA-01426 from 1E126 up, 0 below 1E-130.
stored_value number_value(const ora_number& n) {
    if (n.overflows_number()) raise_ora(1426, "numeric overflow");
    if (n.underflows_number()) return number_value(ora_number{});
    if (auto i = n.to_int64()) {
        stored_value r;
        r.k = stored_value::kind::integer;
        r.integer = *i;
        return r;
    }
    return text_value(n.to_string());
}

}  // namespace

stored_value convert_for_column(const ora_value& v, const stored_column& col, const std::string& owner,
                                const std::string& table) {
    const ora_column_type& t = col.type;
    auto column_text = [&]() { return "\"" + owner + "\".\"" + table + "\".\"" + col.name + "\""; };
    if (v.is_null()) {
        if (!col.nullable) raise_ora(1400, "cannot insert NULL into (" + column_text() + ")");
        return {};
    }
    auto too_large = [&](size_t actual, size_t maximum) {
        raise_ora(12899, "value too large for column " + column_text() + " (actual: " + std::to_string(actual) +
                             ", maximum: " + std::to_string(maximum) + ")");
    };

    switch (t.kind) {
        case ora_kind::varchar2:
        case ora_kind::nvarchar2:
        case ora_kind::fixed_char:
        case ora_kind::nchar: {
            // An empty LOB is no text: only a LOB column takes it.
            if (v.k == vk::raw || v.k == vk::empty_clob || v.k == vk::empty_blob)
                raise_inconsistent(t.data_type(), kind_name(v));
            std::string s = value_to_text(v);
            if (s.empty()) {
                if (!col.nullable) raise_ora(1400, "cannot insert NULL into (" + column_text() + ")");
                return {};
            }
            bool chars = t.char_semantics;
            size_t have = chars ? utf8_chars(s) : s.size();
            if (have > static_cast<size_t>(t.length)) too_large(have, static_cast<size_t>(t.length));
            // A length in characters still holds no more bytes than the type does: 4000 for
            // VARCHAR2 and NVARCHAR2, 2000 for CHAR and NCHAR, the national kinds in UTF-16.
            const bool national = t.kind == ora_kind::nvarchar2 || t.kind == ora_kind::nchar;
            const size_t type_bytes = t.kind == ora_kind::varchar2 || t.kind == ora_kind::nvarchar2 ? 4000 : 2000;
            const size_t bytes = national ? compat::utf8_to_utf16(s).size() * 2 : s.size();
            if (bytes > type_bytes) too_large(bytes, type_bytes);
            if (t.kind == ora_kind::fixed_char || t.kind == ora_kind::nchar) s.append(t.length - have, ' ');
            return text_value(std::move(s));
        }
        case ora_kind::long_text:
        case ora_kind::clob:
        case ora_kind::nclob:
        case ora_kind::rowid:
        case ora_kind::bfile: {
            if (v.k == vk::raw || v.k == vk::empty_blob) raise_inconsistent(t.data_type(), kind_name(v));
            if (v.k == vk::empty_clob) {
                if (t.kind == ora_kind::clob || t.kind == ora_kind::nclob) return text_value("");
                raise_inconsistent(t.data_type(), kind_name(v));
            }
            return text_value(value_to_text(v));
        }
        case ora_kind::number:
        case ora_kind::float_number: {
            ora_number n = value_to_number(v);
            if (t.kind == ora_kind::float_number) {
                int digits = static_cast<int>(std::ceil(t.precision.value_or(126) * 0.30103));
                return number_value(n.rounded_significant(digits));
            }
            if (t.scale) n = n.rounded(*t.scale);
            n = n.rounded_significant(40);
            if (t.precision) {
                // |value| must stay below 10^(p - s).
                int limit = *t.precision - t.scale.value_or(0);
                int magnitude = n.is_zero() ? -1000 : n.integer_digits() > 0 ? n.integer_digits() : 0;
                if (!n.is_zero() && n.integer_digits() == 0) {
                    // Below 1: count leading zeros after the point as negative magnitude.
                    std::string s = n.to_string();
                    size_t dot = s.find('.');
                    size_t first = s.find_first_not_of('0', dot + 1);
                    magnitude = -static_cast<int>(first - dot - 1);
                }
                if (magnitude > limit) raise_ora(1438, "value larger than specified precision allowed for this column");
            }
            return number_value(n);
        }
        case ora_kind::binary_double:
        case ora_kind::binary_float: {
            double d = v.k == vk::binary_double ? v.dbl : value_to_number(v).to_double();
            if (t.kind == ora_kind::binary_float) d = static_cast<float>(d);
            stored_value r;
            r.k = stored_value::kind::real;
            r.real = d;
            return r;
        }
        case ora_kind::date:
            return text_value(to_datetime(v, false).store_date());
        case ora_kind::timestamp:
        case ora_kind::timestamp_tz:
        case ora_kind::timestamp_ltz: {
            ora_datetime d = to_datetime(v, true);
            if (v.k == vk::date) d.nanos = 0;
            // Round the fraction to the column's precision.
            int fs = t.scale.value_or(6);
            int64_t unit = 1;
            for (int i = fs; i < 9; ++i) unit *= 10;
            int64_t rounded = (d.nanos + unit / 2) / unit * unit;
            if (rounded >= 1000000000) {
                d = d.plus_days(1.0 / 86400.0);
                d.has_tz = v.dt.has_tz;
                d.tz_minutes = v.dt.tz_minutes;
                rounded = 0;
            }
            d.nanos = rounded;
            return text_value(d.store_timestamp(t.kind == ora_kind::timestamp_tz));
        }
        case ora_kind::interval_ym:
        case ora_kind::interval_ds: {
            bool ym = t.kind == ora_kind::interval_ym;
            ora_interval iv;
            if (v.k == vk::interval) {
                iv = v.iv;
                if (iv.year_to_month != ym) raise_inconsistent(t.data_type(), kind_name(v));
            } else if (v.k == vk::text) {
                iv = parse_interval(v.bytes, ym ? "YEAR TO MONTH" : "DAY TO SECOND");
            } else {
                raise_inconsistent(t.data_type(), kind_name(v));
            }
            int lead = t.precision.value_or(2);
            const auto leading = static_cast<int64_t>(ym ? (iv.months < 0 ? -iv.months : iv.months) / 12
                                                         : (iv.nanos < 0 ? -iv.nanos : iv.nanos) / 86400000000000LL);
            int64_t limit = 1;
            for (int i = 0; i < lead; ++i) limit *= 10;
            if (leading >= limit) raise_ora(1873, "the leading precision of the interval is too small");
            if (!ym) {
                int fs = t.scale.value_or(6);
                int64_t unit = 1;
                for (int i = fs; i < 9; ++i) unit *= 10;
                interval_nanos mag = iv.nanos < 0 ? -iv.nanos : iv.nanos;
                mag = (mag + unit / 2) / unit * unit;
                iv.nanos = iv.nanos < 0 ? -mag : mag;
            }
            return text_value(format_interval(iv, lead, ym ? 0 : t.scale.value_or(6)));
        }
        case ora_kind::raw:
        case ora_kind::long_raw:
        case ora_kind::blob: {
            stored_value r;
            r.k = stored_value::kind::blob;
            if (v.k == vk::raw)
                r.bytes = v.bytes;
            else if (v.k == vk::text)
                r.bytes = hex_to_raw(v.bytes);
            else if (v.k == vk::empty_blob && t.kind == ora_kind::blob)
                return r;
            else
                raise_inconsistent(t.data_type(), kind_name(v));
            if (r.bytes.empty()) {
                if (!col.nullable) raise_ora(1400, "cannot insert NULL into (" + column_text() + ")");
                return {};
            }
            if (t.kind == ora_kind::raw && r.bytes.size() > static_cast<size_t>(t.length))
                too_large(r.bytes.size(), t.length);
            return r;
        }
    }
    return {};
}

ora_value value_from_store(sqlite3_stmt* st, int col, const ora_column_type& t) {
    int type = sqlite3_column_type(st, col);
    if (type == SQLITE_NULL) return {};
    if (type == SQLITE_BLOB) {
        ora_value v;
        v.k = t.kind == ora_kind::blob && sqlite3_column_bytes(st, col) == 0 ? vk::empty_blob : vk::raw;
        const void* p = sqlite3_column_blob(st, col);
        v.bytes.assign(static_cast<const char*>(p ? p : ""), sqlite3_column_bytes(st, col));
        return v;
    }
    if (type == SQLITE_INTEGER) return ora_value::from_int(sqlite3_column_int64(st, col));
    if (type == SQLITE_FLOAT) {
        ora_value v;
        v.k = vk::binary_double;
        v.dbl = sqlite3_column_double(st, col);
        return v;
    }
    std::string s(reinterpret_cast<const char*>(sqlite3_column_text(st, col)), sqlite3_column_bytes(st, col));
    switch (t.kind) {
        case ora_kind::number:
        case ora_kind::float_number:
            if (auto n = ora_number::parse(s)) return ora_value::from_number(*n);
            return ora_value::from_text(s);
        case ora_kind::date:
        case ora_kind::timestamp:
        case ora_kind::timestamp_tz:
        case ora_kind::timestamp_ltz: {
            ora_datetime d;
            if (parse_store_text(s, d)) return ora_value::from_date(d, t.kind != ora_kind::date);
            return ora_value::from_text(s);
        }
        case ora_kind::interval_ym:
        case ora_kind::interval_ds: {
            ora_value v;
            v.k = vk::interval;
            v.iv = parse_interval(s, t.kind == ora_kind::interval_ym ? "YEAR TO MONTH" : "DAY TO SECOND");
            return v;
        }
        case ora_kind::clob:
        case ora_kind::nclob:
            if (s.empty()) {
                ora_value v;
                v.k = vk::empty_clob;
                return v;
            }
            return ora_value::from_text(s);
        default:
            return ora_value::from_text(s);
    }
}

}  // namespace ocilite
