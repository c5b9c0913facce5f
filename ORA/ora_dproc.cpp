#include "ORA/ora_dproc.h"

#include <vector>

#include "ORA/ora_trace.h"

ora_date_processor::ora_date_processor()
    : months_{u"JAN", u"FEB", u"MAR", u"APR", u"MAY", u"JUN", u"JUL", u"AUG", u"SEP", u"OCT", u"NOV", u"DEC"} {
    ora::trace(2, "ora_date_processor::initialize");
}

ora_date_processor::~ora_date_processor() = default;

int ora_date_processor::get_month(const compat::wstring& name) const {
    for (size_t i = 0; i < months_.size(); ++i)
        if (compat::equal_nocase(name, months_[i])) return static_cast<int>(i) + 1;
    return 0;
}

compat::wstring ora_date_processor::get_canonized_str(const compat::wstring& text) const {
    ora::trace(1, u"ora_date_processor::get_canonized_str(%s)", text);
    std::vector<compat::wstring> pieces;
    if (!text.empty()) {
        size_t start = 0;
        for (;;) {
            size_t dash = text.find(u'-', start);
            pieces.push_back(text.substr(start, dash == compat::wstring::npos ? dash : dash - start));
            if (dash == compat::wstring::npos) break;
            start = dash + 1;
        }
    }
    if (pieces.size() != 3) {
        ora::trace(1, "Invalid date format");
        return {};
    }
    int day = compat::win_atoi(pieces[0]);
    if (day < 1 || day > 31) return {};
    int year = compat::win_atoi(pieces[2]);
    if (year < 1 || year > 9999) return {};
    int month = get_month(pieces[1]);
    if (month == 0) return {};
    return compat::wformat(u"%d-%02d-%02d", year, month, day);
}
