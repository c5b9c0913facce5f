#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "compat/oleaut/oleaut.h"

namespace {

compat::wstring w(const char* s) { return compat::wstring(s, s + std::char_traits<char>::length(s)); }

VARIANT text_variant(const char* s) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal.assign(w(s));
    return v;
}

TEST(Bstr, NullAndEmptyDiffer) {
    compat::bstr null_text = SysAllocString(nullptr);
    compat::bstr empty = SysAllocString(u"");
    EXPECT_TRUE(null_text.is_null());
    EXPECT_EQ(null_text.c_str(), nullptr);
    EXPECT_FALSE(empty.is_null());
    ASSERT_NE(empty.c_str(), nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    EXPECT_FALSE(null_text == empty);
    EXPECT_EQ(SysAllocStringLen(u"abcdef", 3).str(), u"abc");
    EXPECT_EQ(SysAllocStringLen(nullptr, 2).str(), compat::wstring(2, u'\0'));
}

TEST(SafeArray, BoundsCopyAndRedim) {
    compat::safe_array_ptr a = SafeArrayCreateVector(VT_UI1, 5, 3);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->bytes, (std::vector<uint8_t>{0, 0, 0}));
    int32_t lower = 0, upper = 0;
    ASSERT_EQ(SafeArrayGetLBound(a.get(), 1, &lower), S_OK);
    ASSERT_EQ(SafeArrayGetUBound(a.get(), 1, &upper), S_OK);
    EXPECT_EQ(lower, 5);
    EXPECT_EQ(upper, 7);
    EXPECT_EQ(SafeArrayGetLBound(a.get(), 2, &lower), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetDim(a.get()), 1u);
    EXPECT_FALSE(SafeArrayCreateVector(VT_I4, 0, 3));

    a->bytes = {1, 2, 3};
    compat::safe_array_ptr copy;
    ASSERT_EQ(SafeArrayCopy(a.get(), &copy), S_OK);
    a->bytes[0] = 9;
    SafeArrayDestroy(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(copy->bytes, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(copy->lower_bound, 5);

    SAFEARRAYBOUND bound{5, 5};
    ASSERT_EQ(SafeArrayRedim(copy.get(), &bound), S_OK);
    EXPECT_EQ(copy->bytes, (std::vector<uint8_t>{1, 2, 3, 0, 0}));

    compat::safe_array_ptr empty = SafeArrayCreateVector(VT_UI1, 0, 0);
    ASSERT_EQ(SafeArrayGetUBound(empty.get(), 1, &upper), S_OK);
    EXPECT_EQ(upper, -1);

    compat::safe_array_ptr none = std::move(copy);
    ASSERT_EQ(SafeArrayCopy(nullptr, &none), S_OK);
    EXPECT_FALSE(none);
}

TEST(Variant, CopyIsDeep) {
    VARIANT a = text_variant("abc");
    VARIANT b;
    ASSERT_EQ(VariantCopy(&b, &a), S_OK);
    a.bstrVal.assign(w("changed"));
    EXPECT_EQ(b.bstrVal.str(), u"abc");

    VARIANT bytes;
    bytes.vt = VT_ARRAY | VT_UI1;
    bytes.parray = SafeArrayCreateVector(VT_UI1, 0, 2);
    VARIANT c;
    ASSERT_EQ(VariantCopy(&c, &bytes), S_OK);
    VariantClear(&bytes);
    EXPECT_EQ(bytes.vt, VT_EMPTY);
    EXPECT_FALSE(bytes.parray);
    ASSERT_TRUE(c.parray);
    EXPECT_EQ(c.parray->bytes.size(), 2u);
}

struct change_case {
    const char* text;
    VARTYPE vt;
    HRESULT hr;
    double value;  // the result read back as a number
};

double number_of(const VARIANT& v) {
    switch (v.vt) {
        case VT_I1:
            return v.cVal;
        case VT_UI1:
            return v.bVal;
        case VT_I2:
            return v.iVal;
        case VT_UI2:
            return v.uiVal;
        case VT_I4:
            return v.lVal;
        case VT_UI4:
            return v.ulVal;
        case VT_INT:
            return v.intVal;
        case VT_UINT:
            return v.uintVal;
        case VT_I8:
            return static_cast<double>(v.llVal);
        case VT_UI8:
            return static_cast<double>(v.ullVal);
        case VT_R4:
            return v.fltVal;
        case VT_R8:
            return v.dblVal;
        case VT_BOOL:
            return v.boolVal;
        case VT_CY: {
            double r;
            VarR8FromCy(v.cyVal, &r);
            return r;
        }
        case VT_DECIMAL: {
            double r;
            VarR8FromDec(&v.decVal, &r);
            return r;
        }
        case VT_DATE:
            return v.date;
        default:
            return NAN;
    }
}

TEST(Variant, ChangeTextToTypes) {
    const change_case cases[] = {
        {"12", VT_I4, S_OK, 12},
        {" -12 ", VT_I4, S_OK, -12},
        {"2.5", VT_I4, S_OK, 2},
        {"3.5", VT_I4, S_OK, 4},
        {".5", VT_R8, S_OK, 0.5},
        {"2147483647", VT_INT, S_OK, 2147483647},
        {"3000000000", VT_I4, DISP_E_OVERFLOW, 0},
        {"3000000000", VT_UINT, S_OK, 3000000000.0},
        {"255", VT_UI1, S_OK, 255},
        {"256", VT_UI1, DISP_E_OVERFLOW, 0},
        {"-1", VT_UI4, DISP_E_OVERFLOW, 0},
        {"-128", VT_I1, S_OK, -128},
        {"18446744073709551615", VT_UI8, S_OK, 18446744073709551615.0},
        {"1e400", VT_R8, DISP_E_OVERFLOW, 0},
        {"1e39", VT_R4, DISP_E_OVERFLOW, 0},
        {"1.25", VT_CY, S_OK, 1.25},
        {".125", VT_DECIMAL, S_OK, 0.125},
        {"True", VT_BOOL, S_OK, -1},
        {"false", VT_BOOL, S_OK, 0},
        {"7", VT_BOOL, S_OK, -1},
        {"1/1/1900", VT_DATE, S_OK, 2},
        {"abc", VT_I4, DISP_E_TYPEMISMATCH, 0},
        {"abc", VT_BOOL, DISP_E_TYPEMISMATCH, 0},
        {"abc", VT_DATE, DISP_E_TYPEMISMATCH, 0},
        {"abc", VT_ERROR, DISP_E_TYPEMISMATCH, 0},
        {"abc", VT_BLOB_OBJECT, DISP_E_TYPEMISMATCH, 0},
        {"abc", VT_VARIANT, DISP_E_TYPEMISMATCH, 0},
    };
    for (const auto& c : cases) {
        VARIANT src = text_variant(c.text);
        VARIANT dest;
        dest.vt = VT_I2;
        dest.iVal = 77;
        HRESULT hr = VariantChangeType(&dest, &src, 0, c.vt);
        ASSERT_EQ(hr, c.hr) << c.text << " to " << c.vt;
        if (hr == S_OK) {
            EXPECT_EQ(dest.vt, c.vt) << c.text;
            EXPECT_EQ(number_of(dest), c.value) << c.text;
        } else {
            EXPECT_EQ(dest.vt, VT_I2) << "a failed change leaves the target alone";
            EXPECT_EQ(dest.iVal, 77);
        }
    }
}

TEST(Variant, ChangeToTextAndBetweenNumbers) {
    VARIANT cy;
    cy.vt = VT_CY;
    cy.cyVal.int64 = 15000;
    ASSERT_EQ(VariantChangeType(&cy, &cy, 0, VT_BSTR), S_OK);  // in place
    EXPECT_EQ(cy.vt, VT_BSTR);
    EXPECT_EQ(cy.bstrVal.str(), u"1.5");

    VARIANT r8;
    r8.vt = VT_R8;
    r8.dblVal = 0.1 + 0.2;
    VARIANT out;
    ASSERT_EQ(VariantChangeType(&out, &r8, 0, VT_BSTR), S_OK);
    EXPECT_EQ(out.bstrVal.str(), u"0.3");
    ASSERT_EQ(VariantChangeType(&out, &r8, 0, VT_DECIMAL), S_OK);
    char buffer[compat::decimal_text_max];
    EXPECT_EQ(std::string(buffer, compat::decimal_to_chars(out.decVal, buffer)), "0.30000000000000004");

    VARIANT i4;
    i4.vt = VT_I4;
    i4.lVal = 70000;
    EXPECT_EQ(VariantChangeType(&out, &i4, 0, VT_I2), DISP_E_OVERFLOW);
    ASSERT_EQ(VariantChangeType(&out, &i4, 0, VT_R8), S_OK);
    EXPECT_EQ(out.dblVal, 70000.0);

    VARIANT empty;
    ASSERT_EQ(VariantChangeType(&out, &empty, 0, VT_BSTR), S_OK);
    EXPECT_FALSE(out.bstrVal.is_null());
    EXPECT_EQ(out.bstrVal.length(), 0u);

    VARIANT null_value;
    null_value.vt = VT_NULL;
    EXPECT_EQ(VariantChangeType(&out, &null_value, 0, VT_BSTR), DISP_E_TYPEMISMATCH);

    VARIANT text = text_variant("x");
    ASSERT_EQ(VariantChangeType(&text, &text, 0, VT_EMPTY), S_OK);
    EXPECT_EQ(text.vt, VT_EMPTY);
    EXPECT_TRUE(text.bstrVal.is_null());
}

}  // namespace
