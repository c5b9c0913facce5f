// The value of one cell on its way from the Oracle reader to the MySQL writers: a VARIANT
// with side fields for 64-bit integers (VT_I8, VT_UI8) and the calendar form of a date
// (VT_DATE). VT_EMPTY is SQL NULL. The value owns its text and its byte array; copies are
// deep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compat/oleaut/currency.h"
#include "compat/oleaut/decimal.h"
#include "compat/oleaut/safearray.h"
#include "compat/oleaut/systemtime.h"
#include "compat/oleaut/variant.h"
#include "compat/oleaut/vartype.h"
#include "compat/text/text.h"
#include "values/ole_type_exception.h"

// The byte array type: a one-dimensional SAFEARRAY of VT_UI1.
inline constexpr VARTYPE VT_BYTE_ARRAY = VT_ARRAY | VT_UI1;

class ole_variant {
public:
    ole_variant();  // VT_EMPTY
    ole_variant(const SYSTEMTIME& st);
    ole_variant(const CY& cy);
    ole_variant(const DECIMAL& dec);
    ole_variant(const compat::wchar* bstr);  // a null pointer gives a null BSTR
    ole_variant(bool b);                     // VARIANT_TRUE (-1) or 0
    ole_variant(char c);                     // VT_I1
    ole_variant(unsigned char b);            // VT_UI1
    ole_variant(signed char c);              // VT_I1
    ole_variant(short s);
    ole_variant(unsigned short s);
    ole_variant(int i);
    ole_variant(unsigned int u);
    ole_variant(long v);                // 64-bit here: VT_I8
    ole_variant(unsigned long v);       // VT_UI8
    ole_variant(long long v);           // VT_I8
    ole_variant(unsigned long long v);  // VT_UI8
    ole_variant(float f);
    ole_variant(double d);
    ole_variant(std::size_t length, const void* bytes);  // see attach_binary
    ole_variant(const std::vector<uint8_t>& bytes);
    ole_variant(const std::string& text);      // VT_BSTR from ANSI text
    ole_variant(const char* text);             // VT_BSTR; null is empty text
    ole_variant(const compat::wstring& text);  // VT_BSTR
    // Takes over a VARIANT; VT_I8, VT_UI8 and VT_DATE fill their side fields from it.
    explicit ole_variant(VARIANT&& v);
    ole_variant(const ole_variant& other);
    ole_variant(ole_variant&& other) noexcept;
    virtual ~ole_variant();

    ole_variant& operator=(const ole_variant& other);
    ole_variant& operator=(ole_variant&& other) noexcept;
    ole_variant& operator=(const std::vector<uint8_t>& bytes);
    ole_variant& operator=(const compat::wstring& text);
    // Exchanges the two values whole, side fields included, without copying or freeing what
    // they hold: a text's storage goes with it, for the other value to reuse.
    void swap(ole_variant& other) noexcept;

    // The body of the value's SQL literal: numbers, dates, "0x" and hex digits for bytes.
    virtual std::string to_string() const;
    // VT_BSTR unchanged; everything else is to_string widened.
    virtual compat::wstring to_wstring() const;
    // to_string appended to `out`: writers of many literals reuse one buffer.
    void append_string(std::string& out) const;

    VARTYPE get_type() const;

    // A value of `type` read from text; empty text is NULL (for VT_BSTR an empty string).
    // Raises ole_type_exception for a type the conversions cannot make and for a number
    // too large for its type.
    static ole_variant from_string(std::string_view text, VARTYPE type);
    static ole_variant from_wstring(compat::wstring_view text, VARTYPE type);

    // A byte array of exactly `length` bytes copied from `bytes` (null with a non-zero
    // length is an internal error).
    void attach_binary(std::size_t length, const void* bytes);
    void attach_binary(const std::vector<uint8_t>& bytes);
    void attach_string(std::string_view text);
    void attach_wstring(compat::wstring_view text);
    // A byte array of n elements: an existing one keeps its bytes and lower bound.
    void allocate_safe_array(std::size_t n);
    // Element count and a pointer to the bytes; NULL values give 0 and leave `data` alone.
    std::size_t get_bytes(const void** data) const;

    bool to_bool() const;
    double to_double() const;
    int32_t to_long() const;

    // Read access for writers that need the payload itself.
    const VARIANT& get_variant() const { return var_; }
    int64_t get_i8() const { return i8_; }
    uint64_t get_ui8() const { return ui8_; }
    const SYSTEMTIME& get_systemtime() const { return st_; }
    bool is_null() const { return var_.vt == VT_EMPTY || var_.vt == VT_NULL; }

private:
    void release();
    void copy_from(const ole_variant& other);

    // A VT_DECIMAL read from a plain number text, with the text it prints as; false, with
    // out left alone, for any other text.
    template <class V>
    static bool read_plain_decimal(V text, ole_variant& out);
    void copy_printed(const ole_variant& other);

    int64_t i8_ = 0;
    uint64_t ui8_ = 0;
    SYSTEMTIME st_{};
    VARIANT var_;
    // While var_ is a VT_DECIMAL read from a plain text: that value's printed text, which
    // append_string copies instead of printing the DECIMAL again. Only the first
    // printed_length_ characters are ever read.
    uint8_t printed_length_ = 0;
    char printed_[compat::decimal_text_max];
};

// Elements of dimension 1, or 0 when the upper bound lies below the lower one.
uint32_t get_safe_array_size(const SAFEARRAY* array);

// VT_BSTR and VT_DATE: the types whose SQL literal is quoted.
bool is_quoted_vartype(VARTYPE type);
