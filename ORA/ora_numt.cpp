#include "ORA/ora_numt.h"

#include "TK/tk_trace.h"

namespace ora {

number_type refine_number_vartype(int precision, int scale) {
    if (scale == float_scale && precision != 0) return {VT_R8, precision, 0};
    if (scale < 0) {
        if (precision != 0) precision -= scale;
        scale = 0;
    }
    if (precision <= 0) return {VT_R8, precision, scale};
    if (precision > mysql_max_decimal_digits) return {VT_R8, precision, scale, true};
    if (scale != 0) {
        if (scale >= precision) precision = scale + 1;
        if (precision > mysql_max_decimal_digits || scale > mysql_max_decimal_scale)
            return {VT_R8, precision, scale, true};
        return {VT_DECIMAL, precision, scale};
    }
    tk_log::log(1, "Refine type mapping for int (prec=%d)", precision);
    if (precision <= 2) return {VT_I1, precision, 0};
    if (precision <= 4) return {VT_I2, precision, 0};
    if (precision <= 9) return {VT_I4, precision, 0};
    if (precision <= 18) return {VT_I8, precision, 0};
    return {VT_DECIMAL, precision, 0};
}

}  // namespace ora
