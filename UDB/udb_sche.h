// The database-neutral description of a table (t_ftd columns in a udb_schema) and of one
// row (udb_field values in a udb_record).
#pragma once

#include <memory>
#include <vector>

#include "compat/oleaut/vartype.h"
#include "compat/text/text.h"
#include "values/ole_date.h"
#include "values/ole_var.h"

// One column.
class t_ftd {
public:
    // Note the order: not-null before auto-increment.
    t_ftd(int size, const compat::wstring& name, VARTYPE vartype, bool b_not_null, bool b_auto_increment,
          const ole_variant& def_value = ole_variant(), int reserved = 0);
    t_ftd(const t_ftd& other);  // the default value deeply
    t_ftd& operator=(const t_ftd& other) = default;
    ~t_ftd() = default;

    int size;  // length as the source reports it; 0 = unlimited or unknown
    compat::wstring name;
    VARTYPE vartype;        // VT_BLOB marks a binary column
    bool b_auto_increment;  // filled by the destination
    bool b_not_null;
    ole_variant def_value;  // VT_EMPTY = no default
    // Type detail: VT_DECIMAL precision << 8 | scale (see udb_decimal_reserved); VT_DATE
    // the date kind in bits 0-1 (see udb_date_kind_of).
    int reserved;
};

// The precision (bits 8-15) and scale (bits 0-7) a VT_DECIMAL column keeps in its reserved
// detail, and the detail that keeps them; each is one byte, 0 to 255.
inline constexpr int udb_decimal_reserved(int precision, int scale) { return (precision & 0xFF) << 8 | (scale & 0xFF); }
inline constexpr int udb_decimal_precision(int reserved) { return (reserved >> 8) & 0xFF; }
inline constexpr int udb_decimal_scale(int reserved) { return reserved & 0xFF; }

// A VT_R8 column that stands for a NUMBER whose precision and scale no MySQL DECIMAL holds
// keeps them in its detail word (flag | the decimal's layout, the scale a signed byte), so
// that the destination can tell why the column is a DOUBLE.
inline constexpr int udb_beyond_decimal = 0x10000;
inline constexpr int udb_beyond_decimal_reserved(int precision, int scale) {
    return udb_beyond_decimal | udb_decimal_reserved(precision, scale);
}
inline bool udb_is_beyond_decimal(VARTYPE type, int reserved) {
    return type == VT_R8 && (reserved & udb_beyond_decimal) != 0;
}
inline constexpr int udb_beyond_decimal_precision(int reserved) { return udb_decimal_precision(reserved); }
inline constexpr int udb_beyond_decimal_scale(int reserved) {
    return static_cast<signed char>(udb_decimal_scale(reserved));
}

// The date kind a VT_DATE column keeps in bits 0-1 of its reserved detail (none: CHAR(19)),
// and the detail that keeps a kind.
inline date_kind udb_date_kind_of(int reserved) { return static_cast<date_kind>(reserved & 3); }
inline int udb_date_reserved(date_kind kind) { return static_cast<int>(kind); }

// A table's columns in order; it owns its descriptors.
class udb_schema {
public:
    using list_type = std::vector<std::unique_ptr<t_ftd>>;

    udb_schema() = default;
    udb_schema(const udb_schema&) = delete;
    udb_schema& operator=(const udb_schema&) = delete;

    // Some column has that name (without case).
    bool find_field(const compat::wstring& name) const;
    // Index of the first column of that name (without case), or -1.
    int get_field_idx(const compat::wstring& name) const;
    // The first column of that name (without case); a missing one is an internal error.
    t_ftd& get_field(const compat::wstring& name) const;
    int get_field_size(const compat::wstring& name) const;
    VARTYPE get_field_type(const compat::wstring& name) const;

    void push_back(std::unique_ptr<t_ftd> field);
    size_t size() const { return fields_.size(); }
    bool empty() const { return fields_.empty(); }
    const std::unique_ptr<t_ftd>& operator[](size_t i) const { return fields_.at(i); }
    const std::unique_ptr<t_ftd>& at(size_t i) const { return fields_.at(i); }
    list_type::const_iterator begin() const { return fields_.begin(); }
    list_type::const_iterator end() const { return fields_.end(); }

private:
    list_type fields_;
};

// One cell: the value with its column's name and size.
class udb_field : public ole_variant {
public:
    udb_field(const compat::wstring& name, int size, const ole_variant& value, bool flag1 = false, bool flag2 = false);
    udb_field(const udb_field&) = default;
    udb_field& operator=(const udb_field&) = default;
    ~udb_field() override = default;

    virtual VARTYPE get_type() const;

    int size;
    compat::wstring name;
    // Carried as given; every caller passes false.
    bool flag1;
    bool flag2;
};

// One row; it owns its fields.
class udb_record {
public:
    using list_type = std::vector<std::unique_ptr<udb_field>>;

    udb_record() = default;
    virtual ~udb_record() = default;
    udb_record(const udb_record&) = delete;
    udb_record& operator=(const udb_record&) = delete;

    // Some field has that name (without case).
    bool find_field(const compat::wstring& name) const;

    void push_back(std::unique_ptr<udb_field> field);
    size_t size() const { return fields_.size(); }
    bool empty() const { return fields_.empty(); }
    const std::unique_ptr<udb_field>& operator[](size_t i) const { return fields_.at(i); }
    const std::unique_ptr<udb_field>& at(size_t i) const { return fields_.at(i); }
    list_type::const_iterator begin() const { return fields_.begin(); }
    list_type::const_iterator end() const { return fields_.end(); }

private:
    list_type fields_;
};
