#include "tests/app/app_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
void test_front::table_missing(const compat::wstring& table) { events.push_back("missing " + utf8(table)); }

std::string utf8(const compat::wstring& text) { return compat::utf16_to_utf8(text); }

namespace {
struct temp_folder {
    std::string path;
    temp_folder() {
        path = (fs::temp_directory_path() / "app-test-XXXXXX").string();
        if (!mkdtemp(path.data())) throw std::runtime_error("mkdtemp failed");
    }
    ~temp_folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};
}  // namespace

const std::string& temp_dir() {
    static const temp_folder folder;
    return folder.path;
}

void private_settings() {
    static int n = 0;
    const std::string dir = temp_dir() + "/home" + std::to_string(++n);
    fs::create_directories(dir + "/config");
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
}

void build_store(const std::string& service, const std::string& oracle_sql) {
    const std::string store = temp_dir() + "/" + service + ".sqlite";
    const std::string script = temp_dir() + "/" + service + ".sql";
    fs::remove(store);
    std::ofstream(script) << oracle_sql;
    const std::string cmd = std::string("'") + MG_OCILITE_LOAD + "' '" + store + "' < '" + script + "'";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("ocilite-load failed for " + service);
    const char* other = std::getenv("MG_TEST_OCILITE_LIB");
    setenv("MARROWGATE_OCI_LIB", other && *other ? other : MG_OCILITE_LIB, 1);
    setenv("OCILITE_DATA", temp_dir().c_str(), 1);
}

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

std::string test_db_name(const char* prefix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(prefix) + "_" + info->test_suite_name() + "_" + info->name();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    if (name.size() > 60) name.resize(60);
    return name;
}

}  // namespace app_test
