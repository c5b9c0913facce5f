#include "ocilite/sql_translate.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "compat/text/text.h"
#include "ocilite/catalog_views.h"
#include "ocilite/ora_datetime.h"
#include "ocilite/ora_errors.h"
#include "ocilite/ora_number.h"
#include "ocilite/sql_parser.h"
#include "ocilite/store.h"

namespace ocilite {

namespace {

constexpr int max_view_depth = 16;

// Value classes the emitter tracks so that NUMBER texts compare as numbers.
enum class vclass { text, number, date, other };

struct emitted {
    std::string sql;
    column_desc desc;
    vclass cls = vclass::other;
    bool is_column = false;   // a bare column reference: emitted raw
    std::string raw_sql;      // the column's own SQL, for raw use
    std::string rowid_table;  // the ROWID pseudo-column of this data table (raw_sql: its rowid)
};

struct source_column {
    std::string name;
    std::string sql;  // e.g. s1.c3
    column_desc desc;
    vclass cls;
};

struct source {
    std::string qualifier;   // the alias, or the table's own name
    std::string table_name;  // Oracle name, for schema-qualified references
    bool has_rowid = false;  // a stored table (data or catalog): rows come in insertion order
    std::string data_table;  // t<N> of a data table
    std::string sql_alias;
    std::vector<source_column> columns;
};

struct scope {
    std::vector<source> sources;
    const scope* parent = nullptr;
};

struct query_result {
    std::string sql;
    std::vector<column_desc> columns;
    std::vector<vclass> classes;
    std::vector<std::string> item_sql;  // each item's expression, in its comparable (number) form
    std::vector<stored_cell> cells;     // per item, up to the last that has one
};

std::u16string u16(const std::string& s) { return compat::utf8_to_utf16(s); }

column_desc number_desc() { return {u"", type_code::number, u"NUMBER", 22, 0, -127, true, 1}; }
column_desc varchar_desc(int size) { return {u"", type_code::varchar2, u"VARCHAR2", size, 0, 0, true, 1}; }
column_desc char_desc(int size) { return {u"", type_code::fixed_char, u"CHAR", size, 0, 0, true, 1}; }
column_desc date_desc() { return {u"", type_code::date, u"DATE", 7, 0, 0, true, 1}; }

vclass class_of(const column_desc& d) {
    switch (d.type_code) {
        case type_code::number:
        case type_code::binary_double:
        case type_code::binary_float:
            return vclass::number;
        case type_code::varchar2:
        case type_code::fixed_char:
        case type_code::long_text:
        case type_code::clob:
            return vclass::text;
        case type_code::date:
        case type_code::timestamp:
        case type_code::timestamp_tz:
        case type_code::timestamp_ltz:
            return vclass::date;
        default:
            return vclass::other;
    }
}

std::string sql_string(std::string_view s) { return sqlite_quote(s, '\''); }

bool is_aggregate_name(const std::string& n) {
    return n == "COUNT" || n == "SUM" || n == "MIN" || n == "MAX" || n == "AVG";
}

bool has_aggregate(const expr& e) {
    if (e.kind == expr_kind::function && is_aggregate_name(e.text)) return true;
    for (const auto& a : e.args)
        if (has_aggregate(*a)) return true;
    return false;
}

class translator {
public:
    translator(sqlite3* db, int depth) : db_(db), depth_(depth) {}

    query_result query(const select_stmt& s, const std::vector<token>& tokens, const scope* parent) {
        // the branches of a compound share result columns: their items are values
        const bool lazy_lobs = lazy_lobs_;
        if (!s.compounds.empty()) lazy_lobs_ = false;
        query_result first = core(s.first, tokens, parent, s.order_by.empty() && s.compounds.empty());
        lazy_lobs_ = lazy_lobs;
        std::string sql = first.sql;
        for (const auto& [op, c] : s.compounds) {
            query_result next = core(c, tokens, parent, false);
            if (next.columns.size() != first.columns.size())
                raise_ora(1789, "query block has incorrect number of result columns");
            sql += " " + (op == "MINUS" ? std::string("EXCEPT") : op) + " " + next.sql;
        }
        if (!s.compounds.empty()) {
            // A compound result is ordered from outside, by its result columns c1..cN.
            sql = "SELECT * FROM (" + sql + ")";
            for (size_t i = 0; i < first.columns.size(); ++i) first.item_sql[i] = numeric_position(first, i + 1);
        }
        if (!s.order_by.empty()) sql += order_by(s, tokens, first, parent);
        // Wrapped so that the whole result can serve as a source or a subquery.
        first.sql = s.compounds.empty() && s.order_by.empty() ? sql : "SELECT * FROM (" + sql + ")";
        return first;
    }

private:
    // ORDER BY of the whole query: a select-list alias or position, or (for a simple query) any
    // expression over its sources.
    std::string order_by(const select_stmt& s, const std::vector<token>& tokens, const query_result& first,
                         const scope* parent) {
        std::string out = " ORDER BY ";
        for (size_t i = 0; i < s.order_by.size(); ++i) {
            const order_item& o = s.order_by[i];
            std::string term;
            const expr& e = *o.value;
            if (e.kind == expr_kind::number) {
                auto n = ora_number::parse(e.text);
                auto pos = n ? n->to_int64() : std::nullopt;
                if (!pos || *pos < 1 || *pos > static_cast<int64_t>(first.columns.size()))
                    raise_ora(1785, "ORDER BY item must be the number of a SELECT-list expression", e.line);
                term = first.item_sql[static_cast<size_t>(*pos) - 1];
            } else if (e.kind == expr_kind::name && e.parts.size() == 1 && alias_position(first, e.parts[0])) {
                term = first.item_sql[alias_position(first, e.parts[0]) - 1];
            } else if (s.compounds.empty() && last_scope_) {
                emitted x = expression(e, tokens, *last_scope_);
                term = x.sql;
            } else {
                raise_ora(1785, "ORDER BY item must be the number of a SELECT-list expression", e.line);
            }
            (void)parent;
            out += (i ? ", " : "") + term + (o.descending ? " DESC" : " ASC");
            int nulls = o.nulls ? o.nulls : (o.descending ? 1 : 2);  // Oracle: NULLs sort as the largest value
            out += nulls == 1 ? " NULLS FIRST" : " NULLS LAST";
        }
        return out;
    }

    std::string numeric_position(const query_result& r, size_t pos) {
        std::string c = "c" + std::to_string(pos);
        return r.classes[pos - 1] == vclass::number ? "(" + c + " + 0)" : c;
    }

    static size_t alias_position(const query_result& r, const std::string& name) {
        for (size_t i = 0; i < r.columns.size(); ++i)
            if (compat::utf16_to_utf8(r.columns[i].name) == name) return i + 1;
        return 0;
    }

    query_result core(const select_core& c, const std::vector<token>& tokens, const scope* parent, bool natural_order) {
        auto sc = std::make_unique<scope>();
        sc->parent = parent;
        std::string from;
        for (size_t i = 0; i < c.from.size(); ++i) {
            const table_ref& r = c.from[i];
            source src = resolve_source(r, tokens, *sc);
            std::string item = src.sql_alias;
            std::string text = from_sql_;
            if (i > 0) {
                switch (r.join) {
                    case join_kind::comma:
                        from += ", ";
                        break;
                    case join_kind::cross:
                        from += " CROSS JOIN ";
                        break;
                    case join_kind::inner:
                        from += " JOIN ";
                        break;
                    case join_kind::left:
                        from += " LEFT JOIN ";
                        break;
                    case join_kind::right:
                        from += " RIGHT JOIN ";
                        break;
                    case join_kind::full:
                        from += " FULL JOIN ";
                        break;
                }
            }
            from += text;
            sc->sources.push_back(std::move(src));
            if (r.on) from += " ON " + condition(*r.on, tokens, *sc);
        }

        query_result out;
        std::string items;
        size_t k = 0;
        bool aggregate = !c.group_by.empty();
        for (const auto& item : c.items)
            if (item.value->kind != expr_kind::star && has_aggregate(*item.value)) aggregate = true;
        // A BLOB column of a stored table, selected at the top: the item carries only its
        // row, and the locator reads the cell when asked, as Oracle's locators do, so that a
        // large value is not held by the fetch.
        const bool lazy_lobs = lazy_lobs_ && !lock_ && !parent && scopes_.empty() && !aggregate && !c.distinct;
        auto lazy_item = [&](const std::string& sql, const column_desc& desc) -> std::string {
            if (!lazy_lobs || desc.type_code != type_code::blob) return sql;
            const size_t dot = sql.rfind('.');
            if (dot == std::string::npos) return sql;
            for (const auto& src : sc->sources) {
                if (src.data_table.empty() || src.sql_alias != sql.substr(0, dot)) continue;
                out.cells.resize(k + 1);
                out.cells[k] = {src.data_table, sql.substr(dot + 1)};
                return "CASE WHEN typeof(" + sql + ") = 'null' THEN NULL ELSE " + src.sql_alias + ".rowid END";
            }
            return sql;
        };
        auto add_item = [&](const std::string& sql, column_desc desc, vclass cls) {
            ++k;
            items += (k > 1 ? ", " : "") + sql + " AS c" + std::to_string(k);
            out.columns.push_back(std::move(desc));
            out.classes.push_back(cls);
            out.item_sql.push_back(cls == vclass::number ? "(" + sql + " + 0)" : sql);
        };
        for (const auto& item : c.items) {
            const expr& e = *item.value;
            if (e.kind == expr_kind::star) {
                bool any = false;
                for (const auto& s : sc->sources) {
                    if (!e.parts.empty() && !qualifier_matches(s, e.parts)) continue;
                    any = true;
                    for (const auto& col : s.columns) {
                        column_desc d = col.desc;
                        d.name = u16(col.name);
                        const std::string item_sql = lazy_item(col.sql, d);
                        add_item(item_sql, d, col.cls);
                        const size_t dot = col.sql.rfind('.');
                        lock_columns_.push_back(dot == std::string::npos ? col.sql : col.sql.substr(dot + 1));
                    }
                }
                if (!any) raise_invalid_identifier(e.parts.empty() ? "*" : e.parts.back(), e.line);
                continue;
            }
            emitted x = expression(e, tokens, *sc);
            column_desc d = x.desc;
            if (item.has_alias)
                d.name = u16(item.alias);
            else if (x.is_column)
                d.name = u16(e.parts.back());
            else
                d.name = u16(derived_name(e, tokens));
            const std::string item_sql = x.is_column ? lazy_item(x.raw_sql, d) : x.sql;
            add_item(item_sql, d, x.cls);
            if (x.is_column) {
                const size_t dot = x.raw_sql.rfind('.');
                lock_columns_.push_back(dot == std::string::npos ? x.raw_sql : x.raw_sql.substr(dot + 1));
            } else {
                lock_columns_.emplace_back();
            }
        }

        if (lock_ && !parent && scopes_.empty()) {
            if (sc->sources.size() != 1 || sc->sources[0].data_table.empty() || aggregate || c.distinct)
                raise_ora(2014, "cannot select FOR UPDATE from view with DISTINCT, GROUP BY, etc.");
            lock_table_ = sc->sources[0].data_table;
            items += ", " + sc->sources[0].sql_alias + ".rowid";
        }
        std::string sql = std::string("SELECT ") + (c.distinct ? "DISTINCT " : "") + items + " FROM " + from;
        std::optional<std::string> limit;
        if (c.where) {
            std::vector<const expr*> conjuncts;
            split_and(*c.where, conjuncts);
            std::string where;
            for (const expr* e : conjuncts) {
                if (auto l = rownum_limit(*e, tokens, *sc)) {
                    limit = limit ? "MIN(" + *limit + ", " + *l + ")" : *l;
                    continue;
                }
                where += (where.empty() ? "" : " AND ") + ("(" + condition(*e, tokens, *sc) + ")");
            }
            if (!where.empty()) sql += " WHERE " + where;
        }
        if (c.connect_by) raise_ora(3001, "unimplemented feature: CONNECT BY", c.connect_by->line);
        if (!c.group_by.empty()) {
            sql += " GROUP BY ";
            for (size_t i = 0; i < c.group_by.size(); ++i) {
                emitted x = expression(*c.group_by[i], tokens, *sc);
                sql += (i ? ", " : "") + (x.is_column ? x.raw_sql : x.sql);
            }
        }
        if (c.having) sql += " HAVING " + condition(*c.having, tokens, *sc);
        // A heap table gives its rows in the order they were stored; keep that for plain scans.
        if (natural_order && !aggregate && !c.distinct && sc->sources.size() == 1 && sc->sources[0].has_rowid)
            sql += " ORDER BY " + sc->sources[0].sql_alias + ".rowid";
        if (limit) sql += " LIMIT MAX(" + *limit + ", 0)";
        out.sql = sql;
        last_scope_ = sc.get();
        scopes_.push_back(std::move(sc));
        return out;
    }

    static void split_and(const expr& e, std::vector<const expr*>& out) {
        if (e.kind == expr_kind::binary && e.text == "AND") {
            split_and(*e.args[0], out);
            split_and(*e.args[1], out);
        } else {
            out.push_back(&e);
        }
    }

    // ROWNUM <= n, ROWNUM < n, ROWNUM = 1 (n a constant): a LIMIT.
    std::optional<std::string> rownum_limit(const expr& e, const std::vector<token>& tokens, const scope& sc) {
        if (e.kind != expr_kind::binary) return std::nullopt;
        const expr& l = *e.args[0];
        if (l.kind != expr_kind::name || l.parts.size() != 1 || l.parts[0] != "ROWNUM" || find_column(sc, l.parts[0]))
            return std::nullopt;
        const expr& r = *e.args[1];
        if (r.kind != expr_kind::number && r.kind != expr_kind::bind) return std::nullopt;
        std::string n = expression(r, tokens, sc).sql;
        if (e.text == "<=") return "CAST(" + n + " AS INTEGER)";
        if (e.text == "<") return "CAST(" + n + " AS INTEGER) - 1";
        if (e.text == "=" && r.kind == expr_kind::number && r.text == "1") return "1";
        return std::nullopt;
    }

    static bool qualifier_matches(const source& s, const std::vector<std::string>& q) {
        if (q.size() == 1) return s.qualifier == q[0];
        return s.table_name == q.back() && s.qualifier == s.table_name;
    }

    // Oracle names an unaliased expression by its text: upper case outside quoted names, blanks removed.
    static std::string derived_name(const expr& e, const std::vector<token>& tokens) {
        std::string out;
        for (size_t i = e.first_token; i < e.last_token && i < tokens.size(); ++i) {
            const token& t = tokens[i];
            switch (t.kind) {
                case token_kind::quoted_identifier:
                    out += t.text;
                    break;
                case token_kind::string:
                    out += "'" + compat::to_upper_utf8(t.text) + "'";
                    break;
                case token_kind::nstring:
                    out += "N'" + compat::to_upper_utf8(t.text) + "'";
                    break;
                case token_kind::bind:
                    out += ":" + t.text;
                    break;
                default:
                    out += compat::to_upper_utf8(t.text);
                    break;
            }
        }
        if (out.size() > 128) out.resize(compat::utf16_to_utf8(compat::utf8_to_utf16(out).substr(0, 128)).size());
        return out;
    }

    std::string from_sql_;  // set by resolve_source: the FROM item's SQL

    source resolve_source(const table_ref& r, const std::vector<token>& tokens, const scope& sc) {
        source s;
        s.sql_alias = "s" + std::to_string(++alias_counter_);
        if (r.sub) {
            query_result q = query(*r.sub, tokens, sc.parent);
            s.qualifier = r.alias;
            for (size_t i = 0; i < q.columns.size(); ++i)
                s.columns.push_back({compat::utf16_to_utf8(q.columns[i].name),
                                     s.sql_alias + ".c" + std::to_string(i + 1), q.columns[i], q.classes[i]});
            from_sql_ = "(" + q.sql + ") " + s.sql_alias;
            return s;
        }
        std::string name = r.name.back();
        std::string schema = r.name.size() > 1 ? r.name[0] : std::string();
        s.qualifier = r.alias.empty() ? name : r.alias;
        s.table_name = name;
        bool user_schema = schema.empty() || is_user(db_, schema);
        if (user_schema) {
            if (auto t = find_table(db_, name)) {
                for (const auto& c : t->columns) {
                    column_desc d = c.type.describe(u16(c.name), c.nullable);
                    s.columns.push_back({c.name, s.sql_alias + "." + c.sqlite_name, d, class_of(d)});
                }
                s.has_rowid = true;
                s.data_table = t->sqlite_name;
                from_sql_ = t->sqlite_name + " " + s.sql_alias;
                return s;
            }
            if (auto view = find_view(name)) {
                if (depth_ >= max_view_depth) raise_ora(1731, "circular view definition encountered", r.line);
                std::vector<token> vt = tokenize(view->first);
                sql_parser p(vt);
                auto stmt = p.select();
                translator inner(db_, depth_ + 1);
                inner.alias_counter_ = alias_counter_ + 1000;
                query_result q = inner.query(*stmt, vt, nullptr);
                for (size_t i = 0; i < q.columns.size(); ++i) {
                    std::string cname =
                        i < view->second.size() ? view->second[i] : compat::utf16_to_utf8(q.columns[i].name);
                    column_desc d = q.columns[i];
                    d.name = u16(cname);
                    s.columns.push_back({cname, s.sql_alias + ".c" + std::to_string(i + 1), d, q.classes[i]});
                }
                from_sql_ = "(" + q.sql + ") " + s.sql_alias;
                return s;
            }
        }
        if (schema.empty() || schema == "SYS" || schema == "PUBLIC" || user_schema) {
            if (const catalog_view* v = find_catalog_view(name)) {
                for (const auto& c : v->columns) {
                    column_desc d = c.type.describe(u16(c.name), c.nullable);
                    s.columns.push_back({c.name, s.sql_alias + "." + sqlite_quote_name(c.name), d, class_of(d)});
                }
                s.has_rowid = true;
                from_sql_ = sqlite_quote_name(v->name) + " " + s.sql_alias;
                return s;
            }
        }
        raise_no_table(r.line);
    }

    // The view's text and its column names (explicit list or those of its query).
    std::optional<std::pair<std::string, std::vector<std::string>>> find_view(const std::string& name) {
        sqlite_stmt st(db_, "SELECT TEXT FROM ALL_VIEWS WHERE VIEW_NAME=?");
        st.bind(1, name);
        if (!st.step()) return std::nullopt;
        sqlite_stmt unrunnable(db_, "SELECT reason FROM ocilite_unrunnable_views WHERE view_name=?");
        unrunnable.bind(1, name);
        if (unrunnable.step()) raise_unsupported("the query of view " + name + " (" + unrunnable.text(0) + ")");
        std::pair<std::string, std::vector<std::string>> out;
        out.first = st.text(0);
        sqlite_stmt cols(db_, "SELECT column_name FROM ocilite_columns WHERE table_name=? ORDER BY column_id");
        cols.bind(1, name);
        while (cols.step()) out.second.push_back(cols.text(0));
        return out;
    }

    const source_column* find_column(const scope& sc, const std::string& name, int line = 0,
                                     bool* ambiguous = nullptr) {
        const source_column* found = nullptr;
        for (const auto& s : sc.sources)
            for (const auto& c : s.columns)
                if (c.name == name) {
                    if (found) {
                        if (ambiguous)
                            *ambiguous = true;
                        else
                            raise_ora(918, "column ambiguously defined", line);
                    }
                    found = &c;
                }
        return found;
    }

    emitted column_ref(const expr& e, const scope& start) {
        for (const scope* sc = &start; sc; sc = sc->parent) {
            if (e.parts.size() == 1) {
                if (const source_column* c = find_column(*sc, e.parts[0], e.line)) return from_column(*c);
                continue;
            }
            std::vector<std::string> q(e.parts.begin(), e.parts.end() - 1);
            for (const auto& s : sc->sources) {
                if (!qualifier_matches(s, q)) continue;
                for (const auto& c : s.columns)
                    if (c.name == e.parts.back()) return from_column(c);
                std::string shown;
                for (const auto& p : e.parts) shown += (shown.empty() ? "" : "\".\"") + p;
                raise_invalid_identifier(shown, e.line);
            }
        }
        if (e.parts.size() == 1) {
            const std::string& w = e.parts[0];
            if (w == "SYSDATE" || w == "CURRENT_DATE") {
                emitted x;
                x.sql = "strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')";
                x.desc = date_desc();
                x.cls = vclass::date;
                return x;
            }
            if (w == "SYSTIMESTAMP" || w == "CURRENT_TIMESTAMP" || w == "LOCALTIMESTAMP") {
                emitted x;
                x.sql = "(strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime') || '000000')";
                x.desc = {u"", type_code::timestamp, u"TIMESTAMP", 11, 0, 6, true, 1};
                x.cls = vclass::date;
                return x;
            }
            if (w == "USER") {
                emitted x;
                x.sql = sql_string(schema_owner(db_));
                x.desc = varchar_desc(128);
                x.cls = vclass::text;
                return x;
            }
            if (w == "ROWID") {
                for (const scope* sc = &start; sc; sc = sc->parent) {
                    for (const auto& s : sc->sources) {
                        if (s.data_table.empty()) continue;
                        emitted x;
                        x.sql = "ocilite_rowid('" + s.data_table + "', " + s.sql_alias + ".rowid)";
                        x.raw_sql = s.sql_alias + ".rowid";
                        x.rowid_table = s.data_table;
                        x.desc = {u"ROWID", type_code::rowid, u"ROWID", 10, 0, 0, true, 1};
                        x.cls = vclass::text;
                        return x;
                    }
                }
            }
            if (w == "ROWNUM") {
                emitted x;
                x.sql = "row_number() OVER ()";
                x.desc = number_desc();
                x.cls = vclass::number;
                return x;
            }
        }
        std::string shown;
        for (const auto& p : e.parts) shown += (shown.empty() ? "" : "\".\"") + p;
        raise_invalid_identifier(shown, e.line);
    }

    static emitted from_column(const source_column& c) {
        emitted x;
        x.is_column = true;
        x.raw_sql = c.sql;
        // NUMBER values stored as exact decimal text compare and compute as numbers.
        x.sql = c.cls == vclass::number ? "(" + c.sql + " + 0)" : c.sql;
        x.desc = c.desc;
        x.cls = c.cls;
        return x;
    }

    std::string condition(const expr& e, const std::vector<token>& tokens, const scope& sc) {
        return expression(e, tokens, sc).sql;
    }

    emitted expression(const expr& e, const std::vector<token>& tokens, const scope& sc) {
        emitted x;
        switch (e.kind) {
            case expr_kind::number: {
                auto n = ora_number::parse(e.text);
                if (!n) raise_invalid_number(e.line);
                x.sql = n->to_int64() ? std::to_string(*n->to_int64()) : e.text;
                if (x.sql.front() == '.') x.sql = "0" + x.sql;
                x.desc = number_desc();
                x.cls = vclass::number;
                return x;
            }
            case expr_kind::string:
            case expr_kind::nstring:
                // Oracle has no empty string: '' is NULL.
                x.sql = e.text.empty() ? "NULL" : sql_string(e.text);
                x.desc = char_desc(static_cast<int>(e.text.size()));
                if (e.kind == expr_kind::nstring) {
                    x.desc.type_name = u"NCHAR";
                    x.desc.charset_form = 2;
                    x.desc.data_size = static_cast<int>(compat::utf8_to_utf16(e.text).size() * 2);
                }
                x.cls = vclass::text;
                return x;
            case expr_kind::null:
                x.sql = "NULL";
                x.desc = varchar_desc(0);
                return x;
            case expr_kind::bind:
                x.sql = ":" + e.text;
                x.desc = varchar_desc(4000);
                return x;
            case expr_kind::date_literal:
                x.sql = sql_string(parse_date_literal(e.text).store_date());
                x.desc = date_desc();
                x.cls = vclass::date;
                return x;
            case expr_kind::timestamp_literal:
                x.sql = sql_string(parse_timestamp_literal(e.text).store_timestamp(false));
                x.desc = {u"", type_code::timestamp, u"TIMESTAMP", 11, 0, 9, true, 1};
                x.cls = vclass::date;
                return x;
            case expr_kind::interval_literal: {
                ora_interval iv = parse_interval(e.text, e.qualifier);
                x.sql = sql_string(format_interval(iv, 2, iv.year_to_month ? 0 : 6));
                x.desc = iv.year_to_month
                             ? column_desc{u"", type_code::interval_ym, u"INTERVAL YEAR TO MONTH", 5, 2, 0, true, 1}
                             : column_desc{u"", type_code::interval_ds, u"INTERVAL DAY TO SECOND", 11, 2, 6, true, 1};
                return x;
            }
            case expr_kind::name:
                return column_ref(e, sc);
            case expr_kind::star:
                raise_missing_expression(e.line);
            case expr_kind::unary: {
                emitted a = expression(*e.args[0], tokens, sc);
                if (e.text == "NOT") {
                    x.sql = "NOT (" + a.sql + ")";
                } else {
                    x.sql = "(" + e.text + a.sql + ")";
                    x.desc = number_desc();
                    x.cls = vclass::number;
                }
                return x;
            }
            case expr_kind::binary:
                return binary(e, tokens, sc);
            case expr_kind::is_null: {
                emitted a = expression(*e.args[0], tokens, sc);
                x.sql = "(" + a.sql + (e.negated ? " IS NOT NULL)" : " IS NULL)");
                return x;
            }
            case expr_kind::like: {
                emitted a = expression(*e.args[0], tokens, sc);
                emitted p = expression(*e.args[1], tokens, sc);
                x.sql = "(" + a.sql + (e.negated ? " NOT LIKE " : " LIKE ") + p.sql;
                if (e.args.size() > 2) x.sql += " ESCAPE " + expression(*e.args[2], tokens, sc).sql;
                x.sql += ")";
                needs_case_sensitive_like_ = true;
                return x;
            }
            case expr_kind::in_list: {
                emitted a = expression(*e.args[0], tokens, sc);
                std::string list;
                if (e.sub) {
                    list = query(*e.sub, tokens, &sc).sql;
                } else {
                    for (size_t i = 1; i < e.args.size(); ++i)
                        list += (i > 1 ? ", " : "") + expression(*e.args[i], tokens, sc).sql;
                }
                x.sql = "(" + a.sql + (e.negated ? " NOT IN (" : " IN (") + list + "))";
                return x;
            }
            case expr_kind::between: {
                emitted a = expression(*e.args[0], tokens, sc);
                x.sql = "(" + a.sql + (e.negated ? " NOT BETWEEN " : " BETWEEN ") +
                        expression(*e.args[1], tokens, sc).sql + " AND " + expression(*e.args[2], tokens, sc).sql + ")";
                return x;
            }
            case expr_kind::case_when: {
                x.sql = "CASE";
                size_t i = 0;
                if (e.has_operand) x.sql += " " + expression(*e.args[i++], tokens, sc).sql;
                size_t end = e.args.size() - (e.has_else ? 1 : 0);
                bool first = true;
                for (; i + 1 < end; i += 2) {
                    x.sql += " WHEN " + expression(*e.args[i], tokens, sc).sql;
                    emitted then = expression(*e.args[i + 1], tokens, sc);
                    x.sql += " THEN " + then.sql;
                    if (first) {
                        x.desc = then.desc;
                        x.cls = then.cls;
                        first = false;
                    }
                }
                if (e.has_else) x.sql += " ELSE " + expression(*e.args.back(), tokens, sc).sql;
                x.sql += " END";
                return x;
            }
            case expr_kind::subquery: {
                query_result q = query(*e.sub, tokens, &sc);
                if (q.columns.size() != 1) raise_ora(913, "too many values", e.line);
                x.sql = "(" + q.sql + ")";
                x.desc = q.columns[0];
                x.cls = q.classes[0];
                return x;
            }
            case expr_kind::exists: {
                query_result q = query(*e.sub, tokens, &sc);
                x.sql = std::string(e.negated ? "NOT " : "") + "EXISTS (" + q.sql + ")";
                return x;
            }
            case expr_kind::function:
                return function(e, tokens, sc);
        }
        raise_missing_expression(e.line);
    }

    emitted binary(const expr& e, const std::vector<token>& tokens, const scope& sc) {
        emitted a = expression(*e.args[0], tokens, sc);
        emitted b = expression(*e.args[1], tokens, sc);
        emitted x;
        const std::string& op = e.text;
        if (op == "=" && (!a.rowid_table.empty() || !b.rowid_table.empty())) {
            // A lookup by ROWID reads one row, as Oracle's does.
            const emitted& id = a.rowid_table.empty() ? b : a;
            const emitted& other = a.rowid_table.empty() ? a : b;
            const expr& literal = a.rowid_table.empty() ? *e.args[0] : *e.args[1];
            if (literal.kind == expr_kind::string) rowid_of(literal.text, id.rowid_table);  // ORA-01410 now
            x.sql = "(" + id.raw_sql + " = ocilite_rowid_of(" + other.sql + ", '" + id.rowid_table + "'))";
            x.cls = vclass::other;
            return x;
        }
        if (op == "AND" || op == "OR") {
            x.sql = "(" + a.sql + " " + op + " " + b.sql + ")";
            return x;
        }
        if (op == "||") {
            // NULL concatenates as an empty text, and an empty result is NULL.
            x.sql = "NULLIF(COALESCE(" + a.sql + ", '') || COALESCE(" + b.sql + ", ''), '')";
            x.desc = varchar_desc(std::min(4000, a.desc.data_size + b.desc.data_size));
            x.cls = vclass::text;
            return x;
        }
        if (op == "+" || op == "-" || op == "*" || op == "/") {
            if ((a.cls == vclass::date) != (b.cls == vclass::date) && (op == "+" || op == "-")) {
                // DATE plus or minus days.
                const emitted& d = a.cls == vclass::date ? a : b;
                const emitted& n = a.cls == vclass::date ? b : a;
                x.sql = "strftime('%Y-%m-%d %H:%M:%S', julianday(" + d.sql + ") " + op + " (" + n.sql + "))";
                x.desc = date_desc();
                x.cls = vclass::date;
                return x;
            }
            if (a.cls == vclass::date && b.cls == vclass::date && op == "-") {
                x.sql = "(julianday(" + a.sql + ") - julianday(" + b.sql + "))";
            } else if (op == "/") {
                // Oracle divides exactly; SQLite would truncate two integers.
                x.sql = "(CAST(" + a.sql + " AS REAL) / " + b.sql + ")";
            } else {
                x.sql = "(" + a.sql + " " + op + " " + b.sql + ")";
            }
            x.desc = number_desc();
            x.cls = vclass::number;
            return x;
        }
        // Comparisons: a number compared with a text compares as numbers, as Oracle converts.
        std::string l = a.sql, r = b.sql;
        if (a.cls == vclass::number && b.cls == vclass::text) r = "(" + r + " + 0)";
        if (b.cls == vclass::number && a.cls == vclass::text) l = "(" + l + " + 0)";
        x.sql = "(" + l + " " + (op == "<>" ? "<>" : op) + " " + r + ")";
        return x;
    }

    emitted function(const expr& e, const std::vector<token>& tokens, const scope& sc) {
        const std::string& f = e.text;
        std::vector<emitted> a;
        for (const auto& arg : e.args) {
            if (arg->kind == expr_kind::star) {
                if (f != "COUNT") raise_missing_expression(arg->line);
                emitted s;
                s.sql = "*";
                a.push_back(s);
                continue;
            }
            a.push_back(expression(*arg, tokens, sc));
        }
        auto argc = [&](size_t lo, size_t hi) {
            if (a.size() < lo || a.size() > hi) raise_ora(909, "invalid number of arguments", e.line);
        };
        emitted x;
        auto list = [&](size_t from = 0) {
            std::string s;
            for (size_t i = from; i < a.size(); ++i) s += (i > from ? ", " : "") + a[i].sql;
            return s;
        };
        std::string distinct = e.distinct ? "DISTINCT " : "";
        if (f == "COUNT") {
            argc(1, 1);
            // COUNT of a column counts its values: the raw column serves as well as the number form.
            std::string arg = e.args[0]->kind == expr_kind::star ? "*" : a[0].is_column ? a[0].raw_sql : a[0].sql;
            x.sql = "COUNT(" + distinct + arg + ")";
            x.desc = number_desc();
            x.cls = vclass::number;
        } else if (f == "SUM" || f == "AVG") {
            argc(1, 1);
            x.sql = f + "(" + distinct + a[0].sql + ")";
            x.desc = number_desc();
            x.cls = vclass::number;
        } else if (f == "MIN" || f == "MAX") {
            argc(1, 1);
            x.sql = f + "(" + distinct + a[0].sql + ")";
            x.desc = a[0].desc;
            x.cls = a[0].cls;
        } else if (f == "UPPER" || f == "LOWER" || f == "TRIM" || f == "LTRIM" || f == "RTRIM") {
            argc(1, f == "LTRIM" || f == "RTRIM" ? 2 : 1);
            x.sql = "NULLIF(" + f + "(" + list() + "), '')";
            x.desc = a[0].desc.type_code == type_code::varchar2 ? a[0].desc : varchar_desc(a[0].desc.data_size);
            x.desc.type_code = type_code::varchar2;
            x.desc.type_name = u"VARCHAR2";
            x.cls = vclass::text;
        } else if (f == "SUBSTR") {
            argc(2, 3);
            x.sql = "NULLIF(SUBSTR(" + list() + "), '')";
            x.desc = varchar_desc(a[0].desc.data_size);
            x.cls = vclass::text;
        } else if (f == "LENGTH") {
            argc(1, 1);
            x.sql = "LENGTH(" + a[0].sql + ")";
            x.desc = number_desc();
            x.cls = vclass::number;
        } else if (f == "NVL" || f == "COALESCE") {
            argc(f == "NVL" ? 2 : 1, f == "NVL" ? 2 : 64);
            x.sql = a.size() == 1 ? a[0].sql : "COALESCE(" + list() + ")";
            x.desc = a[0].desc;
            x.cls = a[0].cls;
        } else if (f == "NVL2") {
            argc(3, 3);
            x.sql = "CASE WHEN " + a[0].sql + " IS NOT NULL THEN " + a[1].sql + " ELSE " + a[2].sql + " END";
            x.desc = a[1].desc;
            x.cls = a[1].cls;
        } else if (f == "DECODE") {
            if (a.size() < 3) raise_ora(938, "not enough arguments for function", e.line);
            // DECODE matches NULL with NULL.
            x.sql = "CASE";
            size_t i = 1;
            for (; i + 1 < a.size(); i += 2) x.sql += " WHEN " + a[0].sql + " IS " + a[i].sql + " THEN " + a[i + 1].sql;
            if (i < a.size()) x.sql += " ELSE " + a[i].sql;
            x.sql += " END";
            x.desc = a[2].desc;
            x.cls = a[2].cls;
        } else if (f == "ABS" || f == "ROUND" || f == "MOD" || f == "FLOOR" || f == "CEIL" || f == "TRUNC" ||
                   f == "SIGN" || f == "POWER") {
            if (f == "MOD") {
                argc(2, 2);
                x.sql = "(" + a[0].sql + " % " + a[1].sql + ")";
            } else if (f == "TRUNC" && a[0].cls == vclass::date) {
                argc(1, 1);
                x.sql = "strftime('%Y-%m-%d 00:00:00', " + a[0].sql + ")";
                x.desc = date_desc();
                x.cls = vclass::date;
                return x;
            } else if (f == "TRUNC") {
                argc(1, 2);
                x.sql = a.size() == 1 ? "CAST(" + a[0].sql + " AS INTEGER)"
                                      : "(CAST(" + a[0].sql + " * power(10, " + a[1].sql +
                                            ") AS INTEGER) / power(10, " + a[1].sql + "))";
            } else {
                argc(1, f == "ROUND" || f == "POWER" ? 2 : 1);
                x.sql = f + "(" + list() + ")";
            }
            x.desc = number_desc();
            x.cls = vclass::number;
        } else if (f == "TO_CHAR" || f == "TO_NCHAR" || f == "TO_CLOB") {
            argc(1, 2);
            if (a.size() == 2 && a[0].cls == vclass::date && e.args[1]->kind == expr_kind::string) {
                x.sql = "strftime(" + sql_string(strftime_format(e.args[1]->text, e.line)) + ", " + a[0].sql + ")";
            } else {
                x.sql = "CAST(" + a[0].sql + " AS TEXT)";
            }
            x.desc = varchar_desc(a[0].cls == vclass::text ? a[0].desc.data_size : 40);
            x.cls = vclass::text;
        } else if (f == "TO_NUMBER") {
            argc(1, 1);
            x.sql = "(" + a[0].sql + " + 0)";
            x.desc = number_desc();
            x.cls = vclass::number;
        } else if (f == "TO_DATE" || f == "TO_TIMESTAMP") {
            argc(1, 2);
            // Constant arguments only: the value is computed here.
            if (e.args[0]->kind != expr_kind::string || (a.size() == 2 && e.args[1]->kind != expr_kind::string))
                raise_ora(3001, "unimplemented feature: " + f + " of a non-constant", e.line);
            ora_datetime d = parse_datetime(
                e.args[0]->text, a.size() == 2 ? e.args[1]->text
                                               : std::string(f == "TO_DATE" ? "DD-MON-RR" : "DD-MON-RR HH24:MI:SS.FF"));
            if (f == "TO_DATE") {
                x.sql = sql_string(d.store_date());
                x.desc = date_desc();
            } else {
                x.sql = sql_string(d.store_timestamp(false));
                x.desc = {u"", type_code::timestamp, u"TIMESTAMP", 11, 0, 9, true, 1};
            }
            x.cls = vclass::date;
        } else if (f == "CONCAT") {
            argc(2, 2);
            x.sql = "NULLIF(COALESCE(" + a[0].sql + ", '') || COALESCE(" + a[1].sql + ", ''), '')";
            x.desc = varchar_desc(std::min(4000, a[0].desc.data_size + a[1].desc.data_size));
            x.cls = vclass::text;
        } else if (f == "REPLACE") {
            argc(2, 3);
            x.sql = "NULLIF(REPLACE(" + a[0].sql + ", " + a[1].sql + ", " + (a.size() > 2 ? a[2].sql : "''") + "), '')";
            x.desc = varchar_desc(4000);
            x.cls = vclass::text;
        } else if (f == "INSTR") {
            argc(2, 2);
            x.sql = "INSTR(" + list() + ")";
            x.desc = number_desc();
            x.cls = vclass::number;
        } else if (f == "GREATEST" || f == "LEAST") {
            if (a.size() < 1) raise_ora(938, "not enough arguments for function", e.line);
            x.sql = (f == "GREATEST" ? "MAX(" : "MIN(") + list() + (a.size() == 1 ? ", " + a[0].sql : "") + ")";
            x.desc = a[0].desc;
            x.cls = a[0].cls;
        } else {
            raise_invalid_identifier(f, e.line);
        }
        return x;
    }

    static std::string strftime_format(const std::string& fmt, int line) {
        std::string f = compat::to_upper_utf8(fmt), out;
        size_t i = 0;
        auto starts = [&](const char* p) { return f.compare(i, std::char_traits<char>::length(p), p) == 0; };
        while (i < f.size()) {
            if (starts("YYYY")) {
                out += "%Y";
                i += 4;
            } else if (starts("MM")) {
                out += "%m";
                i += 2;
            } else if (starts("DD")) {
                out += "%d";
                i += 2;
            } else if (starts("HH24")) {
                out += "%H";
                i += 4;
            } else if (starts("MI")) {
                out += "%M";
                i += 2;
            } else if (starts("SS")) {
                out += "%S";
                i += 2;
            } else if (std::string("-/:., ").find(f[i]) != std::string::npos) {
                out += f[i];
                ++i;
            } else
                raise_ora(3001, "unimplemented feature: date format " + fmt, line);
        }
        return out;
    }

    sqlite3* db_;
    int depth_;
    int alias_counter_ = 0;
    const scope* last_scope_ = nullptr;
    std::vector<std::unique_ptr<scope>> scopes_;

public:
    bool needs_case_sensitive_like_ = false;
    bool lock_ = false;  // SELECT ... FOR UPDATE
    bool lazy_lobs_ = false;
    std::string lock_table_;
    std::vector<std::string> lock_columns_;
};

}  // namespace

translated translate(sqlite3* store, std::u16string_view oracle_sql, bool lazy_lobs) {
    std::string text = compat::utf16_to_utf8(oracle_sql);
    std::vector<token> tokens;
    try {
        tokens = tokenize(text);
    } catch (const lex_error& e) {
        raise_ora(e.code, e.message.substr(e.message.find(": ") + 2));
    }
    sql_parser p(tokens);
    const token& first = p.peek();
    translated out;
    out.is_query = false;
    if (first.is_word("COMMIT") || first.is_word("ROLLBACK") ||
        (first.is_word("ALTER") && p.peek(1).is_word("SESSION"))) {
        // Nothing to do in a store that autocommits and has no session settings.
        out.sqlite_sql = "SELECT 1 WHERE 0";
        return out;
    }
    if (first.is_word("INSERT") || first.is_word("UPDATE") || first.is_word("DELETE") || first.is_word("MERGE"))
        raise_ora(3001, "unimplemented feature");
    if (first.is_word("WITH")) raise_unsupported("WITH subqueries");
    if (!first.is_word("SELECT") && !first.is_symbol("(")) raise_invalid_statement();
    // Syntax the reader or translator lacks is named, never reported as a syntax error.
    auto name_unsupported = [&](const sql_error& e) {
        if (e.code == 911 || e.code == 942 || e.code == 918) return;
        std::string what = unsupported_construct(tokens, 0, tokens.size());
        if (!what.empty()) raise_unsupported(what, e.line);
    };
    std::unique_ptr<select_stmt> stmt;
    bool for_update = false;
    try {
        stmt = p.select();
        if (p.accept_word("FOR")) {
            p.expect_word("UPDATE");
            for_update = true;
            if (p.accept_word("OF")) {
                do {
                    p.identifier();
                    if (p.accept_symbol(".")) p.identifier();
                } while (p.accept_symbol(","));
            }
            if (p.accept_word("WAIT")) {
                p.integer();
            } else if (!p.accept_word("NOWAIT") && p.accept_word("SKIP")) {
                p.expect_word("LOCKED");
            }
        }
        if (p.peek().is_symbol(";")) raise_ora(911, "invalid character");
        if (p.peek().kind != token_kind::end) raise_not_ended();
    } catch (const sql_error& e) {
        name_unsupported(e);
        throw;
    }
    register_rowid_functions(store);
    translator t(store, 0);
    t.lock_ = for_update;
    t.lazy_lobs_ = lazy_lobs;
    try {
        query_result q = t.query(*stmt, tokens, nullptr);
        out.sqlite_sql = q.sql;
        out.columns = std::move(q.columns);
        out.cells = std::move(q.cells);
        out.cells.resize(out.columns.size());
        if (for_update) {
            out.for_update = true;
            out.lock_table = t.lock_table_;
            out.lock_columns = t.lock_columns_;
            out.lock_columns.resize(out.columns.size());
        }
    } catch (const store_error& e) {
        raise_ora(600, "internal error code, arguments: [ocilite], [" + e.message + "]");
    } catch (const sql_error& e) {
        if (e.code != 3001) name_unsupported(e);
        throw;
    }
    out.is_query = true;
    if (t.needs_case_sensitive_like_) {
        // Oracle's LIKE tells case apart; SQLite's does not unless asked.
        sqlite3_exec(store, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    }
    return out;
}

namespace {

constexpr const char* rowid_digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t rowid_length = 18;
constexpr int64_t rowid_file = 4;  // the USERS tablespace's file
constexpr int row_bits = 12;       // rows per block: 4096

void put_base64(std::string& out, uint64_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) out += rowid_digits[(value >> (6 * i)) & 63];
}

std::optional<uint64_t> get_base64(std::string_view text) {
    uint64_t value = 0;
    for (char c : text) {
        const char* at = std::strchr(rowid_digits, c);
        if (!c || !at) return std::nullopt;
        value = value << 6 | static_cast<uint64_t>(at - rowid_digits);
    }
    return value;
}

int64_t table_number(const std::string& sqlite_table) {
    return sqlite_table.size() > 1 ? std::strtoll(sqlite_table.c_str() + 1, nullptr, 10) : 0;
}

void sql_rowid_text(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto* table = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    if (!table || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string text = rowid_text(table, sqlite3_value_int64(argv[1]));
    sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void sql_rowid_of(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const auto* table = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    if (!text || !table) {
        sqlite3_result_null(ctx);
        return;
    }
    try {
        std::optional<int64_t> id = rowid_of(text, table);
        if (id) {
            sqlite3_result_int64(ctx, *id);
        } else {
            sqlite3_result_null(ctx);
        }
    } catch (const ora_error& e) {
        sqlite3_result_error(ctx, e.message.c_str(), -1);
    }
}

}  // namespace

std::string rowid_text(const std::string& sqlite_table, int64_t rowid) {
    std::string out;
    put_base64(out, static_cast<uint64_t>(table_number(sqlite_table)), 6);
    put_base64(out, rowid_file, 3);
    put_base64(out, static_cast<uint64_t>(rowid) >> row_bits, 6);
    put_base64(out, static_cast<uint64_t>(rowid) & ((1u << row_bits) - 1), 3);
    return out;
}

std::optional<int64_t> rowid_of(std::string_view text, const std::string& sqlite_table) {
    std::optional<uint64_t> object, file, block, row;
    if (text.size() == rowid_length) {
        object = get_base64(text.substr(0, 6));
        file = get_base64(text.substr(6, 3));
        block = get_base64(text.substr(9, 6));
        row = get_base64(text.substr(15, 3));
    }
    if (!object || !file || !block || !row) raise_ora(1410, "invalid ROWID");
    if (static_cast<int64_t>(*object) != table_number(sqlite_table) || *file != rowid_file || *row >= (1u << row_bits))
        return std::nullopt;
    return static_cast<int64_t>(*block << row_bits | *row);
}

void register_rowid_functions(sqlite3* db) {
    sqlite3_create_function(db, "ocilite_rowid", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sql_rowid_text,
                            nullptr, nullptr);
    sqlite3_create_function(db, "ocilite_rowid_of", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sql_rowid_of,
                            nullptr, nullptr);
}

}  // namespace ocilite
