// A NUMBER's text read as a DECIMAL keeps the digits it prints as: whatever the text, the
// value and the printed text are those of the general reading (VarDecFromStr, then the
// DECIMAL printed), and stay so through copies, moves and swaps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "values/ole_var.h"

namespace {

// What the general reading makes of a text: "<null>", "<throws>" or the type, the printed
// text and the DECIMAL's fields.
struct reading {
    std::string printed;
    VARTYPE type = VT_EMPTY;
    DECIMAL value{};
};

bool operator==(const reading& a, const reading& b) {
    return a.printed == b.printed && a.type == b.type && a.value.scale == b.value.scale &&
           a.value.sign == b.value.sign && a.value.mantissa == b.value.mantissa;
}

std::ostream& operator<<(std::ostream& os, const reading& r) {
    return os << r.printed << " (type " << r.type << ", scale " << int{r.value.scale} << ", sign " << int{r.value.sign}
              << ")";
}

reading general(std::string text) {
    if (text.empty()) return {"<null>"};
    for (char& c : text)
        if (c == ',') c = '.';
    DECIMAL d{};
    const HRESULT hr = VarDecFromStr(std::string_view(text), LCID_ENGLISH_US, 0, &d);
    if (hr == DISP_E_OVERFLOW) return {"<throws>"};
    if (FAILED(hr)) return {"<null>"};
    return {ole_variant(d).to_string(), VT_DECIMAL, d};
}

reading of(const ole_variant& v) {
    if (v.is_null()) return {"<null>"};
    std::string appended = "(";
    v.append_string(appended);
    EXPECT_EQ(appended, "(" + v.to_string());
    return {v.to_string(), v.get_type(), v.get_variant().decVal};
}

template <class F>
reading read(F&& f) {
    try {
        return of(f());
    } catch (const ole_type_exception&) {
        return {"<throws>"};
    }
}

compat::wstring wide(const std::string& text) { return compat::wstring(text.begin(), text.end()); }

// Signs, integer parts and fractions that meet at the edges: leading and trailing zeros,
// no digit before or after the point, 19 and 20 digits (64-bit arithmetic ends), 2^63 and
// 2^64, 38 and 39 digits, 38 and 39 places.
std::vector<std::string> number_texts() {
    const std::string signs[] = {"", "-"};
    const std::string whole[] = {"",
                                 "0",
                                 "000",
                                 "7",
                                 "007",
                                 "100",
                                 "1234567890123456789",
                                 "9999999999999999999",
                                 "12345678901234567890",
                                 "9223372036854775807",
                                 "9223372036854775808",
                                 "18446744073709551616",
                                 std::string(38, '9'),
                                 "0000" + std::string(38, '9'),
                                 "1" + std::string(38, '0'),
                                 std::string(37, '1')};
    const std::string fractions[] = {"",
                                     ".",
                                     ".0",
                                     ".00",
                                     ".5",
                                     ".50",
                                     ".05",
                                     ".0000001",
                                     ".1234567890123456789",
                                     ".12345678901234567890",
                                     "." + std::string(38, '9'),
                                     "." + std::string(39, '9'),
                                     "." + std::string(37, '0') + "1",
                                     "." + std::string(38, '0') + "5",
                                     "." + std::string(38, '0')};
    std::vector<std::string> texts;
    for (const auto& s : signs)
        for (const auto& w : whole)
            for (const auto& f : fractions) texts.push_back(s + w + f);
    // Not plain digits: exponents, blanks, signs, commas, other characters, long texts.
    const std::string others[] = {"1e3",
                                  "-1.5E-2",
                                  "1E+125",
                                  "1.2345E+50",
                                  " 5",
                                  "5 ",
                                  "+5",
                                  "1,5",
                                  "--5",
                                  "5-",
                                  "1.2.3",
                                  "abc",
                                  "-",
                                  ".",
                                  "-.",
                                  "0x10",
                                  "1e",
                                  "12a",
                                  "-+1",
                                  "1 000",
                                  ".e1",
                                  "0.5e0",
                                  "- 5",
                                  "\t7",
                                  std::string(200, '0') + "1.5",
                                  std::string(200, '0') + "." + std::string(200, '0'),
                                  "1." + std::string(200, '0'),
                                  std::string(60, '9')};
    texts.insert(texts.end(), std::begin(others), std::end(others));
    return texts;
}

TEST(PlainDecimal, EveryTextReadsAndPrintsAsTheGeneralReadingDoes) {
    for (const std::string& text : number_texts()) {
        SCOPED_TRACE("text '" + text + "'");
        const reading expected = general(text);
        EXPECT_EQ(read([&] { return ole_variant::from_string(text, VT_DECIMAL); }), expected);
        EXPECT_EQ(read([&] { return ole_variant::from_wstring(wide(text), VT_DECIMAL); }), expected);
    }
}

TEST(PlainDecimal, ASignMinusZeroAndZerosPrintAsTheValue) {
    const struct {
        const char* text;
        const char* printed;
    } cases[] = {{"-0", "0"},
                 {"-0.00", "0.00"},
                 {"-.5", "-0.5"},
                 {"007", "7"},
                 {"1.50", "1.50"},
                 {"5.", "5"},
                 {".5", "0.5"},
                 {"-000.010", "-0.010"},
                 {"0.", "0"},
                 {"-.0", "0.0"},
                 {"18446744073709551616", "18446744073709551616"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ole_variant::from_wstring(wide(c.text), VT_DECIMAL).to_string(), c.printed) << c.text;
        EXPECT_EQ(ole_variant::from_string(c.text, VT_DECIMAL).to_string(), c.printed) << c.text;
    }
}

// Values change hands between records (the read-ahead swaps them): each keeps its own text.
TEST(PlainDecimal, CopiesMovesAndSwapsCarryTheTextOfTheirValue) {
    const ole_variant first = ole_variant::from_wstring(u"-012.50", VT_DECIMAL);
    const ole_variant second = ole_variant::from_wstring(u"7", VT_DECIMAL);
    ASSERT_EQ(first.to_string(), "-12.50");
    ASSERT_EQ(second.to_string(), "7");

    ole_variant a = first;
    ole_variant b = second;
    a.swap(b);
    EXPECT_EQ(a.to_string(), "7");
    EXPECT_EQ(b.to_string(), "-12.50");
    // a value read by the general reading, swapped with a plain one, prints its own value
    ole_variant general = ole_variant::from_string("1e3", VT_DECIMAL);
    general.swap(a);
    EXPECT_EQ(general.to_string(), "7");
    EXPECT_EQ(a.to_string(), "1000");
    ole_variant text(compat::wstring(u"abc"));
    text.swap(b);
    EXPECT_EQ(text.to_string(), "-12.50");
    EXPECT_EQ(b.to_string(), "abc");

    ole_variant copied(first);
    EXPECT_EQ(copied.to_string(), "-12.50");
    ole_variant moved(std::move(copied));
    EXPECT_EQ(moved.to_string(), "-12.50");
    copied = second;
    EXPECT_EQ(copied.to_string(), "7");
    copied = ole_variant(DECIMAL{0, 2, 0, 12345});
    EXPECT_EQ(copied.to_string(), "123.45");
    moved = ole_variant::from_wstring(u"3", VT_DECIMAL);
    EXPECT_EQ(moved.to_string(), "3");
    moved = compat::wstring(u"x");
    EXPECT_EQ(moved.to_string(), "x");
    moved = first;
    moved = ole_variant(int{5});
    EXPECT_EQ(moved.to_string(), "5");
}

}  // namespace
