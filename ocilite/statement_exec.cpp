#include "ocilite/statement_exec.h"

#include <memory>
#include <utility>

#include "compat/text/text.h"
#include "ocilite/catalog_writer.h"
#include "ocilite/ddl.h"
#include "ocilite/ora_errors.h"
#include "ocilite/row_insert.h"
#include "ocilite/sequences.h"
#include "ocilite/sql_parser.h"
#include "ocilite/sql_translate.h"
#include "ocilite/store.h"
#include "ocilite/stored_code.h"
#include "ocilite/value_convert.h"

namespace ocilite {

namespace {

constexpr long long max_generated_rows = 100000000;

bool store_has_user(void* ctx, const std::string& name) { return is_user(static_cast<sqlite3*>(ctx), name); }

void skip_to_end(sql_parser& p) {
    while (!p.at_end()) p.next();
}

// The computed kind of a described query column, to read its stored values back; other codes
// are read as text.
ora_column_type type_of(const column_desc& d) {
    static constexpr std::pair<int, ora_kind> kinds[] = {
        {type_code::number, ora_kind::number},
        {type_code::date, ora_kind::date},
        {type_code::timestamp, ora_kind::timestamp},
        {type_code::timestamp_tz, ora_kind::timestamp_tz},
        {type_code::timestamp_ltz, ora_kind::timestamp_ltz},
        {type_code::interval_ym, ora_kind::interval_ym},
        {type_code::interval_ds, ora_kind::interval_ds},
        {type_code::raw, ora_kind::raw},
        {type_code::long_raw, ora_kind::raw},
        {type_code::blob, ora_kind::blob},
        {type_code::clob, ora_kind::clob},
        {type_code::binary_double, ora_kind::binary_double},
        {type_code::binary_float, ora_kind::binary_double},
    };
    ora_column_type t;
    for (const auto& [code, kind] : kinds)
        if (d.type_code == code) t.kind = kind;
    return t;
}

}  // namespace

void bind_ora_value(sqlite3_stmt* st, int index, const ora_value& v) {
    using k = ora_value::kind;
    switch (v.k) {
        case k::null:
            sqlite3_bind_null(st, index);
            return;
        case k::number:
            if (v.is_integer)
                sqlite3_bind_int64(st, index, v.integer);
            else
                sqlite3_bind_text(st, index, v.decimal.to_string().c_str(), -1, SQLITE_TRANSIENT);
            return;
        case k::binary_double:
            sqlite3_bind_double(st, index, v.dbl);
            return;
        case k::date:
            sqlite3_bind_text(st, index, v.dt.store_date().c_str(), -1, SQLITE_TRANSIENT);
            return;
        case k::timestamp:
            sqlite3_bind_text(st, index, v.dt.store_timestamp(false).c_str(), -1, SQLITE_TRANSIENT);
            return;
        case k::raw:
        case k::empty_blob:
            sqlite3_bind_blob(st, index, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
            return;
        default: {
            std::string s = value_to_text(v);
            sqlite3_bind_text(st, index, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        }
    }
}

namespace {

// A query as the translator reads it, with the PL/SQL variables it names turned into binds.
struct prepared_query {
    std::string text;
    std::vector<std::pair<std::string, ora_value>> binds;  // ":OCIV_n" -> value
};

prepared_query query_text(const std::vector<token>& t, std::string_view source, const value_scope* scope) {
    prepared_query q;
    size_t i = 0;
    size_t last = t.size() > 0 ? t.size() - 1 : 0;  // the end token
    while (i < last) {
        const token& k = t[i];
        std::string piece(source.substr(k.begin, k.end - k.begin));
        if (scope && (k.kind == token_kind::identifier || k.kind == token_kind::bind)) {
            bool qualified_before = i > 0 && t[i - 1].is_symbol(".");
            std::string key = k.kind == token_kind::bind ? ":" + compat::to_upper_utf8(k.text) : k.text;
            size_t j = i + 1;
            if (k.kind == token_kind::bind)
                while (j + 1 < last && t[j].is_symbol(".") &&
                       (t[j + 1].kind == token_kind::identifier || t[j + 1].kind == token_kind::quoted_identifier)) {
                    key += "." + t[j + 1].text;
                    j += 2;
                }
            bool call = j < last && t[j].is_symbol("(");
            bool qualified_after = k.kind == token_kind::identifier && j < last && t[j].is_symbol(".");
            if (!qualified_before && !qualified_after && !call && scope->has(key)) {
                std::string name = ":OCIV_" + std::to_string(q.binds.size() + 1);
                q.binds.emplace_back(name, scope->get(key));
                piece = name;
                i = j - 1;
            }
        }
        q.text += (q.text.empty() ? "" : " ") + piece;
        ++i;
    }
    return q;
}

// A query the translator runs: prepared with the PL/SQL variables it names bound, its rows read
// back as the computed kinds of its columns.
class translated_query {
public:
    translated_query(sqlite3* db, const std::vector<token>& query, std::string_view source, const value_scope* scope)
        : q_(query_text(query, source, scope)),
          tr_(translate(db, compat::utf8_to_utf16(q_.text))),
          st_(db, tr_.sqlite_sql) {
        for (const auto& [name, value] : q_.binds) {
            int i = sqlite3_bind_parameter_index(st_.get(), name.c_str());
            if (i > 0) bind_ora_value(st_.get(), i, value);
        }
        for (const auto& c : tr_.columns) types_.push_back(type_of(c));
    }

    const std::vector<column_desc>& columns() const { return tr_.columns; }

    // The next row; false after the last.
    bool next(std::vector<ora_value>& row) {
        if (!st_.step()) return false;
        row.clear();
        for (size_t i = 0; i < types_.size(); ++i)
            row.push_back(value_from_store(st_.get(), static_cast<int>(i), types_[i]));
        return true;
    }

private:
    prepared_query q_;
    translated tr_;
    sqlite_stmt st_;
    std::vector<ora_column_type> types_;
};

class statement_run {
public:
    statement_run(statement_executor& ex, sql_parser& p, std::string_view source, const value_scope* scope)
        : ex_(ex),
          db_(ex.db()),
          p_(p),
          source_(source),
          scope_(scope),
          names_{store_has_user, ex.db()},
          writer_(ex.db()) {}

    long long run() {
        int line = p_.peek().line;
        if (!p_.peek().is_word("INSERT")) ex_.forget_inserters();
        if (starts_plsql(p_.tokens(), p_.position())) {
            if (p_.peek().is_word("BEGIN") || p_.peek().is_word("DECLARE")) return block();
        }
        if (p_.accept_word("CREATE")) {
            create(line);
        } else if (p_.accept_word("INSERT")) {
            return insert(line);
        } else if (p_.accept_word("ALTER")) {
            alter(line);
        } else if (p_.accept_word("DROP")) {
            drop(line);
        } else if (p_.accept_word("COMMIT")) {
            p_.accept_word("WORK");
        } else if (p_.accept_word("COMMENT")) {
            comment(line);
        } else if (p_.accept_word("GRANT")) {
            check_grantees("TO");
        } else if (p_.accept_word("REVOKE")) {
            check_grantees("FROM");
        } else if (p_.peek().is_word("AUDIT") || p_.peek().is_word("NOAUDIT") || p_.peek().is_word("ANALYZE") ||
                   p_.peek().is_word("PURGE") || p_.peek().is_word("SET")) {
            skip_to_end(p_);  // auditing, statistics and roles mean nothing in a one-schema store
        } else if (p_.peek().is_word("SELECT") || p_.peek().is_word("WITH") || p_.peek().is_symbol("(")) {
            query(line);
            return 0;
        } else if (p_.peek().is_word("UPDATE") || p_.peek().is_word("DELETE") || p_.peek().is_word("MERGE") ||
                   p_.peek().is_word("ROLLBACK") || p_.peek().is_word("SAVEPOINT") || p_.peek().is_word("TRUNCATE") ||
                   p_.peek().is_word("CALL") || p_.peek().is_word("LOCK") || p_.peek().is_word("RENAME") ||
                   p_.peek().is_word("FLASHBACK") || p_.peek().is_word("EXPLAIN")) {
            raise_unsupported(p_.peek().text + " statements", line);
        } else {
            raise_invalid_statement(line);
        }
        p_.expect_end();
        return 0;
    }

private:
    // GRANT ... TO grantee, ... and REVOKE ... FROM grantee, ...: privileges mean nothing in a
    // one-schema store, but the users and roles named must exist (ORA-01917).
    void check_grantees(const char* to) {
        while (!p_.at_end() && !p_.peek().is_word(to)) p_.next();
        p_.expect_word(to);
        do {
            const int line = p_.peek().line;
            const std::string grantee = p_.identifier();
            if (!is_grantee(db_, grantee)) raise_ora(1917, "user or role '" + grantee + "' does not exist", line);
        } while (p_.accept_symbol(","));
        skip_to_end(p_);  // IDENTIFIED BY, WITH ADMIN OPTION, CASCADE CONSTRAINTS, ...
    }

    long long block() {
        plsql_program program = plsql_program::parse(p_.tokens(), p_.position(), p_.tokens().size() - 1, source_);
        while (p_.peek().kind != token_kind::end) p_.next();
        plsql_scope scope;
        program.run(ex_, scope);
        return 0;
    }

    void create(int line) {
        bool or_replace = false;
        if (p_.accept_word("OR")) {
            p_.expect_word("REPLACE");
            or_replace = true;
        }
        p_.accept_word("FORCE") || p_.accept_word("NOFORCE");
        p_.accept_word("EDITIONABLE") || p_.accept_word("NONEDITIONABLE") || p_.accept_word("EDITIONING");
        const token& kind = p_.peek();
        if (p_.accept_word("USER")) {
            std::string user = p_.identifier();
            p_.expect_word("IDENTIFIED");
            p_.expect_word("BY");
            const token& pw = p_.peek();
            if (pw.kind != token_kind::identifier && pw.kind != token_kind::quoted_identifier)
                raise_ora(988, "missing or invalid password(s)", pw.line);
            // Passwords keep their case; an unquoted one is taken as typed.
            std::string password = pw.kind == token_kind::quoted_identifier
                                       ? pw.text
                                       : std::string(source_.substr(pw.begin, pw.end - pw.begin));
            p_.next();
            skip_to_end(p_);  // DEFAULT TABLESPACE, QUOTA and the like
            writer_.create_user(user, password, line);
        } else if (p_.accept_word("TABLE") || (p_.peek().is_word("GLOBAL") && p_.peek(1).is_word("TEMPORARY"))) {
            if (p_.accept_word("GLOBAL")) raise_unsupported("temporary tables", line);
            writer_.create_table(parse_create_table(p_, source_, names_));
        } else if (p_.peek().is_word("UNIQUE") || p_.peek().is_word("INDEX") || p_.peek().is_word("BITMAP")) {
            // A bitmap index is a plain index here.
            bool unique = p_.accept_word("UNIQUE");
            p_.accept_word("BITMAP");
            p_.expect_word("INDEX");
            writer_.create_index(parse_create_index(p_, unique, names_));
        } else if (p_.accept_word("VIEW")) {
            create_view(or_replace, line);
        } else if (p_.accept_word("SEQUENCE")) {
            std::string name = parse_object_name(p_, names_);
            sequence_options o = parse_sequence_options(p_);
            create_sequence(db_, name, o, line);
        } else if (kind.is_word("PROCEDURE") || kind.is_word("FUNCTION") || kind.is_word("PACKAGE") ||
                   kind.is_word("TRIGGER") || kind.is_word("TYPE") || kind.is_word("LIBRARY") || kind.is_word("JAVA")) {
            size_t end = p_.tokens().size() - 1;
            create_stored_code(db_, p_.tokens(), p_.position(), end, source_, or_replace, line, names_);
            while (p_.peek().kind != token_kind::end) p_.next();
        } else if (p_.accept_word("ROLE")) {
            const std::string role = p_.identifier();
            skip_to_end(p_);  // NOT IDENTIFIED, IDENTIFIED BY ...
            writer_.create_role(role, line);
        } else if (p_.peek().is_word("PROFILE") || p_.peek().is_word("DIRECTORY") || p_.peek().is_word("TABLESPACE")) {
            skip_to_end(p_);  // security and storage objects: nothing to keep
        } else if (p_.peek().is_word("SYNONYM") || p_.peek().is_word("PUBLIC") || p_.peek().is_word("MATERIALIZED") ||
                   p_.peek().is_word("CLUSTER") || p_.peek().is_word("DATABASE") || p_.peek().is_word("CONTEXT")) {
            raise_unsupported("CREATE " + p_.peek().text, line);
        } else {
            raise_invalid_statement(line);
        }
    }

    // Oracle stores a view it compiles; one whose query ocilite cannot read or translate is kept
    // with its text all the same, and querying it reports what is missing.
    void create_view(bool or_replace, int line) {
        size_t start = p_.position();
        try {
            view_def v = parse_create_view(p_, source_, or_replace, names_);
            writer_.create_view(v, line);
        } catch (const sql_error& e) {
            if (!unrunnable(e)) throw;
            p_.seek(start);
            view_def v;
            v.or_replace = or_replace;
            v.name = parse_object_name(p_, names_);
            if (p_.peek().is_symbol("(")) {
                p_.next();
                do {
                    v.columns.push_back(p_.identifier());
                    while (!p_.peek().is_symbol(",") && !p_.peek().is_symbol(")") && !p_.at_end()) p_.next();
                } while (p_.accept_symbol(","));
                p_.expect_symbol(")");
            }
            p_.expect_word("AS");
            size_t first = p_.position();
            size_t last = first;
            while (!p_.at_end()) {
                if (p_.peek().is_word("WITH") && (p_.peek(1).is_word("READ") || p_.peek(1).is_word("CHECK"))) break;
                p_.next();
                last = p_.position();
            }
            skip_to_end(p_);
            const auto& t = p_.tokens();
            v.text = last > first ? std::string(source_.substr(t[first].begin, t[last - 1].end - t[first].begin))
                                  : std::string();
            std::string what = missing_feature(first, last, e);
            writer_.create_unrunnable_view(v, what, line);
            ex_.session().notes.push_back("view " + v.name + " created; querying it is not supported by ocilite (" +
                                          what + ")");
        }
    }

    // What in a view's query tokens[first, last) the stand-in lacks, named as users know it.
    std::string missing_feature(size_t first, size_t last, const sql_error& e) const {
        std::string what = unsupported_construct(p_.tokens(), first, last);
        return what.empty() ? e.message : what;
    }

    // Syntax the reader lacks (analytic functions, LISTAGG ... WITHIN GROUP, GROUPING SETS,
    // JSON_TABLE, ...) or a feature the translator lacks; a missing table or column stays an error.
    bool unrunnable(const sql_error& e) const {
        switch (e.code) {
            case 3001:
            case 900:
            case 905:
            case 906:
            case 907:
            case 908:
            case 909:
            case 917:
            case 921:
            case 923:
            case 924:
            case 933:
            case 936:
            case 1756:
                return true;
            case 904: {
                // An unknown function (GROUPING_ID(...)), not an unknown column.
                size_t a = e.message.find('"'), b = e.message.find('"', a + 1);
                if (a == std::string::npos || b == std::string::npos) return false;
                std::string name = e.message.substr(a + 1, b - a - 1);
                const auto& t = p_.tokens();
                for (size_t i = 0; i + 1 < t.size(); ++i)
                    if (t[i].kind == token_kind::identifier && t[i].text == name && t[i + 1].is_symbol("("))
                        return true;
                return false;
            }
            default:
                return false;
        }
    }

    void alter(int line) {
        if (p_.accept_word("SESSION") || p_.accept_word("USER") || p_.accept_word("SYSTEM") ||
            p_.accept_word("INDEX") || p_.accept_word("DATABASE")) {
            skip_to_end(p_);  // settings and storage of a real server
            return;
        }
        if (p_.accept_word("TRIGGER")) {
            std::string name = parse_object_name(p_, names_);
            const token& action = p_.next();
            if (!action.is_word("ENABLE") && !action.is_word("DISABLE") && !action.is_word("COMPILE"))
                raise_ora(922, "missing or invalid option", action.line);
            skip_to_end(p_);
            alter_trigger(db_, name, action.text, line);
            return;
        }
        if (p_.accept_word("SEQUENCE")) {
            std::string name = parse_object_name(p_, names_);
            alter_sequence(db_, name, parse_sequence_options(p_), line);
            return;
        }
        if (p_.peek().is_word("PROCEDURE") || p_.peek().is_word("FUNCTION") || p_.peek().is_word("PACKAGE") ||
            p_.peek().is_word("VIEW") || p_.peek().is_word("TYPE")) {
            skip_to_end(p_);  // COMPILE and the like: stored code is kept as written
            return;
        }
        if (!p_.accept_word("TABLE")) raise_invalid_statement(line);
        std::string table = parse_object_name(p_, names_);
        if (!find_table(db_, table)) raise_no_table(line);
        if (p_.accept_word("ADD")) {
            alter_add(table);
        } else if (p_.accept_word("MODIFY")) {
            alter_modify(table, line);
        } else if (p_.peek().is_word("ENABLE") || p_.peek().is_word("DISABLE")) {
            while (p_.peek().is_word("ENABLE") || p_.peek().is_word("DISABLE")) {
                bool enable = p_.next().is_word("ENABLE");
                bool validate = enable;
                if (p_.accept_word("VALIDATE")) validate = true;
                if (p_.accept_word("NOVALIDATE")) validate = false;
                if (p_.accept_word("CONSTRAINT")) {
                    std::string name = p_.identifier();
                    writer_.set_constraint_status(table, name, enable, validate, line);
                } else if (p_.peek().is_word("PRIMARY") || p_.peek().is_word("UNIQUE") || p_.peek().is_word("ALL") ||
                           p_.peek().is_word("TABLE") || p_.peek().is_word("ROW")) {
                    raise_unsupported("ENABLE / DISABLE other than of a named constraint", line);
                } else {
                    raise_ora(905, "missing keyword", p_.peek().line);
                }
                p_.accept_word("CASCADE");
                if (p_.accept_word("KEEP") || p_.accept_word("DROP")) p_.expect_word("INDEX");
            }
        } else if (p_.peek().is_word("DROP") || p_.peek().is_word("RENAME") || p_.peek().is_word("MOVE") ||
                   p_.peek().is_word("SET") || p_.peek().is_word("TRUNCATE")) {
            raise_unsupported("ALTER TABLE ... " + p_.peek().text, line);
        } else if (p_.peek().is_word("PCTFREE") || p_.peek().is_word("STORAGE") || p_.peek().is_word("LOGGING") ||
                   p_.peek().is_word("NOLOGGING") || p_.peek().is_word("PARALLEL") || p_.peek().is_word("NOPARALLEL") ||
                   p_.peek().is_word("CACHE") || p_.peek().is_word("NOCACHE")) {
            skip_storage_clauses(p_);
        } else {
            raise_ora(1735, "invalid ALTER TABLE option", p_.peek().line);
        }
    }

    // ADD constraint | ADD (constraint, ...) | ADD column | ADD (column, ...)
    void alter_add(const std::string& table) {
        bool paren = p_.accept_symbol("(");
        std::vector<constraint_def> constraints;
        std::vector<column_def> columns;
        do {
            if (at_table_constraint(p_))
                constraints.push_back(parse_table_constraint(p_, source_, names_));
            else
                columns.push_back(parse_column_definition(p_, source_, constraints, names_));
        } while (paren && p_.accept_symbol(","));
        if (paren) p_.expect_symbol(")");
        for (const auto& c : columns) writer_.add_column(table, c);
        for (const auto& c : constraints)
            if (c.type == 'P' || c.type == 'U') writer_.add_constraint(table, c);
        for (const auto& c : constraints)
            if (c.type != 'P' && c.type != 'U') writer_.add_constraint(table, c);
    }

    // MODIFY col GENERATED ... AS IDENTITY (...) | MODIFY CONSTRAINT n ENABLE/DISABLE [NOVALIDATE]
    void alter_modify(const std::string& table, int line) {
        if (p_.accept_word("CONSTRAINT")) {
            std::string name = p_.identifier();
            bool enable = true, validate = true, seen = false;
            while (!p_.at_end()) {
                if (p_.accept_word("ENABLE")) {
                    enable = seen = true;
                } else if (p_.accept_word("DISABLE")) {
                    enable = false;
                    validate = false;
                    seen = true;
                } else if (p_.accept_word("VALIDATE")) {
                    validate = true;
                } else if (p_.accept_word("NOVALIDATE")) {
                    validate = false;
                } else if (p_.accept_word("RELY") || p_.accept_word("NORELY") || p_.accept_word("DEFERRABLE") ||
                           p_.accept_word("INITIALLY") || p_.accept_word("DEFERRED") || p_.accept_word("IMMEDIATE")) {
                } else {
                    raise_not_ended(p_.peek().line);
                }
            }
            if (seen) writer_.set_constraint_status(table, name, enable, validate, line);
            return;
        }
        bool paren = p_.accept_symbol("(");
        std::string column = p_.identifier();
        if (p_.accept_word("GENERATED")) {
            identity_def id = parse_identity(p_, source_);
            writer_.add_identity(table, column, id, line);
            if (paren) p_.expect_symbol(")");
            return;
        }
        raise_unsupported("ALTER TABLE ... MODIFY of a column's type, default or nullability", line);
    }

    void drop(int line) {
        if (p_.accept_word("TABLE")) {
            std::string table = parse_object_name(p_, names_);
            bool cascade = false;
            if (p_.accept_word("CASCADE")) {
                p_.expect_word("CONSTRAINTS");
                cascade = true;
            }
            p_.accept_word("PURGE");
            p_.expect_end();
            writer_.drop_table(table, cascade, line);
        } else if (p_.accept_word("SEQUENCE")) {
            std::string name = parse_object_name(p_, names_);
            p_.expect_end();
            drop_sequence(db_, name, line);
        } else if (p_.accept_word("VIEW")) {
            std::string name = parse_object_name(p_, names_);
            p_.accept_word("CASCADE") && p_.accept_word("CONSTRAINTS");
            p_.expect_end();
            writer_.drop_view(name, line);
        } else if (p_.accept_word("USER")) {
            std::string name = p_.identifier();
            bool cascade = p_.accept_word("CASCADE");
            p_.expect_end();
            writer_.drop_user(name, cascade, line);
        } else if (p_.peek().is_word("PROCEDURE") || p_.peek().is_word("FUNCTION") || p_.peek().is_word("PACKAGE") ||
                   p_.peek().is_word("TRIGGER") || p_.peek().is_word("TYPE") || p_.peek().is_word("LIBRARY")) {
            std::string type = p_.next().text;
            if ((type == "PACKAGE" || type == "TYPE") && p_.accept_word("BODY")) type += " BODY";
            std::string name = parse_object_name(p_, names_);
            p_.accept_word("FORCE");
            p_.expect_end();
            drop_stored_code(db_, type, name, line);
        } else if (p_.accept_word("ROLE")) {
            const std::string role = p_.identifier();
            p_.expect_end();
            writer_.drop_role(role, line);
        } else if (p_.peek().is_word("PROFILE") || p_.peek().is_word("DIRECTORY")) {
            skip_to_end(p_);
        } else {
            raise_unsupported("DROP " + p_.peek().text, line);
        }
    }

    void comment(int line) {
        p_.expect_word("ON");
        std::optional<std::string> column;
        std::string table;
        if (p_.accept_word("TABLE") || p_.accept_word("VIEW") ||
            (p_.accept_word("MATERIALIZED") && p_.accept_word("VIEW"))) {
            table = parse_object_name(p_, names_);
        } else if (p_.accept_word("COLUMN")) {
            std::vector<std::string> parts{p_.identifier(true)};
            while (p_.accept_symbol(".")) parts.push_back(p_.identifier());
            if (parts.size() < 2) raise_ora(904, "\"" + parts[0] + "\": invalid identifier", line);
            if (parts.size() == 3 && !is_user(db_, parts[0]))
                raise_ora(1918, "user '" + parts[0] + "' does not exist", line);
            table = parts[parts.size() - 2];
            column = parts.back();
        } else {
            skip_to_end(p_);  // comments on other objects (operators, index types): not kept
            return;
        }
        p_.expect_word("IS");
        const token& text = p_.peek();
        if (text.kind != token_kind::string) raise_ora(1780, "string literal required", text.line);
        p_.next();
        writer_.comment(table, column, text.text, line);
    }

    long long insert(int line) {
        if (p_.peek().is_word("ALL") || p_.peek().is_word("FIRST")) raise_unsupported("multitable INSERT", line);
        p_.expect_word("INTO");
        int name_line = p_.peek().line;
        std::string name = parse_object_name(p_, names_);
        if (p_.peek_identifier() && !p_.peek().is_word("VALUES") && !p_.peek().is_word("SELECT") &&
            !p_.peek().is_word("WITH"))
            p_.next();  // a table alias
        std::vector<std::string> columns;
        if (p_.peek().is_symbol("(") && !p_.peek(1).is_word("SELECT") && !p_.peek(1).is_word("WITH")) {
            p_.next();
            do {
                columns.push_back(p_.identifier());
            } while (p_.accept_symbol(","));
            p_.expect_symbol(")");
        }
        statement_executor::inserter_lease lease = ex_.inserter(name, columns, line, name_line);
        row_inserter& rows = *lease;
        if (p_.accept_word("VALUES")) {
            // One row: the release the store names (19c) has no multi-row VALUES, so a second
            // list ends nothing properly (ORA-00933).
            p_.expect_symbol("(");
            std::vector<ora_value> values;
            do {
                expr_ptr e = p_.expression();
                values.push_back(compiled_expr::compile(*e, scope_).eval(ex_.ctx()));
            } while (p_.accept_symbol(","));
            p_.expect_symbol(")");
            if (p_.peek().is_word("RETURNING") || p_.peek().is_word("RETURN"))
                raise_unsupported("INSERT ... RETURNING", p_.peek().line);
            if (p_.peek().is_word("LOG")) raise_unsupported("DML error logging", p_.peek().line);
            p_.expect_end();
            rows.insert(values, ex_.ctx());
            return 1;
        }
        if (!p_.peek().is_word("SELECT") && !p_.peek().is_symbol("(") && !p_.peek().is_word("WITH"))
            raise_ora(926, "missing VALUES keyword", p_.peek().line);
        return insert_select(rows, line);
    }

    long long insert_select(row_inserter& rows, int line) {
        size_t start = p_.position();
        std::unique_ptr<select_stmt> s;
        if (!p_.peek().is_word("WITH")) {
            s = p_.select();
            p_.expect_end();
            const select_core& c = s->first;
            bool from_dual =
                c.from.size() == 1 && !c.from[0].sub && c.from[0].name.size() == 1 && c.from[0].name[0] == "DUAL";
            if (from_dual && s->compounds.empty() && !c.where && c.group_by.empty() && !c.having && !c.distinct)
                return generate(*s, rows, line);
        }
        // From real tables: the translator runs the query; its rows are read first, then inserted.
        skip_to_end(p_);
        std::vector<token> q(p_.tokens().begin() + static_cast<std::ptrdiff_t>(start),
                             p_.tokens().begin() + static_cast<std::ptrdiff_t>(p_.position()));
        token end;
        end.kind = token_kind::end;
        q.push_back(end);
        std::vector<std::vector<ora_value>> all = ex_.query_rows_of(q, source_, scope_, 0);
        for (const auto& r : all) rows.insert(r, ex_.ctx());
        return static_cast<long long>(all.size());
    }

    // INSERT ... SELECT <expressions> FROM DUAL [CONNECT BY LEVEL <= n]: n rows, LEVEL 1..n.
    long long generate(const select_stmt& s, row_inserter& rows, int line) {
        const select_core& c = s.first;
        long long count = 1;
        if (c.connect_by) {
            const expr& cb = *c.connect_by;
            bool ok = cb.kind == expr_kind::binary && (cb.text == "<=" || cb.text == "<") &&
                      cb.args[0]->kind == expr_kind::name && cb.args[0]->parts.size() == 1 &&
                      (cb.args[0]->parts[0] == "LEVEL" || cb.args[0]->parts[0] == "ROWNUM");
            if (!ok) raise_unsupported("CONNECT BY other than LEVEL <= n", cb.line);
            ora_value limit = compiled_expr::compile(*cb.args[1], scope_).eval(ex_.ctx());
            if (limit.is_null()) return 0;
            ora_number n = value_to_number(limit);
            count = n.to_int64().value_or(max_generated_rows + 1);
            if (cb.text == "<") count -= 1;
            if (!n.is_integral()) count = static_cast<long long>(n.to_double());
            if (count > max_generated_rows) raise_ora(1428, "argument is out of range", cb.line);
        }
        std::vector<compiled_expr> exprs;
        for (const auto& item : c.items) {
            if (item.value->kind == expr_kind::star) raise_unsupported("SELECT * in a generated insert", line);
            exprs.push_back(compiled_expr::compile(*item.value, scope_));
        }
        if (exprs.size() != rows.value_count())
            raise_ora(exprs.size() < rows.value_count() ? 947 : 913,
                      exprs.size() < rows.value_count() ? "not enough values" : "too many values", line);
        std::vector<ora_value> values(exprs.size());
        eval_context ctx = ex_.ctx();
        for (long long level = 1; level <= count; ++level) {
            ctx.level = level;
            for (size_t i = 0; i < exprs.size(); ++i) values[i] = exprs[i].eval(ctx);
            rows.insert(values, ctx);
        }
        return count < 0 ? 0 : count;
    }

    // A query at the top of a script: its rows are kept for the caller to show (SQL*Plus does).
    void query(int line) {
        size_t start = p_.position();
        skip_to_end(p_);
        std::vector<token> q(p_.tokens().begin() + static_cast<std::ptrdiff_t>(start),
                             p_.tokens().begin() + static_cast<std::ptrdiff_t>(p_.position()));
        token end;
        end.kind = token_kind::end;
        end.line = line;
        q.push_back(end);
        ex_.run_query(q, source_, scope_);
    }

    statement_executor& ex_;
    sqlite3* db_;
    sql_parser& p_;
    std::string_view source_;
    const value_scope* scope_;
    name_context names_;
    catalog_writer writer_;
};

}  // namespace

bool starts_plsql(const std::vector<token>& t, size_t pos) {
    auto at = [&](size_t i) -> const token& { return pos + i < t.size() ? t[pos + i] : t.back(); };
    if (at(0).is_word("BEGIN") || at(0).is_word("DECLARE")) return true;
    if (!at(0).is_word("CREATE")) return false;
    size_t i = 1;
    if (at(i).is_word("OR") && at(i + 1).is_word("REPLACE")) i += 2;
    if (at(i).is_word("EDITIONABLE") || at(i).is_word("NONEDITIONABLE")) ++i;
    if (at(i).is_word("AND") && (at(i + 1).is_word("COMPILE") || at(i + 1).is_word("RESOLVE"))) i += 2;
    const token& k = at(i);
    return k.is_word("PROCEDURE") || k.is_word("FUNCTION") || k.is_word("PACKAGE") || k.is_word("TRIGGER") ||
           k.is_word("TYPE") || k.is_word("LIBRARY") || k.is_word("JAVA");
}

statement_executor::statement_executor(sqlite3* db, session_state& session) : db_(db), session_(session) {
    ctx_.sysdate = ora_datetime::now(false);
    ctx_.systimestamp = ora_datetime::now(true);
    if (session_.user.empty()) session_.user = schema_owner(db);
    ctx_.user = session_.user;
    ctx_.db = db;
    ctx_.session = &session_;
}

long long statement_executor::run(const std::vector<token>& tokens, std::string_view source, const value_scope* scope) {
    // SYSDATE is fixed for one statement, as in Oracle.
    ctx_.sysdate = ora_datetime::now(false);
    ctx_.systimestamp = ora_datetime::now(true);
    ctx_.user = session_.user.empty() ? schema_owner(db_) : session_.user;
    last_query_ = {};
    if (!starts_plsql(tokens, 0)) {
        if (const token* t = overlong_literal(tokens)) raise_ora(1704, "string literal too long", t->line);
    }
    sql_parser p(tokens);
    statement_run r(*this, p, source, scope);
    struct forget {
        statement_executor& ex;
        ~forget() { ex.forget_inserters(); }
    } at_end{*this};
    long long n = r.run();
    if (p.peek().kind != token_kind::end) raise_not_ended(p.peek().line);
    return n;
}

statement_executor::inserter_lease statement_executor::inserter(const std::string& table,
                                                                const std::vector<std::string>& columns, int line,
                                                                int name_line) {
    std::string key = table;
    for (const auto& c : columns) key += '\0' + c;
    auto it = inserters_.find(key);
    if (it != inserters_.end() && !it->second->busy) {
        it->second->rows->set_line(line);
        return inserter_lease(it->second);
    }
    std::optional<stored_table> t = find_table(db_, table);
    if (!t) raise_no_table(name_line);
    auto entry = std::make_shared<inserter_entry>();
    entry->rows = std::make_unique<row_inserter>(db_, std::move(*t), columns, line, this);
    if (it == inserters_.end()) inserters_.emplace(key, entry);
    return inserter_lease(entry);
}

void statement_executor::execute(const std::vector<token>& statement, std::string_view source,
                                 const value_scope* scope) {
    sql_parser p(statement);
    statement_run r(*this, p, source, scope);
    r.run();
    if (p.peek().kind != token_kind::end) raise_not_ended(p.peek().line);
}

std::vector<std::vector<ora_value>> statement_executor::query_rows_of(const std::vector<token>& query,
                                                                      std::string_view source, const value_scope* scope,
                                                                      size_t limit) {
    translated_query tq(db_, query, source, scope);
    std::vector<std::vector<ora_value>> out;
    std::vector<ora_value> row;
    while (tq.next(row)) {
        out.push_back(std::move(row));
        if (limit && out.size() >= limit) break;
    }
    return out;
}

std::vector<ora_value> statement_executor::query_row(const std::vector<token>& query, std::string_view source,
                                                     const value_scope* scope) {
    // FROM DUAL alone needs no translation (and may take sequence values).
    sql_parser p(query);
    std::unique_ptr<select_stmt> s = p.select();
    const select_core& c = s->first;
    if (p.peek().kind == token_kind::end && c.from.size() == 1 && !c.from[0].sub && c.from[0].name.size() == 1 &&
        c.from[0].name[0] == "DUAL" && s->compounds.empty() && !c.where && c.group_by.empty() && !c.having &&
        !c.connect_by) {
        std::vector<ora_value> row;
        bool aggregate_free = true;
        for (const auto& item : c.items) {
            if (item.value->kind == expr_kind::star) aggregate_free = false;
        }
        if (aggregate_free) {
            try {
                for (const auto& item : c.items) row.push_back(compiled_expr::compile(*item.value, scope).eval(ctx_));
                return row;
            } catch (const sql_error& e) {
                if (e.code != 904 && e.code != 984) throw;  // an aggregate or a column: the translator reads it
            }
        }
    }
    std::vector<std::vector<ora_value>> rows = query_rows_of(query, source, scope, 2);
    if (rows.empty()) raise_ora(1403, "no data found");
    if (rows.size() > 1) raise_ora(1422, "exact fetch returns more than requested number of rows");
    return rows[0];
}

void statement_executor::run_query(const std::vector<token>& query, std::string_view source, const value_scope* scope) {
    translated_query tq(db_, query, source, scope);
    last_query_ = {};
    for (const auto& c : tq.columns()) last_query_.columns.push_back(compat::utf16_to_utf8(c.name));
    std::vector<ora_value> values;
    while (tq.next(values)) {
        std::vector<std::optional<std::string>> row;
        row.reserve(values.size());
        for (const ora_value& v : values)
            row.push_back(v.is_null() ? std::nullopt : std::optional<std::string>(value_to_text(v)));
        last_query_.rows.push_back(std::move(row));
    }
}

void statement_executor::put_line(const std::string& text) {
    if (session_.output && session_.server_output) *session_.output << text << "\n";
}

void statement_executor::savepoint() {
    if (!savepoint_) savepoint_ = std::make_unique<sqlite_stmt>(db_, "SAVEPOINT ocilite_step");
    savepoint_->reset();
    savepoint_->step();
}
void statement_executor::release_savepoint() {
    if (!release_) release_ = std::make_unique<sqlite_stmt>(db_, "RELEASE ocilite_step");
    release_->reset();
    release_->step();
}
void statement_executor::rollback_to_savepoint() {
    sqlite3_exec(db_, "ROLLBACK TO ocilite_step; RELEASE ocilite_step", nullptr, nullptr, nullptr);
}

long long execute_statement(sqlite3* db, std::string_view sql, session_state& session, const value_scope* binds) {
    std::vector<token> tokens = tokenize(sql);
    // A client sends a statement without its terminator; a PL/SQL one keeps its final ';'.
    store_transaction tx(db);
    statement_executor ex(db, session);
    long long n = ex.run(tokens, sql, binds);
    tx.commit();
    return n;
}

}  // namespace ocilite
