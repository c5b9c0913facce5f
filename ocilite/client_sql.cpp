#include "ocilite/client_sql.h"

#include <algorithm>

#include "compat/text/text.h"
#include "ocilite/expr_eval.h"
#include "ocilite/ora_errors.h"
#include "ocilite/row_insert.h"
#include "ocilite/sql_parser.h"
#include "ocilite/sql_translate.h"
#include "ocilite/statement_exec.h"
#include "ocilite/store.h"
#include "ocilite/value_convert.h"

namespace ocilite {

namespace {

std::vector<token> tokens_of(std::string_view text) {
    try {
        return tokenize(text);
    } catch (const lex_error& e) {
        raise_ora(e.code, e.message.substr(e.message.find(": ") + 2));
    }
}

// One statement through the executor the loader uses, in the caller's transaction.
long long run_statement(sqlite3* db, session_state& session, std::string_view text, const value_scope* binds) {
    std::vector<token> tokens = tokens_of(text);
    statement_executor executor(db, session);
    return executor.run(tokens, text, binds);
}

// [schema.]name after the parser's position, as Oracle resolves it.
std::string object_name(sql_parser& p) {
    std::string name = p.identifier(true);
    if (p.accept_symbol(".")) name = p.identifier(true);
    return name;
}

stored_table table_named(sqlite3* db, const std::string& name) {
    std::optional<stored_table> t = find_table(db, name);
    if (!t) raise_no_table();
    return std::move(*t);
}

bool privilege_revoked(sqlite3* db, const std::string& user, const std::string& privilege) {
    sqlite_stmt exists(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name='ocilite_revoked'");
    if (!exists.step()) return false;
    sqlite_stmt q(db, "SELECT 1 FROM ocilite_revoked WHERE username=? AND privilege=?");
    q.bind(1, user).bind(2, privilege);
    return q.step();
}

// ALTER TABLE t MODIFY [(] column [type] [DEFAULT expr] [NULL | NOT NULL] [, ...] [)]
void modify_columns(sqlite3* db, sql_parser& p, std::string_view source, const std::string& table_name) {
    stored_table table = table_named(db, table_name);
    const bool paren = p.accept_symbol("(");
    do {
        const int line = p.peek().line;
        const std::string column = p.identifier();
        const stored_column* c = table.find(column);
        if (!c) raise_invalid_identifier(column, line);
        const bool has_type = p.peek_identifier() && !p.peek().is_word("DEFAULT") && !p.peek().is_word("NULL") &&
                              !p.peek().is_word("NOT");
        if (has_type) {
            ora_column_type type = parse_column_type(p);
            if (type.kind != c->type.kind) {
                sqlite_stmt any(
                    db, "SELECT 1 FROM " + table.sqlite_name + " WHERE " + c->sqlite_name + " IS NOT NULL LIMIT 1");
                if (any.step()) raise_ora(1439, "column to be modified must be empty to change datatype", line);
            }
            sqlite_stmt set(db,
                            "UPDATE USER_TAB_COLUMNS SET DATA_TYPE=?, DATA_LENGTH=?, DATA_PRECISION=?, DATA_SCALE=?,"
                            " CHAR_LENGTH=?, CHAR_USED=? WHERE TABLE_NAME=? AND COLUMN_NAME=?");
            set.bind(1, type.data_type()).bind(2, static_cast<int64_t>(type.data_length()));
            set.bind_opt(3, type.data_precision()).bind_opt(4, type.data_scale());
            set.bind(5, static_cast<int64_t>(type.char_length())).bind_opt(6, type.char_used());
            set.bind(7, table.name).bind(8, column).step();
        }
        if (p.accept_word("DEFAULT")) {
            const size_t first = p.position();
            p.expression();
            const auto& t = p.tokens();
            std::string text(source.substr(t[first].begin, t[p.position() - 1].end - t[first].begin));
            sqlite_stmt set(db, "UPDATE USER_TAB_COLUMNS SET DATA_DEFAULT=? WHERE TABLE_NAME=? AND COLUMN_NAME=?");
            set.bind(1, text).bind(2, table.name).bind(3, column).step();
        }
        if (p.accept_word("NOT")) {
            p.expect_word("NULL");
            sqlite_stmt nulls(db,
                              "SELECT 1 FROM " + table.sqlite_name + " WHERE " + c->sqlite_name + " IS NULL LIMIT 1");
            if (nulls.step()) raise_ora(2296, "cannot enable - null values found", line);
            sqlite_stmt set(db, "UPDATE USER_TAB_COLUMNS SET NULLABLE='N' WHERE TABLE_NAME=? AND COLUMN_NAME=?");
            set.bind(1, table.name).bind(2, column).step();
        } else if (p.accept_word("NULL")) {
            sqlite_stmt set(db, "UPDATE USER_TAB_COLUMNS SET NULLABLE='Y' WHERE TABLE_NAME=? AND COLUMN_NAME=?");
            set.bind(1, table.name).bind(2, column).step();
        }
    } while (paren && p.accept_symbol(","));
    if (paren) p.expect_symbol(")");
    p.expect_end();
}

// GRANT / REVOKE of system privileges ("CREATE SEQUENCE", ...) to or from users. Every user
// holds every privilege unless it was revoked.
void change_privileges(sqlite3* db, const std::vector<token>& t, bool grant) {
    sql_parser p(t, 1);
    std::vector<std::string> privileges;
    std::string current;
    while (!p.at_end() && !p.peek().is_word(grant ? "TO" : "FROM")) {
        const token& w = p.next();
        if (w.is_symbol(",")) {
            privileges.push_back(current);
            current.clear();
        } else {
            current += (current.empty() ? "" : " ") + w.text;
        }
    }
    if (!current.empty()) privileges.push_back(current);
    p.expect_word(grant ? "TO" : "FROM");
    std::vector<std::string> users;
    do {
        const int line = p.peek().line;
        users.push_back(p.identifier());
        if (!is_grantee(db, users.back())) raise_ora(1917, "user or role '" + users.back() + "' does not exist", line);
    } while (p.accept_symbol(","));
    sqlite_stmt(db, "CREATE TABLE IF NOT EXISTS ocilite_revoked(username TEXT, privilege TEXT)").step();
    for (const std::string& user : users) {
        for (const std::string& privilege : privileges) {
            sqlite_stmt(db, "DELETE FROM ocilite_revoked WHERE username=? AND privilege=?")
                .bind(1, user)
                .bind(2, privilege)
                .step();
            if (!grant)
                sqlite_stmt(db, "INSERT INTO ocilite_revoked(username, privilege) VALUES(?, ?)")
                    .bind(1, user)
                    .bind(2, privilege)
                    .step();
        }
    }
}

}  // namespace

client_statement classify_statement(std::string_view text) {
    std::vector<token> t;
    try {
        t = tokenize(text);
    } catch (const lex_error&) {
        return client_statement::query;  // the translator reports it
    }
    const token& w = t[0];
    if (w.is_word("INSERT")) return client_statement::insert;
    if (w.is_word("UPDATE")) return client_statement::update;
    if (w.is_word("DELETE")) return client_statement::delete_rows;
    if (w.is_word("COMMIT")) return client_statement::commit;
    if (w.is_word("ROLLBACK")) return client_statement::rollback;
    if (w.is_word("ALTER") && t[1].is_word("SESSION")) return client_statement::no_op;
    if (w.is_word("CREATE") || w.is_word("ALTER") || w.is_word("DROP") || w.is_word("GRANT") || w.is_word("REVOKE") ||
        w.is_word("COMMENT") || w.is_word("TRUNCATE") || w.is_word("RENAME"))
        return client_statement::ddl;
    return client_statement::query;
}

void check_literal_lengths(std::string_view text) {
    std::vector<token> t;
    try {
        t = tokenize(text);
    } catch (const lex_error&) {
        return;
    }
    if (starts_plsql(t, 0)) return;
    if (const token* literal = overlong_literal(t)) raise_ora(1704, "string literal too long", literal->line);
}

std::optional<returning_clause> split_returning(std::string_view text) {
    std::vector<token> t = tokens_of(text);
    int depth = 0;
    for (size_t i = 0; t[i].kind != token_kind::end; ++i) {
        if (t[i].is_symbol("(")) ++depth;
        if (t[i].is_symbol(")")) --depth;
        if (depth != 0 || !(t[i].is_word("RETURNING") || t[i].is_word("RETURN"))) continue;
        returning_clause r;
        r.statement = std::string(text.substr(0, t[i].begin));
        size_t k = i + 1;
        while (t[k].kind != token_kind::end && !t[k].is_word("INTO")) {
            if (!t[k].is_symbol(",")) r.items.push_back(t[k].text);
            ++k;
        }
        if (!t[k].is_word("INTO")) raise_ora(905, "missing keyword", t[k].line);
        for (++k; t[k].kind != token_kind::end && !t[k].is_symbol(";"); ++k) {
            if (t[k].is_symbol(",")) continue;
            if (t[k].kind != token_kind::bind) raise_ora(1745, "invalid host/bind variable name", t[k].line);
            r.binds.push_back(compat::to_upper_utf8(t[k].text));
        }
        if (r.items.size() != r.binds.size())
            raise_ora(r.items.size() < r.binds.size() ? 913 : 947,
                      r.items.size() < r.binds.size() ? "too many values" : "not enough values");
        for (const std::string& item : r.items)
            if (item != "ROWID") raise_ora(3001, "unimplemented feature: RETURNING other than ROWID");
        return r;
    }
    return std::nullopt;
}

void run_ddl(sqlite3* db, session_state& session, std::string_view text) {
    const std::string& user = session.user;
    std::vector<token> t = tokens_of(text);
    if (t[0].is_word("REVOKE") || t[0].is_word("GRANT")) {
        change_privileges(db, t, t[0].is_word("GRANT"));
        return;
    }
    if (t[0].is_word("CREATE") && t[1].is_word("SEQUENCE") && privilege_revoked(db, user, "CREATE SEQUENCE"))
        raise_ora(1031, "insufficient privileges");
    if (t[0].is_word("ALTER") && t[1].is_word("TABLE")) {
        sql_parser p(t, 2);
        const std::string table = object_name(p);
        if (p.accept_word("MODIFY")) {
            modify_columns(db, p, text, table);
            return;
        }
    }
    run_statement(db, session, text, nullptr);
}

std::vector<std::string> placeholder_names(std::string_view text) {
    std::vector<std::string> names;
    std::vector<token> t;
    try {
        t = tokenize(text);
    } catch (const lex_error&) {
        return names;  // the statement's run reports it
    }
    for (const token& k : t)
        if (k.kind == token_kind::bind) names.push_back(compat::to_upper_utf8(k.text));
    return names;
}

dml_outcome run_insert(sqlite3* db, session_state& session, std::string_view text, const value_scope* binds) {
    std::vector<token> t = tokens_of(text);
    sql_parser p(t);
    p.expect_word("INSERT");
    p.expect_word("INTO");
    const stored_table table = table_named(db, object_name(p));
    dml_outcome out;
    out.rows = run_statement(db, session, text, binds);
    // The row went in last on this connection.
    if (out.rows == 1) out.rowids.push_back(rowid_text(table.sqlite_name, sqlite3_last_insert_rowid(db)));
    return out;
}

dml_outcome run_update(sqlite3* db, std::string_view text, const value_scope* binds) {
    std::vector<token> t = tokens_of(text);
    sql_parser p(t);
    p.expect_word("UPDATE");
    const size_t name_first = p.position();
    const stored_table table = table_named(db, object_name(p));
    size_t name_end = p.position();
    if (p.peek_identifier() && !p.peek().is_word("SET")) {
        p.next();  // an alias
        name_end = p.position();
    }
    p.expect_word("SET");
    struct assignment {
        const stored_column* column;
        ora_value value;
    };
    std::vector<assignment> sets;
    eval_context ctx;
    ctx.sysdate = ora_datetime::now(false);
    ctx.systimestamp = ora_datetime::now(true);
    ctx.user = schema_owner(db);
    do {
        const int line = p.peek().line;
        const std::string column = p.identifier();
        const stored_column* c = table.find(column);
        if (!c) raise_invalid_identifier(column, line);
        for (const auto& s : sets)
            if (s.column == c) raise_ora(957, "duplicate column name", line);
        p.expect_symbol("=");
        expr_ptr e = p.expression();
        sets.push_back({c, compiled_expr::compile(*e, binds).eval(ctx)});
    } while (p.accept_symbol(","));

    const std::string target(text.substr(t[name_first].begin, t[name_end - 1].end - t[name_first].begin));
    std::string select = "SELECT ROWID FROM " + target;
    if (p.accept_word("WHERE")) {
        const size_t first = p.position();
        p.expression();
        select += " WHERE " + std::string(text.substr(t[first].begin, t[p.position() - 1].end - t[first].begin));
    }
    p.expect_end();

    // The rows first, then the change: the condition sees the table as it was.
    translated q = translate(db, compat::utf8_to_utf16(select));
    std::vector<int64_t> rows;
    {
        sqlite_stmt pick(db, q.sqlite_sql);
        // The condition's placeholders take their bound values.
        for (int i = 1; i <= sqlite3_bind_parameter_count(pick.get()); ++i) {
            const char* name = sqlite3_bind_parameter_name(pick.get(), i);
            if (!name) continue;
            const std::string key = compat::to_upper_utf8(name);
            if (!binds || !binds->has(key)) raise_ora(1008, "not all variables bound");
            bind_ora_value(pick.get(), i, binds->get(key));
        }
        while (pick.step())
            if (auto id = rowid_of(pick.text(0), table.sqlite_name)) rows.push_back(*id);
    }
    const std::string owner = schema_owner(db);
    std::vector<stored_value> values;
    for (const auto& s : sets) {
        const bool null = s.value.is_null() || (s.value.k == ora_value::kind::text && s.value.bytes.empty());
        if (null && !s.column->nullable)
            raise_ora(1407,
                      "cannot update (\"" + owner + "\".\"" + table.name + "\".\"" + s.column->name + "\") to NULL");
        values.push_back(convert_for_column(s.value, *s.column, owner, table.name));
    }
    std::string sql = "UPDATE " + table.sqlite_name + " SET ";
    for (size_t i = 0; i < sets.size(); ++i)
        sql += (i ? ", " : "") + sets[i].column->sqlite_name + " = ?" + std::to_string(i + 1);
    sql += " WHERE rowid = ?" + std::to_string(sets.size() + 1);
    sqlite_stmt change(db, sql);
    dml_outcome out;
    for (int64_t row : rows) {
        change.reset();
        for (size_t i = 0; i < values.size(); ++i) values[i].bind(change.get(), static_cast<int>(i + 1));
        sqlite3_bind_int64(change.get(), static_cast<int>(values.size() + 1), row);
        const int rc = change.step_code();
        if (rc != SQLITE_DONE) {
            const int ext = sqlite3_extended_errcode(db);
            const std::string message = sqlite3_errmsg(db);
            if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY)
                raise_unique_violation(db, table, message);
            throw store_error{"update of " + table.name + ": " + message};
        }
        ++out.rows;
        out.rowids.push_back(rowid_text(table.sqlite_name, row));
    }
    return out;
}

void write_lob_cell(sqlite3* db, const std::string& sqlite_table, const std::string& sqlite_column, int64_t rowid,
                    const std::string& value, bool binary) {
    sqlite_stmt set(db, "UPDATE " + sqlite_table + " SET " + sqlite_column + " = ? WHERE rowid = ?");
    if (binary) {
        sqlite3_bind_blob64(set.get(), 1, value.data(), value.size(), SQLITE_TRANSIENT);
    } else {
        sqlite3_bind_text64(set.get(), 1, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    sqlite3_bind_int64(set.get(), 2, rowid);
    if (set.step_code() != SQLITE_DONE) throw store_error{"LOB write: " + std::string(sqlite3_errmsg(db))};
}

}  // namespace ocilite
