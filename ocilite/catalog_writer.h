// Writes DDL into a store: the data table t<N> and the catalog rows Oracle's views would show
// for it, with Oracle's checks and error numbers. Callers run each call inside a transaction.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "ocilite/ddl.h"

namespace ocilite {

class catalog_writer {
public:
    explicit catalog_writer(sqlite3* db) : db_(db) {}

    void create_user(const std::string& name, const std::string& password, int line);
    // CREATE ROLE / DROP ROLE: a role holds nothing here but its name, which GRANT accepts.
    void create_role(const std::string& name, int line);
    void drop_role(const std::string& name, int line);
    void create_table(const table_def& t);
    void add_constraint(const std::string& table, const constraint_def& c);
    void create_index(const index_def& d);
    void create_view(const view_def& v, int line);
    // A view whose query the stand-in cannot run: kept with its text; selecting from it says so.
    void create_unrunnable_view(const view_def& v, const std::string& reason, int line);
    void add_column(const std::string& table, const column_def& c);
    // An identity column's sequence and catalog rows (CREATE TABLE, ALTER TABLE ... MODIFY).
    void add_identity(const std::string& table, const std::string& column, const identity_def& id, int line);
    // ENABLE / DISABLE [VALIDATE | NOVALIDATE] CONSTRAINT: an enabled foreign key is checked
    // against the rows there unless NOVALIDATE (ORA-02298).
    void set_constraint_status(const std::string& table, const std::string& name, bool enable, bool validate, int line);
    void drop_table(const std::string& table, bool cascade_constraints, int line);
    void drop_view(const std::string& view, int line);
    // DROP USER; the schema owner's CASCADE empties the store of every object.
    void drop_user(const std::string& name, bool cascade, int line);
    void comment(const std::string& table, const std::optional<std::string>& column, const std::string& text, int line);

private:
    std::string create_sqlite_index(const std::string& sqlite_table, const std::vector<std::string>& sqlite_columns,
                                    bool unique, const std::string& oracle_name, int line);
    void add_index_rows(const std::string& index, const std::string& table, bool unique, bool generated,
                        const std::vector<std::string>& columns);
    std::string find_index_on(const std::string& table, const std::vector<std::string>& columns);
    bool index_exists(const std::string& name);
    bool constraint_exists(const std::string& name);
    void clear_view(const view_def& v, int line);
    void add_view_rows(const view_def& v);
    void add_view_columns(const std::string& view, const std::vector<std::string>& names);

    sqlite3* db_;
};

}  // namespace ocilite
