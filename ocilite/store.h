// The ocilite store: one SQLite file per service. Creates the store's own tables and the catalog
// views, maps Oracle names to the data tables t<N>/c<N>, and wraps the SQLite handles the
// loader and the translator use.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ocilite/ora_types.h"

namespace ocilite {

inline constexpr const char* default_banner = "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production";
inline constexpr const char* default_version = "19.0.0.0.0";

// SQLite failures that are not Oracle errors (a broken file, a full disk).
struct store_error {
    std::string message;
};

// An open SQLite connection, closed on destruction.
class sqlite_db {
public:
    // Opens (create: also creates) the file; throws store_error.
    sqlite_db(const std::string& path, bool create);
    ~sqlite_db();
    sqlite_db(const sqlite_db&) = delete;
    sqlite_db& operator=(const sqlite_db&) = delete;
    sqlite3* get() const { return db_; }
    void exec(const std::string& sql);  // throws store_error

private:
    sqlite3* db_ = nullptr;
};

// A prepared statement, finalized on destruction.
class sqlite_stmt {
public:
    sqlite_stmt(sqlite3* db, std::string_view sql);  // throws store_error
    ~sqlite_stmt();
    sqlite_stmt(const sqlite_stmt&) = delete;
    sqlite_stmt& operator=(const sqlite_stmt&) = delete;
    sqlite3_stmt* get() const { return st_; }

    sqlite_stmt& bind(int i, std::string_view text);
    sqlite_stmt& bind(int i, int64_t v);
    sqlite_stmt& bind_opt(int i, const std::optional<std::string>& text);
    sqlite_stmt& bind_opt(int i, std::optional<int> v);
    sqlite_stmt& bind_null(int i);
    bool step();      // true while a row is there; throws store_error
    int step_code();  // sqlite3_step's own code, for callers that map constraint errors
    void reset();
    std::string text(int col) const;
    std::optional<std::string> opt_text(int col) const;
    int64_t integer(int col) const;
    std::optional<int> opt_int(int col) const;
    bool is_null(int col) const;

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
};

// BEGIN IMMEDIATE ... COMMIT; rolls back unless committed.
class store_transaction {
public:
    explicit store_transaction(sqlite3* db);
    ~store_transaction();
    store_transaction(const store_transaction&) = delete;
    store_transaction& operator=(const store_transaction&) = delete;
    void commit();

private:
    sqlite3* db_;
    bool done_ = false;
};

// Creates the store's tables when missing (idempotent) and fills ocilite_meta's defaults.
void create_store_schema(sqlite3* db);

// One column of a data table, from the catalog.
struct stored_column {
    std::string name;         // Oracle name
    std::string sqlite_name;  // c<COLUMN_ID>
    int column_id = 0;
    ora_column_type type;
    bool nullable = true;
    std::optional<std::string> default_text;
};

struct stored_table {
    std::string name;         // Oracle name
    std::string sqlite_name;  // t<N>
    std::vector<stored_column> columns;
    const stored_column* find(const std::string& column) const;
};

std::optional<std::string> meta_value(sqlite3* db, const std::string& key);
void set_meta_value(sqlite3* db, const std::string& key, const std::string& value);

std::optional<stored_table> find_table(sqlite3* db, const std::string& oracle_name);
// The schema owner: the first user created (empty when there is none yet).
std::string schema_owner(sqlite3* db);
bool is_user(sqlite3* db, const std::string& name);
// A role made by CREATE ROLE.
bool is_role(sqlite3* db, const std::string& name);
// A name privileges are granted to: a user or role of the store, PUBLIC, or one of the users
// and roles every Oracle database has (SYS, SYSTEM, CONNECT, RESOURCE, DBA, ...).
bool is_grantee(sqlite3* db, const std::string& name);
// A fresh system name SYS_C00nnnn for an unnamed constraint.
std::string next_system_name(sqlite3* db);
// True when a table, view, sequence or stored program already uses the name (Oracle's one
// namespace for them; constraints, indexes and triggers have their own, checked separately).
bool object_name_used(sqlite3* db, const std::string& name);

// Quotes text for SQLite between two quote characters, doubling any inside.
std::string sqlite_quote(std::string_view text, char quote);
// Quotes a name for SQLite: "name" with " doubled.
std::string sqlite_quote_name(std::string_view name);

}  // namespace ocilite
