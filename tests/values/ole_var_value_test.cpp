#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "compat/oleaut/oledate.h"
#include "values/ole_var.h"

namespace {

std::vector<uint8_t> bytes_of(const ole_variant& v) {
    const void* data = nullptr;
    std::size_t n = v.get_bytes(&data);
    if (n == 0) return {};
    const auto* p = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(p, p + n);
}

TEST(ByteArray, CopyOwnsASeparateArray) {
    auto source = std::make_unique<ole_variant>(std::vector<uint8_t>{1, 2, 3});
    ole_variant copy(*source);
    ole_variant assigned;
    assigned = *source;
    const void* a = nullptr;
    const void* b = nullptr;
    source->get_bytes(&a);
    copy.get_bytes(&b);
    EXPECT_NE(a, b);
    source.reset();
    EXPECT_EQ(bytes_of(copy), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(bytes_of(assigned), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(copy.to_string(), "0x010203");
}

TEST(ByteArray, AssignmentReplacesAndSelfAssignmentKeeps) {
    ole_variant v(std::vector<uint8_t>{9, 9});
    const ole_variant& same = v;
    v = same;
    EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{9, 9}));
    v = ole_variant(compat::wstring(u"text"));
    EXPECT_EQ(v.get_type(), VT_BSTR);
    EXPECT_EQ(v.to_string(), "text");
    v = std::vector<uint8_t>{7};
    EXPECT_EQ(v.get_type(), VT_BYTE_ARRAY);
    EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{7}));
    v = compat::wstring(u"again");
    EXPECT_EQ(v.to_wstring(), u"again");
}

TEST(ByteArray, MovedValuesLeaveNull) {
    ole_variant a(std::vector<uint8_t>{1, 2});
    ole_variant b(std::move(a));
    EXPECT_EQ(bytes_of(b), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(a.get_type(), VT_EMPTY);  // NOLINT: the moved-from state is part of the contract
    ole_variant c;
    c = std::move(b);
    EXPECT_EQ(c.to_string(), "0x0102");
    EXPECT_EQ(b.get_type(), VT_EMPTY);
}

TEST(ByteArray, AllocateAndRedimension) {
    ole_variant v;
    v.allocate_safe_array(3);
    EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(get_safe_array_size(v.get_variant().parray.get()), 3u);
    v.attach_binary(2, "\x01\x02");
    EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{1, 2}));
    v.allocate_safe_array(4);  // redimension keeps the bytes
    EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{1, 2, 0, 0}));

    // An empty array (upper bound below lower) is an ordinary value: it prints empty and can
    // grow again.
    ole_variant empty = ole_variant::from_string("0x", VT_BYTE_ARRAY);
    EXPECT_EQ(get_safe_array_size(empty.get_variant().parray.get()), 0u);
    empty.allocate_safe_array(2);
    EXPECT_EQ(bytes_of(empty), (std::vector<uint8_t>{0, 0}));
    empty.attach_binary(std::vector<uint8_t>{});
    EXPECT_EQ(empty.get_type(), VT_BYTE_ARRAY);
    EXPECT_EQ(empty.to_string(), "");
    empty.attach_binary(0, nullptr);
    EXPECT_EQ(empty.get_type(), VT_BYTE_ARRAY);

    ole_variant text(compat::wstring(u"x"));
    text.allocate_safe_array(1);
    EXPECT_EQ(text.get_type(), VT_BYTE_ARRAY);
}

TEST(ByteArray, MisuseIsAnInternalError) {
    ole_variant v;
    EXPECT_THROW(v.attach_binary(3, nullptr), tk_mail_assertion);
    ole_variant number(5);
    const void* data = nullptr;
    EXPECT_THROW(number.get_bytes(&data), tk_mail_assertion);
    ole_variant null_value;
    EXPECT_EQ(null_value.get_bytes(&data), 0u);
    EXPECT_EQ(data, nullptr);
}

TEST(Copies, SideFieldsTravel) {
    SYSTEMTIME st{2004, 5, 0, 6, 10, 11, 12, 0};
    const ole_variant values[] = {ole_variant(st),
                                  ole_variant(-9000000000LL),
                                  ole_variant(18000000000000000000ULL),
                                  ole_variant(compat::wstring(u"abc")),
                                  ole_variant(CY{12345}),
                                  ole_variant(2.25)};
    for (const ole_variant& v : values) {
        ole_variant copy(v);
        ole_variant assigned(1);
        assigned = v;
        EXPECT_EQ(copy.get_type(), v.get_type());
        EXPECT_EQ(copy.to_string(), v.to_string());
        EXPECT_EQ(assigned.get_type(), v.get_type());
        EXPECT_EQ(assigned.to_string(), v.to_string());
    }
    ole_variant date(st);
    DATE expected = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&st, &expected));
    EXPECT_DOUBLE_EQ(date.get_variant().date, expected);
}

TEST(Copies, SwapExchangesValuesWholeAndKeepsTheirStorage) {
    SYSTEMTIME st{2004, 5, 0, 6, 10, 11, 12, 0};
    const auto values = [&] {
        std::vector<ole_variant> v;
        v.emplace_back();
        v.emplace_back(st);
        v.emplace_back(-9000000000LL);
        v.emplace_back(18000000000000000000ULL);
        v.emplace_back(compat::wstring(100, u'x'));  // longer than any text kept in place
        v.emplace_back(std::vector<uint8_t>{1, 2, 3});
        v.emplace_back(CY{12345});
        v.emplace_back(2.25);
        v.push_back(ole_variant::from_wstring(u"-012.50", VT_DECIMAL));  // keeps the text it prints
        v.push_back(ole_variant::from_wstring(u"7", VT_DECIMAL));
        return v;
    };
    const auto array_bytes = [](const ole_variant& v) {
        return v.get_type() == VT_BYTE_ARRAY ? bytes_of(v) : std::vector<uint8_t>{};
    };
    const std::vector<ole_variant> expected = values();
    for (size_t i = 0; i < expected.size(); ++i)
        for (size_t j = 0; j < expected.size(); ++j) {
            SCOPED_TRACE(std::to_string(i) + " with " + std::to_string(j));
            std::vector<ole_variant> v = values();
            const void* text_i = v[i].get_type() == VT_BSTR ? v[i].get_variant().bstrVal.str().data() : nullptr;
            v[i].swap(v[j]);
            for (auto [at, was] : {std::pair{i, j}, std::pair{j, i}}) {
                EXPECT_EQ(v[at].get_type(), expected[was].get_type());
                EXPECT_EQ(v[at].to_string(), expected[was].to_string());
                EXPECT_EQ(v[at].get_i8(), expected[was].get_i8());
                EXPECT_EQ(v[at].get_ui8(), expected[was].get_ui8());
                EXPECT_EQ(array_bytes(v[at]), array_bytes(expected[was]));
            }
            if (text_i && i != j) {
                EXPECT_EQ(v[j].get_variant().bstrVal.str().data(), text_i);
            }
        }
}

TEST(Conversions, ToBoolToDoubleToLong) {
    struct {
        const char* name;
        ole_variant value;
        bool b;
        double d;
        int32_t l;
    } cases[] = {
        {"empty", ole_variant(), false, 0.0, 0},
        {"true", ole_variant(true), true, -1.0, -1},
        {"false", ole_variant(false), false, 0.0, 0},
        {"I1", ole_variant(static_cast<char>(-5)), true, -5.0, -5},
        {"UI1", ole_variant(static_cast<unsigned char>(250)), true, 250.0, 250},
        {"I2", ole_variant(static_cast<short>(-300)), true, -300.0, -300},
        {"UI2", ole_variant(static_cast<unsigned short>(60000)), true, 60000.0, 60000},
        {"I4 zero", ole_variant(0), false, 0.0, 0},
        {"UI4", ole_variant(4294967295u), true, 4294967295.0, -1},
        {"I8", ole_variant(0x100000005LL), true, 4294967301.0, 5},
        {"UI8", ole_variant(7ULL), true, 7.0, 7},
        {"R4", ole_variant(-2.75f), true, -2.75, -2},
        {"R8", ole_variant(2.75), true, 2.75, 2},
        {"R8 huge", ole_variant(1e20), true, 1e20, INT32_MAX},
        {"DECIMAL", ole_variant::from_string("2.5", VT_DECIMAL), true, 2.5, 2},
        {"DECIMAL small", ole_variant::from_string("0.4", VT_DECIMAL), false, 0.4, 0},
        {"DECIMAL huge", ole_variant::from_string("1e30", VT_DECIMAL), true, 1e30, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.to_bool(), c.b) << c.name;
        EXPECT_EQ(c.value.to_double(), c.d) << c.name;
        EXPECT_EQ(c.value.to_long(), c.l) << c.name;
    }
    ole_variant cy(CY{-15000});
    EXPECT_EQ(cy.to_double(), -1.5);
    EXPECT_THROW(cy.to_long(), tk_mail_assertion);
    EXPECT_THROW(cy.to_bool(), tk_mail_assertion);
    ole_variant text(compat::wstring(u"1"));
    EXPECT_THROW(text.to_bool(), tk_mail_assertion);
    EXPECT_THROW(text.to_double(), tk_mail_assertion);
    EXPECT_THROW(text.to_long(), tk_mail_assertion);
}

}  // namespace
