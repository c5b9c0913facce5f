#include "ocilite/ora_types.h"

#include "compat/text/text.h"
#include "ocilite/ora_errors.h"

namespace ocilite {

namespace {
constexpr int bytes_per_char = 4;   // AL32UTF8 database character set
constexpr int nbytes_per_char = 2;  // AL16UTF16 national character set

int opt_or(std::optional<int> v, int d) { return v ? *v : d; }
}  // namespace

bool ora_column_type::is_text() const {
    return kind == ora_kind::varchar2 || kind == ora_kind::nvarchar2 || kind == ora_kind::fixed_char ||
           kind == ora_kind::nchar;
}
bool ora_column_type::is_numeric() const {
    return kind == ora_kind::number || kind == ora_kind::float_number || kind == ora_kind::binary_double ||
           kind == ora_kind::binary_float;
}
bool ora_column_type::is_lob() const {
    return kind == ora_kind::clob || kind == ora_kind::nclob || kind == ora_kind::blob;
}
bool ora_column_type::is_binary() const {
    return kind == ora_kind::raw || kind == ora_kind::long_raw || kind == ora_kind::blob;
}

std::string ora_column_type::data_type() const {
    switch (kind) {
        case ora_kind::varchar2:
            return "VARCHAR2";
        case ora_kind::nvarchar2:
            return "NVARCHAR2";
        case ora_kind::fixed_char:
            return "CHAR";
        case ora_kind::nchar:
            return "NCHAR";
        case ora_kind::number:
            return "NUMBER";
        case ora_kind::float_number:
            return "FLOAT";
        case ora_kind::date:
            return "DATE";
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
        case ora_kind::raw:
            return "RAW";
        case ora_kind::long_text:
            return "LONG";
        case ora_kind::long_raw:
            return "LONG RAW";
        case ora_kind::rowid:
            return "ROWID";
        case ora_kind::clob:
            return "CLOB";
        case ora_kind::nclob:
            return "NCLOB";
        case ora_kind::blob:
            return "BLOB";
        case ora_kind::bfile:
            return "BFILE";
        case ora_kind::binary_double:
            return "BINARY_DOUBLE";
        case ora_kind::binary_float:
            return "BINARY_FLOAT";
    }
    return "VARCHAR2";
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
        case ora_kind::number:
        case ora_kind::float_number:
            return 22;
        case ora_kind::date:
            return 7;
        case ora_kind::timestamp:
        case ora_kind::timestamp_ltz:
            return 11;
        case ora_kind::timestamp_tz:
            return 13;
        case ora_kind::interval_ym:
            return 5;
        case ora_kind::interval_ds:
            return 11;
        case ora_kind::long_text:
        case ora_kind::long_raw:
            return 0;
        case ora_kind::rowid:
            return 10;
        case ora_kind::clob:
        case ora_kind::nclob:
        case ora_kind::blob:
            return 4000;
        case ora_kind::bfile:
            return 530;
        case ora_kind::binary_double:
            return 8;
        case ora_kind::binary_float:
            return 4;
    }
    return 0;
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
    auto set = [&](int code, const char16_t* type_name) {
        d.type_code = code;
        d.type_name = type_name;
    };
    switch (kind) {
        case ora_kind::varchar2:
            break;
        case ora_kind::nvarchar2:
            set(type_code::varchar2, u"NVARCHAR2");
            d.charset_form = 2;
            break;
        case ora_kind::fixed_char:
            set(type_code::fixed_char, u"CHAR");
            break;
        case ora_kind::nchar:
            set(type_code::fixed_char, u"NCHAR");
            d.charset_form = 2;
            break;
        case ora_kind::number:
            set(type_code::number, u"NUMBER");
            // NUMBER describes as precision 0 / scale -127; INTEGER (NUMBER(*,0)) as 38 / 0.
            d.precision = precision ? *precision : (scale ? 38 : 0);
            d.scale = precision || scale ? opt_or(scale, 0) : -127;
            break;
        case ora_kind::float_number:
            set(type_code::number, u"FLOAT");
            d.precision = opt_or(precision, 126);
            d.scale = -127;
            break;
        case ora_kind::date:
            set(type_code::date, u"DATE");
            break;
        case ora_kind::timestamp:
            set(type_code::timestamp, u"TIMESTAMP");
            d.scale = opt_or(scale, 6);
            break;
        case ora_kind::timestamp_tz:
            set(type_code::timestamp_tz, u"TIMESTAMP WITH TIME ZONE");
            d.scale = opt_or(scale, 6);
            break;
        case ora_kind::timestamp_ltz:
            set(type_code::timestamp_ltz, u"TIMESTAMP WITH LOCAL TIME ZONE");
            d.scale = opt_or(scale, 6);
            break;
        case ora_kind::interval_ym:
            set(type_code::interval_ym, u"INTERVAL YEAR TO MONTH");
            d.precision = opt_or(precision, 2);
            break;
        case ora_kind::interval_ds:
            set(type_code::interval_ds, u"INTERVAL DAY TO SECOND");
            d.precision = opt_or(precision, 2);
            d.scale = opt_or(scale, 6);
            break;
        case ora_kind::raw:
            set(type_code::raw, u"RAW");
            break;
        case ora_kind::long_text:
            set(type_code::long_text, u"LONG");
            break;
        case ora_kind::long_raw:
            set(type_code::long_raw, u"LONG RAW");
            break;
        case ora_kind::rowid:
            set(type_code::rowid, u"ROWID");
            break;
        case ora_kind::clob:
            set(type_code::clob, u"CLOB");
            break;
        case ora_kind::nclob:
            set(type_code::clob, u"NCLOB");
            d.charset_form = 2;
            break;
        case ora_kind::blob:
            set(type_code::blob, u"BLOB");
            break;
        case ora_kind::bfile:
            set(type_code::bfile, u"BFILE");
            break;
        case ora_kind::binary_double:
            set(type_code::binary_double, u"BINARY_DOUBLE");
            break;
        case ora_kind::binary_float:
            set(type_code::binary_float, u"BINARY_FLOAT");
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
    if (dt == "VARCHAR2")
        t.kind = ora_kind::varchar2;
    else if (dt == "NVARCHAR2")
        t.kind = ora_kind::nvarchar2;
    else if (dt == "CHAR")
        t.kind = ora_kind::fixed_char;
    else if (dt == "NCHAR")
        t.kind = ora_kind::nchar;
    else if (dt == "NUMBER")
        t.kind = ora_kind::number;
    else if (dt == "FLOAT")
        t.kind = ora_kind::float_number;
    else if (dt == "DATE")
        t.kind = ora_kind::date;
    else if (starts("TIMESTAMP") && dt.find("LOCAL") != std::string::npos)
        t.kind = ora_kind::timestamp_ltz;
    else if (starts("TIMESTAMP") && dt.find("ZONE") != std::string::npos)
        t.kind = ora_kind::timestamp_tz;
    else if (starts("TIMESTAMP"))
        t.kind = ora_kind::timestamp;
    else if (starts("INTERVAL YEAR"))
        t.kind = ora_kind::interval_ym;
    else if (starts("INTERVAL DAY"))
        t.kind = ora_kind::interval_ds;
    else if (dt == "RAW")
        t.kind = ora_kind::raw;
    else if (dt == "LONG")
        t.kind = ora_kind::long_text;
    else if (dt == "LONG RAW")
        t.kind = ora_kind::long_raw;
    else if (dt == "ROWID")
        t.kind = ora_kind::rowid;
    else if (dt == "CLOB")
        t.kind = ora_kind::clob;
    else if (dt == "NCLOB")
        t.kind = ora_kind::nclob;
    else if (dt == "BLOB")
        t.kind = ora_kind::blob;
    else if (dt == "BFILE")
        t.kind = ora_kind::bfile;
    else if (dt == "BINARY_DOUBLE")
        t.kind = ora_kind::binary_double;
    else if (dt == "BINARY_FLOAT")
        t.kind = ora_kind::binary_float;
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
    } else if (w == "CLOB") {
        t.kind = ora_kind::clob;
    } else if (w == "NCLOB") {
        t.kind = ora_kind::nclob;
    } else if (w == "BLOB") {
        t.kind = ora_kind::blob;
    } else if (w == "BFILE") {
        t.kind = ora_kind::bfile;
    } else if (w == "BINARY_DOUBLE") {
        t.kind = ora_kind::binary_double;
    } else if (w == "BINARY_FLOAT") {
        t.kind = ora_kind::binary_float;
    } else {
        raise_ora(902, "invalid datatype", line);
    }
    return t;
}

}  // namespace ocilite
