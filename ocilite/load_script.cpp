#include "ocilite/load_script.h"

#include <memory>
#include <string>
#include <vector>

#include "compat/text/text.h"
#include "ocilite/catalog_writer.h"
#include "ocilite/ddl.h"
#include "ocilite/expr_eval.h"
#include "ocilite/ora_errors.h"
#include "ocilite/row_insert.h"
#include "ocilite/sql_parser.h"
#include "ocilite/store.h"

namespace ocilite {

namespace {

constexpr long long max_generated_rows = 100000000;

bool store_has_user(void* ctx, const std::string& name) { return is_user(static_cast<sqlite3*>(ctx), name); }

void skip_to_end(sql_parser& p) {
    while (!p.at_end()) p.next();
}

class statement_runner {
public:
    statement_runner(sqlite3* db, sql_parser& p, std::string_view source)
        : db_(db), p_(p), source_(source), names_{store_has_user, db}, writer_(db) {
        ctx_.sysdate = ora_datetime::now(false);
        ctx_.systimestamp = ora_datetime::now(true);
        ctx_.user = schema_owner(db);
    }

    long long run() {
        int line = p_.peek().line;
        if (p_.accept_word("CREATE")) {
            create(line);
        } else if (p_.accept_word("INSERT")) {
            return insert(line);
        } else if (p_.accept_word("ALTER")) {
            alter(line);
        } else if (p_.accept_word("COMMIT")) {
            p_.accept_word("WORK");
        } else if (p_.accept_word("GRANT") || p_.accept_word("COMMENT")) {
            skip_to_end(p_);  // privileges and comments mean nothing in a one-schema store
        } else {
            raise_invalid_statement(line);
        }
        p_.expect_end();
        return 0;
    }

private:
    void create(int line) {
        bool or_replace = false;
        if (p_.accept_word("OR")) {
            p_.expect_word("REPLACE");
            or_replace = true;
        }
        p_.accept_word("FORCE") || p_.accept_word("NOFORCE");
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
        } else if (p_.accept_word("TABLE")) {
            writer_.create_table(parse_create_table(p_, source_, names_));
        } else if (p_.peek().is_word("UNIQUE") || p_.peek().is_word("INDEX")) {
            bool unique = p_.accept_word("UNIQUE");
            p_.expect_word("INDEX");
            writer_.create_index(parse_create_index(p_, unique, names_));
        } else if (p_.accept_word("VIEW")) {
            writer_.create_view(parse_create_view(p_, source_, or_replace, names_), line);
        } else {
            raise_invalid_statement(line);
        }
    }

    void alter(int line) {
        if (!p_.accept_word("TABLE")) {
            if (p_.accept_word("SESSION")) {
                skip_to_end(p_);
                return;
            }
            raise_invalid_statement(line);
        }
        std::string table = parse_object_name(p_, names_);
        p_.expect_word("ADD");
        bool paren = p_.accept_symbol("(");
        constraint_def c = parse_table_constraint(p_, source_, names_);
        if (paren) p_.expect_symbol(")");
        writer_.add_constraint(table, c);
    }

    long long insert(int line) {
        p_.expect_word("INTO");
        int name_line = p_.peek().line;
        std::string name = parse_object_name(p_, names_);
        std::optional<stored_table> table = find_table(db_, name);
        if (!table) raise_no_table(name_line);
        std::vector<std::string> columns;
        if (p_.peek().is_symbol("(") && !p_.peek(1).is_word("SELECT")) {
            p_.next();
            do {
                columns.push_back(p_.identifier());
            } while (p_.accept_symbol(","));
            p_.expect_symbol(")");
        }
        row_inserter rows(db_, std::move(*table), columns, line);
        if (p_.accept_word("VALUES")) {
            long long n = 0;
            do {
                p_.expect_symbol("(");
                std::vector<ora_value> values;
                do {
                    expr_ptr e = p_.expression();
                    values.push_back(compiled_expr::compile(*e).eval(ctx_));
                } while (p_.accept_symbol(","));
                p_.expect_symbol(")");
                rows.insert(values, ctx_);
                ++n;
            } while (p_.accept_symbol(","));
            p_.expect_end();
            return n;
        }
        if (!p_.peek().is_word("SELECT") && !p_.peek().is_symbol("("))
            raise_ora(926, "missing VALUES keyword", p_.peek().line);
        return generate(rows, line);
    }

    // INSERT ... SELECT <expressions> FROM DUAL [CONNECT BY LEVEL <= n]: n rows, LEVEL 1..n.
    long long generate(row_inserter& rows, int line) {
        std::unique_ptr<select_stmt> s = p_.select();
        p_.expect_end();
        const select_core& c = s->first;
        bool from_dual =
            c.from.size() == 1 && !c.from[0].sub && c.from[0].name.size() == 1 && c.from[0].name[0] == "DUAL";
        if (!from_dual || !s->compounds.empty() || c.where || !c.group_by.empty() || c.having || c.distinct)
            raise_ora(3001, "unimplemented feature: INSERT ... SELECT reads only from DUAL", line);
        long long count = 1;
        if (c.connect_by) {
            const expr& cb = *c.connect_by;
            bool ok = cb.kind == expr_kind::binary && (cb.text == "<=" || cb.text == "<") &&
                      cb.args[0]->kind == expr_kind::name && cb.args[0]->parts.size() == 1 &&
                      (cb.args[0]->parts[0] == "LEVEL" || cb.args[0]->parts[0] == "ROWNUM");
            if (!ok) raise_ora(3001, "unimplemented feature: CONNECT BY other than LEVEL <= n", cb.line);
            ora_value limit = compiled_expr::compile(*cb.args[1]).eval(ctx_);
            if (limit.is_null()) return 0;
            ora_number n = value_to_number(limit);
            count = n.to_int64().value_or(max_generated_rows + 1);
            if (cb.text == "<") count -= 1;
            if (!n.is_integral()) count = static_cast<long long>(n.to_double());
            if (count > max_generated_rows) raise_ora(1428, "argument is out of range", cb.line);
        }
        std::vector<compiled_expr> exprs;
        for (const auto& item : c.items) {
            if (item.value->kind == expr_kind::star)
                raise_ora(3001, "unimplemented feature: SELECT * in a generated insert", line);
            exprs.push_back(compiled_expr::compile(*item.value));
        }
        if (exprs.size() != rows.value_count())
            raise_ora(exprs.size() < rows.value_count() ? 947 : 913,
                      exprs.size() < rows.value_count() ? "not enough values" : "too many values", line);
        std::vector<ora_value> values(exprs.size());
        eval_context ctx = ctx_;
        for (long long level = 1; level <= count; ++level) {
            ctx.level = level;
            for (size_t i = 0; i < exprs.size(); ++i) values[i] = exprs[i].eval(ctx);
            rows.insert(values, ctx);
        }
        return count < 0 ? 0 : count;
    }

    sqlite3* db_;
    sql_parser& p_;
    std::string_view source_;
    name_context names_;
    catalog_writer writer_;
    eval_context ctx_;
};

}  // namespace

script_loader::script_loader(sqlite3* db) : db_(db) { create_store_schema(db_); }

void script_loader::run(std::string_view script) {
    // Statements before unreadable text still run; the one that reaches it fails with its line.
    lex_error lex{};
    bool lex_failed = false;
    std::vector<token> tokens = tokenize_prefix(script, &lex, &lex_failed);
    sql_parser p(tokens);
    while (true) {
        while (p.peek().is_symbol(";") || p.peek().kind == token_kind::script_end) p.next();
        if (p.peek().kind == token_kind::end && !lex_failed) return;
        int line = p.peek().line;
        if (lex_failed) {
            size_t i = p.position();
            while (tokens[i].kind != token_kind::end && !tokens[i].is_symbol(";") &&
                   tokens[i].kind != token_kind::script_end)
                ++i;
            if (tokens[i].kind == token_kind::end) {
                sql_error err;
                err.code = lex.code;
                err.message = lex.message;
                err.line = lex.line;
                throw err;
            }
        }
        try {
            store_transaction tx(db_);
            statement_runner runner(db_, p, script);
            rows_ += runner.run();
            tx.commit();
        } catch (sql_error& e) {
            if (e.line == 0) e.line = line;
            throw;
        } catch (const ora_error& e) {
            sql_error err;
            err.code = e.code;
            err.message = e.message;
            err.line = line;
            throw err;
        }
        ++statements_;
        if (!p.at_end()) raise_not_ended(p.peek().line);
        p.next();
    }
}

}  // namespace ocilite
