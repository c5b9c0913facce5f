#include "ORA/ora_type.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "ORA/ora_engi.h"
#include "ORA/ora_numt.h"
#include "ORA/ora_util.h"
#include "TK/tk_trace.h"
#include "compat/oleaut/systemtime.h"
#include "values/ole_numtext.h"

namespace {

// Describe attributes come in widths that vary by attribute and client; each is read into
// a zeroed 32-bit field and taken at the width it has.
ub4 param_attr(OCIParam* param, ub4 attribute) {
    ora_engine& e = ora_engine::instance();
    ub4 value = 0;
    e.check_status(e.oci().OCIAttrGet(param, OCI_DTYPE_PARAM, &value, nullptr, attribute, e.err()));
    return value;
}

// Oracle's LONG and LONG RAW hold up to 2 GB: their MySQL columns are LONGTEXT and LONGBLOB.
constexpr int long_size = std::numeric_limits<int>::max();
// The first piece of a LONG value, in bytes; later pieces are as large as the value so far.
constexpr size_t long_piece = size_t{64} * 1024;
constexpr int rowid_maximum = 255;
// An INTERVAL DAY(9) TO SECOND(9) prints as "+000000000 00:00:00.000000000" (29 characters).
constexpr int interval_maximum = 64;

constexpr const char16_t* unsupported_text = u"<unsupported type>";

// The TIMESTAMP kinds: 180, 181 and 231 as a select list describes them, 187, 188 and 232
// as their external types.
bool is_timestamp_code(int code) {
    switch (code) {
        case 180:
        case 181:
        case 187:
        case 188:
        case 231:
        case 232:
            return true;
        default:
            return false;
    }
}

}  // namespace

// ---- base ------------------------------------------------------------------------------

ora_type::ora_type(OCIParam* param, int code) : code_(code) {
    tk_log::log(1, "ora_type::ctor(%d)", code);
    tk_log::log(1, "Step #1");
    ora_engine& e = ora_engine::instance();
    void* text = nullptr;
    ub4 length = 0;
    e.check_status(e.oci().OCIAttrGet(param, OCI_DTYPE_PARAM, &text, &length, OCI_ATTR_NAME, e.err()));
    if (text && length >= 2) {
        name_.resize(length / 2);
        std::memcpy(name_.data(), text, size_t{length / 2} * 2);
    }
    tk_log::log(1, u"AS WCHAR*: %s", name_);
    nullable_ = static_cast<ub1>(param_attr(param, OCI_ATTR_IS_NULL) & 0xFF);
    tk_log::log(1, "Step #3");
}

ora_type::~ora_type() {
    tk_log::log(1, "ora_type::dtor");
    if (define_) {
        if (ora_engine* e = ora_engine::try_get(); e && e->is_initialized())
            e->oci().OCIHandleFree(define_, OCI_HTYPE_DEFINE);
    }
}

VARTYPE ora_type::get_vartype() const {
    tk_log::log(1, "ora_type::get_vartype()");
    if (is_timestamp_code(code_)) return VT_DATE;
    switch (code_) {
        case 2:
        case 4:
        case 6:
        case 7:
            return VT_R8;
        case 3:
            return VT_I4;
        case 12:
            return VT_DATE;
        case 23:
        case 24:
        case 113:
        case 114:
            return VT_BLOB;
        default:
            return VT_BSTR;
    }
}

std::unique_ptr<t_ftd> ora_type::get_ftd() const {
    tk_log::log(1, "ora_type::get_ftd");
    VARTYPE vt = get_vartype();
    tk_log::log(1, u"Got field '%s', type=%d, vartype=%d, lenght=%d, nullable=%d", name_, code_, vt, size_, nullable_);
    return std::make_unique<t_ftd>(size_, name_, vt, nullable_ == 0, false, ole_variant(),
                                   vt == VT_DATE ? udb_date_reserved(date_kind::datetime) : 0);
}

bool ora_type::is_truncated() const { return indicator_ == -2 || indicator_ > 0 || return_code_ == 1406; }

void ora_type::read_charset_form(OCIParam* param) {
    if ((param_attr(param, OCI_ATTR_CHARSET_FORM) & 0xFF) == SQLCS_NCHAR) charset_form_ = SQLCS_NCHAR;
}

void ora_type::define_buffer(OCIStmt* stmt, int position, void* buffer, sb4 size, ub2 type, ub2* length) {
    ora_engine& e = ora_engine::instance();
    e.check_status(e.oci().OCIDefineByPos(stmt, &define_, e.err(), static_cast<ub4>(position), buffer, size, type,
                                          &indicator_, length, &return_code_, OCI_DEFAULT));
    if (charset_form_ == SQLCS_NCHAR) {
        ub1 form = SQLCS_NCHAR;
        e.check_status(e.oci().OCIAttrSet(define_, OCI_HTYPE_DEFINE, &form, 0, OCI_ATTR_CHARSET_FORM, e.err()));
    }
}

// ---- text ------------------------------------------------------------------------------

ora_string::ora_string(OCIParam* param, int code) : ora_type(param, code) {
    tk_log::log(1, "ora_string::ctor");
    read_charset_form(param);
    code_ = SQLT_STR;
    const int bytes = static_cast<int>(param_attr(param, OCI_ATTR_DATA_SIZE) & 0xFFFF);
    size_ = bytes;
    // A length in characters is the column's size; the byte size counts up to four bytes
    // per character of the database character set and would widen (or drop) the column.
    if ((param_attr(param, OCI_ATTR_CHAR_USED) & 0xFF) != 0) {
        const int chars = static_cast<int>(param_attr(param, OCI_ATTR_CHAR_SIZE) & 0xFFFF);
        if (chars > 0) {
            size_ = chars;
            sized_in_chars_ = true;
        }
    }
    // Room for the longest value in UTF-16: a character takes at most two units, and no
    // more units than the database character set takes bytes.
    buffer_.assign(static_cast<size_t>(std::max(bytes, 2 * size_)) + 1, 0);
}

void ora_string::define(OCIStmt* stmt, int position) {
    tk_log::log(1, "ora_string::define(%d)", position);
    define_buffer(stmt, position, buffer_.data(), static_cast<sb4>(buffer_.size() * 2), SQLT_CHR, &length_);
}

void ora_string::to_variant(ole_variant& out) {
    if (buffer_.empty()) tk_fail(tk_where::ora_type_h, 70);
    const size_t units = std::min<size_t>(length_ / 2, buffer_.size());
    out.attach_wstring(compat::wstring_view(buffer_.data(), units));
}

// ---- numbers ---------------------------------------------------------------------------

ora_number::ora_number(OCIParam* param, int code) : ora_type(param, code) {
    tk_log::log(1, "ora_number::ctor");
    code_ = SQLT_NUM;
    int precision = static_cast<sb2>(param_attr(param, OCI_ATTR_PRECISION) & 0xFFFF);
    // The scale is a signed byte (-84 to 127): its sign is meant to carry over.
    int scale = static_cast<sb1>(param_attr(param, OCI_ATTR_SCALE) & 0xFF);  // NOLINT(bugprone-signed-char-misuse)
    tk_log::log(1, "Prec=%d, scale=%d", precision, scale);
    ora::number_type t = ora::refine_number_vartype(precision, scale);
    unconstrained_ = precision == 0 && scale == ora::float_scale;
    if (t.beyond_decimal) beyond_decimal_ = udb_beyond_decimal_reserved(precision, scale);
    precision_ = t.precision;
    scale_ = t.scale;
    vartype_ = t.vartype;
    buffer_.assign(255, 0);
}

std::unique_ptr<t_ftd> ora_number::get_ftd() const {
    tk_log::log(1, "ora_number::get_ftd");
    int detail = vartype_ == VT_DECIMAL ? udb_decimal_reserved(precision_, scale_) : beyond_decimal_;
    return std::make_unique<t_ftd>(0, name_, vartype_, nullable_ == 0, false, ole_variant(), detail);
}

void ora_number::define(OCIStmt* stmt, int position) {
    tk_log::log(1, "ora_number::define(%d)", position);
    define_buffer(stmt, position, buffer_.data(), static_cast<sb4>(buffer_.size() * 2), SQLT_STR);
}

bool ora_number::hold_whole_key() {
    if (!unconstrained_ || whole_key_) return false;
    tk_log::log(1, u"Key column %s of NUMBER: whole numbers of up to 38 digits", name_);
    whole_key_ = true;
    vartype_ = VT_DECIMAL;
    precision_ = whole_key_digits;
    scale_ = 0;
    return true;
}

void ora_number::to_variant(ole_variant& out) {
    buffer_.back() = 0;
    const compat::wstring_view text(buffer_.data());
    if (!whole_key_) {
        out = ole_variant::from_wstring(text, vartype_);
        return;
    }
    // rounded, the value would be another key, or meet one
    const std::string whole = ole_whole_number(text);
    const size_t digits = whole.size() - (whole.starts_with('-') ? 1 : 0);
    if (whole.empty() || digits > static_cast<size_t>(whole_key_digits))
        throw ora_value_exception(0, compat::format("The key column %s holds whole numbers of up to %d digits; %s is "
                                                    "not one",
                                                    name_, whole_key_digits, text));
    out = ole_variant::from_string(whole, VT_DECIMAL);
}

// ---- binary floating point --------------------------------------------------------------

ora_binary_float::ora_binary_float(OCIParam* param, int code) : ora_type(param, code) {
    tk_log::log(1, "ora_binary_float::ctor");
    code_ = code == SQLT_IBFLOAT || code == SQLT_BFLOAT ? SQLT_BFLOAT : SQLT_BDOUBLE;
}

void ora_binary_float::define(OCIStmt* stmt, int position) {
    tk_log::log(1, "ora_binary_float::define(%d)", position);
    if (is_double())
        define_buffer(stmt, position, &double_, sizeof double_, SQLT_BDOUBLE);
    else
        define_buffer(stmt, position, &float_, sizeof float_, SQLT_BFLOAT);
}

void ora_binary_float::to_variant(ole_variant& out) {
    const double value = is_double() ? double_ : float_;
    // MySQL's FLOAT and DOUBLE hold no infinity and no NaN.
    if (!std::isfinite(value))
        throw ora_value_exception(0, compat::format("The value of column %s is %s, which MySQL cannot store", name_,
                                                    std::isnan(value) ? "NaN"
                                                    : value > 0       ? "Infinity"
                                                                      : "-Infinity"));
    if (is_double())
        out = ole_variant(double_);
    else
        out = ole_variant(float_);
}

// ---- text representations --------------------------------------------------------------

ora_str_repr::ora_str_repr(OCIParam* param, int code, int maximum) : ora_type(param, code) {
    tk_log::log(1, "ora_str_repr::ctor");
    size_ = maximum;
    buffer_.assign(static_cast<size_t>(maximum), 0);
}

void ora_str_repr::define(OCIStmt* stmt, int position) {
    tk_log::log(1, "ora_str_repr::define(%d)", position);
    define_buffer(stmt, position, buffer_.data(), static_cast<sb4>(buffer_.size() * 2), SQLT_STR);
}

void ora_str_repr::to_variant(ole_variant& out) {
    buffer_.back() = 0;
    out.attach_wstring(compat::wstring_view(buffer_.data()));
}

// ---- LONG and LONG RAW -----------------------------------------------------------------

ora_long::ora_long(OCIParam* param, int code, uint64_t limit) : ora_type(param, code), limit_(limit) {
    tk_log::log(1, "ora_long::ctor");
    size_ = long_size;
}

void ora_long::define(OCIStmt* stmt, int position) {
    tk_log::log(1, "ora_long::define(%d)", position);
    ora_engine& e = ora_engine::instance();
    // no buffer of its own: the pieces go where next_piece puts them, up to the largest size
    e.check_status(e.oci().OCIDefineByPos(stmt, &define_, e.err(), static_cast<ub4>(position), nullptr,
                                          std::numeric_limits<sb4>::max(), is_raw() ? SQLT_BIN : SQLT_CHR, &indicator_,
                                          nullptr, &return_code_, OCI_DYNAMIC_FETCH));
    e.check_status(e.oci().OCIDefineDynamic(define_, e.err(), this, &ora_long::next_piece));
}

sb4 ora_long::next_piece(void* context, OCIDefine*, ub4, void** buffer, ub4** length, ub1* piece, void** indicator,
                         ub2** rcode) {
    ora_long& self = *static_cast<ora_long*>(context);
    if (*piece == OCI_FIRST_PIECE || *piece == OCI_ONE_PIECE) {
        self.kept_ = 0;
        self.seen_ = 0;
    } else {
        // the piece before this one is written
        self.seen_ += self.piece_length_;
        if (!self.spilling_) self.kept_ += self.piece_length_;
    }
    const uint64_t room = self.limit_ * self.unit() - std::min<uint64_t>(self.kept_, self.limit_ * self.unit());
    self.spilling_ = room == 0;
    size_t size = long_piece;
    if (self.spilling_) {
        self.spill_.resize(size);
        *buffer = self.spill_.data();
    } else {
        // pieces as large as what is there already: a value takes few calls and few moves
        size = static_cast<size_t>(std::min<uint64_t>(std::max(long_piece, self.kept_), room));
        if (self.value_.size() < self.kept_ + size) self.value_.resize(self.kept_ + size);
        *buffer = self.value_.data() + self.kept_;
    }
    self.piece_length_ = static_cast<ub4>(std::min<size_t>(size, std::numeric_limits<ub4>::max()));
    *length = &self.piece_length_;
    *indicator = &self.indicator_;
    *rcode = &self.return_code_;
    return OCI_CONTINUE;
}

void ora_long::to_variant(ole_variant& out) {
    // the last piece is written once the fetch returns
    const uint64_t units = (seen_ + piece_length_) / unit();
    const size_t kept = kept_ + (spilling_ ? 0 : piece_length_);
    if (units > limit_)
        throw ora_value_exception(
            0, compat::format("The value of column %s is %I64u %s long, more than the %I64u its "
                              "MySQL column holds",
                              name_, static_cast<unsigned long long>(units), is_raw() ? "bytes" : "characters",
                              static_cast<unsigned long long>(limit_)));
    if (is_raw())
        out.attach_binary(kept, value_.data());
    else
        out.attach_wstring(compat::wstring_view(reinterpret_cast<const compat::wchar*>(value_.data()), kept / 2));
}

// ---- dates -----------------------------------------------------------------------------

ora_date::ora_date(OCIParam* param, int code) : ora_type(param, code) { tk_log::log(1, "ora_date::ctor"); }

void ora_date::define(OCIStmt* stmt, int position) {
    tk_log::log(1, "ora_date::define(%d)", position);
    define_buffer(stmt, position, buffer_, sizeof buffer_, SQLT_DAT);
}

namespace {
int canon_dt_item(int x) {
    tk_log::log(1, "ora_date::canon_dt_item(%d)", x);
    return x > 100 ? x - 100 : 100 - x;
}
uint16_t time_item(ub1 b) { return b == 0 ? 0 : static_cast<uint16_t>(b - 1); }
}  // namespace

void ora_date::to_variant(ole_variant& out) {
    SYSTEMTIME st{};
    int year = canon_dt_item(buffer_[1]);
    year += 100 * canon_dt_item(buffer_[0]);
    st.wYear = static_cast<uint16_t>(year);
    st.wMonth = buffer_[2];
    st.wDay = buffer_[3];
    st.wHour = time_item(buffer_[4]);
    st.wMinute = time_item(buffer_[5]);
    st.wSecond = time_item(buffer_[6]);
    tk_log::log(1, "Got datetime: %02d/%02d/%04d %02d:%02d:%02d", st.wDay, st.wMonth, st.wYear, st.wHour, st.wMinute,
                st.wSecond);
    out = ole_variant(st);
}

// ---- timestamps ------------------------------------------------------------------------

ora_timestamp::ora_timestamp(OCIParam* param, int code) : ora_type(param, code) {
    tk_log::log(1, "ora_timestamp::ctor");
    switch (code) {
        case 181:
        case SQLT_TIMESTAMP_TZ:
            code_ = SQLT_TIMESTAMP_TZ;
            break;
        case 231:
        case SQLT_TIMESTAMP_LTZ:
            code_ = SQLT_TIMESTAMP_LTZ;
            break;
        default:
            code_ = SQLT_TIMESTAMP;
            break;
    }
    ora_engine& e = ora_engine::instance();
    void* descriptor = nullptr;
    e.check_status(e.oci().OCIDescriptorAlloc(e.env(), &descriptor, descriptor_type(), 0, nullptr));
    datetime_ = static_cast<OCIDateTime*>(descriptor);
}

ora_timestamp::~ora_timestamp() {
    if (datetime_) {
        if (ora_engine* e = ora_engine::try_get(); e && e->is_initialized())
            e->oci().OCIDescriptorFree(datetime_, descriptor_type());
    }
}

ub4 ora_timestamp::descriptor_type() const {
    return code_ == SQLT_TIMESTAMP_TZ    ? OCI_DTYPE_TIMESTAMP_TZ
           : code_ == SQLT_TIMESTAMP_LTZ ? OCI_DTYPE_TIMESTAMP_LTZ
                                         : OCI_DTYPE_TIMESTAMP;
}

void ora_timestamp::define(OCIStmt* stmt, int position) {
    tk_log::log(1, "ora_timestamp::define(%d)", position);
    // A descriptor is defined by its pointer's address and size.
    define_buffer(stmt, position, &datetime_, sizeof datetime_,  // NOLINT(bugprone-sizeof-expression)
                  static_cast<ub2>(code_));
}

void ora_timestamp::to_variant(ole_variant& out) {
    ora_engine& e = ora_engine::instance();
    const compat::oci_functions& f = e.oci();
    sb2 year = 0;
    ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
    ub4 fraction = 0;
    e.check_status(f.OCIDateTimeGetDate(e.env(), e.err(), datetime_, &year, &month, &day));
    e.check_status(f.OCIDateTimeGetTime(e.env(), e.err(), datetime_, &hour, &minute, &second, &fraction));
    SYSTEMTIME st{};
    // A year before Christ is carried by its number, as the 7-byte DATE form gives it.
    st.wYear = static_cast<uint16_t>(year < 0 ? -year : year);
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    tk_log::log(1, "Got datetime: %02d/%02d/%04d %02d:%02d:%02d", st.wDay, st.wMonth, st.wYear, st.wHour, st.wMinute,
                st.wSecond);
    out = ole_variant(st);
}

// ---- RAW -------------------------------------------------------------------------------

ora_binary::ora_binary(OCIParam* param, int code) : ora_type(param, code) {
    tk_log::log(1, "ora_binary::ctor");
    code_ = SQLT_BIN;
    size_ = static_cast<int>(param_attr(param, OCI_ATTR_DATA_SIZE) & 0xFFFF);
    buffer_.assign(static_cast<size_t>(std::max(size_, 1)), 0);
}

void ora_binary::define(OCIStmt* stmt, int position) {
    tk_log::log(1, "ora_binary::define(%d)", position);
    define_buffer(stmt, position, buffer_.data(), static_cast<sb4>(buffer_.size()), SQLT_BIN, &length_);
}

void ora_binary::to_variant(ole_variant& out) {
    if (buffer_.empty()) tk_fail(tk_where::ora_type_h, 95);
    size_t n = std::min<size_t>(length_, buffer_.size());
    out.attach_binary(n, buffer_.data());
}

// ---- LOBs ------------------------------------------------------------------------------

ora_lob::ora_lob(OCIParam* param, int code) : ora_type(param, code) {
    tk_log::log(1, "ora_lob::ctor");
    if (code == SQLT_CLOB) read_charset_form(param);
    ora_engine& e = ora_engine::instance();
    void* locator = nullptr;
    e.check_status(e.oci().OCIDescriptorAlloc(e.env(), &locator, OCI_DTYPE_LOB, 0, nullptr));
    locator_ = static_cast<OCILobLocator*>(locator);
}

ora_lob::~ora_lob() {
    if (locator_) {
        if (ora_engine* e = ora_engine::try_get(); e && e->is_initialized())
            e->oci().OCIDescriptorFree(locator_, OCI_DTYPE_LOB);
    }
}

void ora_lob::define(OCIStmt* stmt, int position) {
    tk_log::log(1, "ora_lob::defind(%d)", position);
    // A locator is defined by its pointer's address and size.
    define_buffer(stmt, position, &locator_, sizeof locator_,  // NOLINT(bugprone-sizeof-expression)
                  static_cast<ub2>(code_));
}

void ora_lob::to_variant(ole_variant& out) {
    tk_log::log(1, "ora_lob::to_variant");
    if (code_ != SQLT_CLOB && code_ != SQLT_BLOB) tk_fail(tk_where::ora_type, 404);
    ora_engine& e = ora_engine::instance();
    const compat::oci_functions& f = e.oci();
    // The length counts characters of a CLOB and bytes of a BLOB, as the reads do.
    ub4 length = 0;
    e.check_status(f.OCILobGetLength(e.svc(), e.err(), locator_, &length));
    const bool clob = code_ == SQLT_CLOB;
    ub1 form = SQLCS_IMPLICIT;
    if (clob) {
        tk_log::log(1, "Got SQLT_CLOB!");
        e.check_status(f.OCILobCharSetForm(e.env(), e.err(), locator_, &form));
        tk_log::log(1, "Got charset form: %d", form);
    }
    // The value is read straight into its final place, a chunk a call: a large LOB is held
    // once, not once per buffer it passes through.
    compat::wstring text;
    uint8_t* target = nullptr;
    if (clob) {
        text.resize(length);
        target = reinterpret_cast<uint8_t*>(text.data());
    } else {
        out.allocate_safe_array(length);
        const void* data = nullptr;
        out.get_bytes(&data);
        target = static_cast<uint8_t*>(const_cast<void*>(data));
    }
    const size_t unit = clob ? 2 : 1;
    ub4 offset = 1;
    ub4 done = 0;
    while (done < length) {
        ub4 amount = std::min(length - done, chunk);
        const ub4 room = amount * static_cast<ub4>(unit);
        tk_log::log(1, "ora_lob::read_lob(%d,%d)", offset, amount);
        sword s = e.check_status(f.OCILobRead(e.svc(), e.err(), locator_, &amount, offset, target + done * unit, room,
                                              nullptr, nullptr, clob ? OCI_UTF16ID : 0, form));
        if (amount == 0 || s == OCI_NO_DATA) break;
        amount = std::min<ub4>(amount, room / static_cast<ub4>(unit));
        if (clob) tk_log::log(1, "bytes_read=%d", amount * 2);
        offset += amount;
        done += amount;
    }
    if (clob) {
        text.resize(done);
        out = text;
    } else if (done < length) {
        out.allocate_safe_array(done);
    }
}

// ---- BFILE -----------------------------------------------------------------------------

ora_bfile::ora_bfile(OCIParam* param, int code) : ora_type(param, code) {
    tk_log::log(1, "ora_bfile::ctor");
    code_ = SQLT_STR;
    size_ = static_cast<int>(std::char_traits<char16_t>::length(unsupported_text));
    ora_engine& e = ora_engine::instance();
    void* locator = nullptr;
    e.check_status(e.oci().OCIDescriptorAlloc(e.env(), &locator, OCI_DTYPE_FILE, 0, nullptr));
    locator_ = static_cast<OCILobLocator*>(locator);
}

ora_bfile::~ora_bfile() {
    if (locator_) {
        if (ora_engine* e = ora_engine::try_get(); e && e->is_initialized())
            e->oci().OCIDescriptorFree(locator_, OCI_DTYPE_FILE);
    }
}

void ora_bfile::define(OCIStmt* stmt, int position) {
    tk_log::log(1, "ora_bfile::define(%d)", position);
    // Only a file locator can be fetched from a BFILE column; its NULL indicator is what
    // the record takes from it. A locator is defined by its pointer's address and size.
    define_buffer(stmt, position, &locator_, sizeof locator_,  // NOLINT(bugprone-sizeof-expression)
                  SQLT_BFILEE);
}

void ora_bfile::to_variant(ole_variant& out) { out = compat::wstring(unsupported_text); }

// ---- unsupported -----------------------------------------------------------------------

ora_dummy::ora_dummy(OCIParam* param, int code) : ora_type(param, code) {
    tk_log::log(1, "ora_dummy::ctor");
    code_ = SQLT_STR;
    size_ = 18;
    nullable_ = 0;
    indicator_ = 0;
}

void ora_dummy::to_variant(ole_variant& out) { out = compat::wstring(unsupported_text); }

// ---- factory and record ----------------------------------------------------------------

std::unique_ptr<ora_type> ora_make_column(OCIParam* param, int code) {
    if (is_timestamp_code(code)) return std::make_unique<ora_timestamp>(param, code);
    switch (code) {
        case 1:
        case 5:
        case 96:
            return std::make_unique<ora_string>(param, code);
        case 2:
        case 3:
        case 4:
        case 6:
        case 7:
            return std::make_unique<ora_number>(param, code);
        case 8:
        case 24:
            return std::make_unique<ora_long>(param, code);
        // 69 is ROWID as a select list describes it.
        case 11:
        case 69:
        case 104:
        case 105:
            return std::make_unique<ora_str_repr>(param, code, rowid_maximum);
        // 182 and 183 are the INTERVAL kinds as a select list describes them.
        case 182:
        case 183:
        case 189:
        case 190:
            return std::make_unique<ora_str_repr>(param, code, interval_maximum);
        case 12:
            return std::make_unique<ora_date>(param, code);
        case 23:
            return std::make_unique<ora_binary>(param, code);
        case 21:
        case 22:
        case 100:
        case 101:
            return std::make_unique<ora_binary_float>(param, code);
        case 112:
        case 113:
            return std::make_unique<ora_lob>(param, code);
        case 114:
            return std::make_unique<ora_bfile>(param, code);
        default:
            return std::make_unique<ora_dummy>(param, code);
    }
}

ora_record::ora_record(const ora_columns& columns) {
    tk_log::log(1, "ora_record::ctor");
    for (const auto& column : columns)
        push_back(std::make_unique<udb_field>(column->name(), column->size(), ole_variant(), false, false));
}

void ora_record::refill(const ora_columns& columns) {
    tk_log::log(1, "ora_record::refill");
    for (size_t k = 0; k < columns.size(); ++k) {
        const ora_type& column = *columns[k];
        ole_variant& value = *at(k);
        if (column.is_null()) {
            tk_log::log(1, "Field #%d has NULL value", static_cast<int>(k));
            value = ole_variant();
            continue;
        }
        if (column.is_truncated())
            throw ora_value_exception(1406, compat::format("ORA-01406: fetched column value was truncated: the value "
                                                           "of column %s is too long to be read whole",
                                                           column.name()));
        columns[k]->to_variant(value);
    }
}
