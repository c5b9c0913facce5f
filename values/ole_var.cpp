#include "values/ole_var.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "compat/oleaut/number_text.h"
#include "compat/oleaut/oledate.h"
#include "values/ole_date.h"
#include "values/ole_numtext.h"

namespace {

bool is_array_type(VARTYPE vt) { return vt == VT_BYTE_ARRAY || vt == VT_SAFEARRAY; }

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// An integer text by the runtime's rules (leading white space, an optional sign, the
// digits up to the first other character; none read is 0), which must lie in [lo, hi]:
// a number beyond its type's range is an error, never a wrapped or clipped value.
template <class T>
T read_integer(std::string_view text) {
    size_t i = 0, n = text.size();
    while (i < n && is_space(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    compat::uint128 magnitude = 0;
    const compat::uint128 cap = compat::uint128{1} << 65;  // beyond every 64-bit range
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        if (magnitude < cap) magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - '0');
        ++i;
    }
    using limits = std::numeric_limits<T>;
    if (negative) {
        compat::uint128 limit = 0;
        if constexpr (limits::is_signed) limit = static_cast<compat::uint128>(limits::max()) + 1;
        if (magnitude > limit) throw ole_type_exception();
        return static_cast<T>(-static_cast<__int128>(magnitude));
    }
    if (magnitude > static_cast<compat::uint128>(limits::max())) throw ole_type_exception();
    return static_cast<T>(magnitude);
}

// Number texts with ',' for the decimal point read as with '.'. Short texts stay on the
// stack; `text` then views the copy.
class point_text {
public:
    explicit point_text(std::string_view text) : view_(text) {
        if (text.find(',') == std::string_view::npos) return;
        char* p;
        if (text.size() <= sizeof small_) {
            p = small_;
        } else {
            large_.resize(text.size());
            p = large_.data();
        }
        for (size_t k = 0; k < text.size(); ++k) p[k] = text[k] == ',' ? '.' : text[k];
        view_ = std::string_view(p, text.size());
    }
    std::string_view view() const { return view_; }

private:
    char small_[64];
    std::string large_;
    std::string_view view_;
};

// A currency or decimal text, read by its converter: an overflow is a type fault, any other
// failure gives no value.
template <class T>
ole_variant read_exact(std::string_view text, HRESULT (*convert)(std::string_view, LCID, uint32_t, T*),
                       const char* converter) {
    point_text number(text);
    T value{};
    HRESULT hr = convert(number.view(), LCID_ENGLISH_US, 0, &value);
    if (FAILED(hr)) {
        tk_log::log(3, "%s failed: %08X", converter, static_cast<uint32_t>(hr));
        if (hr == DISP_E_OVERFLOW) throw ole_type_exception();
        return ole_variant();
    }
    return ole_variant(value);
}

int hex_value(unsigned c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    return -1;
}

// Hexadecimal text, with or without a leading 0x, to a byte array.
template <class Ch>
ole_variant from_hex(std::basic_string_view<Ch> text) {
    if (text.size() % 2 != 0) {
        tk_log::log(2, "Incorrect BLOB (size is odd)");
        return ole_variant();
    }
    tk_log::log(1, "Got BLOB size: %d", static_cast<int>(text.size()));
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    ole_variant value;
    value.allocate_safe_array(text.size() / 2);
    const void* data = nullptr;
    value.get_bytes(&data);
    auto* bytes = static_cast<uint8_t*>(const_cast<void*>(data));
    for (size_t k = 0; k < text.size(); k += 2) {
        int high = hex_value(static_cast<unsigned>(text[k]));
        int low = hex_value(static_cast<unsigned>(text[k + 1]));
        if (high < 0 || low < 0) {
            tk_log::log(2, "Incorrect BLOB (not a hexadecimal digit)");
            return ole_variant();
        }
        bytes[k / 2] = static_cast<uint8_t>(high << 4 | low);
    }
    return value;
}

template <class T>
void append_number(std::string& out, T value) {
    char buffer[24];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

void append_scientific(std::string& out, double value, int precision) {
    char buffer[32];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision);
    out.append(buffer, r.ptr);
}

}  // namespace

// --- construction ----------------------------------------------------------------------

ole_variant::ole_variant() = default;

ole_variant::ole_variant(const SYSTEMTIME& st) : st_(st) {
    tk_log::log(1, "Construct ole_variant from SYSTEMTIME");
    var_.vt = VT_DATE;
    if (!SystemTimeToVariantTime(&st, &var_.date)) tk_log::log(2, "Failed to convert SYSTEMTIME->VARIANT");
}

ole_variant::ole_variant(const CY& cy) {
    tk_log::log(1, "Construct ole_variant from CY");
    var_.vt = VT_CY;
    var_.cyVal = cy;
}

ole_variant::ole_variant(const DECIMAL& dec) {
    tk_log::log(1, "Construct ole_variant from DECIMAL");
    var_.vt = VT_DECIMAL;
    var_.decVal = dec;
}

ole_variant::ole_variant(const compat::wchar* bstr) {
    tk_log::log(1, "Construct ole_variant from BSTR");
    var_.vt = VT_BSTR;
    var_.bstrVal = SysAllocString(bstr);
}

ole_variant::ole_variant(bool b) {
    tk_log::log(1, "ole_variant::ctor from bool (%d)", static_cast<int>(b));
    var_.vt = VT_BOOL;
    var_.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
}

ole_variant::ole_variant(char c) {
    tk_log::log(1, "ole_variant::ctor from char(%d)", static_cast<int>(static_cast<signed char>(c)));
    var_.vt = VT_I1;
    var_.cVal = static_cast<int8_t>(c);
}

ole_variant::ole_variant(signed char c) : ole_variant(static_cast<char>(c)) {}

ole_variant::ole_variant(unsigned char b) {
    tk_log::log(1, "ole_variant::ctor from byte(%d)", static_cast<int>(b));
    var_.vt = VT_UI1;
    var_.bVal = b;
}

ole_variant::ole_variant(short s) {
    tk_log::log(1, "ole_variant::ctor from short(%d)", static_cast<int>(s));
    var_.vt = VT_I2;
    var_.iVal = s;
}

ole_variant::ole_variant(unsigned short s) {
    tk_log::log(1, "ole_variant::ctor from ushort(%d)", static_cast<int>(s));
    var_.vt = VT_UI2;
    var_.uiVal = s;
}

ole_variant::ole_variant(int i) {
    tk_log::log(1, "ole_variant::ctor from int(%d)", i);
    var_.vt = VT_I4;
    var_.lVal = i;
}

ole_variant::ole_variant(unsigned int u) {
    tk_log::log(1, "ole_variant::ctor from uint(%u)", u);
    var_.vt = VT_UI4;
    var_.ulVal = u;
}

ole_variant::ole_variant(long long v) : i8_(v) {
    tk_log::log(1, "ole_variant::ctor(hyper, %I64d)", v);
    var_.vt = VT_I8;
}

ole_variant::ole_variant(unsigned long long v) : ui8_(v) {
    tk_log::log(1, "ole_variant::ctor(uhyper, %I64u)", v);
    var_.vt = VT_UI8;
}

ole_variant::ole_variant(long v) : ole_variant(static_cast<long long>(v)) {}
ole_variant::ole_variant(unsigned long v) : ole_variant(static_cast<unsigned long long>(v)) {}

ole_variant::ole_variant(float f) {
    tk_log::log(1, "ole_variant::ctor from float(%f)", static_cast<double>(f));
    var_.vt = VT_R4;
    var_.fltVal = f;
}

ole_variant::ole_variant(double d) {
    tk_log::log(1, "ole_variant::ctor from double(%e)", d);
    var_.vt = VT_R8;
    var_.dblVal = d;
}

ole_variant::ole_variant(std::size_t length, const void* bytes) { attach_binary(length, bytes); }

ole_variant::ole_variant(const std::vector<uint8_t>& bytes) { attach_binary(bytes); }

ole_variant::ole_variant(const std::string& text) {
    tk_log::log(1, "ole_variant::ctor from string(%s)", text);
    attach_string(text);
}

ole_variant::ole_variant(const char* text) : ole_variant(std::string(text ? text : "")) {}

ole_variant::ole_variant(const compat::wstring& text) {
    tk_log::log(1, "ole_variant::ctor from wstring(%s)", text);
    attach_wstring(text);
}

ole_variant::ole_variant(VARIANT&& v) : var_(std::move(v)) {
    tk_log::log(1, "Construct ole_variant from VARIANT");
    VariantClear(&v);
    if (var_.vt == VT_I8) i8_ = var_.llVal;
    if (var_.vt == VT_UI8) ui8_ = var_.ullVal;
    if (var_.vt == VT_DATE && !VariantTimeToSystemTime(var_.date, &st_)) st_ = SYSTEMTIME{};
}

ole_variant::ole_variant(const ole_variant& other) {
    tk_log::log(1, "ole_variant::copy ctor");
    copy_from(other);
    copy_printed(other);
}

ole_variant::ole_variant(ole_variant&& other) noexcept
    : i8_(other.i8_), ui8_(other.ui8_), st_(other.st_), var_(std::move(other.var_)) {
    copy_printed(other);
    VariantClear(&other.var_);
    other.printed_length_ = 0;
}

ole_variant::~ole_variant() { release(); }

// --- assignment ------------------------------------------------------------------------

ole_variant& ole_variant::operator=(const ole_variant& other) {
    if (this == &other) return *this;
    release();
    const VARTYPE vt = other.var_.vt;
    if (vt == VT_I8 || vt == VT_UI8) {
        var_.vt = vt;
        i8_ = other.i8_;
        ui8_ = other.ui8_;
    } else if (vt == VT_DATE) {
        var_.vt = vt;
        var_.date = other.var_.date;
        st_ = other.st_;
        tk_log::log(1, "%04d-%02d-%02d %02d:%02d:%02d", int{st_.wYear}, int{st_.wMonth}, int{st_.wDay}, int{st_.wHour},
                    int{st_.wMinute}, int{st_.wSecond});
    } else if (is_array_type(vt)) {
        if (other.var_.parray) {
            var_.vt = SUCCEEDED(SafeArrayCopy(other.var_.parray.get(), &var_.parray)) ? VT_BYTE_ARRAY : VT_ERROR;
        }
    } else {
        VariantCopy(&var_, &other.var_);
    }
    copy_printed(other);
    return *this;
}

ole_variant& ole_variant::operator=(ole_variant&& other) noexcept {
    if (this == &other) return *this;
    release();
    i8_ = other.i8_;
    ui8_ = other.ui8_;
    st_ = other.st_;
    var_ = std::move(other.var_);
    copy_printed(other);
    VariantClear(&other.var_);
    other.printed_length_ = 0;
    return *this;
}

void ole_variant::swap(ole_variant& other) noexcept {
    std::swap(i8_, other.i8_);
    std::swap(ui8_, other.ui8_);
    std::swap(st_, other.st_);
    std::swap(var_, other.var_);
    // Only the printed characters: most values have none, and the whole buffer is as large
    // as the rest of the value.
    if (printed_length_ != 0 || other.printed_length_ != 0) {
        char mine[compat::decimal_text_max];
        std::memcpy(mine, printed_, printed_length_);
        std::memcpy(printed_, other.printed_, other.printed_length_);
        std::memcpy(other.printed_, mine, printed_length_);
        std::swap(printed_length_, other.printed_length_);
    }
}

ole_variant& ole_variant::operator=(const std::vector<uint8_t>& bytes) {
    attach_binary(bytes);
    return *this;
}

ole_variant& ole_variant::operator=(const compat::wstring& text) {
    attach_wstring(text);
    return *this;
}

void ole_variant::copy_from(const ole_variant& other) {
    const VARTYPE vt = other.var_.vt;
    var_.vt = vt;
    var_.decVal = other.var_.decVal;  // the whole scalar payload
    if (vt == VT_BSTR) var_.bstrVal = other.var_.bstrVal;
    if (vt == VT_DATE) {
        tk_log::log(1, "Special processing for VT_DATE");
        st_ = other.st_;
    } else if (vt == VT_I8 || vt == VT_UI8) {
        tk_log::log(1, "Special processing for VT_(U)I8 type");
        i8_ = other.i8_;
        ui8_ = other.ui8_;
    } else if (is_array_type(vt)) {
        tk_log::log(1, "Special processing for VT_SAFEARRAY");
        if (other.var_.parray)
            var_.vt = SUCCEEDED(SafeArrayCopy(other.var_.parray.get(), &var_.parray)) ? VT_BYTE_ARRAY : VT_ERROR;
    }
}

void ole_variant::copy_printed(const ole_variant& other) {
    printed_length_ = other.var_.vt == VT_DECIMAL ? other.printed_length_ : 0;
    if (printed_length_ != 0) std::memcpy(printed_, other.printed_, printed_length_);
}

template <class V>
bool ole_variant::read_plain_decimal(V text, ole_variant& out) {
    DECIMAL value;
    char printed[compat::decimal_text_max];
    const size_t length = ole_read_plain_decimal(text, value, printed);
    if (length == 0) return false;
    out.release();
    out.var_.vt = VT_DECIMAL;
    out.var_.decVal = value;
    out.printed_length_ = static_cast<uint8_t>(length);
    std::memcpy(out.printed_, printed, length);
    return true;
}

void ole_variant::release() {
    printed_length_ = 0;
    if (is_array_type(var_.vt)) SafeArrayDestroy(var_.parray);
    var_.vt = VT_EMPTY;
    VariantClear(&var_);
    i8_ = 0;
    ui8_ = 0;
    st_ = SYSTEMTIME{};
}

// --- members ---------------------------------------------------------------------------

VARTYPE ole_variant::get_type() const {
    tk_log::log(1, "ole_variant::get_type");
    return var_.vt;
}

void ole_variant::attach_binary(std::size_t length, const void* bytes) {
    if (!bytes && length != 0) tk_fail(tk_where::ole_var, 735);
    allocate_safe_array(length);
    if (length != 0) std::memcpy(var_.parray->bytes.data(), bytes, length);
}

void ole_variant::attach_binary(const std::vector<uint8_t>& bytes) {
    attach_binary(bytes.size(), bytes.empty() ? nullptr : bytes.data());
}

void ole_variant::attach_string(std::string_view text) {
    release();
    try {
        var_.bstrVal.assign(compat::ansi_to_utf16(text));
    } catch (const std::bad_alloc&) {
        tk_fail(tk_where::ole_var, 812);
    }
    var_.vt = VT_BSTR;
}

void ole_variant::attach_wstring(compat::wstring_view text) {
    if (var_.vt == VT_BSTR) {
        // Reuses the string's storage when it is large enough.
        try {
            var_.bstrVal.assign(text);
        } catch (const std::bad_alloc&) {
            tk_fail(tk_where::ole_var, 831);
        }
        return;
    }
    release();
    try {
        var_.bstrVal.assign(text);
    } catch (const std::bad_alloc&) {
        tk_fail(tk_where::ole_var, 831);
    }
    var_.vt = VT_BSTR;
}

void ole_variant::allocate_safe_array(std::size_t n) {
    tk_log::log(2, "ole_variant::allocate_safe_array (size=%d)", static_cast<int64_t>(n));
    if (n > std::numeric_limits<uint32_t>::max()) tk_fail(tk_where::ole_var, 764);
    if (var_.vt == VT_BYTE_ARRAY && var_.parray) {
        // An empty array (upper bound one below the lower) is resized like any other.
        if (var_.parray->bytes.size() == n) return;
        tk_log::log(1, "Redimension array");
        SAFEARRAYBOUND bound{static_cast<uint32_t>(n), var_.parray->lower_bound};
        if (FAILED(SafeArrayRedim(var_.parray.get(), &bound))) tk_fail(tk_where::ole_var, 776);
        return;
    }
    release();
    var_.parray = SafeArrayCreateVector(VT_UI1, 0, static_cast<uint32_t>(n));
    if (!var_.parray) tk_fail(tk_where::ole_var, 764);
    var_.vt = VT_BYTE_ARRAY;
}

std::size_t ole_variant::get_bytes(const void** data) const {
    tk_log::log(2, "ole_variant::get_bytes(%d)", int{var_.vt});
    if (var_.vt == VT_EMPTY || var_.vt == VT_NULL) return 0;
    if (var_.vt != VT_BYTE_ARRAY || !data) tk_fail(tk_where::ole_var, 669);
    if (!var_.parray) return 0;
    *data = var_.parray->bytes.data();
    return var_.parray->bytes.size();
}

bool ole_variant::to_bool() const {
    tk_log::log(2, "ole_variant::to_bool(vt=%08X)", unsigned{var_.vt});
    switch (var_.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return false;
        case VT_BOOL:
            return var_.boolVal == VARIANT_TRUE;
        case VT_I1:
            return var_.cVal != 0;
        case VT_UI1:
            return var_.bVal != 0;
        case VT_I2:
            return var_.iVal != 0;
        case VT_UI2:
            return var_.uiVal != 0;
        case VT_I4:
            return var_.lVal != 0;
        case VT_UI4:
            return var_.ulVal != 0;
        case VT_I8:
            return i8_ != 0;
        case VT_UI8:
            return ui8_ != 0;
        case VT_R4:
            return var_.fltVal != 0.0f;
        case VT_R8:
            return var_.dblVal != 0.0;
        case VT_DECIMAL: {
            int32_t v = 0;
            HRESULT hr = VarI4FromDec(&var_.decVal, &v);
            tk_log::log(1, "from DECIMAL, hr=%08X", static_cast<uint32_t>(hr));
            // Too large for 32 bits is still not zero.
            if (hr == DISP_E_OVERFLOW) return true;
            return v != 0;
        }
        default:
            tk_fail(tk_where::ole_var, 446);
    }
}

double ole_variant::to_double() const {
    switch (var_.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return 0.0;
        case VT_I1:
            return var_.cVal;
        case VT_UI1:
            return var_.bVal;
        case VT_I2:
            return var_.iVal;
        case VT_UI2:
            return var_.uiVal;
        case VT_I4:
            return var_.lVal;
        case VT_BOOL:
            return var_.boolVal;
        case VT_UI4:
            return var_.ulVal;
        case VT_R4:
            return var_.fltVal;
        case VT_R8:
            return var_.dblVal;
        case VT_I8:
            return static_cast<double>(i8_);
        case VT_UI8:
            return static_cast<double>(ui8_);
        case VT_CY: {
            double r = 0.0;
            HRESULT hr = VarR8FromCy(var_.cyVal, &r);
            tk_log::log(1, "from CURRECY: res=%lg, hr=%08X", r, static_cast<uint32_t>(hr));
            return r;
        }
        case VT_DECIMAL: {
            double r = 0.0;
            HRESULT hr = VarR8FromDec(&var_.decVal, &r);
            tk_log::log(1, "from DECIMAL: res=%lg, hr=%08X", r, static_cast<uint32_t>(hr));
            return r;
        }
        default:
            tk_fail(tk_where::ole_var, 519);
    }
}

int32_t ole_variant::to_long() const {
    tk_log::log(1, "ole_variant::to_long(vt=%08X)", unsigned{var_.vt});
    auto truncate = [](double d) -> int32_t {
        // Toward zero; beyond the range the nearest limit (a plain cast is undefined there).
        if (std::isnan(d)) return 0;
        if (d >= 2147483647.0) return std::numeric_limits<int32_t>::max();
        if (d <= -2147483648.0) return std::numeric_limits<int32_t>::min();
        return static_cast<int32_t>(d);
    };
    switch (var_.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return 0;
        case VT_I1:
            return var_.cVal;
        case VT_I2:
            return var_.iVal;
        case VT_UI1:
            return var_.bVal;
        case VT_UI2:
            return var_.uiVal;
        case VT_BOOL:
            return var_.boolVal;
        case VT_I4:
            return var_.lVal;
        case VT_UI4:
            return static_cast<int32_t>(var_.ulVal);
        case VT_R4:
            return truncate(var_.fltVal);
        case VT_R8:
            return truncate(var_.dblVal);
        case VT_DECIMAL: {
            int32_t v = 0;
            HRESULT hr = VarI4FromDec(&var_.decVal, &v);
            tk_log::log(1, "from DECIMAL, hr=%08X", static_cast<uint32_t>(hr));
            return SUCCEEDED(hr) ? v : 0;
        }
        case VT_I8:
            return static_cast<int32_t>(static_cast<uint32_t>(i8_));
        case VT_UI8:
            return static_cast<int32_t>(static_cast<uint32_t>(ui8_));
        default:
            tk_fail(tk_where::ole_var, 478);
    }
}

// --- text ------------------------------------------------------------------------------

void ole_variant::append_string(std::string& out) const {
    tk_log::log(2, "ole_variant::to_string (vt=%08X)", unsigned{var_.vt});
    switch (var_.vt) {
        case VT_I2:
            append_number(out, int{var_.iVal});
            break;
        case VT_I1:
            append_number(out, int{var_.cVal});
            break;
        case VT_I4:
            append_number(out, var_.lVal);
            break;
        case VT_UI1:
            append_number(out, unsigned{var_.bVal});
            break;
        case VT_UI2:
            append_number(out, unsigned{var_.uiVal});
            break;
        case VT_UI4:
            append_number(out, var_.ulVal);
            break;
        case VT_R4:
            append_scientific(out, static_cast<double>(var_.fltVal), 6);
            break;
        case VT_R8:
            append_scientific(out, var_.dblVal, 15);
            break;
        case VT_I8:
            append_number(out, i8_);
            break;
        case VT_UI8:
            append_number(out, ui8_);
            break;
        case VT_CY: {
            tk_log::log(1, "Converting VT_CY");
            char buffer[compat::currency_text_max];
            out.append(buffer, compat::currency_to_chars(var_.cyVal, buffer));
            break;
        }
        case VT_DECIMAL: {
            tk_log::log(1, "Converting VT_DECIMAL");
            if (printed_length_ != 0) {
                out.append(printed_, printed_length_);
                break;
            }
            char buffer[compat::decimal_text_max];
            out.append(buffer, compat::decimal_to_chars(var_.decVal, buffer));
            break;
        }
        case VT_DATE:
            tk_log::log(1, "Converting VT_DATE");
            ole_date(st_).append_string(out);
            break;
        case VT_BSTR:
            if (!var_.bstrVal.is_null()) out += compat::utf16_to_ansi(var_.bstrVal.view());
            break;
        case VT_BOOL:
            tk_log::log(1, "to_string - bool: %d", int{var_.boolVal});
            tk_log::log(1, "Mapping BOOL like ANSI!");
            out += var_.boolVal == VARIANT_TRUE ? '1' : '0';
            break;
        case VT_BYTE_ARRAY: {
            tk_log::log(1, "Converting VT_ARRAY");
            if (!var_.parray || var_.parray->bytes.empty()) break;
            // Every byte: a cell is printed whole, whatever its size.
            const std::vector<uint8_t>& bytes = var_.parray->bytes;
            std::size_t start = out.size();
            out.resize(start + 2 + bytes.size() * 2 + 1);
            out[start] = '0';
            out[start + 1] = 'x';
            tk_bin_to_hex(bytes.size(), bytes.data(), out.data() + start + 2);
            out.pop_back();
            break;
        }
        default:
            break;
    }
}

std::string ole_variant::to_string() const {
    std::string text;
    append_string(text);
    return text;
}

compat::wstring ole_variant::to_wstring() const {
    if (var_.vt == VT_BSTR) return var_.bstrVal.str();
    return compat::ansi_to_utf16(to_string());
}

// --- reading ---------------------------------------------------------------------------

ole_variant ole_variant::from_string(std::string_view text, VARTYPE type) {
    tk_log::log(2, "ole_variant::from_string('%s', 0x%08X)", text, unsigned{type});
    if (text.empty()) {
        if (type != VT_BSTR) return ole_variant();
        ole_variant value;
        value.attach_wstring(compat::wstring_view());
        return value;
    }
    switch (type) {
        case VT_I1:
            return ole_variant(static_cast<char>(read_integer<int8_t>(text)));
        case VT_UI1:
            return ole_variant(read_integer<uint8_t>(text));
        case VT_I2:
            return ole_variant(read_integer<int16_t>(text));
        case VT_UI2:
            return ole_variant(read_integer<uint16_t>(text));
        case VT_I4:
            return ole_variant(static_cast<int>(read_integer<int32_t>(text)));
        case VT_UI4:
            return ole_variant(static_cast<unsigned>(read_integer<uint32_t>(text)));
        case VT_I8:
            return ole_variant(static_cast<long long>(read_integer<int64_t>(text)));
        case VT_UI8:
            return ole_variant(static_cast<unsigned long long>(read_integer<uint64_t>(text)));
        case VT_R4:
        case VT_R8: {
            point_text number(text);
            compat::double_read d = compat::read_double(number.view());
            if (d.overflow) throw ole_type_exception();
            if (type == VT_R8) return ole_variant(d.value);
            if (std::fabs(d.value) > std::numeric_limits<float>::max() && std::isfinite(d.value))
                throw ole_type_exception();
            return ole_variant(static_cast<float>(d.value));
        }
        case VT_CY:
            tk_log::log(1, "GOT VT_CY");
            return read_exact<CY>(text, VarCyFromStr, "VarCyFromStr");
        case VT_DECIMAL: {
            tk_log::log(1, "GOT VT_DECIMAL");
            if (ole_variant value; read_plain_decimal(text, value)) return value;
            return read_exact<DECIMAL>(text, VarDecFromStr, "VarDecFromStr");
        }
        case VT_DATE: {
            tk_log::log(1, "GOT VT_DATE");
            ole_date date(text);
            if (!date.is_valid()) return ole_variant();
            return ole_variant(date.get_systemtime());
        }
        case VT_BOOL: {
            if (compat::equal_nocase(text, std::string_view("yes")) ||
                compat::equal_nocase(text, std::string_view("true")))
                return ole_variant(true);
            if (compat::equal_nocase(text, std::string_view("no")) ||
                compat::equal_nocase(text, std::string_view("false")))
                return ole_variant(false);
            return ole_variant(compat::win_atoi(text) != 0);
        }
        case VT_BLOB:
        case VT_BYTE_ARRAY:
            return from_hex(text);
        case VT_BSTR: {
            ole_variant value;
            value.attach_string(text);
            tk_log::log(1, "VariantChangeType succeeded");
            return value;
        }
        default: {
            VARIANT source;
            source.vt = VT_BSTR;
            source.bstrVal.assign(compat::ansi_to_utf16(text));
            ole_variant value;
            if (FAILED(VariantChangeType(&value.var_, &source, 0, type))) throw ole_type_exception();
            tk_log::log(1, "VariantChangeType succeeded");
            return value;
        }
    }
}

ole_variant ole_variant::from_wstring(compat::wstring_view text, VARTYPE type) {
    if (type == VT_BSTR) {
        ole_variant value;
        value.attach_wstring(text);
        return value;
    }
    if (type == VT_BLOB || type == VT_BYTE_ARRAY) {
        tk_log::log(2, u"ole_variant::from_wstring('%s', 0x%08X)", text, unsigned{type});
        if (text.empty()) return ole_variant();
        return from_hex(text);
    }
    // A NUMBER's plain digits are read where they stand; the trace says what the reading
    // through from_string says.
    if (type == VT_DECIMAL && !text.empty()) {
        if (ole_variant value; read_plain_decimal(text, value)) {
            tk_log::log(2, u"ole_variant::from_string('%s', 0x%08X)", text, unsigned{type});
            tk_log::log(1, "GOT VT_DECIMAL");
            return value;
        }
    }
    // Number and date texts are short and ASCII: those need no conversion buffer.
    char small[96];
    if (text.size() <= sizeof small) {
        bool ascii = true;
        for (std::size_t k = 0; k < text.size() && ascii; ++k) {
            if (text[k] >= 0x80)
                ascii = false;
            else
                small[k] = static_cast<char>(text[k]);
        }
        if (ascii) return from_string(std::string_view(small, text.size()), type);
    }
    return from_string(compat::utf16_to_ansi(text), type);
}

// --- free functions --------------------------------------------------------------------

uint32_t get_safe_array_size(const SAFEARRAY* array) {
    tk_log::log(1, "get_safe_array_size");
    int32_t lower = 0, upper = -1;
    if (!array) return 0;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    tk_log::log(1, "lower=%d, upper=%d", lower, upper);
    if (upper < lower) return 0;
    return static_cast<uint32_t>(int64_t{upper} - lower + 1);
}

bool is_quoted_vartype(VARTYPE type) { return type == VT_BSTR || type == VT_DATE; }
