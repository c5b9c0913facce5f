#include <gtest/gtest.h>

#include <string>

#include "values/ole_var.h"

namespace {

const char* const k_throws = "<throws>";

struct read_case {
    const char* text;
    VARTYPE type;
    VARTYPE result_type;  // ignored when the reading throws
    std::string printed;  // or k_throws
};

class FromString : public testing::TestWithParam<read_case> {};

TEST_P(FromString, TypeAndText) {
    const read_case& c = GetParam();
    if (c.printed == k_throws) {
        EXPECT_THROW(ole_variant::from_string(c.text, c.type), ole_type_exception) << c.text;
        std::string text(c.text);
        EXPECT_THROW(ole_variant::from_wstring(compat::wstring(text.begin(), text.end()), c.type), ole_type_exception)
            << c.text;
        return;
    }
    ole_variant v = ole_variant::from_string(c.text, c.type);
    EXPECT_EQ(v.get_type(), c.result_type) << c.text << " as " << c.type;
    EXPECT_EQ(v.to_string(), c.printed) << c.text << " as " << c.type;
    std::string text(c.text);
    ole_variant w = ole_variant::from_wstring(compat::wstring(text.begin(), text.end()), c.type);
    EXPECT_EQ(w.get_type(), c.result_type) << c.text;
    EXPECT_EQ(w.to_string(), c.printed) << c.text;
}

const std::string nines38(38, '9');

INSTANTIATE_TEST_SUITE_P(
    Numbers, FromString,
    testing::Values(
        // empty text is NULL for numbers
        read_case{"", VT_I4, VT_EMPTY, ""}, read_case{"", VT_R8, VT_EMPTY, ""}, read_case{"", VT_DECIMAL, VT_EMPTY, ""},
        read_case{"", VT_DATE, VT_EMPTY, ""}, read_case{"", VT_BYTE_ARRAY, VT_EMPTY, ""},
        // integers by atoi rules, within their type
        read_case{"12", VT_I4, VT_I4, "12"}, read_case{"  -7xyz", VT_I4, VT_I4, "-7"},
        read_case{"abc", VT_I4, VT_I4, "0"}, read_case{".5", VT_I4, VT_I4, "0"}, read_case{"12.9", VT_I4, VT_I4, "12"},
        read_case{"2147483647", VT_I4, VT_I4, "2147483647"}, read_case{"-2147483648", VT_I4, VT_I4, "-2147483648"},
        read_case{"2147483648", VT_I4, VT_EMPTY, k_throws}, read_case{"-2147483649", VT_I4, VT_EMPTY, k_throws},
        read_case{"99999999999999999999999", VT_I4, VT_EMPTY, k_throws}, read_case{"127", VT_I1, VT_I1, "127"},
        read_case{"-128", VT_I1, VT_I1, "-128"}, read_case{"128", VT_I1, VT_EMPTY, k_throws},
        read_case{"255", VT_UI1, VT_UI1, "255"}, read_case{"256", VT_UI1, VT_EMPTY, k_throws},
        read_case{"-1", VT_UI1, VT_EMPTY, k_throws}, read_case{"-32768", VT_I2, VT_I2, "-32768"},
        read_case{"32768", VT_I2, VT_EMPTY, k_throws}, read_case{"65535", VT_UI2, VT_UI2, "65535"},
        read_case{"65536", VT_UI2, VT_EMPTY, k_throws}, read_case{"4294967295", VT_UI4, VT_UI4, "4294967295"},
        read_case{"x", VT_UI4, VT_UI4, "0"}, read_case{"4294967296", VT_UI4, VT_EMPTY, k_throws},
        read_case{"-1", VT_UI4, VT_EMPTY, k_throws},
        read_case{"-9223372036854775808", VT_I8, VT_I8, "-9223372036854775808"},
        read_case{"9223372036854775808", VT_I8, VT_EMPTY, k_throws},
        read_case{"18446744073709551615", VT_UI8, VT_UI8, "18446744073709551615"},
        read_case{"18446744073709551616", VT_UI8, VT_EMPTY, k_throws},
        // floating point: ',' reads as '.', a leading '.' is a number
        read_case{"1,5", VT_R8, VT_R8, "1.500000000000000e+00"},
        read_case{"1.5", VT_R8, VT_R8, "1.500000000000000e+00"}, read_case{".5", VT_R8, VT_R8, "5.000000000000000e-01"},
        read_case{"-.5", VT_R8, VT_R8, "-5.000000000000000e-01"}, read_case{"1,5", VT_R4, VT_R4, "1.500000e+00"},
        read_case{"abc", VT_R8, VT_R8, "0.000000000000000e+00"},
        read_case{"1e-400", VT_R8, VT_R8, "0.000000000000000e+00"}, read_case{"1e400", VT_R8, VT_EMPTY, k_throws},
        read_case{"1e39", VT_R4, VT_EMPTY, k_throws},
        // currency and decimal: unreadable is NULL, too large is an error
        read_case{"1,5", VT_CY, VT_CY, "1.5"}, read_case{".5", VT_CY, VT_CY, "0.5"},
        read_case{"-.5", VT_CY, VT_CY, "-0.5"}, read_case{"abc", VT_CY, VT_EMPTY, ""},
        read_case{"922337203685477.5807", VT_CY, VT_CY, "922337203685477.5807"},
        read_case{"1e20", VT_CY, VT_EMPTY, k_throws}, read_case{".5", VT_DECIMAL, VT_DECIMAL, "0.5"},
        read_case{"-.5", VT_DECIMAL, VT_DECIMAL, "-0.5"}, read_case{"1,25", VT_DECIMAL, VT_DECIMAL, "1.25"},
        read_case{"abc", VT_DECIMAL, VT_EMPTY, ""}, read_case{"1.2.3", VT_DECIMAL, VT_EMPTY, ""},
        read_case{nines38.c_str(), VT_DECIMAL, VT_DECIMAL, nines38},
        read_case{"1e38", VT_DECIMAL, VT_EMPTY, k_throws}));

INSTANTIATE_TEST_SUITE_P(
    Others, FromString,
    testing::Values(read_case{"", VT_BSTR, VT_BSTR, ""}, read_case{"abc", VT_BSTR, VT_BSTR, "abc"},
                    // BOOL words in any case, else atoi
                    read_case{"TRUE", VT_BOOL, VT_BOOL, "1"}, read_case{"Yes", VT_BOOL, VT_BOOL, "1"},
                    read_case{"No", VT_BOOL, VT_BOOL, "0"}, read_case{"FALSE", VT_BOOL, VT_BOOL, "0"},
                    read_case{"2", VT_BOOL, VT_BOOL, "1"}, read_case{"0", VT_BOOL, VT_BOOL, "0"},
                    read_case{"maybe", VT_BOOL, VT_BOOL, "0"},
                    // hexadecimal bytes
                    read_case{"0x0A0b", VT_BYTE_ARRAY, VT_BYTE_ARRAY, "0x0A0B"},
                    read_case{"0X0A0b", VT_BLOB, VT_BYTE_ARRAY, "0x0A0B"},
                    read_case{"0A0B", VT_BLOB, VT_BYTE_ARRAY, "0x0A0B"}, read_case{"0x0", VT_BYTE_ARRAY, VT_EMPTY, ""},
                    read_case{"0x", VT_BYTE_ARRAY, VT_BYTE_ARRAY, ""}, read_case{"0xZZ", VT_BYTE_ARRAY, VT_EMPTY, ""},
                    read_case{"0x0G", VT_BLOB, VT_EMPTY, ""}, read_case{"0x 1", VT_BLOB, VT_EMPTY, ""},
                    read_case{"+1", VT_BLOB, VT_EMPTY, ""},
                    // dates
                    read_case{"20040506101112", VT_DATE, VT_DATE, "2004-05-06 10:11:12"},
                    read_case{"10:11:12", VT_DATE, VT_DATE, "0000-00-00 10:11:12"},
                    read_case{"06-MAY-2004", VT_DATE, VT_DATE, "2004-05-06"},
                    read_case{"someday", VT_DATE, VT_EMPTY, ""},
                    // through the VARIANT conversion
                    read_case{"12", VT_INT, VT_INT, ""}, read_case{"x", VT_EMPTY, VT_EMPTY, ""},
                    read_case{"x", VT_NULL, VT_NULL, ""}, read_case{"abc", VT_INT, VT_EMPTY, k_throws},
                    read_case{"1e10", VT_UINT, VT_EMPTY, k_throws}, read_case{"abc", VT_ERROR, VT_EMPTY, k_throws},
                    read_case{"abc", VT_BLOB_OBJECT, VT_EMPTY, k_throws}));

TEST(FromString, EmptyTextIsAnEmptyStringForBstr) {
    ole_variant v = ole_variant::from_string("", VT_BSTR);
    ASSERT_EQ(v.get_type(), VT_BSTR);
    EXPECT_FALSE(v.get_variant().bstrVal.is_null());
    EXPECT_FALSE(v.is_null());
    ole_variant n = ole_variant::from_string("", VT_I4);
    EXPECT_TRUE(n.is_null());
}

TEST(FromString, WideTextKeepsItsCharacters) {
    compat::wstring text = u"\u00e9t\u00e9 \U0001F600";
    ole_variant v = ole_variant::from_wstring(text, VT_BSTR);
    EXPECT_EQ(v.to_wstring(), text);
    // A non-ASCII text read as a number goes through the ANSI code page.
    EXPECT_EQ(ole_variant::from_wstring(u"\u00e912", VT_I4).to_string(), "0");
    EXPECT_EQ(ole_variant::from_wstring(u"12\u00e9", VT_I4).to_string(), "12");
}

TEST(FromString, DecimalAndCurrencyRoundTripAtTheirLimits) {
    const std::string decimals[] = {nines38, "-" + nines38, "0." + nines38, "-0.00000000000000000000000000000000000001",
                                    "12345678901234567890.123456789012345678"};
    for (const std::string& text : decimals) {
        ole_variant v = ole_variant::from_string(text, VT_DECIMAL);
        ASSERT_EQ(v.get_type(), VT_DECIMAL) << text;
        EXPECT_EQ(v.to_string(), text);
        EXPECT_EQ(ole_variant::from_string(v.to_string(), VT_DECIMAL).to_string(), text);
    }
    const std::string currencies[] = {"922337203685477.5807", "-922337203685477.5808", "0.0001", "-0.0001"};
    for (const std::string& text : currencies) {
        ole_variant v = ole_variant::from_string(text, VT_CY);
        ASSERT_EQ(v.get_type(), VT_CY) << text;
        EXPECT_EQ(v.to_string(), text);
        EXPECT_EQ(ole_variant::from_string(v.to_string(), VT_CY).to_string(), text);
    }
    EXPECT_THROW(ole_variant::from_string("922337203685477.5808", VT_CY), ole_type_exception);
    EXPECT_THROW(ole_variant::from_string("1" + std::string(38, '0'), VT_DECIMAL), ole_type_exception);
}

TEST(FromString, OverflowIsALevelOneError) {
    try {
        ole_variant::from_string("3000000000", VT_I4);
        FAIL() << "no exception";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        EXPECT_STREQ(e.what(), "The operating type is not supported yet");
    }
}

}  // namespace
