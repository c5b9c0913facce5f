// What the client library runs that is not a query: DDL (with Oracle's implicit commits left
// to the caller), INSERT with RETURNING ROWID, UPDATE, ALTER TABLE ... MODIFY, and writes into
// a row's LOB. Each runs inside the caller's transaction and throws ora_error (or
// store_error) as Oracle would report the statement's failure.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ocilite/expr_eval.h"
#include "ocilite/session_state.h"

namespace ocilite {

enum class client_statement { query, ddl, insert, update, delete_rows, commit, rollback, no_op };

// By the statement's first words; query for anything the translator reads.
client_statement classify_statement(std::string_view text);

// ORA-01704 when a text literal of a SQL statement is longer than Oracle takes; unreadable text
// and PL/SQL are left to the statement's own run.
void check_literal_lengths(std::string_view text);

// "... RETURNING items INTO :a, :b" at the statement's end, split off.
struct returning_clause {
    std::string statement;           // the text before RETURNING
    std::vector<std::string> items;  // upper case: "ROWID"
    std::vector<std::string> binds;  // bind names without the colon, upper case
};
std::optional<returning_clause> split_returning(std::string_view text);

struct dml_outcome {
    long long rows = 0;
    std::vector<std::string> rowids;  // of the rows inserted or updated, in order
};

// The placeholders of a statement in the order they stand in its text (each occurrence),
// upper case, without the colon.
std::vector<std::string> placeholder_names(std::string_view text);

// CREATE / ALTER / DROP / GRANT / COMMENT ...; the session's user needs the privilege for
// CREATE SEQUENCE (ORA-01031).
void run_ddl(sqlite3* db, session_state& session, std::string_view text);
// binds: the bound values of the statement's placeholders (keys ":NAME"), may be null.
dml_outcome run_insert(sqlite3* db, session_state& session, std::string_view text, const value_scope* binds = nullptr);
dml_outcome run_update(sqlite3* db, std::string_view text, const value_scope* binds = nullptr);

// A LOB cell of a data table: its value is replaced by text (UTF-8) or bytes.
void write_lob_cell(sqlite3* db, const std::string& sqlite_table, const std::string& sqlite_column, int64_t rowid,
                    const std::string& value, bool binary);

}  // namespace ocilite
