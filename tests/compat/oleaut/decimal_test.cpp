#include <gtest/gtest.h>

#include <string>

#include "compat/oleaut/currency.h"
#include "compat/oleaut/decimal.h"

namespace {

const std::string nines38(38, '9');

std::string dec_text(const DECIMAL& d) {
    char buffer[compat::decimal_text_max];
    return std::string(buffer, compat::decimal_to_chars(d, buffer));
}

struct dec_case {
    std::string text;
    HRESULT hr;
    std::string printed;  // when hr is S_OK
};

class DecimalFromText : public testing::TestWithParam<dec_case> {};

TEST_P(DecimalFromText, ReadsAndPrintsExactDigits) {
    const dec_case& c = GetParam();
    DECIMAL d{};
    HRESULT hr = VarDecFromStr(std::string_view(c.text), LCID_ENGLISH_US, 0, &d);
    ASSERT_EQ(hr, c.hr) << c.text;
    if (hr == S_OK) {
        EXPECT_EQ(dec_text(d), c.printed) << c.text;
        // The wide reader and the BSTR printer agree with the narrow ones.
        DECIMAL w{};
        compat::wstring wide(c.text.begin(), c.text.end());
        ASSERT_EQ(VarDecFromStr(compat::wstring_view(wide), LCID_ENGLISH_US, 0, &w), S_OK);
        compat::bstr out;
        ASSERT_EQ(VarBstrFromDec(&w, LOCALE_USER_DEFAULT, 0, &out), S_OK);
        EXPECT_EQ(out.str(), compat::wstring(c.printed.begin(), c.printed.end()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DecimalFromText,
    testing::Values(dec_case{"1.5", S_OK, "1.5"}, dec_case{".5", S_OK, "0.5"}, dec_case{"-.5", S_OK, "-0.5"},
                    dec_case{"+3", S_OK, "3"}, dec_case{"  12  ", S_OK, "12"}, dec_case{"1.50", S_OK, "1.50"},
                    dec_case{"5.", S_OK, "5"}, dec_case{"007.25", S_OK, "7.25"}, dec_case{"1e3", S_OK, "1000"},
                    dec_case{"1.5E-3", S_OK, "0.0015"}, dec_case{"-2.5e+2", S_OK, "-250"}, dec_case{"0", S_OK, "0"},
                    dec_case{"-0", S_OK, "0"}, dec_case{"0.000", S_OK, "0.000"}, dec_case{"", DISP_E_TYPEMISMATCH, ""},
                    dec_case{".", DISP_E_TYPEMISMATCH, ""}, dec_case{"abc", DISP_E_TYPEMISMATCH, ""},
                    dec_case{"1.2.3", DISP_E_TYPEMISMATCH, ""}, dec_case{"1e", DISP_E_TYPEMISMATCH, ""},
                    dec_case{"5-", DISP_E_TYPEMISMATCH, ""}, dec_case{"1,5", DISP_E_TYPEMISMATCH, ""},
                    dec_case{"--1", DISP_E_TYPEMISMATCH, ""},
                    // limits: 38 digits, scale 38
                    dec_case{nines38, S_OK, nines38}, dec_case{"-" + nines38, S_OK, "-" + nines38},
                    dec_case{"." + nines38, S_OK, "0." + nines38},
                    dec_case{"1" + std::string(38, '0'), DISP_E_OVERFLOW, ""}, dec_case{"1e38", DISP_E_OVERFLOW, ""},
                    dec_case{"9.9e37", S_OK, "99" + std::string(36, '0')}, dec_case{nines38 + ".4", S_OK, nines38},
                    dec_case{nines38 + ".5", DISP_E_OVERFLOW, ""},
                    // fractional digits beyond the 38 are rounded half to even
                    dec_case{"1." + std::string(36, '0') + "25", S_OK, "1." + std::string(35, '0') + "02"},
                    dec_case{"1." + std::string(36, '0') + "35", S_OK, "1." + std::string(35, '0') + "04"},
                    dec_case{"1." + std::string(36, '0') + "251", S_OK, "1." + std::string(35, '0') + "03"},
                    dec_case{"0." + std::string(39, '9'), S_OK, "1." + std::string(37, '0')},
                    dec_case{"1e-50", S_OK, "0." + std::string(38, '0')},
                    // around 64 bits, where the reader and the printer change arithmetic
                    dec_case{"18446744073709551615", S_OK, "18446744073709551615"},
                    dec_case{"-18446744073709551616", S_OK, "-18446744073709551616"},
                    dec_case{"9999999999999999999.5", S_OK, "9999999999999999999.5"},
                    dec_case{"1234567890123456789012345678901234567.85", S_OK,
                             "1234567890123456789012345678901234567.8"},
                    dec_case{"1.2345e25", S_OK, "12345" + std::string(21, '0')}));

TEST(Decimal, ToDoubleAndInt) {
    struct {
        const char* text;
        double r8;
        HRESULT i4_hr;
        int32_t i4;
    } cases[] = {
        {"0.1", 0.1, S_OK, 0},
        {"2.5", 2.5, S_OK, 2},
        {"3.5", 3.5, S_OK, 4},
        {"-2.5", -2.5, S_OK, -2},
        {"2147483647", 2147483647.0, S_OK, 2147483647},
        {"-2147483648", -2147483648.0, S_OK, INT32_MIN},
        {"2147483648", 2147483648.0, DISP_E_OVERFLOW, 0},
        {"99999999999999999999999999999999999999", 1e38, DISP_E_OVERFLOW, 0},
    };
    for (const auto& c : cases) {
        DECIMAL d{};
        ASSERT_EQ(VarDecFromStr(std::string_view(c.text), LCID_ENGLISH_US, 0, &d), S_OK) << c.text;
        double r = 0;
        ASSERT_EQ(VarR8FromDec(&d, &r), S_OK);
        EXPECT_EQ(r, c.r8) << c.text;
        int32_t i = 0;
        EXPECT_EQ(VarI4FromDec(&d, &i), c.i4_hr) << c.text;
        if (c.i4_hr == S_OK) {
            EXPECT_EQ(i, c.i4) << c.text;
        }
    }
}

TEST(Decimal, OutOfRangeValueIsRefused) {
    DECIMAL d{};
    d.mantissa = compat::decimal_max_mantissa() + 1;
    char buffer[compat::decimal_text_max];
    EXPECT_EQ(compat::decimal_to_chars(d, buffer), 0u);
    compat::bstr out;
    EXPECT_EQ(VarBstrFromDec(&d, LOCALE_USER_DEFAULT, 0, &out), E_INVALIDARG);
    EXPECT_TRUE(out.is_null());
}

struct cy_case {
    const char* text;
    HRESULT hr;
    int64_t units;
    const char* printed;
};

TEST(Currency, TableOfTexts) {
    const cy_case cases[] = {
        {"1.5", S_OK, 15000, "1.5"},
        {".5", S_OK, 5000, "0.5"},
        {"-.25", S_OK, -2500, "-0.25"},
        {"3", S_OK, 30000, "3"},
        {"0.00005", S_OK, 0, "0"},  // half to even
        {"0.00015", S_OK, 2, "0.0002"},
        {"0.00025", S_OK, 2, "0.0002"},
        {"0.000251", S_OK, 3, "0.0003"},
        {"1e2", S_OK, 1000000, "100"},
        {"922337203685477.5807", S_OK, INT64_MAX, "922337203685477.5807"},
        {"-922337203685477.5808", S_OK, INT64_MIN, "-922337203685477.5808"},
        {"922337203685477.5808", DISP_E_OVERFLOW, 0, ""},
        {"-922337203685477.5809", DISP_E_OVERFLOW, 0, ""},
        {"1e20", DISP_E_OVERFLOW, 0, ""},
        {"abc", DISP_E_TYPEMISMATCH, 0, ""},
        {"", DISP_E_TYPEMISMATCH, 0, ""},
    };
    for (const auto& c : cases) {
        CY cy{};
        ASSERT_EQ(VarCyFromStr(std::string_view(c.text), LCID_ENGLISH_US, 0, &cy), c.hr) << c.text;
        if (c.hr != S_OK) continue;
        EXPECT_EQ(cy.int64, c.units) << c.text;
        compat::bstr out;
        ASSERT_EQ(VarBstrFromCy(cy, LOCALE_USER_DEFAULT, 0, &out), S_OK);
        std::string printed(c.printed);
        EXPECT_EQ(out.str(), compat::wstring(printed.begin(), printed.end())) << c.text;
    }
}

TEST(Currency, ToDouble) {
    double r = 0;
    ASSERT_EQ(VarR8FromCy(CY{15000}, &r), S_OK);
    EXPECT_EQ(r, 1.5);
    ASSERT_EQ(VarR8FromCy(CY{-1}, &r), S_OK);
    EXPECT_EQ(r, -0.0001);
}

}  // namespace
