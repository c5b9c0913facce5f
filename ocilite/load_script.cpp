#include "ocilite/load_script.h"

#include <string>
#include <vector>

#include "ocilite/ora_errors.h"
#include "ocilite/sql_parser.h"
#include "ocilite/store.h"

namespace ocilite {

script_loader::script_loader(sqlite3* db) : db_(db), executor_((create_store_schema(db), db), session_) {}

void script_loader::run(std::string_view script, int first_line) {
    // Statements before unreadable text still run; the one that reaches it fails with its line.
    lex_error lex{};
    bool lex_failed = false;
    std::vector<token> tokens = tokenize_prefix(script, &lex, &lex_failed);
    auto file_line = [&](int line) { return line <= 0 ? line : line + first_line - 1; };
    size_t i = 0;
    while (true) {
        while (tokens[i].is_symbol(";") || tokens[i].kind == token_kind::script_end) ++i;
        if (tokens[i].kind == token_kind::end && !lex_failed) return;
        int line = tokens[i].line;
        // The statement's end: the '/' line for PL/SQL, else ';' or the '/' line.
        bool plsql = starts_plsql(tokens, i);
        size_t end = i;
        while (tokens[end].kind != token_kind::end && tokens[end].kind != token_kind::script_end &&
               (plsql || !tokens[end].is_symbol(";")))
            ++end;
        if (lex_failed && tokens[end].kind == token_kind::end) {
            sql_error err;
            err.code = lex.code;
            err.message = lex.message;
            err.line = file_line(lex.line);
            throw err;
        }
        std::vector<token> statement(tokens.begin() + static_cast<std::ptrdiff_t>(i),
                                     tokens.begin() + static_cast<std::ptrdiff_t>(end));
        token stop;
        stop.kind = token_kind::end;
        stop.begin = stop.end = tokens[end].begin;
        stop.line = tokens[end].line;
        statement.push_back(stop);
        try {
            store_transaction tx(db_);
            executor_.run(statement, script);
            tx.commit();
        } catch (sql_error& e) {
            e.line = file_line(e.line == 0 ? line : e.line);
            throw;
        } catch (const ora_error& e) {
            sql_error err;
            err.code = e.code;
            err.message = e.message;
            err.line = file_line(line);
            throw err;
        }
        i = end;
        if (tokens[i].kind != token_kind::end) ++i;
    }
}

}  // namespace ocilite
