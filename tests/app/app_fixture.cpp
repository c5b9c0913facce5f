#include "tests/app/app_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace app_test {

namespace fs = std::filesystem;

void test_front::database_started(const compat::wstring& db, int tables) {
    events.push_back("database " + utf8(db) + " " + std::to_string(tables));
}
void test_front::table_started(const compat::wstring& table, int records) {
    events.push_back("table " + utf8(table) + " " + std::to_string(records));
    if (on_table_started) on_table_started(table);
}
void test_front::table_missing(const compat::wstring& table, const std::vector<compat::wstring>& candidates) {
    std::string event = "missing " + utf8(table);
    for (const compat::wstring& c : candidates) event += " " + utf8(c);
    events.push_back(event);
}

std::string utf8(const compat::wstring& text) { return compat::utf16_to_utf8(text); }

namespace {
const test_support::store_folder& stores() {
    static const test_support::store_folder folder("app-test");
    return folder;
}
}  // namespace

const std::string& temp_dir() { return stores().path(); }

void private_settings() {
    static int n = 0;
    const std::string dir = temp_dir() + "/home" + std::to_string(++n);
    fs::create_directories(dir + "/config");
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
}

void build_store(const std::string& service, const std::string& oracle_sql) {
    stores().build_text(service, oracle_sql);
    stores().use_in_process();
}

std::string store_value(const std::string& service, const std::string& sqlite_sql) {
    return stores().value(service, sqlite_sql);
}
const test_support::store_folder& store_folder() { return stores(); }

server::server() : sql_client(sandbox_port()) {}

std::string server::column_definition(const std::string& db, const std::string& table, const std::string& column) {
    const std::string text = rows("SHOW CREATE TABLE `" + db + "`.`" + table + "`").at(0).at(1);
    const std::string head = "`" + column + "` ";
    size_t at = text.find("\n  " + head);
    if (at == std::string::npos) return "<no column>";
    at += 3;
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == ',') line.pop_back();
    return line;
}

driver::driver(qrn_program program)
    : front(program),
      handler(front, static_cast<int>(qrn_oracle_errors().size()), qrn_oracle_errors().data()),
      conv((handler.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data()), front)) {}

}  // namespace app_test
