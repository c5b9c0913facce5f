#include "ocilite/ora_types.h"

#include <iterator>
#include <string_view>

#include "compat/text/text.h"
#include "ocilite/ora_errors.h"

namespace ocilite {

namespace {
constexpr int bytes_per_char = 4;   // AL32UTF8 database character set
constexpr int nbytes_per_char = 2;  // AL16UTF16 national character set

int opt_or(std::optional<int> v, int d) { return v ? *v : d; }

// Each kind's DATA_TYPE (also its describe name; timestamps and intervals add their precisions
// in the catalog), describe's type code and the DATA_LENGTH of the kinds of one size.
struct kind_row {
    ora_kind kind;
    std::string_view name;
    int code;
    int length;
};
constexpr kind_row kinds[] = {
    {ora_kind::varchar2, "VARCHAR2", type_code::varchar2, 0},
    {ora_kind::nvarchar2, "NVARCHAR2", type_code::varchar2, 0},
    {ora_kind::fixed_char, "CHAR", type_code::fixed_char, 0},
    {ora_kind::nchar, "NCHAR", type_code::fixed_char, 0},
    {ora_kind::number, "NUMBER", type_code::number, 22},
    {ora_kind::float_number, "FLOAT", type_code::number, 22},
    {ora_kind::date, "DATE", type_code::date, 7},
    {ora_kind::timestamp, "TIMESTAMP", type_code::timestamp, 11},
    {ora_kind::timestamp_tz, "TIMESTAMP WITH TIME ZONE", type_code::timestamp_tz, 13},
    {ora_kind::timestamp_ltz, "TIMESTAMP WITH LOCAL TIME ZONE", type_code::timestamp_ltz, 11},
    {ora_kind::interval_ym, "INTERVAL YEAR TO MONTH", type_code::interval_ym, 5},
    {ora_kind::interval_ds, "INTERVAL DAY TO SECOND", type_code::interval_ds, 11},
    {ora_kind::raw, "RAW", type_code::raw, 0},
    {ora_kind::long_text, "LONG", type_code::long_text, 0},
    {ora_kind::long_raw, "LONG RAW", type_code::long_raw, 0},
    {ora_kind::rowid, "ROWID", type_code::rowid, 10},
    {ora_kind::clob, "CLOB", type_code::clob, 4000},
    {ora_kind::nclob, "NCLOB", type_code::clob, 4000},
    {ora_kind::blob, "BLOB", type_code::blob, 4000},
    {ora_kind::bfile, "BFILE", type_code::bfile, 530},
    {ora_kind::binary_double, "BINARY_DOUBLE", type_code::binary_double, 8},
    {ora_kind::binary_float, "BINARY_FLOAT", type_code::binary_float, 4},
};

constexpr bool in_kind_order() {
    for (size_t i = 0; i < std::size(kinds); ++i)
        if (static_cast<size_t>(kinds[i].kind) != i) return false;
    return std::size(kinds) == static_cast<size_t>(ora_kind::binary_float) + 1;
}
static_assert(in_kind_order(), "one row per kind, in the order of ora_kind");

const kind_row& row_of(ora_kind k) { return kinds[static_cast<size_t>(k)]; }

// The kind whose DATA_TYPE is name, for the names that stand alone.
std::optional<ora_kind> kind_named(std::string_view name) {
    for (const kind_row& r : kinds)
        if (name == r.name) return r.kind;
    return std::nullopt;
}
}  // namespace

bool ora_column_type::is_text() const {
    return kind == ora_kind::varchar2 || kind == ora_kind::nvarchar2 || kind == ora_kind::fixed_char ||
           kind == ora_kind::nchar;
}
bool ora_column_type::is_numeric() const {
    return kind == ora_kind::number || kind == ora_kind::float_number || kind == ora_kind::binary_double ||
           kind == ora_kind::binary_float;
}

std::string ora_column_type::data_type() const {
    switch (kind) {
        case ora_kind::timestamp:
            return "TIMESTAMP(" + std::to_string(opt_or(scale, 6)) + ")";
        case ora_kind::timestamp_tz:
            return "TIMESTAMP(" + std::to_string(opt_or(scale, 6)) + ") WITH TIME ZONE";
        case ora_kind::timestamp_ltz:
            return "TIMESTAMP(" + std::to_string(opt_or(scale, 6)) + ") WITH LOCAL TIME ZONE";
        case ora_kind::interval_ym:
            return "INTERVAL YEAR(" + std::to_string(opt_or(precision, 2)) + ") TO MONTH";
        case ora_kind::interval_ds:
            return "INTERVAL DAY(" + std::to_string(opt_or(precision, 2)) + ") TO SECOND(" +
                   std::to_string(opt_or(scale, 6)) + ")";
        default:
            return std::string(row_of(kind).name);
    }
}

int ora_column_type::data_length() const {
    switch (kind) {
        case ora_kind::varchar2:
        case ora_kind::fixed_char:
            return char_semantics ? std::min(length * bytes_per_char, kind == ora_kind::varchar2 ? 4000 : 2000)
                                  : length;
        case ora_kind::nvarchar2:
        case ora_kind::nchar:
            return length * nbytes_per_char;
        case ora_kind::raw:
            return length;
        default:
            return row_of(kind).length;
    }
}

std::optional<int> ora_column_type::data_precision() const {
    switch (kind) {
        case ora_kind::number:
            return precision;
        case ora_kind::float_number:
            return opt_or(precision, 126);
        case ora_kind::interval_ym:
        case ora_kind::interval_ds:
            return opt_or(precision, 2);
        default:
            return std::nullopt;
    }
}

std::optional<int> ora_column_type::data_scale() const {
    switch (kind) {
        case ora_kind::number:
            return scale;
        case ora_kind::timestamp:
        case ora_kind::timestamp_tz:
        case ora_kind::timestamp_ltz:
        case ora_kind::interval_ds:
            return opt_or(scale, 6);
        case ora_kind::interval_ym:
            return 0;
        default:
            return std::nullopt;
    }
}

int ora_column_type::char_length() const { return is_text() ? length : 0; }

std::optional<std::string> ora_column_type::char_used() const {
    if (!is_text()) return std::nullopt;
    return char_semantics ? "C" : "B";
}

column_desc ora_column_type::describe(const std::u16string& name, bool nullable) const {
    column_desc d{name, type_code::varchar2, u"VARCHAR2", data_length(), 0, 0, nullable, 1};
    d.char_size = char_length();
    d.char_used = is_text() && char_semantics;
    const kind_row& row = row_of(kind);
    d.type_code = row.code;
    d.type_name.assign(row.name.begin(), row.name.end());
    switch (kind) {
        case ora_kind::nvarchar2:
        case ora_kind::nchar:
        case ora_kind::nclob:
            d.charset_form = 2;
            break;
        case ora_kind::number:
            // NUMBER describes as precision 0 / scale -127; INTEGER (NUMBER(*,0)) as 38 / 0.
            d.precision = precision ? *precision : (scale ? 38 : 0);
            d.scale = precision || scale ? opt_or(scale, 0) : -127;
            break;
        case ora_kind::float_number:
            d.precision = opt_or(precision, 126);
            d.scale = -127;
            break;
        case ora_kind::timestamp:
        case ora_kind::timestamp_tz:
        case ora_kind::timestamp_ltz:
            d.scale = opt_or(scale, 6);
            break;
        case ora_kind::interval_ym:
            d.precision = opt_or(precision, 2);
            break;
        case ora_kind::interval_ds:
            d.precision = opt_or(precision, 2);
            d.scale = opt_or(scale, 6);
            break;
        default:
            break;
    }
    return d;
}

ora_column_type ora_column_type::from_catalog(const std::string& dt, int data_length, std::optional<int> data_precision,
                                              std::optional<int> data_scale, int char_length,
                                              const std::string& char_used) {
    ora_column_type t;
    t.precision = data_precision;
    t.scale = data_scale;
    auto starts = [&](const char* p) { return dt.rfind(p, 0) == 0; };
    if (starts("TIMESTAMP") && dt.find("LOCAL") != std::string::npos)
        t.kind = ora_kind::timestamp_ltz;
    else if (starts("TIMESTAMP") && dt.find("ZONE") != std::string::npos)
        t.kind = ora_kind::timestamp_tz;
    else if (starts("TIMESTAMP"))
        t.kind = ora_kind::timestamp;
    else if (starts("INTERVAL YEAR"))
        t.kind = ora_kind::interval_ym;
    else if (starts("INTERVAL DAY"))
        t.kind = ora_kind::interval_ds;
    else
        t.kind = kind_named(dt).value_or(ora_kind::varchar2);
    t.char_semantics = char_used == "C";
    if (t.is_text())
        t.length = char_length;
    else if (t.kind == ora_kind::raw)
        t.length = data_length;
    return t;
}

namespace {

std::optional<int> paren_int(sql_parser& p) {
    if (!p.accept_symbol("(")) return std::nullopt;
    int v = p.integer();
    p.expect_symbol(")");
    return v;
}

void text_length(sql_parser& p, ora_column_type& t, bool required, int max_bytes) {
    if (!p.accept_symbol("(")) {
        if (required) raise_ora(906, "missing left parenthesis", p.peek().line);
        t.length = 1;
        return;
    }
    int line = p.peek().line;
    t.length = p.integer();
    if (p.accept_word("CHAR"))
        t.char_semantics = true;
    else
        p.accept_word("BYTE");
    p.expect_symbol(")");
    if (t.kind == ora_kind::nvarchar2 || t.kind == ora_kind::nchar) t.char_semantics = true;
    int bytes = t.kind == ora_kind::nvarchar2 || t.kind == ora_kind::nchar ? t.length * 2 : t.length;
    if (t.length < 1 || (!t.char_semantics && bytes > max_bytes) ||
        ((t.kind == ora_kind::nvarchar2 || t.kind == ora_kind::nchar) && bytes > max_bytes) ||
        (t.char_semantics && t.length > max_bytes))
        raise_ora(910, "specified length too long for its datatype", line);
}

}  // namespace

ora_column_type parse_column_type(sql_parser& p) {
    ora_column_type t;
    const token& tok = p.peek();
    if (tok.kind != token_kind::identifier) raise_ora(902, "invalid datatype", tok.line);
    std::string w = p.next().text;
    int line = tok.line;
    if (w == "VARCHAR2" || w == "VARCHAR") {
        t.kind = ora_kind::varchar2;
        text_length(p, t, true, 4000);
    } else if (w == "NVARCHAR2") {
        t.kind = ora_kind::nvarchar2;
        text_length(p, t, true, 4000);
    } else if (w == "CHAR" || w == "CHARACTER") {
        t.kind = ora_kind::fixed_char;
        if (p.accept_word("VARYING")) t.kind = ora_kind::varchar2;
        text_length(p, t, t.kind == ora_kind::varchar2, 2000);
    } else if (w == "NCHAR") {
        t.kind = ora_kind::nchar;
        if (p.accept_word("VARYING")) t.kind = ora_kind::nvarchar2;
        text_length(p, t, t.kind == ora_kind::nvarchar2, t.kind == ora_kind::nchar ? 2000 : 4000);
        t.char_semantics = true;
    } else if (w == "NUMBER" || w == "NUMERIC" || w == "DECIMAL" || w == "DEC") {
        t.kind = ora_kind::number;
        if (p.accept_symbol("(")) {
            if (p.accept_symbol("*")) {
                t.precision = std::nullopt;
            } else {
                int pl = p.peek().line;
                t.precision = p.integer();
                if (*t.precision < 1 || *t.precision > 38)
                    raise_ora(1727, "numeric precision specifier is out of range (1 to 38)", pl);
            }
            t.scale = 0;
            if (p.accept_symbol(",")) {
                int sl = p.peek().line;
                bool neg = p.accept_symbol("-");
                int s = p.integer();
                t.scale = neg ? -s : s;
                if (*t.scale < -84 || *t.scale > 127)
                    raise_ora(1728, "numeric scale specifier is out of range (-84 to 127)", sl);
            }
            p.expect_symbol(")");
        } else if (w != "NUMBER") {
            t.scale = 0;  // DECIMAL / NUMERIC without precision are NUMBER(*,0)
        }
    } else if (w == "INTEGER" || w == "INT" || w == "SMALLINT") {
        t.kind = ora_kind::number;
        t.scale = 0;
    } else if (w == "FLOAT") {
        t.kind = ora_kind::float_number;
        t.precision = paren_int(p);
        if (t.precision && (*t.precision < 1 || *t.precision > 126))
            raise_ora(1724, "floating point precision is out of range (1 to 126)", line);
    } else if (w == "REAL") {
        t.kind = ora_kind::float_number;
        t.precision = 63;
    } else if (w == "DOUBLE" && p.accept_word("PRECISION")) {
        t.kind = ora_kind::float_number;
        t.precision = 126;
    } else if (w == "DATE") {
        t.kind = ora_kind::date;
    } else if (w == "TIMESTAMP") {
        t.kind = ora_kind::timestamp;
        t.scale = paren_int(p).value_or(6);
        if (*t.scale > 9) raise_ora(30088, "datetime/interval precision is out of range", line);
        if (p.accept_word("WITH")) {
            if (p.accept_word("LOCAL"))
                t.kind = ora_kind::timestamp_ltz;
            else
                t.kind = ora_kind::timestamp_tz;
            p.expect_word("TIME");
            p.expect_word("ZONE");
        }
    } else if (w == "INTERVAL") {
        if (p.accept_word("YEAR")) {
            t.kind = ora_kind::interval_ym;
            t.precision = paren_int(p).value_or(2);
            p.expect_word("TO");
            p.expect_word("MONTH");
        } else if (p.accept_word("DAY")) {
            t.kind = ora_kind::interval_ds;
            t.precision = paren_int(p).value_or(2);
            p.expect_word("TO");
            p.expect_word("SECOND");
            t.scale = paren_int(p).value_or(6);
        } else {
            raise_ora(902, "invalid datatype", line);
        }
        if (*t.precision > 9 || (t.scale && *t.scale > 9))
            raise_ora(30088, "datetime/interval precision is out of range", line);
    } else if (w == "RAW") {
        t.kind = ora_kind::raw;
        t.precision = std::nullopt;
        auto n = paren_int(p);
        if (!n) raise_ora(906, "missing left parenthesis", line);
        if (*n < 1 || *n > 2000) raise_ora(910, "specified length too long for its datatype", line);
        t.length = *n;
    } else if (w == "LONG") {
        t.kind = p.accept_word("RAW") ? ora_kind::long_raw : ora_kind::long_text;
    } else if (w == "ROWID" || w == "UROWID") {
        t.kind = ora_kind::rowid;
        paren_int(p);
    } else if (w == "CLOB" || w == "NCLOB" || w == "BLOB" || w == "BFILE" || w == "BINARY_DOUBLE" ||
               w == "BINARY_FLOAT") {
        t.kind = *kind_named(w);
    } else {
        raise_ora(902, "invalid datatype", line);
    }
    return t;
}

}  // namespace ocilite
