// What the reliability tests stand on: a private folder per test with its own Oracle
// stores (built by ocilite-load), settings and home; the built tollspar run there as a
// user runs it; and a plain client connection for setting up and reading a destination.
#pragma once

#include <mysql.h>

#include <string>
#include <vector>

#include "tests/reliability/rel_proc.h"
#include "tests/support/files.h"
#include "tests/support/sandbox.h"
#include "tests/support/sql_client.h"
#include "tests/support/stores.h"

namespace rel_test {

using test_support::has_line_starting;
using test_support::lines_of;
using test_support::read_file;
using test_support::sandbox_port;
using test_support::test_db_name;

class workspace {
public:
    workspace();
    const std::string& dir() const { return stores_.path(); }
    std::string file(const std::string& name) const { return stores_.file(name); }
    // The Oracle stores (SERVICE.sqlite) in the folder.
    const test_support::store_folder& stores() const { return stores_; }

    // tollspar with the options that reach SERVICE as scott/tiger, then `args`.
    proc_spec tollspar(const std::string& service, const std::vector<std::string>& args) const;
    // The options of a live run into `db` on the server at `port`.
    static std::vector<std::string> live_args(const std::string& db, unsigned port);
    // The stock client loading a script into `db`, warnings shown.
    proc_spec mariadb_client(const std::string& db, unsigned port, const std::string& script) const;

private:
    test_support::store_folder stores_;
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

}  // namespace rel_test
