#include "ocilite/expr_eval.h"

#include <cmath>
#include <ctime>
#include <functional>
#include <limits>
#include <unordered_map>

#include "compat/oleaut/oledate.h"
#include "compat/text/text.h"
#include "ocilite/ora_errors.h"
#include "ocilite/sequences.h"
#include "ocilite/session_state.h"

namespace ocilite {

using kind = ora_value::kind;

namespace {

constexpr int64_t max_text_bytes = 256LL * 1024 * 1024;  // a generated value never exceeds this

// Byte offset of the first byte of character `chars` (0-based), or s.size().
size_t utf8_offset(std::string_view s, size_t chars) {
    size_t i = 0;
    while (i < s.size() && chars > 0) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        --chars;
    }
    return i;
}

double to_double(const ora_value& v) {
    if (v.k == kind::binary_double) return v.dbl;
    return value_to_number(v).to_double();
}

ora_value number_result(double d) {
    if (!std::isfinite(d)) raise_ora(1426, "numeric overflow");
    return ora_value::from_number(ora_number::from_double(d));
}

bool is_datetime(const ora_value& v) { return v.k == kind::date || v.k == kind::timestamp; }

int64_t to_int(const ora_value& v) {
    if (v.k == kind::number && v.is_integer) return v.integer;
    double d = to_double(v);
    if (!(d > -9.2e18 && d < 9.2e18)) raise_ora(1426, "numeric overflow");
    return static_cast<int64_t>(std::trunc(d));
}

ora_value arith(char op, const ora_value& a, const ora_value& b) {
    if (a.is_null() || b.is_null()) return {};
    if (is_datetime(a) || is_datetime(b)) {
        if (op == '+' && is_datetime(a) && !is_datetime(b))
            return ora_value::from_date(a.dt.plus_days(to_double(b)), false);
        if (op == '+' && is_datetime(b) && !is_datetime(a))
            return ora_value::from_date(b.dt.plus_days(to_double(a)), false);
        if (op == '-' && is_datetime(a) && !is_datetime(b))
            return ora_value::from_date(a.dt.plus_days(-to_double(b)), false);
        if (op == '-' && is_datetime(a) && is_datetime(b)) return number_result(a.dt.to_days() - b.dt.to_days());
        raise_inconsistent("NUMBER", "DATE");
    }
    if (a.k == kind::binary_double || b.k == kind::binary_double) {
        double x = to_double(a), y = to_double(b), r = 0;
        switch (op) {
            case '+':
                r = x + y;
                break;
            case '-':
                r = x - y;
                break;
            case '*':
                r = x * y;
                break;
            default:
                r = x / y;
                break;
        }
        ora_value v;
        v.k = kind::binary_double;
        v.dbl = r;
        return v;
    }
    ora_value x = a.k == kind::number ? a : ora_value::from_number(value_to_number(a));
    ora_value y = b.k == kind::number ? b : ora_value::from_number(value_to_number(b));
    if (x.is_integer && y.is_integer && op != '/') {
        int64_t r;
        bool overflow = op == '+'   ? __builtin_add_overflow(x.integer, y.integer, &r)
                        : op == '-' ? __builtin_sub_overflow(x.integer, y.integer, &r)
                                    : __builtin_mul_overflow(x.integer, y.integer, &r);
        if (!overflow) return ora_value::from_int(r);
    }
    if (x.is_integer && y.is_integer && op == '/' && y.integer != 0 && x.integer % y.integer == 0)
        return ora_value::from_int(x.integer / y.integer);
    double dx = x.as_number().to_double(), dy = y.as_number().to_double();
    if (op == '/' && dy == 0) raise_ora(1476, "divisor is equal to zero");
    switch (op) {
        case '+':
            return number_result(dx + dy);
        case '-':
            return number_result(dx - dy);
        case '*':
            return number_result(dx * dy);
        default:
            return number_result(dx / dy);
    }
}

// <0, 0, >0; NULL never reaches here.
int compare(const ora_value& a, const ora_value& b) {
    if (is_datetime(a) && is_datetime(b)) {
        double x = a.dt.to_days(), y = b.dt.to_days();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if ((a.k == kind::number || a.k == kind::binary_double) || (b.k == kind::number || b.k == kind::binary_double)) {
        double x = to_double(a), y = to_double(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    std::string x = value_to_text(a), y = value_to_text(b);
    return x.compare(y);
}

ora_value boolean(bool b) { return ora_value::from_int(b ? 1 : 0); }
// Three-valued logic: NULL is unknown, a number 0/1 is false/true.
int truth(const ora_value& v) { return v.is_null() ? -1 : (v.integer != 0 ? 1 : 0); }

using fn = ora_value (*)(const std::vector<ora_value>&, const eval_context&);

std::string text_arg(const ora_value& v) { return v.is_null() ? std::string() : value_to_text(v); }

ora_value pad(const std::vector<ora_value>& a, bool left) {
    if (a[0].is_null() || a[1].is_null()) return {};
    int64_t n = to_int(a[1]);
    if (n <= 0) return {};
    if (n > max_text_bytes) raise_ora(1489, "result of string concatenation is too long");
    std::string s = text_arg(a[0]);
    std::string fill = a.size() > 2 ? text_arg(a[2]) : " ";
    if (a.size() > 2 && a[2].is_null()) return {};
    size_t have = utf8_chars(s);
    size_t want = static_cast<size_t>(n);
    if (have >= want) return ora_value::from_text(s.substr(0, utf8_offset(s, want)));
    std::string padding;
    size_t need = want - have, fill_chars = utf8_chars(fill);
    padding.reserve(need * (fill.size() / std::max<size_t>(fill_chars, 1) + 1));
    while (need >= fill_chars) {
        padding += fill;
        need -= fill_chars;
    }
    padding += fill.substr(0, utf8_offset(fill, need));
    ora_value r = ora_value::from_text(left ? padding + s : s + padding);
    r.national = a[0].national;
    return r;
}

ora_value f_lpad(const std::vector<ora_value>& a, const eval_context&) { return pad(a, true); }
ora_value f_rpad(const std::vector<ora_value>& a, const eval_context&) { return pad(a, false); }

ora_value f_mod(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null() || a[1].is_null()) return {};
    if (a[0].k == kind::number && a[0].is_integer && a[1].k == kind::number && a[1].is_integer) {
        if (a[1].integer == 0) return a[0];
        if (a[1].integer == -1) return ora_value::from_int(0);
        return ora_value::from_int(a[0].integer % a[1].integer);
    }
    double x = to_double(a[0]), y = to_double(a[1]);
    if (y == 0) return a[0];
    return number_result(x - y * std::trunc(x / y));
}

ora_value f_to_char(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    if (a.size() > 1 && !a[1].is_null()) {
        std::string fmt = text_arg(a[1]);
        if (is_datetime(a[0])) return ora_value::from_text(format_datetime(a[0].dt, fmt));
        // Numbers: digit masks of 0 and 9 with an optional FM prefix (leading zeros, width).
        std::string upper = compat::to_upper_utf8(fmt);
        bool fm = upper.rfind("FM", 0) == 0;
        std::string mask = fm ? upper.substr(2) : upper;
        if (mask.find_first_not_of("09") != std::string::npos) raise_ora(1481, "invalid number format model");
        int64_t v = to_int(a[0]);
        std::string digits = std::to_string(v < 0 ? -v : v);
        size_t zeros = mask.find('0') == std::string::npos ? 0 : mask.size() - mask.find('0');
        if (digits.size() > mask.size()) return ora_value::from_text(std::string(mask.size() + 1, '#'));
        if (digits.size() < zeros) digits.insert(0, zeros - digits.size(), '0');
        std::string sign = v < 0 ? "-" : (fm ? "" : " ");
        std::string out = sign + digits;
        if (!fm && out.size() < mask.size() + 1) out.insert(0, mask.size() + 1 - out.size(), ' ');
        return ora_value::from_text(out);
    }
    return ora_value::from_text(value_to_text(a[0]));
}

ora_value f_to_number(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    return ora_value::from_number(value_to_number(a[0]));
}

ora_value f_to_date(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    if (is_datetime(a[0])) return ora_value::from_date(a[0].dt, false);
    std::string fmt = a.size() > 1 ? text_arg(a[1]) : "DD-MON-RR";
    return ora_value::from_date(parse_datetime(value_to_text(a[0]), fmt), false);
}

ora_value f_to_timestamp(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    if (is_datetime(a[0])) return ora_value::from_date(a[0].dt, true);
    std::string fmt = a.size() > 1 ? text_arg(a[1]) : "DD-MON-RR HH24:MI:SS.FF";
    return ora_value::from_date(parse_datetime(value_to_text(a[0]), fmt), true);
}

ora_value f_hextoraw(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    ora_value r;
    r.k = kind::raw;
    r.bytes = hex_to_raw(value_to_text(a[0]));
    if (r.bytes.empty()) return {};
    return r;
}

ora_value f_rawtohex(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    return ora_value::from_text(raw_to_hex(a[0].k == kind::raw ? a[0].bytes : value_to_text(a[0])));
}

ora_value f_empty_clob(const std::vector<ora_value>&, const eval_context&) {
    ora_value r;
    r.k = kind::empty_clob;
    return r;
}
ora_value f_empty_blob(const std::vector<ora_value>&, const eval_context&) {
    ora_value r;
    r.k = kind::empty_blob;
    return r;
}

ora_value f_random_bytes(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    int64_t n = to_int(a[0]);
    if (n < 0 || n > max_text_bytes) raise_ora(1428, "argument is out of range");
    if (n == 0) return f_empty_blob(a, {});
    ora_value r;
    r.k = kind::raw;
    r.bytes = random_bytes(n, a.size() > 1 && !a[1].is_null() ? to_int(a[1]) : 0);
    return r;
}

ora_value f_substr(const std::vector<ora_value>& a, const eval_context&) {
    for (const auto& v : a)
        if (v.is_null()) return {};
    std::string s = value_to_text(a[0]);
    int64_t len = static_cast<int64_t>(utf8_chars(s));
    int64_t start = to_int(a[1]);
    if (start == 0) start = 1;
    if (start < 0) start = len + start + 1;
    if (start < 1 || start > len) return {};
    int64_t count = a.size() > 2 ? to_int(a[2]) : len;
    if (count < 1) return {};
    size_t b = utf8_offset(s, static_cast<size_t>(start - 1));
    size_t e = utf8_offset(s, static_cast<size_t>(std::min(len, start - 1 + count)));
    return ora_value::from_text(s.substr(b, e - b));
}

ora_value f_length(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    return ora_value::from_int(static_cast<int64_t>(utf8_chars(value_to_text(a[0]))));
}

ora_value f_upper(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    return ora_value::from_text(compat::to_upper_utf8(value_to_text(a[0])));
}

ora_value f_lower(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    return ora_value::from_text(compat::utf16_to_utf8(compat::to_lower(compat::utf8_to_utf16(value_to_text(a[0])))));
}

ora_value trim_impl(const std::vector<ora_value>& a, bool left, bool right) {
    if (a[0].is_null()) return {};
    std::string s = value_to_text(a[0]);
    std::string set = a.size() > 1 ? text_arg(a[1]) : " ";
    size_t b = 0, e = s.size();
    if (left) b = s.find_first_not_of(set);
    if (b == std::string::npos) return {};
    if (right) e = s.find_last_not_of(set) + 1;
    return ora_value::from_text(s.substr(b, e - b));
}
ora_value f_trim(const std::vector<ora_value>& a, const eval_context&) { return trim_impl(a, true, true); }
ora_value f_ltrim(const std::vector<ora_value>& a, const eval_context&) { return trim_impl(a, true, false); }
ora_value f_rtrim(const std::vector<ora_value>& a, const eval_context&) { return trim_impl(a, false, true); }

ora_value f_nvl(const std::vector<ora_value>& a, const eval_context&) { return a[0].is_null() ? a[1] : a[0]; }
ora_value f_coalesce(const std::vector<ora_value>& a, const eval_context&) {
    for (const auto& v : a)
        if (!v.is_null()) return v;
    return {};
}

ora_value f_concat(const std::vector<ora_value>& a, const eval_context&) {
    return ora_value::from_text(text_arg(a[0]) + text_arg(a[1]));
}

ora_value round_trunc(const std::vector<ora_value>& a, bool round) {
    if (a[0].is_null()) return {};
    if (is_datetime(a[0])) {
        ora_datetime d = a[0].dt;
        double days = std::floor(d.to_days() + (round ? 0.5 : 0.0));
        return ora_value::from_date(ora_datetime::from_days(days), false);
    }
    int places = a.size() > 1 && !a[1].is_null() ? static_cast<int>(to_int(a[1])) : 0;
    ora_number n = value_to_number(a[0]);
    if (round) return ora_value::from_number(n.rounded(places));
    return ora_value::from_number(n.truncated(places));
}
ora_value f_round(const std::vector<ora_value>& a, const eval_context&) { return round_trunc(a, true); }
ora_value f_trunc(const std::vector<ora_value>& a, const eval_context&) { return round_trunc(a, false); }

ora_value f_floor(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    return number_result(std::floor(to_double(a[0])));
}
ora_value f_ceil(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    return number_result(std::ceil(to_double(a[0])));
}
ora_value f_abs(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    ora_number n = value_to_number(a[0]);
    return ora_value::from_number(n.negative() ? n.negated() : n);
}
ora_value f_power(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null() || a[1].is_null()) return {};
    return number_result(std::pow(to_double(a[0]), to_double(a[1])));
}

ora_value f_chr(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    int64_t c = to_int(a[0]);
    if (c < 0 || c > 0x10FFFF) raise_ora(1428, "argument is out of range");
    std::u16string w;
    if (c >= 0x10000) {
        w += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        w += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        w += static_cast<char16_t>(c);
    }
    return ora_value::from_text(compat::utf16_to_utf8(w));
}

ora_value f_sysdate(const std::vector<ora_value>&, const eval_context& c) {
    return ora_value::from_date(c.sysdate, false);
}
ora_value f_systimestamp(const std::vector<ora_value>&, const eval_context& c) {
    return ora_value::from_date(c.systimestamp, true);
}

ora_value f_add_months(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null() || a[1].is_null()) return {};
    if (!is_datetime(a[0])) raise_inconsistent("DATE", kind_name(a[0]));
    ora_datetime d = a[0].dt;
    int64_t m = d.year * 12LL + (d.month - 1) + to_int(a[1]);
    d.year = static_cast<int>(m / 12);
    d.month = static_cast<int>(m % 12) + 1;
    int last = compat::days_in_month(d.year, d.month);
    if (d.day > last) d.day = last;
    if (d.year < 1 || d.year > 9999) raise_ora(1841, "(full) year must be between -4713 and +9999, and not be 0");
    return ora_value::from_date(d, false);
}

ora_value f_to_clob(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    return ora_value::from_text(value_to_text(a[0]));
}

ora_value f_bfilename(const std::vector<ora_value>& a, const eval_context&) {
    if (a[1].is_null()) return {};
    std::string dir = text_arg(a[0]);
    return ora_value::from_text(dir.empty() ? text_arg(a[1]) : dir + "/" + text_arg(a[1]));
}

ora_value f_numtodsinterval(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null() || a[1].is_null()) return {};
    std::string unit = compat::to_upper_utf8(value_to_text(a[1]));
    double n = to_double(a[0]);
    double secs = unit == "DAY"      ? n * 86400
                  : unit == "HOUR"   ? n * 3600
                  : unit == "MINUTE" ? n * 60
                  : unit == "SECOND" ? n
                                     : std::nan("");
    if (std::isnan(secs)) raise_ora(1760, "illegal argument for function");
    ora_value r;
    r.k = kind::interval;
    r.iv.nanos = static_cast<int64_t>(std::llround(secs * 1e9));
    return r;
}

ora_value f_numtoyminterval(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null() || a[1].is_null()) return {};
    std::string unit = compat::to_upper_utf8(value_to_text(a[1]));
    double n = to_double(a[0]);
    if (unit != "YEAR" && unit != "MONTH") raise_ora(1760, "illegal argument for function");
    ora_value r;
    r.k = kind::interval;
    r.iv.year_to_month = true;
    r.iv.months = static_cast<int64_t>(std::llround(unit == "YEAR" ? n * 12 : n));
    return r;
}

ora_value f_binary_double(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    ora_value r;
    r.k = kind::binary_double;
    r.dbl = to_double(a[0]);
    return r;
}

// OCILITE_TIME('08:30:00'): a DATE that holds a time of day only. Oracle has no such value; the
// store keeps it with the date part 0000-00-00, which the client hands on as year, month and day 0.
ora_value f_ocilite_time(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    ora_datetime d = parse_datetime(value_to_text(a[0]), a.size() > 1 ? text_arg(a[1]) : "HH24:MI:SS");
    d.year = d.month = d.day = 0;
    return ora_value::from_date(d, false);
}

ora_value f_decode(const std::vector<ora_value>& a, const eval_context&) {
    // DECODE(x, s1, r1, ..., [default]): NULL matches NULL here, unlike '='.
    size_t i = 1;
    for (; i + 1 < a.size(); i += 2) {
        bool hit = a[0].is_null() ? a[i].is_null() : (!a[i].is_null() && compare(a[0], a[i]) == 0);
        if (hit) return a[i + 1];
    }
    return i < a.size() ? a[i] : ora_value{};
}

ora_value f_nvl2(const std::vector<ora_value>& a, const eval_context&) { return a[0].is_null() ? a[2] : a[1]; }

ora_value extreme(const std::vector<ora_value>& a, bool greatest) {
    for (const auto& v : a)
        if (v.is_null()) return {};
    ora_value best = a[0];
    for (size_t i = 1; i < a.size(); ++i) {
        int c = compare(a[i], best);
        if (greatest ? c > 0 : c < 0) best = a[i];
    }
    return best;
}
ora_value f_greatest(const std::vector<ora_value>& a, const eval_context&) { return extreme(a, true); }
ora_value f_least(const std::vector<ora_value>& a, const eval_context&) { return extreme(a, false); }

ora_value f_instr(const std::vector<ora_value>& a, const eval_context&) {
    for (const auto& v : a)
        if (v.is_null()) return {};
    std::u16string s = compat::utf8_to_utf16(value_to_text(a[0]));
    std::u16string sub = compat::utf8_to_utf16(value_to_text(a[1]));
    int64_t pos = a.size() > 2 ? to_int(a[2]) : 1;
    int64_t occurrence = a.size() > 3 ? to_int(a[3]) : 1;
    if (pos == 0 || occurrence <= 0) {
        if (occurrence <= 0) raise_ora(1428, "argument '" + std::to_string(occurrence) + "' is out of range");
        return ora_value::from_int(0);
    }
    int64_t len = static_cast<int64_t>(s.size());
    if (pos > 0) {
        size_t at = static_cast<size_t>(pos - 1);
        while (at <= s.size()) {
            size_t f = s.find(sub, at);
            if (f == std::u16string::npos) break;
            if (--occurrence == 0) return ora_value::from_int(static_cast<int64_t>(f) + 1);
            at = f + 1;
        }
        return ora_value::from_int(0);
    }
    // A negative position counts from the end and searches backwards.
    int64_t at = len + pos;
    while (at >= 0) {
        size_t f = s.rfind(sub, static_cast<size_t>(at));
        if (f == std::u16string::npos) break;
        if (--occurrence == 0) return ora_value::from_int(static_cast<int64_t>(f) + 1);
        at = static_cast<int64_t>(f) - 1;
    }
    return ora_value::from_int(0);
}

ora_value f_replace(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    std::string s = value_to_text(a[0]);
    std::string from = a.size() > 1 ? text_arg(a[1]) : std::string();
    std::string to = a.size() > 2 ? text_arg(a[2]) : std::string();
    if (from.empty()) return a[0];
    std::string out;
    size_t at = 0;
    while (true) {
        size_t f = s.find(from, at);
        if (f == std::string::npos) break;
        out.append(s, at, f - at);
        out += to;
        at = f + from.size();
    }
    out.append(s, at, std::string::npos);
    return ora_value::from_text(out);
}

ora_value f_initcap(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    std::u16string w = compat::to_lower(compat::utf8_to_utf16(value_to_text(a[0])));
    bool start = true;
    for (auto& c : w) {
        bool alnum = (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c >= 0x80;
        if (start && c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
        start = !alnum;
    }
    return ora_value::from_text(compat::utf16_to_utf8(w));
}

// UNISTR('abc\00e9'): \XXXX is a UTF-16 code unit, \\ a backslash.
ora_value f_unistr(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    std::u16string in = compat::utf8_to_utf16(value_to_text(a[0])), out;
    auto hex = [](char16_t c) -> int {
        if (c >= u'0' && c <= u'9') return c - u'0';
        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
        if (c >= u'A' && c <= u'F') return c - u'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != u'\\') {
            out += in[i];
            continue;
        }
        if (i + 1 < in.size() && in[i + 1] == u'\\') {
            out += u'\\';
            ++i;
            continue;
        }
        int v = 0;
        for (size_t k = 1; k <= 4; ++k) {
            int d = i + k < in.size() ? hex(in[i + k]) : -1;
            if (d < 0) raise_ora(30186, "'\\' must be followed by four hexadecimal characters or another '\\'");
            v = v * 16 + d;
        }
        out += static_cast<char16_t>(v);
        i += 4;
    }
    ora_value r = ora_value::from_text(compat::utf16_to_utf8(out));
    r.national = true;
    return r;
}

// TO_YMINTERVAL / TO_DSINTERVAL: the text read as an interval of that form.
ora_value interval_from_text(const ora_value& text, const char* form) {
    if (text.is_null()) return {};
    ora_value r;
    r.k = kind::interval;
    r.iv = parse_interval(value_to_text(text), form);
    return r;
}

ora_value f_to_yminterval(const std::vector<ora_value>& a, const eval_context&) {
    return interval_from_text(a[0], "YEAR(9) TO MONTH");
}

ora_value f_to_dsinterval(const std::vector<ora_value>& a, const eval_context&) {
    return interval_from_text(a[0], "DAY(9) TO SECOND(9)");
}

ora_value f_cast_to_raw(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    ora_value r;
    r.k = kind::raw;
    r.bytes = a[0].k == kind::raw ? a[0].bytes : value_to_text(a[0]);
    return r;
}

ora_value f_cast_to_varchar2(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    return ora_value::from_text(a[0].k == kind::raw ? a[0].bytes : value_to_text(a[0]));
}

ora_value f_sign(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    double d = to_double(a[0]);
    return ora_value::from_int(d > 0 ? 1 : d < 0 ? -1 : 0);
}

ora_value f_sys_guid(const std::vector<ora_value>&, const eval_context&) {
    static uint64_t counter = 0;
    ora_value r;
    r.k = kind::raw;
    r.bytes = random_bytes(16, static_cast<int64_t>(++counter) ^ static_cast<int64_t>(std::time(nullptr)));
    return r;
}

ora_value f_last_day(const std::vector<ora_value>& a, const eval_context&) {
    if (a[0].is_null()) return {};
    if (!is_datetime(a[0])) raise_inconsistent("DATE", kind_name(a[0]));
    ora_datetime d = a[0].dt;
    d.day = compat::days_in_month(d.year, d.month);
    return ora_value::from_date(d, false);
}

struct fn_info {
    fn impl;
    int min_args, max_args;
};

const std::unordered_map<std::string, fn_info>& functions() {
    static const std::unordered_map<std::string, fn_info> table = {
        {"LPAD", {f_lpad, 2, 3}},
        {"RPAD", {f_rpad, 2, 3}},
        {"MOD", {f_mod, 2, 2}},
        {"TO_CHAR", {f_to_char, 1, 3}},
        {"TO_NCHAR", {f_to_char, 1, 3}},
        {"TO_NUMBER", {f_to_number, 1, 1}},
        {"TO_DATE", {f_to_date, 1, 3}},
        {"TO_TIMESTAMP", {f_to_timestamp, 1, 3}},
        {"TO_TIMESTAMP_TZ", {f_to_timestamp, 1, 3}},
        {"HEXTORAW", {f_hextoraw, 1, 1}},
        {"RAWTOHEX", {f_rawtohex, 1, 1}},
        {"EMPTY_CLOB", {f_empty_clob, 0, 0}},
        {"EMPTY_BLOB", {f_empty_blob, 0, 0}},
        {"OCILITE_RANDOM_BYTES", {f_random_bytes, 1, 2}},
        {"OCILITE_TIME", {f_ocilite_time, 1, 2}},
        {"SUBSTR", {f_substr, 2, 3}},
        {"LENGTH", {f_length, 1, 1}},
        {"UPPER", {f_upper, 1, 1}},
        {"LOWER", {f_lower, 1, 1}},
        {"TRIM", {f_trim, 1, 1}},
        {"LTRIM", {f_ltrim, 1, 2}},
        {"RTRIM", {f_rtrim, 1, 2}},
        {"NVL", {f_nvl, 2, 2}},
        {"COALESCE", {f_coalesce, 1, 64}},
        {"CONCAT", {f_concat, 2, 2}},
        {"ROUND", {f_round, 1, 2}},
        {"TRUNC", {f_trunc, 1, 2}},
        {"FLOOR", {f_floor, 1, 1}},
        {"CEIL", {f_ceil, 1, 1}},
        {"ABS", {f_abs, 1, 1}},
        {"POWER", {f_power, 2, 2}},
        {"CHR", {f_chr, 1, 1}},
        {"NCHR", {f_chr, 1, 1}},
        {"ADD_MONTHS", {f_add_months, 2, 2}},
        {"TO_CLOB", {f_to_clob, 1, 1}},
        {"TO_NCLOB", {f_to_clob, 1, 1}},
        {"BFILENAME", {f_bfilename, 2, 2}},
        {"NUMTODSINTERVAL", {f_numtodsinterval, 2, 2}},
        {"NUMTOYMINTERVAL", {f_numtoyminterval, 2, 2}},
        {"TO_BINARY_DOUBLE", {f_binary_double, 1, 1}},
        {"TO_BINARY_FLOAT", {f_binary_double, 1, 1}},
        {"SYSDATE", {f_sysdate, 0, 0}},
        {"SYSTIMESTAMP", {f_systimestamp, 0, 0}},
        {"DECODE", {f_decode, 3, 255}},
        {"NVL2", {f_nvl2, 3, 3}},
        {"GREATEST", {f_greatest, 1, 255}},
        {"LEAST", {f_least, 1, 255}},
        {"INSTR", {f_instr, 2, 4}},
        {"REPLACE", {f_replace, 2, 3}},
        {"INITCAP", {f_initcap, 1, 1}},
        {"UNISTR", {f_unistr, 1, 1}},
        {"TO_YMINTERVAL", {f_to_yminterval, 1, 1}},
        {"TO_DSINTERVAL", {f_to_dsinterval, 1, 1}},
        {"UTL_RAW.CAST_TO_RAW", {f_cast_to_raw, 1, 1}},
        {"UTL_RAW.CAST_TO_VARCHAR2", {f_cast_to_varchar2, 1, 1}},
        {"SIGN", {f_sign, 1, 1}},
        {"SYS_GUID", {f_sys_guid, 0, 0}},
        {"LAST_DAY", {f_last_day, 1, 1}},
    };
    return table;
}

}  // namespace

size_t utf8_chars(std::string_view s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

[[noreturn]] void raise_inconsistent(const std::string& expected, const char* got) {
    raise_ora(932, "inconsistent datatypes: expected " + expected + " got " + got);
}

const char* kind_name(const ora_value& v) {
    switch (v.k) {
        case kind::number:
            return "NUMBER";
        case kind::binary_double:
            return "BINARY_DOUBLE";
        case kind::text:
            return "CHAR";
        case kind::date:
            return "DATE";
        case kind::timestamp:
            return "TIMESTAMP";
        case kind::interval:
            return "INTERVAL";
        case kind::raw:
            return "BINARY";
        case kind::empty_clob:
            return "CLOB";
        case kind::empty_blob:
            return "BLOB";
        case kind::null:
            return "NULL";
    }
    return "?";
}

enum class op {
    constant,
    variable,
    seq_next,
    seq_curr,
    level,
    sysdate,
    systimestamp,
    user,
    neg,
    add,
    sub,
    mul,
    div,
    concat,
    cmp,
    and_,
    or_,
    not_,
    is_null,
    call,
    case_when,
    in_list,
    between,
    like
};

struct compiled_expr::node {
    op o = op::constant;
    std::string cmp;  // comparison operator
    bool negated = false, has_operand = false, has_else = false;
    ora_value constant;
    fn impl = nullptr;
    std::string name;                    // variable key or sequence name
    const value_scope* scope = nullptr;  // variable
    std::vector<node> kids;
};

namespace {

using node = compiled_expr::node;

node constant(ora_value v) {
    node n;
    n.o = op::constant;
    n.constant = std::move(v);
    return n;
}

node compile_node(const expr& e, const value_scope* scope) {
    node n;
    auto kids = [&]() {
        for (const auto& a : e.args) n.kids.push_back(compile_node(*a, scope));
    };
    if (scope && (e.kind == expr_kind::name || e.kind == expr_kind::bind)) {
        std::string key = scope_key(e);
        if (scope->has(key)) {
            n.o = op::variable;
            n.name = key;
            n.scope = scope;
            return n;
        }
    }
    switch (e.kind) {
        case expr_kind::number: {
            auto v = ora_number::parse(e.text);
            if (!v) raise_invalid_number(e.line);
            return constant(ora_value::from_number(*v));
        }
        case expr_kind::string:
            return constant(ora_value::from_text(e.text));
        case expr_kind::nstring: {
            ora_value v = ora_value::from_text(e.text);
            v.national = true;
            return constant(v);
        }
        case expr_kind::null:
            return constant({});
        case expr_kind::date_literal:
            return constant(ora_value::from_date(parse_date_literal(e.text), false));
        case expr_kind::timestamp_literal:
            return constant(ora_value::from_date(parse_timestamp_literal(e.text), true));
        case expr_kind::interval_literal: {
            ora_value v;
            v.k = kind::interval;
            v.iv = parse_interval(e.text, e.qualifier);
            return constant(v);
        }
        case expr_kind::name: {
            const std::string& w = e.parts.back();
            if (e.parts.size() == 1 && (w == "LEVEL" || w == "ROWNUM"))
                n.o = op::level;
            else if (e.parts.size() == 1 && (w == "SYSDATE" || w == "CURRENT_DATE"))
                n.o = op::sysdate;
            else if (e.parts.size() == 1 && (w == "SYSTIMESTAMP" || w == "CURRENT_TIMESTAMP" || w == "LOCALTIMESTAMP"))
                n.o = op::systimestamp;
            else if (e.parts.size() == 1 && w == "USER")
                n.o = op::user;
            else if (e.parts.size() >= 2 && (w == "NEXTVAL" || w == "CURRVAL")) {
                n.o = w == "NEXTVAL" ? op::seq_next : op::seq_curr;
                n.name = e.parts[e.parts.size() - 2];
            } else
                raise_ora(984, "column not allowed here", e.line);
            return n;
        }
        case expr_kind::function: {
            auto it = functions().find(e.text);
            if (it == functions().end()) raise_invalid_identifier(e.text, e.line);
            int argc = static_cast<int>(e.args.size());
            if (argc < it->second.min_args || argc > it->second.max_args)
                raise_ora(909, "invalid number of arguments", e.line);
            n.o = op::call;
            n.impl = it->second.impl;
            kids();
            return n;
        }
        case expr_kind::unary:
            kids();
            if (e.text == "+") return std::move(n.kids[0]);
            n.o = e.text == "-" ? op::neg : op::not_;
            return n;
        case expr_kind::binary: {
            kids();
            const std::string& t = e.text;
            if (t == "+")
                n.o = op::add;
            else if (t == "-")
                n.o = op::sub;
            else if (t == "*")
                n.o = op::mul;
            else if (t == "/")
                n.o = op::div;
            else if (t == "||")
                n.o = op::concat;
            else if (t == "AND")
                n.o = op::and_;
            else if (t == "OR")
                n.o = op::or_;
            else {
                n.o = op::cmp;
                n.cmp = t;
            }
            return n;
        }
        case expr_kind::is_null:
            kids();
            n.o = op::is_null;
            n.negated = e.negated;
            return n;
        case expr_kind::in_list:
            if (e.sub) raise_ora(984, "column not allowed here", e.line);
            kids();
            n.o = op::in_list;
            n.negated = e.negated;
            return n;
        case expr_kind::between:
            kids();
            n.o = op::between;
            n.negated = e.negated;
            return n;
        case expr_kind::like:
            kids();
            n.o = op::like;
            n.negated = e.negated;
            return n;
        case expr_kind::case_when:
            kids();
            n.o = op::case_when;
            n.has_operand = e.has_operand;
            n.has_else = e.has_else;
            return n;
        default:
            raise_ora(984, "column not allowed here", e.line);
    }
}

// LIKE with % and _ over code points.
bool like_match(std::u16string_view s, std::u16string_view p, char16_t esc) {
    size_t si = 0, pi = 0, star_p = std::u16string_view::npos, star_s = 0;
    while (si < s.size()) {
        if (pi < p.size() && p[pi] == esc && pi + 1 < p.size()) {
            if (p[pi + 1] == s[si]) {
                pi += 2;
                ++si;
                continue;
            }
        } else if (pi < p.size() && (p[pi] == u'_' || (p[pi] != u'%' && p[pi] == s[si]))) {
            ++pi;
            ++si;
            continue;
        } else if (pi < p.size() && p[pi] == u'%') {
            star_p = pi++;
            star_s = si;
            continue;
        }
        if (star_p == std::u16string_view::npos) return false;
        pi = star_p + 1;
        si = ++star_s;
    }
    while (pi < p.size() && p[pi] == u'%') ++pi;
    return pi == p.size();
}

ora_value eval_node(const node& n, const eval_context& c) {
    switch (n.o) {
        case op::constant:
            return n.constant;
        case op::variable:
            return n.scope->get(n.name);
        case op::seq_next:
        case op::seq_curr: {
            if (!c.db || !c.session) raise_ora(2287, "sequence number not allowed here");
            int64_t v = n.o == op::seq_next ? sequence_next(c.db, n.name, *c.session)
                                            : sequence_current(c.db, n.name, *c.session);
            return ora_value::from_int(v);
        }
        case op::level:
            return ora_value::from_int(c.level);
        case op::sysdate:
            return ora_value::from_date(c.sysdate, false);
        case op::systimestamp:
            return ora_value::from_date(c.systimestamp, true);
        case op::user:
            return ora_value::from_text(c.user);
        case op::neg: {
            ora_value v = eval_node(n.kids[0], c);
            if (v.is_null()) return v;
            if (v.k == kind::binary_double) {
                v.dbl = -v.dbl;
                return v;
            }
            if (v.k == kind::number && v.is_integer && v.integer != std::numeric_limits<int64_t>::min())
                return ora_value::from_int(-v.integer);
            return ora_value::from_number(value_to_number(v).negated());
        }
        case op::add:
            return arith('+', eval_node(n.kids[0], c), eval_node(n.kids[1], c));
        case op::sub:
            return arith('-', eval_node(n.kids[0], c), eval_node(n.kids[1], c));
        case op::mul:
            return arith('*', eval_node(n.kids[0], c), eval_node(n.kids[1], c));
        case op::div:
            return arith('/', eval_node(n.kids[0], c), eval_node(n.kids[1], c));
        case op::concat: {
            ora_value a = eval_node(n.kids[0], c), b = eval_node(n.kids[1], c);
            std::string s = text_arg(a);
            std::string t = text_arg(b);
            if (static_cast<int64_t>(s.size() + t.size()) > max_text_bytes)
                raise_ora(1489, "result of string concatenation is too long");
            ora_value r = ora_value::from_text(s + t);
            r.national = a.national || b.national;
            return r;
        }
        case op::cmp: {
            ora_value a = eval_node(n.kids[0], c), b = eval_node(n.kids[1], c);
            if (a.is_null() || b.is_null()) return {};
            int r = compare(a, b);
            const std::string& o = n.cmp;
            return boolean(o == "="    ? r == 0
                           : o == "<>" ? r != 0
                           : o == "<"  ? r < 0
                           : o == "<=" ? r <= 0
                           : o == ">"  ? r > 0
                                       : r >= 0);
        }
        case op::and_:
        case op::or_: {
            // Three-valued logic: one side FALSE decides AND, one side TRUE decides OR.
            const int decides = n.o == op::and_ ? 0 : 1;
            int a = truth(eval_node(n.kids[0], c));
            if (a == decides) return boolean(decides == 1);
            int b = truth(eval_node(n.kids[1], c));
            if (b == decides) return boolean(decides == 1);
            if (a < 0 || b < 0) return {};
            return boolean(decides == 0);
        }
        case op::not_: {
            int a = truth(eval_node(n.kids[0], c));
            return a < 0 ? ora_value{} : boolean(a == 0);
        }
        case op::is_null:
            return boolean(eval_node(n.kids[0], c).is_null() != n.negated);
        case op::in_list: {
            ora_value v = eval_node(n.kids[0], c);
            if (v.is_null()) return {};
            bool found = false;
            for (size_t i = 1; i < n.kids.size() && !found; ++i) {
                ora_value x = eval_node(n.kids[i], c);
                found = !x.is_null() && compare(v, x) == 0;
            }
            return boolean(found != n.negated);
        }
        case op::between: {
            ora_value v = eval_node(n.kids[0], c), lo = eval_node(n.kids[1], c), hi = eval_node(n.kids[2], c);
            if (v.is_null() || lo.is_null() || hi.is_null()) return {};
            return boolean((compare(v, lo) >= 0 && compare(v, hi) <= 0) != n.negated);
        }
        case op::like: {
            ora_value v = eval_node(n.kids[0], c), p = eval_node(n.kids[1], c);
            if (v.is_null() || p.is_null()) return {};
            char16_t esc = 0;
            if (n.kids.size() > 2) {
                std::u16string e = compat::utf8_to_utf16(text_arg(eval_node(n.kids[2], c)));
                if (e.size() != 1) raise_ora(1425, "escape character must be character string of length 1");
                esc = e[0];
            }
            bool m = like_match(compat::utf8_to_utf16(value_to_text(v)), compat::utf8_to_utf16(value_to_text(p)), esc);
            return boolean(m != n.negated);
        }
        case op::case_when: {
            size_t i = 0;
            ora_value operand;
            if (n.has_operand) operand = eval_node(n.kids[i++], c);
            size_t end = n.kids.size() - (n.has_else ? 1 : 0);
            for (; i + 1 < end; i += 2) {
                ora_value w = eval_node(n.kids[i], c);
                bool hit =
                    n.has_operand ? (!operand.is_null() && !w.is_null() && compare(operand, w) == 0) : truth(w) == 1;
                if (hit) return eval_node(n.kids[i + 1], c);
            }
            return n.has_else ? eval_node(n.kids.back(), c) : ora_value{};
        }
        case op::call: {
            std::vector<ora_value> args;
            args.reserve(n.kids.size());
            for (const auto& k : n.kids) args.push_back(eval_node(k, c));
            return n.impl(args, c);
        }
    }
    return {};
}

}  // namespace

compiled_expr::compiled_expr(compiled_expr&&) noexcept = default;
compiled_expr& compiled_expr::operator=(compiled_expr&&) noexcept = default;
compiled_expr::~compiled_expr() = default;

compiled_expr compiled_expr::compile(const expr& e, const value_scope* scope) {
    compiled_expr c;
    c.root_ = std::make_unique<node>(compile_node(e, scope));
    return c;
}

std::string scope_key(const expr& e) {
    std::string key;
    if (e.kind == expr_kind::bind) {
        key = ":" + compat::to_upper_utf8(e.text);
        for (const auto& p : e.parts) key += "." + p;
    } else if (e.kind == expr_kind::name) {
        for (const auto& p : e.parts) key += (key.empty() ? "" : ".") + p;
    }
    return key;
}

ora_value compiled_expr::eval(const eval_context& ctx) const { return eval_node(*root_, ctx); }

std::string value_to_text(const ora_value& v) {
    switch (v.k) {
        case kind::null:
        case kind::empty_clob:
        case kind::empty_blob:
            return {};
        case kind::number:
            return v.is_integer ? std::to_string(v.integer) : v.decimal.to_string();
        case kind::binary_double: {
            char b[40];
            std::snprintf(b, sizeof b, "%.17G", v.dbl);
            return ora_number::parse(b).value_or(ora_number{}).to_string();
        }
        case kind::text:
            return v.bytes;
        case kind::date:
            return format_datetime(v.dt, "DD-MON-RR");
        case kind::timestamp:
            return format_datetime(v.dt, "DD-MON-RR HH.MI.SS.FF6 AM");
        case kind::interval:
            return format_interval(v.iv, 9, v.iv.year_to_month ? 0 : 9);
        case kind::raw:
            return raw_to_hex(v.bytes);
    }
    return {};
}

ora_number value_to_number(const ora_value& v) {
    switch (v.k) {
        case kind::number:
            return v.as_number();
        case kind::binary_double:
            return ora_number::from_double(v.dbl);
        case kind::text: {
            auto n = ora_number::parse(v.bytes);
            if (!n) raise_invalid_number();
            return *n;
        }
        default:
            raise_inconsistent("NUMBER", kind_name(v));
    }
}

std::string hex_to_raw(std::string_view hex) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(hex.size() / 2 + 1);
    size_t i = 0;
    // An odd count of digits reads as if a leading 0 were there, as Oracle does.
    if (hex.size() % 2 == 1) {
        int d = digit(hex[0]);
        if (d < 0) raise_ora(1465, "invalid hex number");
        out += static_cast<char>(d);
        i = 1;
    }
    for (; i < hex.size(); i += 2) {
        int h = digit(hex[i]), l = digit(hex[i + 1]);
        if (h < 0 || l < 0) raise_ora(1465, "invalid hex number");
        out += static_cast<char>(h * 16 + l);
    }
    return out;
}

std::string raw_to_hex(std::string_view raw) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    out.reserve(raw.size() * 2);
    for (unsigned char c : raw) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string random_bytes(int64_t n, int64_t seed) {
    std::string out(static_cast<size_t>(n), '\0');
    uint64_t x = static_cast<uint64_t>(seed) * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL;
    for (int64_t i = 0; i < n; i += 8) {
        // splitmix64
        uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        z ^= z >> 31;
        for (int b = 0; b < 8 && i + b < n; ++b) out[static_cast<size_t>(i + b)] = static_cast<char>(z >> (8 * b));
    }
    return out;
}

}  // namespace ocilite
