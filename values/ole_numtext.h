// Number texts as users and Oracle write them for defaults: "1e3", "007", "-.5E+2".
#pragma once

#include <string>
#include <string_view>

#include "compat/oleaut/decimal.h"
#include "compat/text/text.h"

class ole_variant;

// Whether a text is one number token: [sign] digits [. digits] [e [sign] digits], a leading
// or trailing point allowed (Oracle writes ".5").
bool ole_is_number(compat::wstring_view text);
bool ole_is_number(std::string_view text);

// The whole number a text stands for, read as a number ("1e3" is 1000, "007" is 7, "-0" is
// 0), in plain decimal digits with a leading '-' for a negative one; empty when the text is
// no number ([sign] digits [. digits] [e [sign] digits]) or has a fraction ("1.5").
std::string ole_whole_number(compat::wstring_view text);

// A VT_R8 or VT_R4 value as the shortest number text that reads back as the same value
// (fixed digits would cut 0.30000000000000004 to 0.3, or turn the float 16777216 into
// 16777220), appended to out. Servers read a float's text as a double first and refuse one
// beyond the float range: the float's own shortest text serves where that double narrows back
// to the float, and the float's exact value as a double elsewhere (3.4028235e+38 reads above
// the largest float). False, with nothing appended, for other types, infinities and NaN.
bool ole_append_shortest_float(std::string& out, const ole_variant& value);

// A plain decimal text ([-] digits [. digits]: no blanks, '+', ',' or exponent), as Oracle
// gives a NUMBER, read into value exactly as VarDecFromStr reads it, and the text that
// decimal_to_chars prints for that value ("-.50" gives "-0.50", "007" gives "7", "-0" gives
// "0") written to printed (room for decimal_text_max characters): the digits go into a
// statement as they came, without a round trip through the DECIMAL. Returns the printed
// length; 0, with value and printed left alone, for any other text and for one with more
// than 38 digits after its leading zeros or after the point (those take the general road).
size_t ole_read_plain_decimal(std::string_view text, DECIMAL& value, char* printed);
size_t ole_read_plain_decimal(compat::wstring_view text, DECIMAL& value, char* printed);
