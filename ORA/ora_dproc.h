// Turns the date literals that Oracle keeps as column defaults into the
// year-month-day text that the value types read. One instance lives while a conversion
// runs; the table reader finds it through the single-instance registry.
#pragma once

#include <array>

#include "TK/tk_singl.h"
#include "compat/text/text.h"

class ora_date_processor : public singleton<ora_date_processor> {
public:
    ora_date_processor();
    ~ora_date_processor() override;

    // 1 to 12 for a month abbreviation (any case), 0 for anything else.
    int get_month(const compat::wstring& name) const;

    // "YYYY-MM-DD", with " HH:MM:SS" when a time follows, for a DD-MON-YYYY or DD-MON-YY
    // text (a two-digit year by Oracle's RR century rule); empty when the text is not of
    // that form or names no existing date.
    compat::wstring get_canonized_str(const compat::wstring& text) const;
    // The same canonical text for a column default as Oracle keeps it: a quoted
    // DD-MON-YY[YY] text, or an ANSI literal DATE '...' or TIMESTAMP '...' (fractions
    // dropped); empty for anything else (SYSDATE, a function call).
    compat::wstring default_text(const compat::wstring& text) const;

private:
    std::array<compat::wstring, 12> months_;
};
