// How an Oracle NUMBER column maps to a value type, from the precision and scale that the
// describe step reports.
#pragma once

#include "compat/oleaut/vartype.h"

namespace ora {

// Oracle reports scale -127 for FLOAT(p) and for NUMBER without precision.
inline constexpr int float_scale = -127;
// MySQL's DECIMAL takes at most this many digits, and at most this many after the point.
inline constexpr int mysql_max_decimal_digits = 65;
inline constexpr int mysql_max_decimal_scale = 30;

struct number_type {
    VARTYPE vartype;
    int precision;  // as it is to be declared (may differ from the described one)
    int scale;      // never negative
    // A DOUBLE because no MySQL DECIMAL holds the declared precision and scale.
    bool beyond_decimal = false;
};

// NUMBER(p,0) picks the narrowest integer that holds p digits (an 18-digit value needs 64
// bits; 19 digits and more only fit a DECIMAL). FLOAT and NUMBER without precision are
// doubles. A negative scale rounds to tens, hundreds...: it is an integer of p - scale
// digits. A scale not below the precision (NUMBER(3,5), NUMBER(5,5)) keeps one integer
// digit more so that MySQL accepts the DECIMAL. More digits or a larger scale than a
// DECIMAL takes give a double too.
number_type refine_number_vartype(int precision, int scale);

}  // namespace ora
