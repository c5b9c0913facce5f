#include "compat/oleaut/oledate.h"

#include <cmath>

namespace compat {
namespace {

// 1899-12-30, day 0 of DATE, counted from 1970-01-01.
constexpr int64_t k_ole_epoch = -25569;

}  // namespace

bool is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && is_leap_year(year) ? 29 : days[month - 1];
}

int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civil_from_days(int64_t z, int64_t& year, unsigned& month, unsigned& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2);
}

void add_one_day(SYSTEMTIME& st) {
    if (st.wDay < days_in_month(st.wYear, st.wMonth)) {
        ++st.wDay;
        return;
    }
    st.wDay = 1;
    if (st.wMonth < 12) {
        ++st.wMonth;
    } else {
        st.wMonth = 1;
        ++st.wYear;
    }
}

}  // namespace compat

int SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* out) {
    if (!st || !out) return 0;
    if (st->wYear < 100 || st->wYear > 9999) return 0;
    if (st->wDay < 1 || st->wDay > compat::days_in_month(st->wYear, st->wMonth)) return 0;
    if (st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59) return 0;
    int64_t days = compat::days_from_civil(st->wYear, st->wMonth, st->wDay) - compat::k_ole_epoch;
    double time = (st->wHour * 3600.0 + st->wMinute * 60.0 + st->wSecond) / 86400.0;
    *out = days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
    return 1;
}

int VariantTimeToSystemTime(DATE value, SYSTEMTIME* out) {
    if (!out) return 0;
    // 0100-01-01 .. 9999-12-31 23:59:59
    if (!(value > -657435.0 && value < 2958466.0)) return 0;
    double whole = std::trunc(value);
    int64_t days = static_cast<int64_t>(whole);
    int64_t seconds = std::llround(std::fabs(value - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;  // the time runs forward from the day's start, also before day 0
    }
    int64_t year;
    unsigned month, day;
    compat::civil_from_days(days + compat::k_ole_epoch, year, month, day);
    if (year < 100 || year > 9999) return 0;
    int64_t unix_days = days + compat::k_ole_epoch;
    int64_t weekday = ((unix_days % 7) + 7 + 4) % 7;  // 1970-01-01 was a Thursday
    out->wYear = static_cast<uint16_t>(year);
    out->wMonth = static_cast<uint16_t>(month);
    out->wDayOfWeek = static_cast<uint16_t>(weekday);
    out->wDay = static_cast<uint16_t>(day);
    out->wHour = static_cast<uint16_t>(seconds / 3600);
    out->wMinute = static_cast<uint16_t>(seconds / 60 % 60);
    out->wSecond = static_cast<uint16_t>(seconds % 60);
    out->wMilliseconds = 0;
    return 1;
}
