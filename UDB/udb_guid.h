// Finds a GUID written as text after the word guid, e.g. "... guid={8-4-4-4-12} ...", and
// gives its 32 hexadecimal digits.
#pragma once

#include <string>

#include "compat/text/text.h"

class ole_guid_extractor {
public:
    explicit ole_guid_extractor(const compat::wstring& text);
    // The text is widened with the ANSI code page first.
    explicit ole_guid_extractor(const std::string& text);

    bool is_found() const { return found_; }
    // The text is nothing but the word and the GUID: "guid", then blanks, '=' or ':', then the
    // braced GUID, blanks around the whole allowed.
    bool is_whole_text() const;
    // The 32 hexadecimal digits, or empty text when nothing was found.
    compat::wstring to_wstring() const;
    std::string to_string() const;

private:
    void locate();

    int pos_ = -1;  // position of the opening brace
    compat::wstring text_;
    bool found_ = false;
};
