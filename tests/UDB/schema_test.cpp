#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "TK/tk_excep.h"
#include "UDB/udb_sche.h"

using compat::wstring;

namespace {

std::string assertion_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const tk_mail_assertion& e) {
        return e.what();
    }
    return "no assertion";
}

class schema_fixture : public ::testing::Test {
protected:
    schema_fixture() {
        schema.push_back(std::make_unique<t_ftd>(10, u"Id", VT_I4, true, true));
        schema.push_back(std::make_unique<t_ftd>(30, u"NAME", VT_BSTR, false, false, ole_variant(u"x")));
        schema.push_back(std::make_unique<t_ftd>(99, u"name", VT_R8, false, false));  // shadowed duplicate
    }
    udb_schema schema;
};

TEST_F(schema_fixture, lookups_without_case_take_the_first_match) {
    struct {
        wstring name;
        int idx;
    } cases[] = {{u"ID", 0}, {u"id", 0}, {u"Name", 1}, {u"name", 1}, {u"none", -1}, {u"", -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(schema.get_field_idx(c.name), c.idx) << compat::utf16_to_utf8(c.name);
        EXPECT_EQ(schema.find_field(c.name), c.idx >= 0) << compat::utf16_to_utf8(c.name);
    }
    EXPECT_EQ(schema.get_field(u"nAmE").size, 30);
    EXPECT_EQ(schema.get_field_size(u"name"), 30);
    EXPECT_EQ(schema.get_field_type(u"NAME"), VT_BSTR);
    EXPECT_EQ(&schema.get_field(u"ID"), schema[0].get());
}

TEST_F(schema_fixture, missing_names_are_internal_errors) {
    struct {
        std::function<void()> lookup;
        int line;
    } cases[] = {
        {[&] { schema.get_field(u"X"); }, 309},
        {[&] { schema.get_field_size(u"X"); }, 339},
        {[&] { schema.get_field_type(u"X"); }, 355},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(assertion_of(c.lookup), tk_assertion_text("udb_sche", c.line)) << c.line;
    }
    EXPECT_THROW(schema.at(3), std::out_of_range);
}

TEST(udb_schema_test, owns_its_columns) {
    t_ftd kept(1, u"A", VT_I4, false, false);
    {
        udb_schema owner;
        owner.push_back(std::make_unique<t_ftd>(kept));
        EXPECT_NE(owner[0].get(), &kept);
    }
    EXPECT_EQ(kept.name, u"A");  // the copy went with the schema; a leak or double free shows under ASan
}

TEST(t_ftd_test, fields_and_deep_copy) {
    const uint8_t bytes[] = {1, 2, 3};
    auto original = std::make_unique<t_ftd>(0, u"B", VT_BLOB, true, false, ole_variant(sizeof bytes, bytes), 7);
    t_ftd copy(*original);
    EXPECT_TRUE(copy.b_not_null);
    EXPECT_FALSE(copy.b_auto_increment);
    EXPECT_EQ(copy.reserved, 7);
    EXPECT_EQ(copy.vartype, VT_BLOB);
    const void* a = nullptr;
    const void* b = nullptr;
    ASSERT_EQ(original->def_value.get_bytes(&a), 3u);
    ASSERT_EQ(copy.def_value.get_bytes(&b), 3u);
    EXPECT_NE(a, b);
    original.reset();
    EXPECT_EQ(std::memcmp(b, bytes, 3), 0);
    EXPECT_EQ(copy.def_value.to_string(), "0x010203");
}

// The detail word's layout is what both sides read and write: precision in bits 8-15,
// scale in bits 0-7, the beyond-decimal flag above them.
TEST(t_ftd_test, decimal_detail_round_trips_within_a_byte_each) {
    struct {
        int precision;
        int scale;
        int reserved;
    } cases[] = {
        {0, 0, 0},        {1, 0, 0x0100},     {38, 0, 0x2600},    {38, 10, 0x260A},
        {65, 30, 0x411E}, {127, 127, 0x7F7F}, {255, 255, 0xFFFF}, {0, 255, 0x00FF},
    };
    for (const auto& c : cases) {
        const int reserved = udb_decimal_reserved(c.precision, c.scale);
        EXPECT_EQ(reserved, c.reserved) << c.precision << "," << c.scale;
        EXPECT_EQ(udb_decimal_precision(reserved), c.precision) << c.precision << "," << c.scale;
        EXPECT_EQ(udb_decimal_scale(reserved), c.scale) << c.precision << "," << c.scale;
        EXPECT_FALSE(udb_is_beyond_decimal(VT_R8, reserved)) << c.precision << "," << c.scale;
    }
    // a precision past one byte must not spill into the flag above it
    EXPECT_FALSE(udb_is_beyond_decimal(VT_R8, udb_decimal_reserved(256, 0)));
    EXPECT_EQ(udb_decimal_scale(udb_decimal_reserved(1, 256)), 0);
}

TEST(t_ftd_test, beyond_decimal_detail_keeps_a_negative_scale) {
    struct {
        int precision;
        int scale;
    } cases[] = {{66, 0}, {38, 31}, {127, -84}, {255, 127}, {0, -127}};
    for (const auto& c : cases) {
        const int reserved = udb_beyond_decimal_reserved(c.precision, c.scale);
        EXPECT_TRUE(udb_is_beyond_decimal(VT_R8, reserved)) << c.precision << "," << c.scale;
        EXPECT_FALSE(udb_is_beyond_decimal(VT_DECIMAL, reserved)) << c.precision << "," << c.scale;
        EXPECT_EQ(udb_beyond_decimal_precision(reserved), c.precision) << c.precision << "," << c.scale;
        EXPECT_EQ(udb_beyond_decimal_scale(reserved), c.scale) << c.precision << "," << c.scale;
        EXPECT_EQ(udb_decimal_precision(reserved), c.precision) << "same layout as a decimal";
    }
}

// Counts destructions to show that a record deletes each field once.
class counted_field : public udb_field {
public:
    counted_field(const wstring& name, int* deaths) : udb_field(name, 4, ole_variant(1)), deaths_(deaths) {}
    ~counted_field() override { ++*deaths_; }

private:
    int* deaths_;
};

TEST(udb_record_test, owns_its_fields) {
    int deaths = 0;
    {
        udb_record rec;
        rec.push_back(std::make_unique<counted_field>(u"A", &deaths));
        rec.push_back(std::make_unique<counted_field>(u"b", &deaths));
        EXPECT_TRUE(rec.find_field(u"B"));
        EXPECT_FALSE(rec.find_field(u"C"));
        EXPECT_EQ(rec[1]->name, u"b");
        EXPECT_THROW(rec.at(2), std::out_of_range);
    }
    EXPECT_EQ(deaths, 2);
}

TEST(udb_field_test, value_name_and_type) {
    udb_field f(u"N", 22, ole_variant(u"text"));
    const ole_variant& as_value = f;
    EXPECT_EQ(f.get_type(), VT_BSTR);
    EXPECT_EQ(as_value.to_wstring(), u"text");
    EXPECT_EQ(f.size, 22);
    EXPECT_FALSE(f.flag1 || f.flag2);
    udb_field null_field(u"E", 0, ole_variant());
    EXPECT_EQ(null_field.get_type(), VT_EMPTY);
}

}  // namespace
