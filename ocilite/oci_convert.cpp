#include "ocilite/oci_convert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "compat/text/text.h"
#include "ocilite/oci_handles.h"
#include "ocilite/oci_text.h"

namespace ocilite {

namespace {

constexpr int ok = 0;
constexpr int truncated_code = 1406;

bool is_text_dty(ub2 dty) {
    return dty == SQLT_STR || dty == SQLT_CHR || dty == SQLT_AFC || dty == SQLT_LNG || dty == SQLT_LVC ||
           dty == 97 /* SQLT_AVC */;
}

// '' is NULL in Oracle for every character type; LOBs keep their empty value.
bool is_null(sqlite3_stmt* st, int col, source_kind kind) {
    const int type = sqlite3_column_type(st, col);
    if (type == SQLITE_NULL) return true;
    if (type == SQLITE_TEXT && (kind == source_kind::text || kind == source_kind::long_text)) {
        return sqlite3_column_bytes(st, col) == 0;
    }
    if (type == SQLITE_BLOB && (kind == source_kind::raw || kind == source_kind::long_raw)) {
        return sqlite3_column_bytes(st, col) == 0;
    }
    return false;
}

void set_status(const fetch_slot& s, sb2 ind, ub2 rlen, ub2 rcode) {
    if (s.ind) *s.ind = ind;
    if (s.rlen) *s.rlen = rlen;
    if (s.rcode) *s.rcode = rcode;
}

sb2 indicator_for_length(size_t full_bytes) { return full_bytes > 32767 ? sb2(-2) : static_cast<sb2>(full_bytes); }

// ---- date and time --------------------------------------------------------------------

struct date_time {
    int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int64_t nanos = 0;
    const char* rest = nullptr;  // what follows the fraction (a time zone), may be empty
    size_t rest_len = 0;
};

bool digits(const unsigned char* s, size_t n, size_t at, size_t count, int& out) {
    if (at + count > n) return false;
    int v = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    out = v;
    return true;
}

// 'YYYY-MM-DD[ HH:MM:SS[.F...]][ zone]', the store's form of DATE and TIMESTAMP values.
// A time of day alone (OCILITE_TIME) is stored with the date part 0000-00-00; only the
// 7-byte form can carry it (as year, month and day 0), so text readers refuse it.
bool parse_date_time(const unsigned char* s, size_t n, date_time& dt, bool allow_time_only = false) {
    size_t p = 0;
    bool negative = false;
    if (n > 0 && s[0] == '-') {
        negative = true;
        p = 1;
    }
    if (n < p + 10 || !digits(s, n, p, 4, dt.year) || s[p + 4] != '-' || !digits(s, n, p + 5, 2, dt.month) ||
        s[p + 7] != '-' || !digits(s, n, p + 8, 2, dt.day)) {
        return false;
    }
    if (negative) dt.year = -dt.year;
    p += 10;
    if (p < n && (s[p] == ' ' || s[p] == 'T')) {
        if (!digits(s, n, p + 1, 2, dt.hour) || p + 3 >= n || s[p + 3] != ':' || !digits(s, n, p + 4, 2, dt.minute) ||
            p + 6 >= n || s[p + 6] != ':' || !digits(s, n, p + 7, 2, dt.second)) {
            return false;
        }
        p += 9;
        if (p < n && s[p] == '.') {
            ++p;
            int64_t scale = 100000000;
            while (p < n && s[p] >= '0' && s[p] <= '9') {
                dt.nanos += (s[p] - '0') * scale;
                scale /= 10;
                ++p;
            }
        }
    }
    while (p < n && s[p] == ' ') ++p;
    dt.rest = reinterpret_cast<const char*>(s + p);
    dt.rest_len = n - p;
    const bool time_only = allow_time_only && dt.year == 0 && dt.month == 0 && dt.day == 0;
    return (time_only || (dt.month >= 1 && dt.month <= 12 && dt.day >= 1 && dt.day <= 31)) && dt.hour < 24 &&
           dt.minute < 60 && dt.second < 62;
}

const char* const month_names[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                     "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

void put2(char*& p, int v) {
    *p++ = static_cast<char>('0' + (v / 10) % 10);
    *p++ = static_cast<char>('0' + v % 10);
}

// Oracle's default NLS_DATE_FORMAT, DD-MON-RR.
size_t print_date(const date_time& dt, char* out) {
    char* p = out;
    put2(p, dt.day);
    *p++ = '-';
    std::memcpy(p, month_names[dt.month - 1], 3);
    p += 3;
    *p++ = '-';
    put2(p, (dt.year < 0 ? -dt.year : dt.year) % 100);
    return static_cast<size_t>(p - out);
}

// Oracle's default NLS_TIMESTAMP_FORMAT, DD-MON-RR HH.MI.SSXFF AM (six fraction digits).
size_t print_timestamp(const date_time& dt, char* out) {
    char* p = out + print_date(dt, out);
    *p++ = ' ';
    const int hour12 = dt.hour % 12 == 0 ? 12 : dt.hour % 12;
    put2(p, hour12);
    *p++ = '.';
    put2(p, dt.minute);
    *p++ = '.';
    put2(p, dt.second);
    *p++ = '.';
    int64_t micros = dt.nanos / 1000;
    for (int64_t scale = 100000; scale > 0; scale /= 10) {
        *p++ = static_cast<char>('0' + (micros / scale) % 10);
    }
    *p++ = ' ';
    *p++ = dt.hour < 12 ? 'A' : 'P';
    *p++ = 'M';
    if (dt.rest_len > 0 && dt.rest_len < 40) {
        *p++ = ' ';
        std::memcpy(p, dt.rest, dt.rest_len);
        p += dt.rest_len;
    }
    return static_cast<size_t>(p - out);
}

void to_oracle_date(const date_time& dt, unsigned char out[7]) {
    if (dt.year >= 0) {
        out[0] = static_cast<unsigned char>(dt.year / 100 + 100);
        out[1] = static_cast<unsigned char>(dt.year % 100 + 100);
    } else {
        out[0] = static_cast<unsigned char>(100 - (-dt.year) / 100);
        out[1] = static_cast<unsigned char>(100 - (-dt.year) % 100);
    }
    out[2] = static_cast<unsigned char>(dt.month);
    out[3] = static_cast<unsigned char>(dt.day);
    out[4] = static_cast<unsigned char>(dt.hour + 1);
    out[5] = static_cast<unsigned char>(dt.minute + 1);
    out[6] = static_cast<unsigned char>(dt.second + 1);
}

// ---- numbers --------------------------------------------------------------------------

// A decimal text as the store holds NUMBER values (and as SQLite prints others).
struct decimal_parts {
    bool negative = false;
    char digits[64];  // significant digits, no leading zeros
    int count = 0;
    int exponent = 0;  // value = 0.d1d2... * 10^exponent
};

size_t format_decimal(const decimal_parts& d, char* out, size_t capacity, bool allow_plain) {
    char buf[200];
    char* p = buf;
    if (d.count == 0) {
        *p++ = '0';
    } else {
        if (d.negative) *p++ = '-';
        const int e = d.exponent;
        const size_t plain_len = static_cast<size_t>(e > 0 ? std::max(e, d.count) + 1 : d.count - e + 1);
        if (allow_plain && plain_len <= 40) {
            if (e <= 0) {
                *p++ = '.';
                for (int i = 0; i < -e; ++i) *p++ = '0';
                for (int i = 0; i < d.count; ++i) *p++ = d.digits[i];
            } else {
                for (int i = 0; i < e; ++i) *p++ = i < d.count ? d.digits[i] : '0';
                if (d.count > e) {
                    *p++ = '.';
                    for (int i = e; i < d.count; ++i) *p++ = d.digits[i];
                }
            }
        } else {
            *p++ = d.digits[0];
            if (d.count > 1) {
                *p++ = '.';
                for (int i = 1; i < d.count; ++i) *p++ = d.digits[i];
            }
            *p++ = 'E';
            const int sci = e - 1;
            *p++ = sci < 0 ? '-' : '+';
            p = std::to_chars(p, buf + sizeof buf, sci < 0 ? -sci : sci).ptr;
        }
    }
    const size_t n = std::min(static_cast<size_t>(p - buf), capacity);
    std::memcpy(out, buf, n);
    return n;
}

// Shortest round-trip digits of a finite double.
decimal_parts decompose(double value) {
    decimal_parts d;
    if (value == 0) return d;
    char sci[64];
    auto res = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific);
    const char* p = sci;
    const char* end = res.ptr;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    while (p < end && *p != 'e') {
        if (*p >= '0' && *p <= '9') d.digits[d.count++] = *p;
        ++p;
    }
    int exp10 = 0;
    if (p < end && *p == 'e') std::from_chars(p + 1 + (p[1] == '+'), end, exp10);
    while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
    d.exponent = exp10 + 1;
    return d;
}

// A number as text; NUMBER values arrive as SQLite INTEGER, as the store's canonical
// decimal TEXT, or as REAL from expressions.
size_t number_text(sqlite3_stmt* st, int col, char* out, size_t capacity) {
    switch (sqlite3_column_type(st, col)) {
        case SQLITE_INTEGER: {
            auto res = std::to_chars(out, out + capacity, sqlite3_column_int64(st, col));
            return static_cast<size_t>(res.ptr - out);
        }
        case SQLITE_FLOAT:
            return print_number(sqlite3_column_double(st, col), out, capacity);
        default: {
            const auto* text = sqlite3_column_text(st, col);
            const size_t n = std::min<size_t>(sqlite3_column_bytes(st, col), capacity);
            std::memcpy(out, text, n);
            return n;
        }
    }
}

enum class num_status { ok, overflow, invalid };

// Reads a decimal text (optionally with an exponent) rounded to the nearest integer.
num_status parse_integer(const char* s, size_t n, int64_t& out) {
    while (n > 0 && *s == ' ') ++s, --n;
    while (n > 0 && s[n - 1] == ' ') --n;
    if (n == 0) return num_status::invalid;
    for (size_t i = 0; i < n; ++i) {
        if (s[i] == 'e' || s[i] == 'E') {
            double d;
            if (std::from_chars(s, s + n, d).ec != std::errc()) return num_status::invalid;
            d = std::round(d);
            if (!(d >= -9.2233720368547758e18 && d < 9.2233720368547758e18)) return num_status::overflow;
            out = static_cast<int64_t>(d);
            return num_status::ok;
        }
    }
    size_t i = 0;
    bool negative = false;
    if (s[i] == '-' || s[i] == '+') negative = s[i++] == '-';
    unsigned __int128 value = 0;
    bool any = false;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
        value = value * 10 + static_cast<unsigned>(s[i++] - '0');
        any = true;
        if (value > (static_cast<unsigned __int128>(1) << 64)) return num_status::overflow;
    }
    if (i < n && s[i] == '.') {
        ++i;
        if (i < n && s[i] >= '0' && s[i] <= '9') {
            any = true;
            if (s[i] >= '5') ++value;  // Oracle rounds half away from zero
            while (i < n && s[i] >= '0' && s[i] <= '9') ++i;
        }
    }
    if (!any || i != n) return num_status::invalid;
    const unsigned __int128 limit =
        negative ? (static_cast<unsigned __int128>(1) << 63) : ((static_cast<unsigned __int128>(1) << 63) - 1);
    if (value > limit) return num_status::overflow;
    out = negative ? static_cast<int64_t>(-static_cast<__int128>(value)) : static_cast<int64_t>(value);
    return num_status::ok;
}

num_status column_integer(sqlite3_stmt* st, int col, int64_t& out) {
    switch (sqlite3_column_type(st, col)) {
        case SQLITE_INTEGER:
            out = sqlite3_column_int64(st, col);
            return num_status::ok;
        case SQLITE_FLOAT: {
            const double d = std::round(sqlite3_column_double(st, col));
            if (!(d >= -9.2233720368547758e18 && d < 9.2233720368547758e18)) return num_status::overflow;
            out = static_cast<int64_t>(d);
            return num_status::ok;
        }
        default:
            return parse_integer(reinterpret_cast<const char*>(sqlite3_column_text(st, col)),
                                 static_cast<size_t>(sqlite3_column_bytes(st, col)), out);
    }
}

num_status column_double(sqlite3_stmt* st, int col, double& out) {
    switch (sqlite3_column_type(st, col)) {
        case SQLITE_INTEGER:
            out = static_cast<double>(sqlite3_column_int64(st, col));
            return num_status::ok;
        case SQLITE_FLOAT:
            out = sqlite3_column_double(st, col);
            return num_status::ok;
        default: {
            const char* s = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
            size_t n = static_cast<size_t>(sqlite3_column_bytes(st, col));
            while (n > 0 && *s == ' ') ++s, --n;
            while (n > 0 && s[n - 1] == ' ') --n;
            if (n > 0 && *s == '+') ++s, --n;
            auto res = std::from_chars(s, s + n, out);
            if (res.ec == std::errc::result_out_of_range) return num_status::overflow;
            return res.ec == std::errc() && res.ptr == s + n ? num_status::ok : num_status::invalid;
        }
    }
}

int fetch_integer(sqlite3_stmt* st, int col, const fetch_slot& s) {
    int64_t v;
    const num_status status = column_integer(st, col, v);
    if (status == num_status::invalid) return 1722;
    if (status == num_status::overflow) return 1455;
    const bool is_unsigned = s.dty == SQLT_UIN;
    if (is_unsigned && v < 0) return 1455;
    switch (s.size) {
        case 1:
            if (is_unsigned ? v > UINT8_MAX : (v < INT8_MIN || v > INT8_MAX)) return 1455;
            *static_cast<int8_t*>(s.value) = static_cast<int8_t>(v);
            break;
        case 2:
            if (is_unsigned ? v > UINT16_MAX : (v < INT16_MIN || v > INT16_MAX)) return 1455;
            {
                const int16_t x = static_cast<int16_t>(v);
                std::memcpy(s.value, &x, 2);
            }
            break;
        case 4:
            if (is_unsigned ? v > UINT32_MAX : (v < INT32_MIN || v > INT32_MAX)) return 1455;
            {
                const int32_t x = static_cast<int32_t>(v);
                std::memcpy(s.value, &x, 4);
            }
            break;
        case 8:
            std::memcpy(s.value, &v, 8);
            break;
        default:
            return 932;
    }
    set_status(s, 0, static_cast<ub2>(s.size), 0);
    return ok;
}

// Numbers, binary floats and text can be fetched into a numeric variable; the rest is ORA-00932.
bool reads_as_number(source_kind kind) {
    return kind == source_kind::number || kind == source_kind::binary_num || kind == source_kind::text;
}

int fetch_float(sqlite3_stmt* st, int col, const fetch_slot& s) {
    double v;
    const num_status status = column_double(st, col, v);
    if (status == num_status::invalid) return 1722;
    if (status == num_status::overflow) return 1455;
    if (s.size == 8) {
        std::memcpy(s.value, &v, 8);
    } else if (s.size == 4) {
        const float f = static_cast<float>(v);
        std::memcpy(s.value, &f, 4);
    } else {
        return 932;
    }
    set_status(s, 0, static_cast<ub2>(s.size), 0);
    return ok;
}

// ---- text -------------------------------------------------------------------------------

void put_hex(text_writer& w, const unsigned char* bytes, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    char pair[2];
    for (size_t i = 0; i < n; ++i) {
        pair[0] = digits[bytes[i] >> 4];
        pair[1] = digits[bytes[i] & 15];
        w.put_ascii(pair, 2);
    }
}

// Writes the value as text; returns 0 or an error number.
int write_text(sqlite3_stmt* st, int col, source_kind kind, text_writer& w) {
    char buf[160];
    switch (kind) {
        case source_kind::number:
            w.put_ascii(buf, number_text(st, col, buf, sizeof buf));
            return ok;
        case source_kind::binary_num: {
            double v;
            if (column_double(st, col, v) != num_status::ok) return 1722;
            w.put_ascii(buf, print_binary_double(v, buf, sizeof buf));
            return ok;
        }
        case source_kind::date:
        case source_kind::timestamp: {
            date_time dt;
            const auto* text = sqlite3_column_text(st, col);
            if (!parse_date_time(text, static_cast<size_t>(sqlite3_column_bytes(st, col)), dt)) {
                w.put_utf8(text, static_cast<size_t>(sqlite3_column_bytes(st, col)));
                return ok;
            }
            w.put_ascii(buf, kind == source_kind::date ? print_date(dt, buf) : print_timestamp(dt, buf));
            return ok;
        }
        case source_kind::raw:
        case source_kind::long_raw:
        case source_kind::blob:
            if (sqlite3_column_type(st, col) == SQLITE_BLOB) {
                put_hex(w, static_cast<const unsigned char*>(sqlite3_column_blob(st, col)),
                        static_cast<size_t>(sqlite3_column_bytes(st, col)));
                return ok;
            }
            [[fallthrough]];
        default: {
            const auto* text = sqlite3_column_text(st, col);
            w.put_utf8(text, static_cast<size_t>(sqlite3_column_bytes(st, col)));
            return ok;
        }
    }
}

// LONG VARCHAR: the text follows a 4-byte count of its bytes.
constexpr size_t lvc_prefix = sizeof(sb4);

int fetch_text(sqlite3_stmt* st, int col, source_kind kind, const fetch_slot& s) {
    const size_t unit = s.utf16 ? 2 : 1;
    const bool prefixed = s.dty == SQLT_LVC;
    size_t size = s.size > 0 ? static_cast<size_t>(s.size) : 0;
    if (prefixed) {
        if (size < lvc_prefix) return 932;
        size -= lvc_prefix;
    }
    auto* out = static_cast<unsigned char*>(s.value) + (prefixed ? lvc_prefix : 0);
    const bool terminated = s.dty == SQLT_STR;
    // A zero-terminated string keeps one unit for its terminator.
    const size_t room = terminated ? (size >= unit ? size - unit : 0) : size;
    text_writer w(s.utf16, out, room - room % unit);
    if (const int rc = write_text(st, col, kind, w)) return rc;
    size_t length = w.written();
    if (prefixed) {
        const auto count = static_cast<sb4>(length);
        std::memcpy(s.value, &count, sizeof count);
    }
    if (s.dty == SQLT_AFC) {
        // CHAR external type: blank-padded to the buffer's length.
        while (length + unit <= size) {
            if (s.utf16) {
                const char16_t blank = u' ';
                std::memcpy(out + length, &blank, 2);
            } else {
                out[length] = ' ';
            }
            length += unit;
        }
    }
    if (terminated && size >= unit) std::memset(out + length, 0, unit);
    // The 2-byte returned length cannot say more; a LONG VARCHAR's own count can.
    const auto returned = static_cast<ub2>(std::min<size_t>(length, UINT16_MAX));
    if (w.truncated()) {
        set_status(s, indicator_for_length(w.total()), returned, truncated_code);
        return truncated_code;
    }
    set_status(s, 0, returned, 0);
    return ok;
}

// ---- binary -----------------------------------------------------------------------------

int hex_value(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int fetch_binary(sqlite3_stmt* st, int col, source_kind kind, const fetch_slot& s) {
    const size_t size = s.size > 0 ? static_cast<size_t>(s.size) : 0;
    auto* out = static_cast<unsigned char*>(s.value);
    size_t full = 0;
    size_t copied = 0;
    const bool binary_source = kind == source_kind::raw || kind == source_kind::long_raw || kind == source_kind::blob;
    if (binary_source || sqlite3_column_type(st, col) == SQLITE_BLOB) {
        const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(st, col));
        full = static_cast<size_t>(sqlite3_column_bytes(st, col));
        copied = std::min(full, size);
        if (copied) std::memcpy(out, bytes, copied);
    } else if (kind == source_kind::text || kind == source_kind::long_text || kind == source_kind::clob) {
        // Character data read as RAW is taken as hexadecimal digits, as HEXTORAW would.
        const auto* text = sqlite3_column_text(st, col);
        const size_t n = static_cast<size_t>(sqlite3_column_bytes(st, col));
        if (n % 2) return 1465;
        full = n / 2;
        for (size_t i = 0; i < full; ++i) {
            const int hi = hex_value(text[2 * i]);
            const int lo = hex_value(text[2 * i + 1]);
            if (hi < 0 || lo < 0) return 1465;
            if (i < size) out[copied++] = static_cast<unsigned char>(hi * 16 + lo);
        }
    } else {
        return 932;
    }
    if (full > size) {
        set_status(s, indicator_for_length(full), static_cast<ub2>(copied), truncated_code);
        return truncated_code;
    }
    set_status(s, 0, static_cast<ub2>(copied), 0);
    return ok;
}

int fetch_date(sqlite3_stmt* st, int col, source_kind kind, const fetch_slot& s) {
    if (kind != source_kind::date && kind != source_kind::timestamp) {
        return kind == source_kind::text ? 1861 : 932;
    }
    if (s.size < 7) return 932;
    date_time dt;
    if (!parse_date_time(sqlite3_column_text(st, col), static_cast<size_t>(sqlite3_column_bytes(st, col)), dt, true)) {
        return 1861;
    }
    to_oracle_date(dt, static_cast<unsigned char*>(s.value));
    set_status(s, 0, 7, 0);
    return ok;
}

// A TIMESTAMP kind into the datetime descriptor whose address the define holds; the
// descriptor's kind must be the external type's.
int fetch_datetime(sqlite3_stmt* st, int col, source_kind kind, const fetch_slot& s) {
    if (kind != source_kind::date && kind != source_kind::timestamp) {
        return kind == source_kind::text ? 1861 : 932;
    }
    const ub4 dtype = s.dty == SQLT_TIMESTAMP      ? OCI_DTYPE_TIMESTAMP
                      : s.dty == SQLT_TIMESTAMP_TZ ? OCI_DTYPE_TIMESTAMP_TZ
                                                   : OCI_DTYPE_TIMESTAMP_LTZ;
    if (!s.value) return 932;
    auto* out = as_handle<OCIDateTime>(*static_cast<void**>(s.value), dtype);
    if (!out) return 932;
    date_time dt;
    if (!parse_date_time(sqlite3_column_text(st, col), static_cast<size_t>(sqlite3_column_bytes(st, col)), dt)) {
        return 1861;
    }
    out->year = static_cast<sb2>(dt.year);
    out->month = static_cast<ub1>(dt.month);
    out->day = static_cast<ub1>(dt.day);
    out->hour = static_cast<ub1>(dt.hour);
    out->minute = static_cast<ub1>(dt.minute);
    out->second = static_cast<ub1>(dt.second);
    out->fraction = static_cast<ub4>(dt.nanos);
    out->filled = true;
    set_status(s, 0, 0, 0);
    return ok;
}

int fetch_lob(sqlite3_stmt* st, int col, source_kind kind, const column_desc& desc, const fetch_slot& s) {
    const bool want_blob = s.dty == SQLT_BLOB;
    if (want_blob ? kind != source_kind::blob : kind != source_kind::clob) return 932;
    auto* loc = as_handle<OCILobLocator>(*static_cast<void**>(s.value), OCI_DTYPE_LOB);
    if (!loc) return 22275;
    loc->blob = want_blob;
    loc->form = static_cast<ub1>(desc.charset_form == 2 ? SQLCS_NCHAR : SQLCS_IMPLICIT);
    loc->polling = false;
    loc->cell_table.clear();
    loc->cell_reader.reset();
    const auto n = static_cast<size_t>(sqlite3_column_bytes(st, col));
    if (want_blob) {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st, col));
        loc->bytes.assign(bytes ? bytes : "", n);
    } else {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
        loc->text = compat::utf8_to_utf16(std::string_view(text ? text : "", n));
    }
    loc->filled = true;
    set_status(s, 0, 0, 0);
    return ok;
}

// A BFILE fetches into a file locator only.
int fetch_bfile(sqlite3_stmt* st, int col, source_kind kind, const fetch_slot& s) {
    if (kind != source_kind::bfile || !s.value) return 932;
    auto* loc = as_handle<OCILobLocator>(*static_cast<void**>(s.value), OCI_DTYPE_FILE);
    if (!loc) return 22275;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
    loc->text =
        compat::utf8_to_utf16(std::string_view(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(st, col))));
    loc->filled = true;
    set_status(s, 0, 0, 0);
    return ok;
}

// How many of the n bytes at p (of a value whose rest follows) make whole characters.
size_t whole_characters(const unsigned char* p, size_t n, size_t left, ub2 dty, bool utf16) {
    if (dty == SQLT_BIN || dty == SQLT_LBI || n == left) return n;
    if (utf16) {
        n -= n % 2;
        // a high surrogate waits for its partner
        if (n >= 2) {
            const unsigned unit = p[n - 2] | (p[n - 1] << 8);
            if (unit >= 0xD800 && unit <= 0xDBFF) n -= 2;
        }
        return n;
    }
    while (n > 0 && (p[n] & 0xC0) == 0x80) --n;
    return n;
}

}  // namespace

int fetch_pieces(sqlite3_stmt* st, int col, source_kind kind, const piece_slot& p) {
    const bool binary = p.dty == SQLT_BIN || p.dty == SQLT_LBI;
    if (!binary && p.dty != SQLT_CHR && p.dty != SQLT_LNG) return 932;
    const bool null = is_null(st, col, kind);
    // The whole value in the define's external type: stored bytes as they are, text in the
    // client's encoding (measured first, then written).
    const unsigned char* data = nullptr;
    size_t size = 0;
    std::string text;
    if (!null && binary) {
        if (kind != source_kind::raw && kind != source_kind::long_raw && kind != source_kind::blob) return 932;
        data = static_cast<const unsigned char*>(sqlite3_column_blob(st, col));
        size = static_cast<size_t>(sqlite3_column_bytes(st, col));
    } else if (!null) {
        text_writer measure(p.utf16, nullptr, 0);
        if (const int rc = write_text(st, col, kind, measure)) return rc;
        text.resize(measure.total());
        text_writer w(p.utf16, text.data(), text.size());
        write_text(st, col, kind, w);
        data = reinterpret_cast<const unsigned char*>(text.data());
        size = w.written();
    }
    ub1 piece = OCI_FIRST_PIECE;
    size_t sent = 0;
    for (;;) {
        void* buffer = nullptr;
        ub4* length = nullptr;
        void* indicator = nullptr;
        ub2* rcode = nullptr;
        ub1 asked = piece;
        if (p.callback(p.context, p.define, p.row, &buffer, &length, &asked, &indicator, &rcode) != OCI_CONTINUE)
            return 24343;
        auto* ind = static_cast<sb2*>(indicator);
        if (null) {
            if (!ind) return 1405;
            *ind = -1;
            if (length) *length = 0;
            if (rcode) *rcode = 1405;
            return ok;
        }
        if (!buffer || !length) return 24343;
        const size_t left = size - sent;
        const size_t room = std::min<size_t>(*length, p.limit - sent);
        const size_t n = whole_characters(data + sent, std::min(room, left), left, p.dty, p.utf16);
        if (n) std::memcpy(buffer, data + sent, n);
        *length = static_cast<ub4>(n);
        sent += n;
        // a value past the limit, or a buffer too small for its next character, ends cut
        const bool done = sent == size;
        const bool cut = !done && (sent >= p.limit || n == 0);
        if (ind) *ind = cut ? indicator_for_length(size) : sb2(0);
        if (rcode) *rcode = cut ? static_cast<ub2>(truncated_code) : 0;
        if (done) return ok;
        if (cut) return truncated_code;
        piece = OCI_NEXT_PIECE;
    }
}

size_t print_number(double value, char* out, size_t capacity) {
    if (!std::isfinite(value)) return format_decimal(decimal_parts{}, out, capacity, true);
    decimal_parts d = decompose(value);
    return format_decimal(d, out, capacity, true);
}

size_t print_binary_double(double value, char* out, size_t capacity) {
    const char* special = nullptr;
    if (std::isnan(value))
        special = "Nan";
    else if (std::isinf(value))
        special = value > 0 ? "Inf" : "-Inf";
    else if (value == 0)
        special = "0";
    if (special) {
        const size_t n = std::min(std::strlen(special), capacity);
        std::memcpy(out, special, n);  // NOLINT(bugprone-not-null-terminated-result): the text is counted
        return n;
    }
    const decimal_parts d = decompose(value);
    char buf[64];
    char* p = buf;
    if (d.negative) *p++ = '-';
    *p++ = d.digits[0];
    *p++ = '.';
    if (d.count > 1) {
        for (int i = 1; i < d.count; ++i) *p++ = d.digits[i];
    } else {
        *p++ = '0';
    }
    const int e = d.exponent - 1;
    *p++ = 'E';
    *p++ = e < 0 ? '-' : '+';
    const int a = e < 0 ? -e : e;
    *p++ = static_cast<char>('0' + a / 100);
    *p++ = static_cast<char>('0' + (a / 10) % 10);
    *p++ = static_cast<char>('0' + a % 10);
    const size_t n = std::min(static_cast<size_t>(p - buf), capacity);
    std::memcpy(out, buf, n);
    return n;
}

int fetch_value(sqlite3_stmt* st, int col, source_kind kind, const column_desc& desc, const fetch_slot& s) {
    if (is_null(st, col, kind)) {
        if (!s.ind) return 1405;
        set_status(s, -1, 0, 1405);
        return ok;
    }
    if (is_text_dty(s.dty)) return fetch_text(st, col, kind, s);
    switch (s.dty) {
        case SQLT_INT:
        case SQLT_UIN:
            if (!reads_as_number(kind)) return 932;
            return fetch_integer(st, col, s);
        case SQLT_FLT:
        case SQLT_BDOUBLE:
        case SQLT_BFLOAT:
            if (!reads_as_number(kind)) return 932;
            return fetch_float(st, col, s);
        case SQLT_DAT:
            return fetch_date(st, col, kind, s);
        case SQLT_TIMESTAMP:
        case SQLT_TIMESTAMP_TZ:
        case SQLT_TIMESTAMP_LTZ:
            return fetch_datetime(st, col, kind, s);
        case SQLT_BIN:
        case SQLT_LBI:
            return fetch_binary(st, col, kind, s);
        case SQLT_CLOB:
        case SQLT_BLOB:
            return fetch_lob(st, col, kind, desc, s);
        case SQLT_BFILEE:
            return fetch_bfile(st, col, kind, s);
        default:
            return 932;
    }
}

}  // namespace ocilite
