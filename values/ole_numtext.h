// Number texts as users and Oracle write them for defaults: "1e3", "007", "-.5E+2".
#pragma once

#include <string>
#include <string_view>

#include "compat/text/text.h"

// Whether a text is one number token: [sign] digits [. digits] [e [sign] digits], a leading
// or trailing point allowed (Oracle writes ".5").
bool ole_is_number(compat::wstring_view text);
bool ole_is_number(std::string_view text);

// The whole number a text stands for, read as a number ("1e3" is 1000, "007" is 7, "-0" is
// 0), in plain decimal digits with a leading '-' for a negative one; empty when the text is
// no number ([sign] digits [. digits] [e [sign] digits]) or has a fraction ("1.5").
std::string ole_whole_number(compat::wstring_view text);
