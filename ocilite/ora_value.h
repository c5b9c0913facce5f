// A value computed by the loader's expressions: Oracle's own kinds, before it is converted to a
// column's type and stored.
#pragma once

#include <cstdint>
#include <string>

#include "ocilite/ora_datetime.h"
#include "ocilite/ora_number.h"

namespace ocilite {

struct ora_value {
    enum class kind { null, number, binary_double, text, date, timestamp, interval, raw, empty_clob, empty_blob };
    kind k = kind::null;
    // number: exact; small integers stay in `integer` (fast path for generated rows)
    bool is_integer = false;
    int64_t integer = 0;
    ora_number decimal;
    double dbl = 0;         // binary_double
    std::string bytes;      // text (UTF-8) or raw bytes
    bool national = false;  // N'...'
    ora_datetime dt;        // date, timestamp
    ora_interval iv;

    static ora_value null() { return {}; }
    static ora_value from_int(int64_t v) {
        ora_value r;
        r.k = kind::number;
        r.is_integer = true;
        r.integer = v;
        return r;
    }
    static ora_value from_number(const ora_number& n) {
        if (auto i = n.to_int64()) return from_int(*i);
        ora_value r;
        r.k = kind::number;
        r.decimal = n;
        return r;
    }
    static ora_value from_text(std::string s) {
        // Oracle keeps no empty strings: '' is NULL.
        if (s.empty()) return {};
        ora_value r;
        r.k = kind::text;
        r.bytes = std::move(s);
        return r;
    }
    static ora_value from_date(const ora_datetime& d, bool timestamp) {
        ora_value r;
        r.k = timestamp ? kind::timestamp : kind::date;
        r.dt = d;
        if (!timestamp) r.dt.nanos = 0;
        return r;
    }
    bool is_null() const { return k == kind::null; }
    ora_number as_number() const { return is_integer ? ora_number::from_int(integer) : decimal; }
};

}  // namespace ocilite
