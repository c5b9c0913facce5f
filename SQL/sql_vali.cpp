#include "SQL/sql_vali.h"

#include <string_view>

#include "TK/tk_trace.h"
#include "UDB/udb_word.h"

using compat::wstring;

namespace {

bool all_digits(const wstring& s) {
    if (s.empty()) return false;
    for (auto c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Letters and digits of ASCII only: a dump for these servers cannot prepare a statement,
// so a name beyond ASCII could not be written in ASCII.
bool old_rule_char(char16_t c) { return (c < 0x80 && udb::is_alnum(c)) || c == u'_' || c == u'$'; }

}  // namespace

// ---- old family ---------------------------------------------------------------------

const std::vector<const char16_t*>& sql_old_validator::reserved_words() {
    static const std::vector<const char16_t*> words = {u"add",
                                                       u"all",
                                                       u"alter",
                                                       u"and",
                                                       u"as",
                                                       u"asc",
                                                       u"between",
                                                       u"bigint",
                                                       u"binary",
                                                       u"blob",
                                                       u"both",
                                                       u"by",
                                                       u"cascade",
                                                       u"case",
                                                       u"char",
                                                       u"character",
                                                       u"change",
                                                       u"column",
                                                       u"columns",
                                                       u"constraint",
                                                       u"create",
                                                       u"cross",
                                                       u"current_date",
                                                       u"current_time",
                                                       u"current_timestamp",
                                                       u"database",
                                                       u"databases",
                                                       u"day_hour",
                                                       u"day_minute",
                                                       u"day_second",
                                                       u"dec",
                                                       u"decimal",
                                                       u"default",
                                                       u"delayed",
                                                       u"delete",
                                                       u"desc",
                                                       u"describe",
                                                       u"distinct",
                                                       u"distinctrow",
                                                       u"double",
                                                       u"drop",
                                                       u"else",
                                                       u"escaped",
                                                       u"enclosed",
                                                       u"explain",
                                                       u"exists",
                                                       u"fields",
                                                       u"float",
                                                       u"float4",
                                                       u"float8",
                                                       u"foreign",
                                                       u"from",
                                                       u"for",
                                                       u"grant",
                                                       u"group",
                                                       u"having",
                                                       u"high_priority",
                                                       u"hour_minute",
                                                       u"hour_second",
                                                       u"ignore",
                                                       u"in",
                                                       u"index",
                                                       u"infile",
                                                       u"inner",
                                                       u"insert",
                                                       u"insert_id",
                                                       u"int",
                                                       u"int1",
                                                       u"int2",
                                                       u"int3",
                                                       u"int4",
                                                       u"int8",
                                                       u"integer",
                                                       u"interval",
                                                       u"into",
                                                       u"if",
                                                       u"is",
                                                       u"join",
                                                       u"key",
                                                       u"keys",
                                                       u"kill",
                                                       u"last_insert_id",
                                                       u"leading",
                                                       u"left",
                                                       u"like",
                                                       u"lines",
                                                       u"limit",
                                                       u"load",
                                                       u"lock",
                                                       u"long",
                                                       u"longblob",
                                                       u"longtext",
                                                       u"low_priority",
                                                       u"match",
                                                       u"mediumblob",
                                                       u"mediumtext",
                                                       u"mediumint",
                                                       u"middleint",
                                                       u"minute_second",
                                                       u"natural",
                                                       u"numeric",
                                                       u"not",
                                                       u"null",
                                                       u"on",
                                                       u"optimize",
                                                       u"option",
                                                       u"optionally",
                                                       u"or",
                                                       u"order",
                                                       u"outer",
                                                       u"outfile",
                                                       u"partial",
                                                       u"precision",
                                                       u"primary",
                                                       u"procedure",
                                                       u"privileges",
                                                       u"read",
                                                       u"real",
                                                       u"regexp",
                                                       u"rename",
                                                       u"replace",
                                                       u"restrict",
                                                       u"returns",
                                                       u"revoke",
                                                       u"rlike",
                                                       u"select",
                                                       u"set",
                                                       u"show",
                                                       u"smallint",
                                                       u"soname",
                                                       u"sql_big_tables",
                                                       u"sql_big_selects",
                                                       u"sql_low_priority_updates",
                                                       u"sql_log_off",
                                                       u"sql_log_update",
                                                       u"sql_select_limit",
                                                       u"sql_small_result",
                                                       u"sql_big_result",
                                                       u"sql_warnings",
                                                       u"straight_join",
                                                       u"starting",
                                                       u"table",
                                                       u"tables",
                                                       u"terminated",
                                                       u"then",
                                                       u"tinyblob",
                                                       u"tinytext",
                                                       u"tinyint",
                                                       u"trailing",
                                                       u"to",
                                                       u"usage",
                                                       u"use",
                                                       u"using",
                                                       u"unique",
                                                       u"unlock",
                                                       u"unsigned",
                                                       u"update",
                                                       u"values",
                                                       u"varchar",
                                                       u"varying",
                                                       u"varbinary",
                                                       u"with",
                                                       u"write",
                                                       u"when",
                                                       u"where",
                                                       u"year_month",
                                                       u"zerofill"};
    return words;
}

sql_old_validator::sql_old_validator() : udb_validator(max_name_len) {
    tk_log::log(2, "sql_old_validator::ctor");
    for (const char16_t* w : reserved_words()) add_restricted_name(w);
}

bool sql_old_validator::is_acceptable(const wstring& name) const {
    tk_log::log(1, u"sql_old_validator::is_acceptable(%s)", name);
    if (!udb_validator::is_acceptable(name)) return false;
    // A bare name needs at least one character to stay a name.
    if (name.empty()) return false;
    for (auto c : name) {
        if (!old_rule_char(c)) {
            tk_log::log(1, u"Name contains invalid symbol: '%s'", wstring(1, c));
            return false;
        }
    }
    if (all_digits(name)) {
        tk_log::log(1, "Name consists of digits only");
        return false;
    }
    return true;
}

wstring sql_old_validator::replace_symbols(const wstring& name) const {
    wstring s = name;
    for (auto& c : s)
        if (!old_rule_char(c)) c = u'_';
    // Nothing numbered from an empty or all-digit base could be accepted.
    if (s.empty())
        s.assign(1, u'_');
    else if (all_digits(s))
        s[0] = u'_';
    return s;
}

wstring sql_old_validator::get_safe_name(const wstring& name) const {
    tk_log::log(1, u"sql_old_validator::get_safe_name(%s)", name);
    wstring s = replace_symbols(name);
    if (is_acceptable(s) && !is_duplicated(s)) return s;
    // Numbering cuts a long base to make room for its digits; a base whose kept part is
    // all digits would stay refused whatever number follows it.
    const size_t kept = get_max_len() > 6 ? get_max_len() - 6 : 0;
    if (s.size() + 5 > get_max_len() && kept > 0 && all_digits(s.substr(0, kept))) s[0] = u'_';
    return udb_validator::get_safe_name(s);
}

sql_old_dn_validator::sql_old_dn_validator() { tk_log::log(2, "sql_old_dn_validator::ctor"); }

bool sql_old_dn_validator::is_acceptable(const wstring& name) const {
    tk_log::log(1, u"sql_old_dn_validator::is_acceptable(%s)", name);
    if (name.empty() || is_digit(name[0])) return false;
    return sql_old_validator::is_acceptable(name);
}

wstring sql_old_dn_validator::get_safe_name(const wstring& name) const {
    wstring s = replace_symbols(name);
    // Numbering keeps the first character, so a leading digit must go first.
    if (is_digit(s[0])) s[0] = u'_';
    // Past the old rule's own cut of an all-digit base, which the rule above covers.
    return udb_validator::get_safe_name(s);  // NOLINT(bugprone-parent-virtual-call)
}

sql_old_tn_validator::sql_old_tn_validator(const sql_names& tables, const sql_names& existing) {
    tk_log::log(2, "sql_old_tn_validator::ctor");
    for (const auto& n : tables) add_existing_name(n);
    for (const auto& n : existing) add_existing_name(n);
}

sql_old_fn_validator::sql_old_fn_validator(const udb_schema& schema) {
    tk_log::log(2, "sql_old_fn_validator::ctor( const udb_schema& )");
    for (size_t i = 0; i < schema.size(); ++i) add_existing_name(schema[i]->name);
}

sql_old_fn_validator::sql_old_fn_validator(const udb_record& record) {
    tk_log::log(2, "sql_old_fn_validator::ctor( const udb_schema& )");
    for (size_t i = 0; i < record.size(); ++i) add_existing_name(record[i]->name);
}

sql_old_in_validator::sql_old_in_validator(const udb_indexes& indexes) {
    tk_log::log(2, "sql_old_in_validator::ctor");
    for (const auto& idx : indexes) add_existing_name(idx.name);
}

// ---- new family ---------------------------------------------------------------------

sql_new_validator::sql_new_validator(size_t n_illegal) : udb_validator(max_name_len) {
    tk_log::log(2, "sql_new_validator::ctor");
    for (size_t i = 0; i < n_illegal && i < all_illegal; ++i) add_illegal_char(illegal_chars[i]);
}

namespace {
// MySQL identifiers hold no NUL and only characters of the Basic Multilingual Plane.
bool server_refuses(char16_t c) { return c == 0 || (c >= 0xD800 && c <= 0xDFFF); }
}  // namespace

bool sql_new_validator::is_acceptable(const wstring& name) const {
    tk_log::log(1, u"sql_new_validator::is_acceptable(%s)", name);
    if (name.empty() || name.size() > max_name_len) return false;
    if (name.front() == u' ' || name.back() == u' ') return false;
    for (auto c : name)
        if (server_refuses(c)) return false;
    return udb_validator::is_acceptable(name);
}

wstring sql_new_validator::get_safe_name(const wstring& name) const {
    tk_log::log(1, u"sql_new_validator::get_safe_name(%s)", name);
    wstring s = udb::trim_blanks(name);
    for (auto& c : s)
        if (server_refuses(c)) c = u'_';
    return udb_validator::get_safe_name(s);
}

sql_new_tn_validator::sql_new_tn_validator(const sql_names& tables, const sql_names& existing)
    : sql_new_validator(all_illegal) {
    tk_log::log(2, "sql_new_tn_validator::ctor");
    for (const auto& n : tables) add_existing_name(n);
    for (const auto& n : existing) add_existing_name(n);
}

namespace {

// The name of every column of a schema or a record as an existing name, each one traced.
template <class Columns>
void add_column_names(udb_validator& validator, const Columns& columns, std::string_view size_line,
                      std::string_view column_line) {
    tk_log::log(1, size_line, int(columns.size()));
    for (size_t i = 0; i < columns.size(); ++i) {
        tk_log::log(1, column_line, int(i));
        validator.add_existing_name(columns[i]->name);
    }
}

}  // namespace

sql_new_fn_validator::sql_new_fn_validator(const udb_schema& schema) : sql_new_validator(field_illegal) {
    tk_log::log(2, "sql_new_fn_validator::ctor( const udb_schema& )");
    add_column_names(*this, schema, "Schema size=%d", "Process schema[%d]");
    tk_log::log(2, "sql_new_fn_validator::ctor - end");
}

sql_new_fn_validator::sql_new_fn_validator(const udb_record& record) : sql_new_validator(field_illegal) {
    tk_log::log(2, "sql_new_fn_validator::ctor( const udb_record& )");
    add_column_names(*this, record, "Record size=%d", "Process record[%d]");
    tk_log::log(2, "sql_new_fn_validator::ctor - end");
}

sql_new_in_validator::sql_new_in_validator(const udb_indexes& indexes) : sql_new_validator(field_illegal) {
    tk_log::log(2, "sql_new_in_validator::ctor");
    // MySQL keeps the name PRIMARY, in any case, for the primary key
    add_restricted_name(u"PRIMARY");
    for (const auto& idx : indexes) add_existing_name(idx.name);
}

bool sql_is_server_database(compat::wstring_view name) {
    for (compat::wstring_view own : {u"mysql", u"information_schema", u"performance_schema", u"sys"})
        if (compat::equal_nocase(name, own)) return true;
    return false;
}
