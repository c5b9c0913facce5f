// Oracle stores for the tests: a folder of the test's own holding ocilite stores
// (SERVICE.sqlite), each built by the real ocilite-load from Oracle SQL, and read or changed
// with SQLite for what a script cannot express. The fixtures of the client, driver,
// console, fault and reliability tests stand on it.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace test_support {

using rows_t = std::vector<std::vector<std::string>>;

// Every row of an SQLite query, each value as text: NULL as "NULL", a BLOB as x'HEX'.
// Throws std::runtime_error when SQLite refuses the query.
rows_t sqlite_rows(sqlite3* db, const std::string& sql);

// The client library the tests load: MG_TEST_OCILITE_LIB when set (another build of
// ocilite, one without sanitizers say), else this build's ocilite.
std::string ocilite_lib();

class store_folder {
public:
    explicit store_folder(const std::string& prefix = "mg-stores");

    const std::string& path() const { return dir_.path(); }
    std::string file(const std::string& name) const { return dir_.file(name); }
    std::string store(const std::string& service) const { return file(service + ".sqlite"); }

    // Builds SERVICE.sqlite afresh from an Oracle SQL file, or from the text (kept beside it
    // as SERVICE.sql). Throws std::runtime_error with the loader's messages when it refuses.
    void build(const std::string& service, const std::string& script_file) const;
    void build_text(const std::string& service, const std::string& oracle_sql) const;

    // SQLite on a store: statements, rows (as sqlite_rows), the first value ("" without a row).
    void exec(const std::string& service, const std::string& sqlite_sql) const;
    rows_t rows(const std::string& service, const std::string& sqlite_sql) const;
    std::string value(const std::string& service, const std::string& sqlite_sql) const;
    // The store's SQLite names of an Oracle table and column ("t3", "c2").
    std::string table_name(const std::string& service, const std::string& table) const;
    std::string column_name(const std::string& service, const std::string& table, const std::string& column) const;

    // Points the client library of this process at ocilite_lib() and at these stores.
    void use_in_process() const;

private:
    temp_dir dir_;
};

}  // namespace test_support
