#include "values/ole_date.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "TK/tk_trace.h"
#include "compat/oleaut/date_parse.h"
#include "compat/oleaut/number_text.h"
#include "compat/oleaut/oledate.h"

namespace {

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// Zero-padded decimal of at least `width` digits, as "%0*d" writes a non-negative value.
char* put_number(char* out, unsigned value, int width) {
    char digits[8];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int k = n; k < width; ++k) *out++ = '0';
    while (n > 0) *out++ = digits[--n];
    return out;
}

// A NUL-terminated copy for the scanf readers; short texts stay on the stack.
class c_text {
public:
    explicit c_text(std::string_view text) {
        if (text.size() < sizeof small_) {
            std::memcpy(small_, text.data(), text.size());
            small_[text.size()] = '\0';
            data_ = small_;
        } else {
            large_.assign(text);
            data_ = large_.c_str();
        }
        size_ = text.size();
    }
    const char* c_str() const { return data_; }
    std::size_t size() const { return size_; }

private:
    char small_[128];
    std::string large_;
    const char* data_;
    std::size_t size_;
};

}  // namespace

ole_date::ole_date(const SYSTEMTIME& st) : kind_(date_kind::datetime), st_(st) {
    tk_log::log(2, "ole_date::ole_date(SYSTEMTIME)");
    refine_type();
}

ole_date::ole_date(std::string_view text) {
    tk_log::log(2, "ole_date::ole_date('%s')", text);
    parse(text);
}

ole_date::ole_date(compat::wstring_view text) {
    tk_log::log(2, u"ole_date::ole_date('%s')", text);
    // Date texts are ASCII: short ASCII texts need no conversion buffer.
    char small[64];
    bool ascii = text.size() <= sizeof small;
    for (std::size_t k = 0; ascii && k < text.size(); ++k) {
        if (text[k] >= 0x80)
            ascii = false;
        else
            small[k] = static_cast<char>(text[k]);
    }
    if (ascii) {
        parse(std::string_view(small, text.size()));
    } else {
        std::string narrow = compat::utf16_to_ansi(text);
        parse(narrow);
    }
}

void ole_date::parse(std::string_view original) {
    clear();
    std::string_view text = trim_blanks(original);
    tk_log::log(1, "After tk_trim: %s", text);

    // A 12-hour clock marker ends the text; the hour is adjusted after reading.
    static constexpr std::string_view markers[] = {"AM", "PM", "am", "pm"};
    bool am = false;
    for (std::string_view marker : markers) {
        std::size_t at = text.find(marker);
        if (at == std::string_view::npos) continue;
        am = marker == "AM" || marker == "am";
        text = trim_blanks(text.substr(0, at));
        tk_log::log(1, "Again buf1=%s", text);
        break;
    }

    if (text.size() < 5) {
        tk_log::log(2, "Invalid date/time format: '%s'", text);
        return;
    }

    c_text buffer(text);
    bool next_day = import_from_string(buffer.c_str(), buffer.size());

    // Day-first texts (31.12.2004) are read as year 31, day 2004: swap them back.
    if ((kind_ == date_kind::datetime || kind_ == date_kind::date) && st_.wDay > 31 && st_.wYear < 32)
        std::swap(st_.wYear, st_.wDay);
    if (next_day) compat::add_one_day(st_);

    bool pm = original.find("PM") != std::string_view::npos || original.find("pm") != std::string_view::npos;
    if (pm && st_.wHour < 12) st_.wHour = static_cast<uint16_t>(st_.wHour + 12);
    // 12 AM is the first hour of the day; a date at 12 AM sharp is a date alone.
    if (am && !pm && st_.wHour == 12) {
        st_.wHour = 0;
        if (kind_ == date_kind::datetime) refine_type();
    }
}

bool ole_date::import_from_string(const char* text, std::size_t length) {
    tk_log::log(2, "ole_date::import_from_string");

    if (length == 14) {
        tk_log::log(1, "Trying timestamp format (1)...");
        int y, mo, d, h, mi, s;
        if (std::sscanf(text, "%4d%02d%02d%02d%02d%02d", &y, &mo, &d, &h, &mi, &s) == 6) {
            st_.wYear = static_cast<uint16_t>(y);
            st_.wMonth = static_cast<uint16_t>(mo);
            st_.wDay = static_cast<uint16_t>(d);
            st_.wHour = static_cast<uint16_t>(h);
            st_.wMinute = static_cast<uint16_t>(mi);
            st_.wSecond = static_cast<uint16_t>(s);
            kind_ = date_kind::datetime;
            // No carry runs on this form, so its time must already be a time of day.
            if (is_valid() && h < 24 && mi < 60 && s < 60) {
                // "00000000101112" holds no date: it is a time of day, as it prints.
                if (!has_date()) kind_ = date_kind::time;
                return false;
            }
        }
        clear();
    }
    if (length == 8) {
        tk_log::log(1, "Trying timestamp format (2)...");
        int y, mo, d;
        if (std::sscanf(text, "%4d%02d%02d", &y, &mo, &d) == 3) {
            st_.wYear = static_cast<uint16_t>(y);
            st_.wMonth = static_cast<uint16_t>(mo);
            st_.wDay = static_cast<uint16_t>(d);
            kind_ = date_kind::date;
            if (is_valid()) return false;
        }
        // Whatever the outcome, nothing of this reading may reach the later forms:
        // "10:11:12" must arrive at the pure-time reader with a zero date.
        clear();
    }

    char seconds[64];
    tk_log::log(1, "Trying pure time format...");
    if (std::sscanf(text, "%hd:%hd:%63s", reinterpret_cast<short*>(&st_.wHour), reinterpret_cast<short*>(&st_.wMinute),
                    seconds) == 3) {
        kind_ = date_kind::time;
        if (is_valid()) {
            process_milliseconds(seconds);
            return false;
        }
    }

    clear();
    DATE date = 0;
    SYSTEMTIME st{};
    if (SUCCEEDED(VarDateFromStr(std::string_view(text, length), LCID_ENGLISH_US, 0, &date)) &&
        VariantTimeToSystemTime(date, &st)) {
        st_ = st;
        kind_ = date_kind::datetime;
        refine_type();
        tk_log::log(1, "Got datetime using Microsoft API");
        return false;
    }

    static const char* const formats[] = {"%hd-%hd-%hd %hd:%hd:%63s", "%hd/%hd/%hd %hd:%hd:%63s",
                                          "%hd.%hd.%hd %hd:%hd:%63s"};
    for (int f = 0; f < 3; ++f) {
        tk_log::log(1, "Trying datetime format #%d", f);
        int items = std::sscanf(text, formats[f], reinterpret_cast<short*>(&st_.wYear),
                                reinterpret_cast<short*>(&st_.wMonth), reinterpret_cast<short*>(&st_.wDay),
                                reinterpret_cast<short*>(&st_.wHour), reinterpret_cast<short*>(&st_.wMinute), seconds);
        if (items == 3) {
            kind_ = date_kind::date;
            tk_log::log(1, "Format #%d succeeded (3 items)", f);
            if (is_valid()) return false;
        } else if (items == 6) {
            kind_ = date_kind::datetime;
            tk_log::log(1, "Format #%d succeeded (6 items)", f);
            if (is_valid()) {
                bool next_day = process_milliseconds(seconds);
                if (kind_ == date_kind::none) return false;
                refine_type();
                return next_day;
            }
        }
    }

    kind_ = date_kind::none;
    tk_log::log(2, "Invalid date/time format: '%s'", text);
    return false;
}

bool ole_date::process_milliseconds(const char* seconds) {
    if (!seconds) tk_fail(tk_where::ole_date, 356);
    tk_log::log(1, "Got row sec: '%s'", seconds);
    double x = compat::c_atof(seconds);
    // A count of seconds that no field can hold is no time of day.
    if (!(x >= 0.0 && x < 65536.0)) {
        kind_ = date_kind::none;
        return false;
    }
    unsigned second = static_cast<unsigned>(x);
    unsigned msec = static_cast<unsigned>((x - second) * 1000);
    st_.wMilliseconds = static_cast<uint16_t>(msec);
    tk_log::log(1, "Got sec: %d", static_cast<int>(second));
    tk_log::log(1, "Got msec: %d", static_cast<int>(msec));
    if (msec >= 500) ++second;

    unsigned minute = st_.wMinute, hour = st_.wHour;
    if (second >= 60) {
        second -= 60;
        ++minute;
    }
    if (minute >= 60) {
        minute -= 60;
        ++hour;
    }
    bool next_day = false;
    if (hour >= 24) {
        hour -= 24;
        // A date and time moves on to the next day; a pure time wraps around the clock.
        next_day = has_date();
    }
    // One carry per field: a count of seconds of two minutes or more (":120") is still no
    // second of a minute, and printing it would hand the server a time it refuses.
    if (second >= 60 || minute >= 60 || hour >= 24) {
        kind_ = date_kind::none;
        return false;
    }
    st_.wSecond = static_cast<uint16_t>(second);
    st_.wMinute = static_cast<uint16_t>(minute);
    st_.wHour = static_cast<uint16_t>(hour);
    tk_log::log(1, "After processing: %02d:%02d:%02d", int{st_.wHour}, int{st_.wMinute}, int{st_.wSecond});
    return next_day;
}

void ole_date::refine_type() {
    tk_log::log(2, "ole_date::refine_type(%d,%d,%d,%d,%d,%d)", int{st_.wYear}, int{st_.wMonth}, int{st_.wDay},
                int{st_.wHour}, int{st_.wMinute}, int{st_.wSecond});
    if (!has_date()) {
        kind_ = date_kind::time;
    } else if (st_.wHour == 0 && st_.wMinute == 0 && st_.wSecond == 0 && st_.wYear != 0 && st_.wMonth != 0 &&
               st_.wDay != 0) {
        kind_ = date_kind::date;
    }
}

bool ole_date::is_valid() const {
    tk_log::log(2, "ole_date::is_valid");
    if (kind_ == date_kind::none) return false;
    if (!has_date()) {
        tk_log::log(1, "DATETIME is a pute time");
    } else {
        if (st_.wMonth == 0 || st_.wMonth > 12) {
            tk_log::log(1, "Invalid month");
            return false;
        }
        // A year of 31 or less takes any day: a day-first text is swapped afterwards.
        if (st_.wDay == 0 || st_.wYear == 0 || (st_.wYear > 31 && st_.wDay > 31)) {
            tk_log::log(1, "Invalid day and/or year");
            return false;
        }
        // Four digits are all a year prints in; "-1" read into the unsigned field is 65535.
        // The day is bounded too, as a day-first text swaps it into the year.
        if (st_.wYear > 9999 || st_.wDay > 9999) {
            tk_log::log(1, "Invalid day and/or year");
            return false;
        }
    }
    if (st_.wHour > 60 || st_.wMinute > 60 || st_.wSecond > 60) {
        tk_log::log(1, "Invalid time");
        return false;
    }
    return true;
}

void ole_date::append_string(std::string& out) const {
    char buffer[40];
    char* p = buffer;
    auto put_date = [&] {
        p = put_number(p, st_.wYear, 4);
        *p++ = '-';
        p = put_number(p, st_.wMonth, 2);
        *p++ = '-';
        p = put_number(p, st_.wDay, 2);
    };
    auto put_time = [&] {
        p = put_number(p, st_.wHour, 2);
        *p++ = ':';
        p = put_number(p, st_.wMinute, 2);
        *p++ = ':';
        p = put_number(p, st_.wSecond, 2);
    };
    switch (kind_) {
        case date_kind::datetime:
            tk_log::log(1, "printing datetime...");
            put_date();
            if (!(print_date_alone_ && st_.wHour == 0 && st_.wMinute == 0 && st_.wSecond == 0)) {
                *p++ = ' ';
                put_time();
            }
            break;
        case date_kind::date:
            tk_log::log(1, "printing date...");
            put_date();
            break;
        case date_kind::time:
            tk_log::log(1, "printing time...");
            std::memcpy(p, "0000-00-00 ", 11);
            p += 11;
            put_time();
            break;
        default:
            break;
    }
    out.append(buffer, p);
}

std::string ole_date::to_string() const {
    tk_log::log(2, "ole_date::to_string");
    std::string text;
    append_string(text);
    return text;
}

compat::wstring ole_date::to_wstring() const {
    tk_log::log(2, "ole_date::to_wstring");
    std::string text;
    append_string(text);
    return compat::wstring(text.begin(), text.end());
}
