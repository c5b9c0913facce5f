// Runs one Oracle statement against a store: DDL (users, tables, indexes, views, sequences,
// stored PL/SQL), INSERT, anonymous blocks and queries. The loader runs every statement of a
// script through it; the client library can run the statements it does not translate itself
// (execute_statement below). Callers own the transaction.
#pragma once

#include <sqlite3.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ocilite/plsql.h"
#include "ocilite/row_insert.h"
#include "ocilite/session_state.h"
#include "ocilite/sql_lexer.h"
#include "ocilite/store.h"

namespace ocilite {

// The rows of the last query a statement ran, as text (NULL: nullopt), for SQL*Plus to show and
// for its COLUMN ... NEW_VALUE.
struct query_rows {
    std::vector<std::string> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
};

class statement_executor : public block_host {
public:
    statement_executor(sqlite3* db, session_state& session);

    // tokens: one statement without its terminator, ending with an end token; offsets point into
    // source. scope: PL/SQL variables or bind values the statement may read. Returns the rows
    // it inserted. Throws sql_error (with the line found, 0 when unknown) or store_error.
    long long run(const std::vector<token>& tokens, std::string_view source, const value_scope* scope = nullptr);
    const query_rows& last_query() const { return last_query_; }

    // block_host
    void execute(const std::vector<token>& statement, std::string_view source, const value_scope* scope) override;
    std::vector<ora_value> query_row(const std::vector<token>& query, std::string_view source,
                                     const value_scope* scope) override;
    void put_line(const std::string& text) override;
    void commit() override {}
    const eval_context& context() override { return ctx_; }
    void savepoint() override;
    void release_savepoint() override;
    void rollback_to_savepoint() override;

    sqlite3* db() const { return db_; }
    session_state& session() { return session_; }
    eval_context& ctx() { return ctx_; }
    // The rows of a query the translator runs (limit 0: all), values as computed kinds.
    std::vector<std::vector<ora_value>> query_rows_of(const std::vector<token>& query, std::string_view source,
                                                      const value_scope* scope, size_t limit);
    // A query whose rows go to last_query().
    void run_query(const std::vector<token>& query, std::string_view source, const value_scope* scope);

    struct inserter_entry {
        std::unique_ptr<row_inserter> rows;
        bool busy = false;
    };
    // The use of one inserter by one INSERT (a trigger's INSERT into the same table gets its own).
    class inserter_lease {
    public:
        explicit inserter_lease(std::shared_ptr<inserter_entry> e) : e_(std::move(e)) { e_->busy = true; }
        ~inserter_lease() { e_->busy = false; }
        inserter_lease(const inserter_lease&) = delete;
        inserter_lease& operator=(const inserter_lease&) = delete;
        row_inserter& operator*() const { return *e_->rows; }

    private:
        std::shared_ptr<inserter_entry> e_;
    };
    // The inserter for INSERTs into one table and column list: blocks of thousands of INSERTs
    // prepare it once. Any other statement may change the catalog and drops them all.
    inserter_lease inserter(const std::string& table, const std::vector<std::string>& columns, int line, int name_line);
    void forget_inserters() { inserters_.clear(); }

private:
    sqlite3* db_;
    session_state& session_;
    eval_context ctx_;
    query_rows last_query_;
    std::map<std::string, std::shared_ptr<inserter_entry>> inserters_;
    std::unique_ptr<sqlite_stmt> savepoint_, release_;  // prepared once: one of each per block step
};

// True when the statement at tokens[pos] is PL/SQL (a block, or CREATE of a procedure, function,
// package, type or trigger): it ends at a line holding only '/', not at ';'.
bool starts_plsql(const std::vector<token>& tokens, size_t pos);

// Binds a computed value to a SQLite parameter as the store keeps values of its kind.
void bind_ora_value(sqlite3_stmt* st, int index, const ora_value& v);

// Runs one statement given as text (no terminator) in its own transaction; for the client
// library. binds: values for :name placeholders (keys ":NAME"), may be null.
long long execute_statement(sqlite3* db, std::string_view sql, session_state& session,
                            const value_scope* binds = nullptr);

}  // namespace ocilite
