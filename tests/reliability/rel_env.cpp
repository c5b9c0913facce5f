#include "tests/reliability/rel_env.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace rel_test {

workspace::workspace() : stores_("mg-rel"), home_(stores_.file("home")) {
    std::filesystem::create_directories(home_ + "/.config");
}

proc_spec workspace::tollspar(const std::string& service, const std::vector<std::string>& args) const {
    proc_spec s;
    s.argv = {MG_TOLLSPAR, "--src=" + service, "--oraclu=scott", "--oraclp=tiger"};
    s.argv.insert(s.argv.end(), args.begin(), args.end());
    s.env = {{"HOME", home_},
             {"XDG_CONFIG_HOME", home_ + "/.config"},
             {"OCILITE_DATA", dir()},
             {"MARROWGATE_OCI_LIB", MG_OCILITE_LIB}};
    return s;
}

std::vector<std::string> workspace::live_args(const std::string& db, unsigned port) {
    return {"--dest=" + db, "--mysqlh=127.0.0.1", "--myport=" + std::to_string(port), "--mysqlu=root"};
}

proc_spec workspace::mariadb_client(const std::string& db, unsigned port, const std::string& script) const {
    proc_spec s;
    s.argv = {MG_MARIADB_CLIENT,           "--no-defaults", "--protocol=tcp",  "-h127.0.0.1",
              "-P" + std::to_string(port), "-uroot",        "--show-warnings", db};
    s.stdin_file = script;
    s.env = {{"HOME", home_}};
    return s;
}

namespace {
std::string quoted_name(const std::string& name) {
    std::string q = "`";
    for (char c : name) {
        q += c;
        if (c == '`') q += '`';
    }
    return q + "`";
}
std::string quoted_text(const std::string& text) {
    std::string q = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') q += '\\';
        q += c;
    }
    return q + "'";
}
}  // namespace

long long connection::count(const std::string& db, const std::string& table) {
    return std::atoll(scalar("SELECT COUNT(*) FROM " + quoted_name(db) + "." + quoted_name(table)).c_str());
}

std::vector<std::string> connection::snapshot(const std::string& db) {
    std::vector<std::string> out;
    auto columns = rows(
        "SELECT TABLE_NAME, COLUMN_NAME, COLUMN_TYPE FROM information_schema.COLUMNS "
        "WHERE TABLE_SCHEMA = " +
        quoted_text(db) + " ORDER BY BINARY TABLE_NAME, ORDINAL_POSITION");
    for (const auto& c : columns) {
        const std::string& t = c[0];
        const std::string& col = c[1];
        out.push_back("type\t" + t + "\t" + col + "\t" + c[2]);
        const std::string b = "CAST(" + quoted_name(col) + " AS BINARY)";
        auto cells = rows("SELECT ID, IF(" + b + " IS NULL, 'NULL', IF(LENGTH(" + b + ") <= 64, HEX(" + b +
                          "), CONCAT('len:', LENGTH(" + b + "), ' md5:', MD5(" + b + ")))) FROM " + quoted_name(db) +
                          "." + quoted_name(t) + " ORDER BY ID");
        for (const auto& cell : cells) out.push_back("cell\t" + t + "\t" + col + "\t" + cell[0] + "\t" + cell[1]);
    }
    return out;
}

destination_test::destination_test(const std::string& service, const std::string& prefix)
    : service_(service), prefix_(prefix) {}

void destination_test::SetUp() {
    port_ = sandbox_port();
    db_ = test_db_name(prefix_);
    conn_ = std::make_unique<connection>(port_);
    conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
}

void destination_test::TearDown() {
    if (conn_) conn_->exec("DROP DATABASE IF EXISTS `" + db_ + "`");
}

void destination_test::store(const std::string& sql) {
    ws_.stores().build_text(service_, "CREATE USER scott IDENTIFIED BY tiger;\n" + sql);
}

proc_result destination_test::tollspar(const std::vector<std::string>& args) {
    return run(ws_.tollspar(service_, args), ws_.dir());
}

proc_result destination_test::live(const std::vector<std::string>& extra) {
    std::vector<std::string> args = workspace::live_args(db_, port_);
    args.insert(args.end(), extra.begin(), extra.end());
    return tollspar(args);
}

proc_result destination_test::dump_and_load(const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"--dump", "--dest=" + dump_file()};
    args.insert(args.end(), extra.begin(), extra.end());
    proc_result conv = tollspar(args);
    load();
    return conv;
}

void destination_test::load() {
    conn_->exec("CREATE DATABASE IF NOT EXISTS `" + db_ + "`");
    load_ = run(ws_.mariadb_client(db_, port_, dump_file()), ws_.dir());
    EXPECT_EQ(load_.code, 0) << load_.err;
}

}  // namespace rel_test
