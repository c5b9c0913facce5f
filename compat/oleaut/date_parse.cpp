#include "compat/oleaut/date_parse.h"

#include <array>
#include <string>

#include "compat/oleaut/oledate.h"

namespace compat {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k)
        if (lower(a[k]) != lower(b[k])) return false;
    return true;
}

// The name itself or its first three letters.
int name_index(std::string_view word, const std::array<std::string_view, 12>& names, int count) {
    for (int k = 0; k < count; ++k) {
        std::string_view name = names[static_cast<size_t>(k)];
        if (equal_nocase(word, name) || equal_nocase(word, name.substr(0, 3))) return k;
    }
    return -1;
}

constexpr std::array<std::string_view, 12> k_months = {"January",   "February", "March",    "April",
                                                       "May",       "June",     "July",     "August",
                                                       "September", "October",  "November", "December"};
constexpr std::array<std::string_view, 12> k_weekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                         "Thursday", "Friday", "Saturday"};

class cursor {
public:
    explicit cursor(std::string_view text) : text_(text) {}

    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return at_end() ? '\0' : text_[pos_]; }
    size_t pos() const { return pos_; }
    void seek(size_t p) { pos_ = p; }

    bool skip_blanks() {
        size_t start = pos_;
        while (!at_end() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
        return pos_ != start;
    }
    bool take(char c) {
        if (peek() != c) return false;
        ++pos_;
        return true;
    }
    // Up to 9 digits; false when none.
    bool number(int& value, int& digits) {
        value = 0;
        digits = 0;
        while (!at_end() && is_digit(text_[pos_])) {
            if (digits == 9) return false;
            value = value * 10 + (text_[pos_++] - '0');
            ++digits;
        }
        return digits > 0;
    }
    std::string_view word() {
        size_t start = pos_;
        while (!at_end() && is_alpha(text_[pos_])) ++pos_;
        return text_.substr(start, pos_ - start);
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

struct fields {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    bool has_date = false;
};

int full_year(int value, int digits) {
    if (digits <= 2) return value < 30 ? 2000 + value : 1900 + value;
    return value;
}

bool read_month_name(cursor& c, int& month) {
    size_t start = c.pos();
    std::string_view w = c.word();
    int m = name_index(w, k_months, 12);
    if (m < 0) {
        c.seek(start);
        return false;
    }
    month = m + 1;
    return true;
}

// A date at the cursor; on failure the cursor is where it was.
bool read_date(cursor& c, fields& f) {
    size_t start = c.pos();
    int a, a_digits;
    if (read_month_name(c, f.month)) {
        // May 6, 2004
        c.skip_blanks();
        c.take('-') || c.take('.') || c.take('/');
        c.skip_blanks();
        int d, dd, y, yd;
        if (c.number(d, dd) && dd <= 2) {
            bool comma = c.take(',');
            bool blank = c.skip_blanks();
            bool sep = c.take('-') || c.take('/') || c.take('.');
            c.skip_blanks();
            if ((comma || blank || sep) && c.number(y, yd)) {
                f.day = d;
                f.year = full_year(y, yd);
                f.has_date = true;
                return true;
            }
        }
        c.seek(start);
        return false;
    }
    if (!c.number(a, a_digits)) return false;
    // A number followed by ':' starts a time, not a date.
    if (c.peek() == ':') {
        c.seek(start);
        return false;
    }
    bool blank = c.skip_blanks();
    char sep = c.peek();
    if (sep == '/' || sep == '-' || sep == '.') {
        c.take(sep);
    } else {
        sep = blank ? ' ' : '\0';
    }
    if (sep == '\0') {
        c.seek(start);
        return false;
    }
    c.skip_blanks();
    int month;
    if (read_month_name(c, month)) {
        // 06-MAY-2004, 6 May 2004
        c.skip_blanks();
        if (sep != ' ') c.take(sep);
        c.skip_blanks();
        int y, yd;
        if (a_digits <= 2 && c.number(y, yd)) {
            f.day = a;
            f.month = month;
            f.year = full_year(y, yd);
            f.has_date = true;
            return true;
        }
        c.seek(start);
        return false;
    }
    // Numeric dates take '/' or '-' only: other separators belong to other readers.
    if (sep != '/' && sep != '-') {
        c.seek(start);
        return false;
    }
    int b, b_digits, d3, d3_digits;
    if (!c.number(b, b_digits) || !c.take(sep) || !c.number(d3, d3_digits) || b_digits > 2) {
        c.seek(start);
        return false;
    }
    if (a_digits >= 3) {
        if (d3_digits > 2) {
            c.seek(start);
            return false;
        }
        f.year = a;
        f.month = b;
        f.day = d3;
    } else {
        f.month = a;
        f.day = b;
        f.year = full_year(d3, d3_digits);
    }
    f.has_date = true;
    return true;
}

bool read_time(cursor& c, fields& f) {
    int h, hd, m, md, s = 0, sd = 0;
    if (!c.number(h, hd) || hd > 2 || !c.take(':') || !c.number(m, md) || md > 2) return false;
    if (c.take(':') && (!c.number(s, sd) || sd > 2)) return false;
    c.skip_blanks();
    size_t mark = c.pos();
    std::string_view w = c.word();
    if (!w.empty()) {
        bool am = equal_nocase(w, "AM") || equal_nocase(w, "A");
        bool pm = equal_nocase(w, "PM") || equal_nocase(w, "P");
        if (!am && !pm) {
            c.seek(mark);
            return false;
        }
        if (h < 1 || h > 12) return false;
        if (am && h == 12) h = 0;
        if (pm && h != 12) h += 12;
    }
    f.hour = h;
    f.minute = m;
    f.second = s;
    return true;
}

}  // namespace

bool parse_us_date(std::string_view text, SYSTEMTIME& out) {
    cursor c(text);
    fields f;
    c.skip_blanks();
    // An optional weekday name, optionally followed by a comma.
    size_t mark = c.pos();
    std::string_view w = c.word();
    if (!w.empty() && name_index(w, k_weekdays, 7) >= 0) {
        c.skip_blanks();
        c.take(',');
        c.skip_blanks();
    } else {
        c.seek(mark);
    }
    bool has_date = read_date(c, f);
    bool blank = c.skip_blanks();
    bool has_time = false;
    if (!c.at_end()) {
        if (has_date && !blank) return false;
        has_time = read_time(c, f);
        if (!has_time) return false;
        c.skip_blanks();
    }
    if (!c.at_end() || (!has_date && !has_time)) return false;

    if (has_date) {
        if (f.year < 100 || f.year > 9999 || f.month < 1 || f.month > 12 || f.day < 1 ||
            f.day > days_in_month(f.year, f.month))
            return false;
    } else {
        f.year = 1899, f.month = 12, f.day = 30;
    }
    if (f.hour > 23 || f.minute > 59 || f.second > 59) return false;
    out = SYSTEMTIME{static_cast<uint16_t>(f.year),
                     static_cast<uint16_t>(f.month),
                     0,
                     static_cast<uint16_t>(f.day),
                     static_cast<uint16_t>(f.hour),
                     static_cast<uint16_t>(f.minute),
                     static_cast<uint16_t>(f.second),
                     0};
    return true;
}

}  // namespace compat

HRESULT VarDateFromStr(std::string_view text, LCID, uint32_t, DATE* out) {
    if (!out) return E_INVALIDARG;
    SYSTEMTIME st;
    if (!compat::parse_us_date(text, st)) return DISP_E_TYPEMISMATCH;
    if (!SystemTimeToVariantTime(&st, out)) return DISP_E_TYPEMISMATCH;
    return S_OK;
}
