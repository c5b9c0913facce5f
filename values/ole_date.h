// The calendar value behind every date and time the system moves: read from the text
// forms that Oracle and users write, classified as date and time, date only or time only,
// checked, and printed in the one form the MySQL side writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compat/oleaut/systemtime.h"
#include "compat/text/text.h"

// What a date value holds: a date and a time, a date alone or a time alone; none for a text
// that no form reads. A watched date column takes the same kinds (none: only CHAR(19) can
// hold its values); the numbers are those of the destination types.
enum class date_kind : int32_t { none = 0, datetime = 1, date = 2, time = 3 };

class ole_date {
public:
    explicit ole_date(const SYSTEMTIME& st);
    // Parsing never throws: a text that no form accepts gives an invalid value.
    explicit ole_date(std::string_view text);
    explicit ole_date(compat::wstring_view text);

    bool is_valid() const;
    date_kind get_kind() const { return kind_; }
    const SYSTEMTIME& get_systemtime() const { return st_; }

    // "YYYY-MM-DD HH:MM:SS", "YYYY-MM-DD" or "0000-00-00 HH:MM:SS"; empty when invalid.
    std::string to_string() const;
    compat::wstring to_wstring() const;
    // The same text appended to `out`, for writers that build one literal after another.
    void append_string(std::string& out) const;

private:
    void parse(std::string_view text);
    // Returns true when the seconds carried a date and time past midnight.
    bool import_from_string(const char* text, std::size_t length);
    bool process_milliseconds(const char* seconds);
    void refine_type();
    bool has_date() const { return st_.wYear != 0 || st_.wMonth != 0 || st_.wDay != 0; }
    void clear() { st_ = SYSTEMTIME{}; }

    bool print_date_alone_ = true;
    date_kind kind_ = date_kind::none;
    SYSTEMTIME st_{};
};
