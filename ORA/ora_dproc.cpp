#include "ORA/ora_dproc.h"

#include <ctime>
#include <vector>

#include "compat/text/format.h"

#include "TK/tk_trace.h"

ora_date_processor::ora_date_processor()
    : months_{u"JAN", u"FEB", u"MAR", u"APR", u"MAY", u"JUN", u"JUL", u"AUG", u"SEP", u"OCT", u"NOV", u"DEC"} {
    tk_log::log(2, "ora_date_processor::initialize");
}

ora_date_processor::~ora_date_processor() = default;

int ora_date_processor::get_month(const compat::wstring& name) const {
    for (size_t i = 0; i < months_.size(); ++i)
        if (compat::equal_nocase(name, months_[i])) return static_cast<int>(i) + 1;
    return 0;
}

namespace {

bool is_leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

bool all_digits(const compat::wstring& t) {
    if (t.empty()) return false;
    for (auto c : t)
        if (c < u'0' || c > u'9') return false;
    return true;
}

int number(const compat::wstring& t) { return all_digits(t) && t.size() <= 5 ? compat::win_atoi(t) : -1; }

// Oracle's RR rule: a two-digit year is taken in the century that puts it within 50 years
// of the current year.
int century_year(int yy) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const int year = local.tm_year + 1900;
    const int century = year / 100 * 100;
    const int current = year % 100;
    if (current < 50) return yy < 50 ? century + yy : century - 100 + yy;
    return yy < 50 ? century + 100 + yy : century + yy;
}

compat::wstring trimmed(const compat::wstring& t) {
    size_t b = 0, e = t.size();
    while (b < e && (t[b] == u' ' || t[b] == u'\t' || t[b] == u'\r' || t[b] == u'\n')) ++b;
    while (e > b && (t[e - 1] == u' ' || t[e - 1] == u'\t' || t[e - 1] == u'\r' || t[e - 1] == u'\n')) --e;
    return t.substr(b, e - b);
}

// "HH:MI:SS" (fractions after a point are dropped), or -1.
bool read_time(const compat::wstring& t, int& h, int& m, int& s) {
    compat::wstring text = t;
    const size_t point = text.find(u'.');
    if (point != compat::wstring::npos) text.erase(point);
    const size_t c1 = text.find(u':');
    const size_t c2 = c1 == compat::wstring::npos ? c1 : text.find(u':', c1 + 1);
    if (c2 == compat::wstring::npos) return false;
    h = number(text.substr(0, c1));
    m = number(text.substr(c1 + 1, c2 - c1 - 1));
    s = number(text.substr(c2 + 1));
    return h >= 0 && h < 24 && m >= 0 && m < 60 && s >= 0 && s < 60;
}

// The canonical text of a date and an optional time ("" for none), or empty when the
// date does not exist.
compat::wstring canonical(int year, int month, int day, const compat::wstring& time) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > days_in(year, month)) return {};
    compat::wstring out = compat::wformat(u"%04d-%02d-%02d", year, month, day);
    const compat::wstring t = trimmed(time);
    if (t.empty()) return out;
    int h = 0, m = 0, s = 0;
    if (!read_time(t, h, m, s)) return {};
    return out + compat::wformat(u" %02d:%02d:%02d", h, m, s);
}

// The text of a quoted literal ('...' with doubled quotes inside), or false.
bool unquote(const compat::wstring& t, compat::wstring& inner) {
    if (t.size() < 2 || t.front() != u'\'' || t.back() != u'\'') return false;
    inner.clear();
    for (size_t i = 1; i + 1 < t.size(); ++i) {
        if (t[i] == u'\'') {
            if (i + 2 < t.size() && t[i + 1] == u'\'')
                ++i;
            else
                return false;
        }
        inner += t[i];
    }
    return true;
}

bool starts_with_word(const compat::wstring& t, compat::wstring_view word) {
    return t.size() > word.size() && compat::equal_nocase(compat::wstring_view(t).substr(0, word.size()), word) &&
           (t[word.size()] == u' ' || t[word.size()] == u'\t' || t[word.size()] == u'\'');
}

}  // namespace

compat::wstring ora_date_processor::get_canonized_str(const compat::wstring& text) const {
    tk_log::log(1, u"ora_date_processor::get_canonized_str(%s)", text);
    // DD-MON-YYYY or DD-MON-YY (Oracle's century rule), an optional time after a blank
    const compat::wstring t = trimmed(text);
    const size_t blank = t.find(u' ');
    const compat::wstring date = t.substr(0, blank);
    const compat::wstring time = blank == compat::wstring::npos ? compat::wstring() : t.substr(blank + 1);
    std::vector<compat::wstring> pieces;
    if (!date.empty()) {
        size_t start = 0;
        for (;;) {
            size_t dash = date.find(u'-', start);
            pieces.push_back(date.substr(start, dash == compat::wstring::npos ? dash : dash - start));
            if (dash == compat::wstring::npos) break;
            start = dash + 1;
        }
    }
    if (pieces.size() != 3) {
        tk_log::log(1, "Invalid date format");
        return {};
    }
    const int day = number(pieces[0]);
    const int month = get_month(pieces[1]);
    int year = number(pieces[2]);
    if (day < 1 || month == 0 || year < 0) return {};
    if (pieces[2].size() <= 2) year = century_year(year);
    return canonical(year, month, day, time);
}

compat::wstring ora_date_processor::default_text(const compat::wstring& text) const {
    tk_log::log(1, u"ora_date_processor::default_text(%s)", text);
    compat::wstring t = trimmed(text);
    compat::wstring inner;
    for (compat::wstring_view word : {compat::wstring_view(u"DATE"), compat::wstring_view(u"TIMESTAMP")}) {
        if (!starts_with_word(t, word)) continue;
        // an ANSI literal: DATE 'YYYY-MM-DD', TIMESTAMP 'YYYY-MM-DD HH24:MI:SS[.FF]'
        if (!unquote(trimmed(t.substr(word.size())), inner)) return {};
        inner = trimmed(inner);
        const size_t blank = inner.find(u' ');
        const compat::wstring date = inner.substr(0, blank);
        const compat::wstring time = blank == compat::wstring::npos ? compat::wstring() : inner.substr(blank + 1);
        if (word == u"DATE" && !time.empty()) return {};
        if (date.size() != 10 || date[4] != u'-' || date[7] != u'-') return {};
        return canonical(number(date.substr(0, 4)), number(date.substr(5, 2)), number(date.substr(8, 2)), time);
    }
    if (!unquote(t, inner)) return {};
    return get_canonized_str(inner);
}
