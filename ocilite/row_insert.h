// Inserts rows into one data table: fills defaults and identity values for the columns not named,
// runs the table's row triggers on INSERT, converts each value for its column, and enforces NOT
// NULL, keys and enabled foreign keys with Oracle's errors.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ocilite/expr_eval.h"
#include "ocilite/session_state.h"
#include "ocilite/store.h"
#include "ocilite/value_convert.h"

namespace ocilite {

class block_host;

// ORA-00001 naming the key whose columns SQLite's unique-violation message lists.
[[noreturn]] void raise_unique_violation(sqlite3* db, const stored_table& table, const std::string& sqlite_message,
                                         int line = 0);

class row_inserter {
public:
    // columns: the INSERT's column list; empty means all columns in order. Throws sql_error for
    // unknown or repeated columns. Triggers run their SQL through host; without one a table with
    // triggers cannot be inserted into ("not supported by ocilite").
    row_inserter(sqlite3* db, stored_table table, const std::vector<std::string>& columns, int line,
                 block_host* host = nullptr);
    ~row_inserter();
    row_inserter(const row_inserter&) = delete;
    row_inserter& operator=(const row_inserter&) = delete;

    size_t value_count() const { return targets_.size(); }
    void set_line(int line) { line_ = line; }  // the statement errors name, when reused
    // values: one per listed column, in list order.
    void insert(const std::vector<ora_value>& values, const eval_context& ctx);

private:
    struct foreign_key;
    struct identity;
    struct trigger;
    [[noreturn]] void raise_unique(const std::string& sqlite_message);
    void fire(bool before, std::vector<ora_value>& row);

    sqlite3* db_;
    stored_table table_;
    std::string owner_;
    int line_;
    std::vector<size_t> targets_;                           // listed value i goes to column targets_[i]
    std::vector<std::unique_ptr<compiled_expr>> defaults_;  // per column; null: no default
    std::vector<bool> listed_;
    std::unique_ptr<sqlite_stmt> insert_;
    std::vector<std::unique_ptr<foreign_key>> foreign_keys_;
    std::vector<std::unique_ptr<identity>> identities_;
    std::vector<std::unique_ptr<trigger>> triggers_;
    block_host* host_;
    session_state fallback_session_;  // sequences of identity columns when the caller has no session
    std::vector<stored_value> row_;
    std::vector<ora_value> staged_;  // the row before conversion, while identities and triggers see it
};

}  // namespace ocilite
