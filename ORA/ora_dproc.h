// Turns the DD-MON-YYYY date literals that Oracle keeps as column defaults into the
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

    // "year-mm-dd" for a DD-MON-YYYY text, empty when the text is not of that form.
    compat::wstring get_canonized_str(const compat::wstring& text) const;

private:
    std::array<compat::wstring, 12> months_;
};
