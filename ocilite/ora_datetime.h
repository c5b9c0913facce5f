// Oracle DATE, TIMESTAMP and INTERVAL values: reading with Oracle format models (TO_DATE),
// day arithmetic, and the store's text forms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ocilite {

struct ora_datetime {
    int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int64_t nanos = 0;   // fraction of the second
    int tz_minutes = 0;  // offset from UTC, for TIMESTAMP WITH TIME ZONE
    bool has_tz = false;

    // Local time now (SYSDATE; SYSTIMESTAMP keeps microseconds).
    static ora_datetime now(bool with_fraction);
    // Days since an epoch, for arithmetic (fraction = time of day).
    double to_days() const;
    static ora_datetime from_days(double days);
    ora_datetime plus_days(double days) const;

    std::string store_date() const;                   // 'YYYY-MM-DD HH:MM:SS'
    std::string store_timestamp(bool with_tz) const;  // 'YYYY-MM-DD HH:MM:SS.FFFFFFFFF[ +HH:MM]'
};

// TO_DATE / TO_TIMESTAMP text with a format model (YYYY, RRRR, YY, RR, MM, MON, MONTH, DD, DDD? no,
// HH, HH12, HH24, MI, SS, SSSSS, FF[n], AM/PM, TZH, TZM, "text", punctuation). An input shorter
// than the model leaves the remaining fields at their defaults, as Oracle does. Throws sql_error
// (ORA-01861, ORA-01843, ORA-01847, ...).
ora_datetime parse_datetime(std::string_view text, std::string_view format);
// DATE '2005-03-15', TIMESTAMP '2005-03-15 10:20:30.5 +02:00'.
ora_datetime parse_date_literal(std::string_view text);
ora_datetime parse_timestamp_literal(std::string_view text);
// The store's own text forms back into a value (DATE and TIMESTAMP columns).
bool parse_store_text(std::string_view text, ora_datetime& out);
// TO_CHAR(date, format) for the same format elements.
std::string format_datetime(const ora_datetime& d, std::string_view format);

// Nanoseconds of a DAY TO SECOND interval: DAY(9) reaches 10^23, beyond 64 bits.
using interval_nanos = __int128;

// INTERVAL values, kept as months or as nanoseconds.
struct ora_interval {
    bool year_to_month = false;
    int64_t months = 0;        // year_to_month
    interval_nanos nanos = 0;  // day_to_second, total
};

// INTERVAL 'text' qualifier, e.g. ("2-3", "YEAR TO MONTH"), ("1 02:03:04.5", "DAY(2) TO SECOND(6)").
ora_interval parse_interval(std::string_view text, std::string_view qualifier);
// Oracle's print: '+02-03' / '+01 02:03:04.000000' with the given leading and fraction precision.
std::string format_interval(const ora_interval& v, int leading_precision, int fraction_precision);

}  // namespace ocilite
