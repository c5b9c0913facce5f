// Runs Oracle SQL text against a store, statement by statement: statements end with ';' or a line
// holding only '/', PL/SQL ones (blocks, CREATE PROCEDURE / TRIGGER / ...) with the '/' line.
// Each statement is one SQLite transaction: a failing statement leaves nothing behind, and the
// statements before it stay.
#pragma once

#include <sqlite3.h>

#include <string_view>

#include "ocilite/session_state.h"
#include "ocilite/statement_exec.h"

namespace ocilite {

class script_loader {
public:
    explicit script_loader(sqlite3* db);

    // Runs the statements in order and stops at the first failure, throwing sql_error with the
    // line it was found on (an unreadable text, an Oracle error) or store_error. first_line: the
    // line the text starts on in its file.
    void run(std::string_view script, int first_line = 1);
    session_state& session() { return session_; }
    sqlite3* db() const { return db_; }
    const query_rows& last_query() const { return executor_.last_query(); }

private:
    sqlite3* db_;
    session_state session_;
    statement_executor executor_;
};

}  // namespace ocilite
