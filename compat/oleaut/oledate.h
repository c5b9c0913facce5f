// The OLE DATE number and its calendar form. DATE counts days from 1899-12-30; the fraction
// is the time of day, taken as a positive amount also before that day (-1.25 is
// 1899-12-29 06:00).
#pragma once

#include <cstdint>

#include "compat/oleaut/oleaut_types.h"
#include "compat/oleaut/systemtime.h"

namespace compat {

bool is_leap_year(int year);
int days_in_month(int year, int month);  // 0 for a month outside 1..12

// Days from 1970-01-01 of a proleptic Gregorian date, and back.
int64_t days_from_civil(int64_t year, unsigned month, unsigned day);
void civil_from_days(int64_t days, int64_t& year, unsigned& month, unsigned& day);

// A SYSTEMTIME one day later (month and year carried).
void add_one_day(SYSTEMTIME& st);

}  // namespace compat

// Nonzero on success. Years 100 to 9999, a real calendar day, hour < 24, minute and second
// < 60; milliseconds are ignored.
int SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* out);

// Nonzero on success; the time is rounded to the nearest second, milliseconds are 0.
int VariantTimeToSystemTime(DATE value, SYSTEMTIME* out);
