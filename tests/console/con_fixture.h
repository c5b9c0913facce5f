// A folder per test holding its own Oracle store (built by ocilite-load), settings and
// home, and the built tollspar run in it as a user would run it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/proc_run.h"
#include "tests/support/stores.h"

namespace con_test {

using test_support::lines_of;
using test_support::proc_options;
using test_support::proc_result;
using test_support::read_file;
using test_support::run_process;
using test_support::write_file;

// Service CONS, user scott/tiger: DEPT (3 rows), EMP (5 rows, dates only), "Café" (1 row).
extern const char* const store_sql;

class tollspar_test : public ::testing::Test {
protected:
    void SetUp() override;

    // Runs tollspar with the arguments (the program path is added).
    proc_result tollspar(const std::vector<std::string>& args, const proc_options& extra = {}) const;
    // The arguments that reach the fixture store.
    std::vector<std::string> source_args() const;
    std::string file(const std::string& name) const { return dir_.file(name); }
    // The stock client as root on the sandbox (or on the server at `port`), no option files,
    // tab-separated rows without a heading; standard input from `input` when given.
    static proc_result mariadb(const std::vector<std::string>& args, const std::string& input = "",
                               const std::string& port = "");

    // The test's folder: its stores (SERVICE.sqlite), home and files.
    test_support::store_folder dir_{"tollspar-test"};
    proc_options options_;
};

}  // namespace con_test
