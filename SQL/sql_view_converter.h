// Rewrites a view definition as the server reports it into plainer SQL: a trailing
// ORDER BY is dropped, and a view that both joins and filters gets its joins written as
// cross joins.
#pragma once

#include <vector>

#include "compat/text/text.h"

class sql_view_converter {
public:
    explicit sql_view_converter(const compat::wstring& text);

    compat::wstring convert_to_ansi() const;

    // The text without its quoted strings and backquoted names (quotes dropped too).
    const compat::wstring& skeleton() const { return skeleton_; }

private:
    compat::wstring text_;
    compat::wstring skeleton_;
};
