// BSTR: a wide string that may also be null. A null BSTR and an empty one are different
// values (a null one reads as no text, an empty one as the text "").
#pragma once

#include <cstdint>
#include <utility>

#include "compat/text/text.h"

namespace compat {

class bstr {
public:
    bstr() = default;  // the null BSTR
    explicit bstr(wstring_view text) : text_(text), null_(false) {}
    explicit bstr(wstring&& text) noexcept : text_(std::move(text)), null_(false) {}

    bool is_null() const noexcept { return null_; }
    std::size_t length() const noexcept { return text_.size(); }
    wstring_view view() const noexcept { return text_; }
    const wstring& str() const noexcept { return text_; }
    // Null for the null BSTR, as the platform hands it out.
    const wchar* c_str() const noexcept { return null_ ? nullptr : text_.c_str(); }

    void assign(wstring_view text) {
        text_.assign(text);
        null_ = false;
    }
    void assign(wstring&& text) noexcept {
        text_ = std::move(text);
        null_ = false;
    }
    void reset() noexcept {
        wstring().swap(text_);
        null_ = true;
    }

    friend bool operator==(const bstr& a, const bstr& b) noexcept { return a.null_ == b.null_ && a.text_ == b.text_; }

private:
    wstring text_;
    bool null_ = true;
};

}  // namespace compat

// A null text gives the null BSTR.
inline compat::bstr SysAllocString(const compat::wchar* text) {
    return text ? compat::bstr(compat::wstring_view(text)) : compat::bstr();
}

// A null text gives `length` zero characters.
inline compat::bstr SysAllocStringLen(const compat::wchar* text, uint32_t length) {
    return text ? compat::bstr(compat::wstring_view(text, length)) : compat::bstr(compat::wstring(length, u'\0'));
}

inline uint32_t SysStringLen(const compat::bstr& text) { return static_cast<uint32_t>(text.length()); }
