#include "ocilite/ora_datetime.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "compat/oleaut/oledate.h"
#include "compat/text/text.h"
#include "ocilite/ora_errors.h"

namespace ocilite {
namespace {

constexpr std::array<std::string_view, 12> month_abbr = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr std::array<std::string_view, 12> month_full = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                                         "MAY",       "JUNE",     "JULY",     "AUGUST",
                                                         "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};

void validate(const ora_datetime& d) {
    if (d.year < 1 || d.year > 9999) raise_ora(1841, "(full) year must be between -4713 and +9999, and not be 0");
    if (d.month < 1 || d.month > 12) raise_ora(1843, "not a valid month");
    if (d.day < 1 || d.day > compat::days_in_month(d.year, d.month))
        raise_ora(1847, "day of month must be between 1 and last day of month");
    if (d.hour < 0 || d.hour > 23) raise_ora(1850, "hour must be between 0 and 23");
    if (d.minute < 0 || d.minute > 59) raise_ora(1851, "minutes must be between 0 and 59");
    if (d.second < 0 || d.second > 59) raise_ora(1852, "seconds must be between 0 and 59");
}

[[noreturn]] void no_match() { raise_ora(1861, "literal does not match format string"); }

// Reads the next format element's input field.
class datetime_reader {
public:
    datetime_reader(std::string_view text, std::string_view format) : s_(text), f_(compat::to_upper_utf8(format)) {}

    ora_datetime run() {
        ora_datetime d;
        // Oracle's default for fields the model lacks is the first day of the current month.
        ora_datetime today = ora_datetime::now(false);
        d.year = today.year;
        d.month = today.month;
        bool pm = false, twelve = false;
        size_t fp = 0;
        while (fp < f_.size()) {
            skip_input_blanks_if_format_blank(fp);
            if (fp >= f_.size()) break;
            if (si_ >= s_.size()) break;  // input ended early: the rest keeps its defaults
            auto starts = [&](std::string_view e) { return f_.compare(fp, e.size(), e) == 0; };
            if (starts("YYYY") || starts("RRRR") || starts("SYYYY")) {
                fp += starts("SYYYY") ? 5 : 4;
                d.year = number(4);
            } else if (starts("YY") || starts("RR")) {
                bool rr = starts("RR");
                fp += 2;
                size_t before = si_;
                int y = number(4);
                if (si_ - before <= 2) {
                    int cur = ora_datetime::now(false).year;
                    int century = cur / 100 * 100;
                    if (rr) {
                        int cur2 = cur % 100;
                        if (y < 50)
                            d.year = (cur2 < 50 ? century : century + 100) + y;
                        else
                            d.year = (cur2 < 50 ? century - 100 : century) + y;
                    } else {
                        d.year = century + y;
                    }
                } else {
                    d.year = y;
                }
            } else if (starts("MONTH")) {
                fp += 5;
                d.month = month_name(true);
            } else if (starts("MON")) {
                fp += 3;
                d.month = month_name(false);
            } else if (starts("MM")) {
                fp += 2;
                d.month = number(2);
            } else if (starts("DD")) {
                fp += 2;
                d.day = number(2);
            } else if (starts("HH24")) {
                fp += 4;
                d.hour = number(2);
            } else if (starts("HH12") || starts("HH")) {
                fp += starts("HH12") ? 4 : 2;
                d.hour = number(2);
                twelve = true;
                if (d.hour < 1 || d.hour > 12) raise_ora(1849, "hour must be between 1 and 12");
            } else if (starts("MI")) {
                fp += 2;
                d.minute = number(2);
            } else if (starts("SSSSS")) {
                fp += 5;
                int sec = number(5);
                d.hour = sec / 3600;
                d.minute = sec / 60 % 60;
                d.second = sec % 60;
            } else if (starts("SS")) {
                fp += 2;
                d.second = number(2);
            } else if (starts("FF")) {
                fp += 2;
                if (fp < f_.size() && f_[fp] >= '1' && f_[fp] <= '9') ++fp;
                size_t before = si_;
                int64_t v = 0;
                while (si_ < s_.size() && si_ - before < 9 && isdig(s_[si_])) v = v * 10 + (s_[si_++] - '0');
                if (si_ == before) no_match();
                for (size_t k = si_ - before; k < 9; ++k) v *= 10;
                d.nanos = v;
            } else if (starts("AM") || starts("PM") || starts("A.M.") || starts("P.M.")) {
                fp += starts("A.M.") || starts("P.M.") ? 4 : 2;
                std::string w = compat::to_upper_utf8(s_.substr(si_, 2));
                if (w == "AM" || w == "PM") {
                    pm = w == "PM";
                    si_ += 2;
                } else if (compat::to_upper_utf8(s_.substr(si_, 4)) == "A.M." ||
                           compat::to_upper_utf8(s_.substr(si_, 4)) == "P.M.") {
                    pm = s_[si_] == 'P' || s_[si_] == 'p';
                    si_ += 4;
                } else {
                    raise_ora(1855, "AM/A.M. or PM/P.M. required");
                }
            } else if (starts("TZH")) {
                fp += 3;
                bool neg = false;
                if (si_ < s_.size() && (s_[si_] == '+' || s_[si_] == '-')) neg = s_[si_++] == '-';
                int h = number(2);
                d.has_tz = true;
                d.tz_minutes = neg ? -h * 60 : h * 60;
            } else if (starts("TZM")) {
                fp += 3;
                int m = number(2);
                d.tz_minutes += d.tz_minutes < 0 ? -m : m;
            } else if (f_[fp] == '"') {
                size_t close = f_.find('"', fp + 1);
                if (close == std::string::npos) raise_ora(1821, "date format not recognized");
                std::string_view lit = std::string_view(f_).substr(fp + 1, close - fp - 1);
                if (compat::to_upper_utf8(s_.substr(si_, lit.size())) != lit) no_match();
                si_ += lit.size();
                fp = close + 1;
            } else if (is_punct(f_[fp])) {
                // Oracle matches any punctuation against any punctuation.
                ++fp;
                if (si_ < s_.size() && (is_punct(s_[si_]) || s_[si_] == ' '))
                    ++si_;
                else if (si_ < s_.size())
                    no_match();
            } else {
                raise_ora(1821, "date format not recognized");
            }
        }
        while (si_ < s_.size() && s_[si_] == ' ') ++si_;
        if (si_ < s_.size()) raise_ora(1830, "date format picture ends before converting entire input string");
        if (twelve) {
            if (pm && d.hour < 12) d.hour += 12;
            if (!pm && d.hour == 12) d.hour = 0;
        }
        validate(d);
        return d;
    }

private:
    static bool isdig(char c) { return c >= '0' && c <= '9'; }
    static bool is_punct(char c) {
        return c == '-' || c == '/' || c == ',' || c == '.' || c == ';' || c == ':' || c == ' ' || c == 'T';
    }

    void skip_input_blanks_if_format_blank(size_t& fp) {
        while (fp < f_.size() && f_[fp] == ' ') {
            ++fp;
            while (si_ < s_.size() && s_[si_] == ' ') ++si_;
        }
        if (fp < f_.size() && f_[fp] != ' ') {
            // Oracle skips blanks in front of numeric fields.
            while (si_ < s_.size() && s_[si_] == ' ' && !is_punct(f_[fp])) ++si_;
        }
    }

    int number(size_t max_digits) {
        size_t b = si_;
        int v = 0;
        while (si_ < s_.size() && si_ - b < max_digits && isdig(s_[si_])) v = v * 10 + (s_[si_++] - '0');
        if (si_ == b) no_match();
        return v;
    }

    int month_name(bool full) {
        std::string rest = compat::to_upper_utf8(s_.substr(si_, 9));
        for (size_t m = 0; m < 12; ++m) {
            if (full && rest.compare(0, month_full[m].size(), month_full[m]) == 0) {
                si_ += month_full[m].size();
                return static_cast<int>(m + 1);
            }
        }
        for (size_t m = 0; m < 12; ++m) {
            if (rest.compare(0, 3, month_abbr[m]) == 0) {
                // MON also accepts the full name (Oracle's lenient matching), MONTH the abbreviation.
                si_ += rest.compare(0, month_full[m].size(), month_full[m]) == 0 ? month_full[m].size() : 3;
                return static_cast<int>(m + 1);
            }
        }
        raise_ora(1843, "not a valid month");
    }

    std::string_view s_;
    std::string f_;
    size_t si_ = 0;
};

std::string two(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

}  // namespace

ora_datetime ora_datetime::now(bool with_fraction) {
    auto tp = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(tp);
    std::tm tm{};
    localtime_r(&t, &tm);
    ora_datetime d;
    d.year = tm.tm_year + 1900;
    d.month = tm.tm_mon + 1;
    d.day = tm.tm_mday;
    d.hour = tm.tm_hour;
    d.minute = tm.tm_min;
    d.second = tm.tm_sec;
    if (with_fraction) {
        auto us = std::chrono::duration_cast<std::chrono::microseconds>(tp.time_since_epoch()).count() % 1000000;
        d.nanos = us * 1000;
    }
    return d;
}

double ora_datetime::to_days() const {
    return static_cast<double>(compat::days_from_civil(year, month, day)) +
           (hour * 3600 + minute * 60 + second + static_cast<double>(nanos) / 1e9) / 86400.0;
}

ora_datetime ora_datetime::from_days(double days) {
    double whole = std::floor(days);
    // Round to whole seconds: DATE has no fraction, and 1/24 steps must not drift.
    int64_t secs = std::llround((days - whole) * 86400.0);
    int64_t z = static_cast<int64_t>(whole);
    if (secs >= 86400) {
        secs -= 86400;
        ++z;
    }
    int64_t y;
    unsigned m, dd;
    compat::civil_from_days(z, y, m, dd);
    ora_datetime d;
    d.year = static_cast<int>(y);
    d.month = static_cast<int>(m);
    d.day = static_cast<int>(dd);
    d.hour = static_cast<int>(secs / 3600);
    d.minute = static_cast<int>(secs / 60 % 60);
    d.second = static_cast<int>(secs % 60);
    return d;
}

ora_datetime ora_datetime::plus_days(double days) const {
    ora_datetime d = from_days(static_cast<double>(compat::days_from_civil(year, month, day)) +
                               (hour * 3600 + minute * 60 + second) / 86400.0 + days);
    if (d.year < 1 || d.year > 9999) raise_ora(1841, "(full) year must be between -4713 and +9999, and not be 0");
    return d;
}

std::string ora_datetime::store_date() const {
    char b[32];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    return b;
}

std::string ora_datetime::store_timestamp(bool with_tz) const {
    char b[48];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d.%09lld", year, month, day, hour, minute, second,
                  static_cast<long long>(nanos));
    std::string out = b;
    if (with_tz) {
        int m = tz_minutes < 0 ? -tz_minutes : tz_minutes;
        out += (tz_minutes < 0 ? " -" : " +") + two(m / 60) + ":" + two(m % 60);
    }
    return out;
}

ora_datetime parse_datetime(std::string_view text, std::string_view format) {
    return datetime_reader(text, format).run();
}

ora_datetime parse_date_literal(std::string_view text) {
    ora_datetime d = parse_datetime(text, "YYYY-MM-DD");
    return d;
}

ora_datetime parse_timestamp_literal(std::string_view text) {
    // Split off a trailing zone (+hh:mi / -hh:mi) before reading the date and time.
    std::string_view body = text;
    while (!body.empty() && body.back() == ' ') body.remove_suffix(1);
    int tz = 0;
    bool has_tz = false;
    size_t sp = body.rfind(' ');
    if (sp != std::string_view::npos && sp + 1 < body.size() && (body[sp + 1] == '+' || body[sp + 1] == '-')) {
        std::string_view z = body.substr(sp + 1);
        int h = 0, m = 0;
        char sign = z[0];
        if (std::sscanf(std::string(z.substr(1)).c_str(), "%d:%d", &h, &m) < 1) no_match();
        tz = (h * 60 + m) * (sign == '-' ? -1 : 1);
        has_tz = true;
        body = body.substr(0, sp);
    }
    ora_datetime d = parse_datetime(body, "YYYY-MM-DD HH24:MI:SS.FF");
    d.has_tz = has_tz;
    d.tz_minutes = tz;
    return d;
}

bool parse_store_text(std::string_view t, ora_datetime& d) {
    int y, mo, da, h = 0, mi = 0, s = 0;
    std::string text(t);
    int n = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &da, &h, &mi, &s);
    if (n < 3) return false;
    d = ora_datetime{};
    d.year = y;
    d.month = mo;
    d.day = da;
    d.hour = h;
    d.minute = mi;
    d.second = s;
    size_t dot = text.find('.');
    if (dot != std::string::npos && dot > 10) {
        int64_t v = 0;
        size_t k = dot + 1, digits = 0;
        for (; k < text.size() && digits < 9 && text[k] >= '0' && text[k] <= '9'; ++k, ++digits)
            v = v * 10 + (text[k] - '0');
        for (; digits < 9; ++digits) v *= 10;
        d.nanos = v;
    }
    return true;
}

std::string format_datetime(const ora_datetime& d, std::string_view format) {
    std::string f = compat::to_upper_utf8(format);
    std::string out;
    size_t fp = 0;
    auto starts = [&](std::string_view e) { return f.compare(fp, e.size(), e) == 0; };
    while (fp < f.size()) {
        char b[16];
        if (starts("YYYY") || starts("RRRR")) {
            std::snprintf(b, sizeof b, "%04d", d.year);
            out += b;
            fp += 4;
        } else if (starts("YY") || starts("RR")) {
            out += two(d.year % 100);
            fp += 2;
        } else if (starts("MONTH")) {
            out += month_full[d.month - 1];
            fp += 5;
        } else if (starts("MON")) {
            out += month_abbr[d.month - 1];
            fp += 3;
        } else if (starts("MM")) {
            out += two(d.month);
            fp += 2;
        } else if (starts("DD")) {
            out += two(d.day);
            fp += 2;
        } else if (starts("HH24")) {
            out += two(d.hour);
            fp += 4;
        } else if (starts("HH12") || starts("HH")) {
            int h = d.hour % 12;
            out += two(h == 0 ? 12 : h);
            fp += starts("HH12") ? 4 : 2;
        } else if (starts("MI")) {
            out += two(d.minute);
            fp += 2;
        } else if (starts("SS")) {
            out += two(d.second);
            fp += 2;
        } else if (starts("FF")) {
            fp += 2;
            int n = 9;
            if (fp < f.size() && f[fp] >= '1' && f[fp] <= '9') n = f[fp++] - '0';
            std::snprintf(b, sizeof b, "%09lld", static_cast<long long>(d.nanos));
            out += std::string(b, n);
        } else if (starts("AM") || starts("PM")) {
            out += d.hour < 12 ? "AM" : "PM";
            fp += 2;
        } else if (f[fp] == '"') {
            size_t close = f.find('"', fp + 1);
            if (close == std::string::npos) raise_ora(1821, "date format not recognized");
            out += format.substr(fp + 1, close - fp - 1);
            fp = close + 1;
        } else {
            out += format[fp];
            ++fp;
        }
    }
    return out;
}

namespace {
[[noreturn]] void bad_interval() { raise_ora(1867, "the interval is invalid"); }

int64_t read_int(std::string_view s, size_t& i) {
    size_t b = i;
    int64_t v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        v = v * 10 + (s[i++] - '0');
        if (v > 1000000000000LL) bad_interval();
    }
    if (i == b) bad_interval();
    return v;
}
}  // namespace

ora_interval parse_interval(std::string_view text, std::string_view qualifier) {
    std::string q = compat::to_upper_utf8(qualifier);
    ora_interval v;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
    auto first_field = q.substr(0, q.find_first_of("( "));
    auto last_field = q.find(" TO ") == std::string::npos ? first_field : q.substr(q.find(" TO ") + 4);
    last_field = last_field.substr(0, last_field.find('('));
    if (first_field == "YEAR" || first_field == "MONTH") {
        v.year_to_month = true;
        int64_t a = read_int(text, i);
        if (first_field == "YEAR" && last_field == "MONTH") {
            if (i >= text.size() || text[i] != '-') bad_interval();
            ++i;
            int64_t m = read_int(text, i);
            if (m > 11) raise_ora(1843, "not a valid month");
            v.months = a * 12 + m;
        } else {
            v.months = first_field == "YEAR" ? a * 12 : a;
        }
        if (neg) v.months = -v.months;
    } else {
        // DAY / HOUR / MINUTE / SECOND leading field, down to the last field.
        static constexpr std::array<std::string_view, 4> fields = {"DAY", "HOUR", "MINUTE", "SECOND"};
        static constexpr std::array<int64_t, 4> unit = {86400, 3600, 60, 1};
        size_t f = 0, l = 0;
        while (f < 4 && fields[f] != first_field) ++f;
        while (l < 4 && fields[l] != last_field) ++l;
        if (f == 4 || l == 4 || l < f) bad_interval();
        interval_nanos total = 0;
        for (size_t k = f; k <= l; ++k) {
            if (k > f) {
                char sep = k == 1 ? ' ' : ':';
                if (i >= text.size() || text[i] != sep) bad_interval();
                ++i;
            }
            int64_t n = read_int(text, i);
            if (k > f && ((k == 1 && n > 23) || (k > 1 && n > 59))) bad_interval();
            total += static_cast<interval_nanos>(n) * unit[k] * 1000000000LL;
        }
        if (l == 3 && i < text.size() && text[i] == '.') {
            ++i;
            size_t b = i;
            int64_t frac = 0;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - b < 9)
                frac = frac * 10 + (text[i++] - '0');
            for (size_t k = i - b; k < 9; ++k) frac *= 10;
            total += frac;
        }
        v.nanos = neg ? -total : total;
    }
    while (i < text.size() && text[i] == ' ') ++i;
    if (i != text.size()) bad_interval();
    return v;
}

std::string format_interval(const ora_interval& v, int lead, int frac) {
    char b[96];
    if (v.year_to_month) {
        int64_t m = v.months < 0 ? -v.months : v.months;
        std::snprintf(b, sizeof b, "%c%0*lld-%02lld", v.months < 0 ? '-' : '+', lead, static_cast<long long>(m / 12),
                      static_cast<long long>(m % 12));
        return b;
    }
    const interval_nanos n = v.nanos < 0 ? -v.nanos : v.nanos;
    const auto secs = static_cast<int64_t>(n / 1000000000LL), ns = static_cast<int64_t>(n % 1000000000LL);
    std::snprintf(b, sizeof b, "%c%0*lld %02lld:%02lld:%02lld", v.nanos < 0 ? '-' : '+', lead,
                  static_cast<long long>(secs / 86400), static_cast<long long>(secs / 3600 % 24),
                  static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
    std::string out = b;
    if (frac > 0) {
        std::snprintf(b, sizeof b, "%09lld", static_cast<long long>(ns));
        out += "." + std::string(b, frac);
    }
    return out;
}

}  // namespace ocilite
