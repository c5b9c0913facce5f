// The system's date parser for US-English texts (locale 1033).
//
// Accepted forms, with optional blanks around them and an optional weekday name first
// ("Thursday, May 6, 2004"):
//   date        5/6/2004  5-6-2004  (month first)   2004-05-06  2004/5/6  (year first: 3 or 4
//               digits)   06-MAY-2004  6 May 2004  06.MAY.04  (day, month name, year)
//               May 6, 2004  May 6 2004  (month name, day, year)
//   time        10:30  10:30:15  with an optional AM or PM (10:30 PM, 10:30pm; 12 AM is 0)
//   date time   a date, blanks, a time
// Month names are full or three-letter English names in any case. A one- or two-digit
// year is 2000 + year below 30, else 1900 + year. Fractions of a second are not accepted.
// A time alone gives the time on 1899-12-30 (DATE 0 plus the fraction).
#pragma once

#include <cstdint>
#include <string_view>

#include "compat/oleaut/oleaut_types.h"
#include "compat/oleaut/systemtime.h"

namespace compat {

// The calendar fields of such a text (day of week and milliseconds 0); false when it is
// not one of the forms or not a real date and time.
bool parse_us_date(std::string_view text, SYSTEMTIME& out);

}  // namespace compat

// DISP_E_TYPEMISMATCH when the text is not a date; `lcid` and `flags` do not change the
// rules.
HRESULT VarDateFromStr(std::string_view text, LCID lcid, uint32_t flags, DATE* out);
