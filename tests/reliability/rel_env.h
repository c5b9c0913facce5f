// What the reliability tests stand on: a private folder per test with its own Oracle
// stores (built by ocilite-load), settings and home; the built tollspar run there as a
// user runs it; and a plain client connection for setting up and reading a destination.
#pragma once

#include <gtest/gtest.h>
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

using rows_t = std::vector<std::vector<std::string>>;

// A test's own destination database on the sandbox (PREFIX_...) and its Oracle store
// SERVICE (scott/tiger): the built tollspar run on the live road, or into a dump file that
// the stock client then loads.
class destination_test : public ::testing::Test {
protected:
    destination_test(const std::string& service, const std::string& prefix);
    void SetUp() override;  // the database is dropped before and after
    void TearDown() override;

    // Builds the store from Oracle SQL run by scott.
    void store(const std::string& sql);
    // tollspar reaching the store, with the arguments.
    proc_result tollspar(const std::vector<std::string>& args);
    proc_result live(const std::vector<std::string>& extra = {});
    // The dump written (PREFIX.sql) and loaded; the load must succeed, its output is kept.
    proc_result dump_and_load(const std::vector<std::string>& extra = {});
    // The dump file loaded into the database (created when missing).
    void load();
    std::string dump_file() const { return ws_.file(prefix_ + ".sql"); }
    rows_t rows(const std::string& select) { return conn_->rows(select); }
    std::string t(const std::string& table) const { return "`" + db_ + "`.`" + table + "`"; }

    workspace ws_;
    unsigned port_ = 0;
    std::string db_;
    std::unique_ptr<connection> conn_;
    proc_result load_;

private:
    std::string service_;
    std::string prefix_;
};

}  // namespace rel_test
