// Shared pieces of the driver's tests: a front end that records what the converter and
// the error handler show, fixture stores built by ocilite-load, a private settings store,
// and a plain client connection to the MariaDB sandbox for checking what a run wrote.
#pragma once

#include <gtest/gtest.h>
#include <mysql.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/qrn_conv.h"
#include "app/qrn_errh.h"
#include "app/qrn_front.h"
#include "compat/text/text.h"
#include "tests/support/sandbox.h"
#include "tests/support/sql_client.h"
#include "tests/support/stores.h"

namespace app_test {

// What exit_process throws in tests.
struct test_exit {
    int code;
};

class test_front : public qrn_front_end {
public:
    explicit test_front(qrn_program program) : program_(program) {}

    qrn_program program() const override { return program_; }
    void run_started() override { ++runs_started; }
    void database_started(const compat::wstring& db, int tables) override;
    void table_started(const compat::wstring& table, int records) override;
    void table_missing(const compat::wstring& table, const std::vector<compat::wstring>& candidates) override;
    void run_error(const std::string& text) override { events.push_back("run error " + text); }
    void show_internal_error(const std::string& text) override { internal.push_back(text); }
    void show_error(const std::string& message) override { shown.push_back(message); }
    qrn_continue_answer ask_continue(const std::string& message) override {
        asked.push_back(message);
        return answer;
    }
    void keep_error(const std::string& message, bool ends_run) override {
        kept.push_back(message);
        if (ends_run) ending.push_back(message);
    }
    [[noreturn]] void exit_process(int code) override { throw test_exit{code}; }

    int runs_started = 0;
    std::vector<std::string> events;
    std::vector<std::string> internal;
    std::vector<std::string> shown;
    std::vector<std::string> asked;
    std::vector<std::string> kept;
    std::vector<std::string> ending;  // the kept messages of errors that ended the work
    qrn_continue_answer answer;
    // Called on the run's thread when a table starts (after the event is recorded).
    std::function<void(const compat::wstring&)> on_table_started;

private:
    qrn_program program_;
};

// A fresh folder per process, removed at exit; it holds the stores too.
const std::string& temp_dir();
// Points the settings store (XDG_CONFIG_HOME) and HOME at a new empty folder.
void private_settings();
// Builds SERVICE.sqlite from Oracle SQL and points the client library at the stores.
void build_store(const std::string& service, const std::string& oracle_sql);
// The first value of a SQLite query on a store ("" without a row).
std::string store_value(const std::string& service, const std::string& sqlite_sql);
// The folder of those stores, for what a script cannot express.
const test_support::store_folder& store_folder();
std::string utf8(const compat::wstring& text);

// The sandbox port, or 0 when MG_MYSQL_PORT is unset.
using test_support::sandbox_port;

// A plain client connection for setting up and checking a destination.
class server : public test_support::sql_client {
public:
    server();
    // The column's line of SHOW CREATE TABLE, without the trailing comma.
    std::string column_definition(const std::string& db, const std::string& table, const std::string& column);
};

// The process-wide objects of a run in the order a program entry builds them: the error
// handler with both advice tables, then the converter.
struct driver {
    explicit driver(qrn_program program);
    test_front front;
    error_handler handler;
    quarnel_convertor conv;
};

using test_support::test_db_name;

}  // namespace app_test
