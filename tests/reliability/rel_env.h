// What the reliability tests stand on: a private folder per test with its own Oracle
// stores (built by ocilite-load), settings and home; the built tollspar run there as a
// user runs it; and a plain client connection for setting up and reading a destination.
#pragma once

#include <mysql.h>

#include <string>
#include <vector>

#include "tests/reliability/rel_proc.h"
#include "tests/support/sql_client.h"

namespace rel_test {

// The sandbox port from MG_MYSQL_PORT, or 0 without a sandbox.
using test_support::sandbox_port;
// A database name unique to the running test.
std::string test_db_name(const char* prefix);

class workspace {
public:
    workspace();
    const std::string& dir() const { return dir_.path(); }
    std::string file(const std::string& name) const { return dir_.file(name); }

    // Builds SERVICE.sqlite in the folder from an Oracle SQL file; fails the test when
    // the loader refuses it.
    void build_store(const std::string& service, const std::string& sql_file) const;
    void build_store_from_text(const std::string& service, const std::string& sql) const;

    // tollspar with the options that reach SERVICE as scott/tiger, then `args`.
    proc_spec tollspar(const std::string& service, const std::vector<std::string>& args) const;
    // The options of a live run into `db` on the server at `port`.
    static std::vector<std::string> live_args(const std::string& db, unsigned port);
    // The stock client loading a script into `db`, warnings shown.
    proc_spec mariadb_client(const std::string& db, unsigned port, const std::string& script) const;

private:
    temp_dir dir_;
    std::string home_;
};

class connection : public test_support::sql_client {
public:
    explicit connection(unsigned port) : sql_client(port) {}

    long long count(const std::string& db, const std::string& table);

    // Every column type and every cell of the database, in a stable order, one line each:
    //   type <TAB> table <TAB> column <TAB> column type
    //   cell <TAB> table <TAB> column <TAB> ID <TAB> HEX of the stored bytes, or NULL;
    //        cells over 64 bytes as "len:N md5:M"
    // Every table is expected to have an ID column to order its rows.
    std::vector<std::string> snapshot(const std::string& db);
};

// Lines of a text, without their line feeds (and without a trailing CR).
std::vector<std::string> lines_of(const std::string& text);

}  // namespace rel_test
