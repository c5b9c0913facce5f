#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "values/ole_var.h"

namespace {

VARIANT bool_variant(VARIANT_BOOL b) {
    VARIANT v;
    v.vt = VT_BOOL;
    v.boolVal = b;
    return v;
}

DECIMAL dec(const char* text) {
    DECIMAL d{};
    EXPECT_EQ(VarDecFromStr(std::string_view(text), LCID_ENGLISH_US, 0, &d), S_OK) << text;
    return d;
}

struct print_case {
    const char* name;
    ole_variant value;
    VARTYPE vt;
    std::string text;
};

TEST(VariantText, PrintingTable) {
    SYSTEMTIME midnight{2004, 5, 0, 6, 0, 0, 0, 0};
    SYSTEMTIME with_time{2004, 5, 0, 6, 10, 11, 12, 0};
    SYSTEMTIME pure_time{0, 0, 0, 0, 10, 11, 12, 0};
    const print_case cases[] = {
        {"R8", ole_variant(1.5), VT_R8, "1.500000000000000e+00"},
        {"R8 negative", ole_variant(-123456.789), VT_R8, "-1.234567890000000e+05"},
        {"R8 small", ole_variant(1e-300), VT_R8, "1.000000000000000e-300"},
        {"R4", ole_variant(1.5f), VT_R4, "1.500000e+00"},
        {"R4 widened", ole_variant(0.1f), VT_R4, "1.000000e-01"},
        {"I8", ole_variant(-5LL), VT_I8, "-5"},
        {"I8 min", ole_variant(static_cast<long long>(INT64_MIN)), VT_I8, "-9223372036854775808"},
        {"UI8 max", ole_variant(static_cast<unsigned long long>(UINT64_MAX)), VT_UI8, "18446744073709551615"},
        {"I4", ole_variant(-2147483647 - 1), VT_I4, "-2147483648"},
        {"UI4", ole_variant(4000000000u), VT_UI4, "4000000000"},
        {"I2", ole_variant(static_cast<short>(-3)), VT_I2, "-3"},
        {"UI2", ole_variant(static_cast<unsigned short>(65535)), VT_UI2, "65535"},
        {"I1", ole_variant(static_cast<char>(-3)), VT_I1, "-3"},
        {"UI1", ole_variant(static_cast<unsigned char>(200)), VT_UI1, "200"},
        {"BOOL true", ole_variant(true), VT_BOOL, "1"},
        {"BOOL false", ole_variant(false), VT_BOOL, "0"},
        {"BOOL holding 1", ole_variant(bool_variant(1)), VT_BOOL, "0"},
        {"CY", ole_variant(CY{15000}), VT_CY, "1.5"},
        {"CY negative", ole_variant(CY{-2500}), VT_CY, "-0.25"},
        {"DECIMAL", ole_variant(dec("-.50")), VT_DECIMAL, "-0.50"},
        {"DECIMAL 38 digits", ole_variant(dec("12345678901234567890.123456789012345678")), VT_DECIMAL,
         "12345678901234567890.123456789012345678"},
        {"DATE midnight", ole_variant(midnight), VT_DATE, "2004-05-06"},
        {"DATE with time", ole_variant(with_time), VT_DATE, "2004-05-06 10:11:12"},
        {"DATE zero date", ole_variant(pure_time), VT_DATE, "0000-00-00 10:11:12"},
        {"BSTR", ole_variant(compat::wstring(u"Gr\u00fc\u00dfe")), VT_BSTR,
         "Gr\xc3\xbc\xc3\x9f"
         "e"},
        {"BSTR narrow", ole_variant(std::string("abc")), VT_BSTR, "abc"},
        {"BSTR literal", ole_variant("O'Brien"), VT_BSTR, "O'Brien"},
        {"BSTR null", ole_variant(static_cast<const compat::wchar*>(nullptr)), VT_BSTR, ""},
        {"bytes", ole_variant(std::vector<uint8_t>{0x0A, 0x0B, 0xFF, 0x00}), VT_BYTE_ARRAY, "0x0A0BFF00"},
        {"bytes empty", ole_variant(std::vector<uint8_t>{}), VT_BYTE_ARRAY, ""},
        {"EMPTY", ole_variant(), VT_EMPTY, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.get_type(), c.vt) << c.name;
        EXPECT_EQ(c.value.to_string(), c.text) << c.name;
        std::string appended = "x";
        c.value.append_string(appended);
        EXPECT_EQ(appended, "x" + c.text) << c.name;
        if (c.vt != VT_BSTR) {
            EXPECT_EQ(c.value.to_wstring(), compat::wstring(c.text.begin(), c.text.end())) << c.name;
        }
    }
}

TEST(VariantText, WideTextOfStringIsUnchanged) {
    compat::wstring text = u"\u4e2d\u6587 \U0001F600";
    ole_variant v(text);
    EXPECT_EQ(v.to_wstring(), text);
    EXPECT_EQ(v.to_string(), compat::utf16_to_utf8(text));
    ole_variant null_text(static_cast<const compat::wchar*>(nullptr));
    EXPECT_EQ(null_text.to_wstring(), u"");
}

TEST(VariantText, LargeByteArrayPrintsEveryByte) {
    std::vector<uint8_t> bytes(10'000'001, 0xAB);
    bytes.back() = 0x01;
    ole_variant v(bytes);
    std::string text = v.to_string();
    ASSERT_EQ(text.size(), 2u + 20'000'002u);
    EXPECT_EQ(text.compare(0, 6, "0xABAB"), 0);
    EXPECT_EQ(text.substr(text.size() - 4), "AB01");
}

TEST(VariantText, QuotedTypes) {
    EXPECT_TRUE(is_quoted_vartype(VT_BSTR));
    EXPECT_TRUE(is_quoted_vartype(VT_DATE));
    EXPECT_FALSE(is_quoted_vartype(VT_I4));
    EXPECT_FALSE(is_quoted_vartype(VT_BYTE_ARRAY));
}

}  // namespace
