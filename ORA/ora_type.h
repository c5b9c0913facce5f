// Column buffers: one object per column of an Oracle query, chosen by the column's
// described type code. Each reads its name, nullability and size from the describe
// information, tells the data model what the column is, binds a fetch buffer of the right
// external type once, and after each fetch turns that buffer into a value.
#pragma once

#include <memory>
#include <vector>

#include "UDB/udb_sche.h"
#include "compat/oci/oci.h"
#include "compat/oleaut/vartype.h"
#include "compat/text/text.h"
#include "values/ole_var.h"

class ora_type {
public:
    ora_type(OCIParam* param, int code);
    virtual ~ora_type();
    ora_type(const ora_type&) = delete;
    ora_type& operator=(const ora_type&) = delete;

    virtual VARTYPE get_vartype() const;
    virtual std::unique_ptr<t_ftd> get_ftd() const;
    // The value of the row just fetched. out holds this column's value of an earlier row
    // (or nothing) and is replaced whole; its text or byte storage is reused where it can.
    virtual void to_variant(ole_variant& out) = 0;
    virtual void define(OCIStmt* stmt, int position) = 0;

    // The fetch cut the value to the buffer (Oracle gives the full length or -2 in the
    // indicator, or the column return code 1406).
    virtual bool is_truncated() const;
    // The column belongs to a primary or unique key. A NUMBER without precision, a DOUBLE
    // elsewhere, is read as a whole number of up to 38 digits instead (a DOUBLE holds 15
    // digits exactly, so longer keys would meet); a value with a fraction or more digits
    // is then an error of its record. True when the column changed so.
    virtual bool hold_whole_key() { return false; }
    bool is_null() const { return indicator_ == -1; }

    const compat::wstring& name() const { return name_; }
    bool nullable() const { return nullable_ != 0; }
    int size() const { return size_; }
    void set_size(int size) { size_ = size; }
    int type_code() const { return code_; }
    // The size counts characters as the column declares them (VARCHAR2(n CHAR), NVARCHAR2),
    // not bytes of the database character set.
    bool sized_in_chars() const { return sized_in_chars_; }
    // SQLCS_NCHAR for the national kinds, SQLCS_IMPLICIT otherwise.
    ub1 charset_form() const { return charset_form_; }

protected:
    // Reads the column's character set form from the describe information.
    void read_charset_form(OCIParam* param);
    // OCIDefineByPos on this column's define handle, indicator and return code (and the
    // national character set form where the column has it).
    void define_buffer(OCIStmt* stmt, int position, void* buffer, sb4 size, ub2 type, ub2* length = nullptr);

    OCIDefine* define_ = nullptr;
    compat::wstring name_;
    ub1 nullable_ = 0;
    int size_ = 0;
    int code_ = 0;
    // SQLCS_NCHAR for the national kinds (NCHAR, NVARCHAR2, NCLOB), which the define must
    // say so that the client reads them in the national character set.
    ub1 charset_form_ = SQLCS_IMPLICIT;
    bool sized_in_chars_ = false;
    sb2 indicator_ = 0;
    ub2 return_code_ = 0;
};

// VARCHAR2, CHAR and string columns: fetched as UTF-16 with the returned length, so that a
// zero character inside a value is part of it.
class ora_string : public ora_type {
public:
    ora_string(OCIParam* param, int code);
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int position) override;

private:
    std::vector<compat::wchar> buffer_;
    ub2 length_ = 0;  // bytes
};

// NUMBER and the other numeric codes: fetched as the text the server prints, read into the
// value type that precision and scale call for.
class ora_number : public ora_type {
public:
    ora_number(OCIParam* param, int code);
    VARTYPE get_vartype() const override { return vartype_; }
    std::unique_ptr<t_ftd> get_ftd() const override;
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int position) override;

    int precision() const { return precision_; }
    int scale() const { return scale_; }
    bool hold_whole_key() override;

    // Digits of the whole numbers a key column of NUMBER without precision holds.
    static constexpr int whole_key_digits = 38;

private:
    int precision_ = 0;
    int scale_ = 0;
    VARTYPE vartype_ = VT_DECIMAL;
    bool unconstrained_ = false;  // NUMBER without precision
    int beyond_decimal_ = 0;      // the detail of a NUMBER that no DECIMAL holds
    bool whole_key_ = false;
    std::vector<compat::wchar> buffer_;
};

// BINARY_FLOAT and BINARY_DOUBLE: fetched as the native float or double, so the value
// arrives as the server holds it, without a trip through decimal text.
class ora_binary_float : public ora_type {
public:
    ora_binary_float(OCIParam* param, int code);
    VARTYPE get_vartype() const override { return is_double() ? VT_R8 : VT_R4; }
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int position) override;

private:
    bool is_double() const { return code_ == SQLT_BDOUBLE; }
    double double_ = 0;
    float float_ = 0;
};

// Columns read as their text: ROWID and INTERVAL.
class ora_str_repr : public ora_type {
public:
    ora_str_repr(OCIParam* param, int code, int maximum);
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int position) override;

private:
    std::vector<compat::wchar> buffer_;
};

// LONG and LONG RAW: fetched piecewise (a dynamic define), so that a value of any length
// arrives whole: LONG as UTF-16 text, LONG RAW as its bytes. A value longer than its MySQL
// column holds (LONGTEXT and LONGBLOB: 4,294,967,295 bytes) fails its record with its size.
class ora_long : public ora_type {
public:
    // Characters of a LONG, bytes of a LONG RAW that a LONGTEXT or LONGBLOB column holds at
    // most (a LONGTEXT character takes at least one of its bytes).
    static constexpr uint64_t column_limit = 4294967295u;

    ora_long(OCIParam* param, int code, uint64_t limit = column_limit);
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int position) override;
    bool is_truncated() const override { return false; }

private:
    static sb4 next_piece(void* context, OCIDefine*, ub4, void** buffer, ub4** length, ub1* piece, void** indicator,
                          ub2** rcode);
    bool is_raw() const { return code_ == SQLT_LBI; }
    size_t unit() const { return is_raw() ? 1 : sizeof(compat::wchar); }

    uint64_t limit_;
    std::vector<uint8_t> value_;  // the row's pieces end to end; kept for the next rows
    size_t kept_ = 0;             // bytes of value_ before the piece being filled
    uint64_t seen_ = 0;           // bytes the client delivered before that piece, kept or not
    ub4 piece_length_ = 0;        // the piece's size, then what the client wrote into it
    bool spilling_ = false;       // the piece goes to spill_: the value is past the limit
    std::vector<uint8_t> spill_;  // where the pieces past the limit go, only to be counted
};

// DATE and the TIMESTAMP kinds: fetched as the 7-byte DATE.
class ora_date : public ora_type {
public:
    ora_date(OCIParam* param, int code);
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int position) override;

private:
    ub1 buffer_[7] = {};
};

// TIMESTAMP, TIMESTAMP WITH TIME ZONE and WITH LOCAL TIME ZONE: fetched into a datetime
// descriptor, whose date and time of day are read with OCIDateTimeGetDate/GetTime (the
// documentation does not promise the time of day for a TIMESTAMP defined as DATE). The
// fraction of a second and the zone are not carried.
class ora_timestamp : public ora_type {
public:
    ora_timestamp(OCIParam* param, int code);
    ~ora_timestamp() override;
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int position) override;

private:
    ub4 descriptor_type() const;
    OCIDateTime* datetime_ = nullptr;
};

// RAW: exactly the bytes the server returns.
class ora_binary : public ora_type {
public:
    ora_binary(OCIParam* param, int code);
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int position) override;

private:
    std::vector<uint8_t> buffer_;
    ub2 length_ = 0;
};

// CLOB and BLOB: a locator per column, the value read in chunks per row.
class ora_lob : public ora_type {
public:
    static constexpr ub4 chunk = 32768;  // characters of a CLOB, bytes of a BLOB

    ora_lob(OCIParam* param, int code);
    ~ora_lob() override;
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int position) override;
    bool is_truncated() const override { return false; }

private:
    OCILobLocator* locator_ = nullptr;
};

// BFILE: a file outside the database, whose contents are not read. A value is the text of
// an unsupported type; a NULL stays NULL, so the column keeps its nullability.
class ora_bfile : public ora_type {
public:
    ora_bfile(OCIParam* param, int code);
    ~ora_bfile() override;
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int position) override;
    bool is_truncated() const override { return false; }

private:
    OCILobLocator* locator_ = nullptr;
};

// Any type the reader does not handle: the same text in every row, never NULL.
class ora_dummy : public ora_type {
public:
    ora_dummy(OCIParam* param, int code);
    void to_variant(ole_variant& out) override;
    void define(OCIStmt*, int) override {}
    bool is_truncated() const override { return false; }
};

using ora_columns = std::vector<std::unique_ptr<ora_type>>;

// The column object for a described type code.
std::unique_ptr<ora_type> ora_make_column(OCIParam* param, int code);

// One fetched row as a data-model record: one field per column, made once and refilled
// for every row, so that a row costs no allocations of names or fields. A value that the
// fetch cut raises ora_value_exception (ORA-01406) instead of arriving short.
class ora_record : public udb_record {
public:
    // The fields, named and sized after the columns, all NULL until the first refill.
    explicit ora_record(const ora_columns& columns);
    // The values of the row just fetched, in place of the earlier row's.
    void refill(const ora_columns& columns);
};
