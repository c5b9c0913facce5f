// Value fidelity through both roads: the fidelity store converted into a dump file that
// the stock client loads, and straight into a live database. Every column type and every
// cell (HEX of the stored bytes) must equal the expected table, on both roads, with no
// error from tollspar and no warning from the server.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/reliability/rel_env.h"

namespace rel_test {
namespace {

const std::string fixture_dir = std::string(MG_SOURCE_DIR) + "/tests/fixtures/fidelity/";

// The expected table without its comment lines.
std::vector<std::string> expected_table() {
    std::vector<std::string> out;
    for (auto& line : lines_of(read_file(fixture_dir + "expected.tsv")))
        if (!line.empty() && line[0] != '#') out.push_back(line);
    return out;
}

// Lines only one side has, both ways, for a readable failure.
std::string differences(const std::vector<std::string>& expected, const std::vector<std::string>& actual) {
    std::multiset<std::string> e(expected.begin(), expected.end()), a(actual.begin(), actual.end());
    std::string text;
    int shown = 0;
    for (const auto& line : expected)
        if (!a.count(line) && shown++ < 40) text += "  missing: " + line + "\n";
    for (const auto& line : actual)
        if (!e.count(line) && shown++ < 80) text += "  got:     " + line + "\n";
    if (text.empty() && expected != actual) text = "  same lines, other order\n";
    return text;
}

bool has_error_report(const std::string& out) {
    for (const auto& line : lines_of(out))
        if (line == "Error:") return true;
    return false;
}

class Fidelity : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = sandbox_port();
        ws_.stores().build("FIDELITY", fixture_dir + "fidelity.sql");
        db_ = test_db_name("fid");
        conn_ = std::make_unique<connection>(port_);
        conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }
    void TearDown() override {
        if (conn_) conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
    }

    void expect_expected_table() {
        const auto expected = expected_table();
        ASSERT_FALSE(expected.empty());
        const auto actual = conn_->snapshot(db_);
        EXPECT_EQ(actual, expected) << differences(expected, actual);
    }

    workspace ws_;
    unsigned port_ = 0;
    std::string db_;
    std::unique_ptr<connection> conn_;
};

TEST_F(Fidelity, DumpRoadLoadedByTheStockClient) {
    const std::string dump = ws_.file("fidelity.sql");
    proc_result conv = run(ws_.tollspar("FIDELITY", {"--dump", "--dest=" + dump}), ws_.dir());
    ASSERT_EQ(conv.code, 0) << conv.out << conv.err;
    EXPECT_FALSE(has_error_report(conv.out)) << conv.out;

    conn_->exec("CREATE DATABASE `" + db_ + "`");
    proc_result load = run(ws_.mariadb_client(db_, port_, dump), ws_.dir());
    ASSERT_EQ(load.code, 0) << load.err;
    // The dump drops each table before it creates it; that note is the only one allowed.
    std::string warnings;
    for (const auto& line : lines_of(load.out + load.err))
        if (!line.empty() && line.rfind("Note (Code 1051): Unknown table", 0) != 0) warnings += line + "\n";
    EXPECT_EQ(warnings, "");
    expect_expected_table();
}

TEST_F(Fidelity, LiveRoad) {
    proc_result conv = run(ws_.tollspar("FIDELITY", workspace::live_args(db_, port_)), ws_.dir());
    ASSERT_EQ(conv.code, 0) << conv.out << conv.err;
    // The session runs in the server's strict mode: a value the server would change is an
    // error that tollspar reports here.
    EXPECT_FALSE(has_error_report(conv.out)) << conv.out;
    EXPECT_EQ(conv.err, "");
    expect_expected_table();
}

}  // namespace
}  // namespace rel_test
