#include "tests/ORA/ora_fixture.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace ora_test {

namespace fs = std::filesystem;

namespace {
// The folder and its stores go when the process ends.
struct temp_folder {
    std::string path;
    temp_folder() {
        path = (fs::temp_directory_path() / "ora-test-XXXXXX").string();
        if (!mkdtemp(path.data())) throw std::runtime_error("mkdtemp failed");
    }
    ~temp_folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};
}  // namespace

const std::string& data_dir() {
    static const temp_folder folder;
    return folder.path;
}

namespace {

std::string store_path(const std::string& service) { return data_dir() + "/" + service + ".sqlite"; }

void load(const std::string& service, const std::string& script_path) {
    fs::remove(store_path(service));
    std::string cmd = std::string("'") + MG_OCILITE_LOAD + "' '" + store_path(service) + "' < '" + script_path + "'";
    int rc = std::system(cmd.c_str());
    if (rc != 0) throw std::runtime_error("ocilite-load failed for " + script_path);
}

struct sqlite_db {
    sqlite3* db = nullptr;
    explicit sqlite_db(const std::string& path) {
        if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot open " + path);
    }
    ~sqlite_db() { sqlite3_close(db); }
    std::string single(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        std::string out;
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        return out;
    }
};

}  // namespace

void build_store(const std::string& service, const std::string& script) {
    load(service, std::string(MG_ORA_FIXTURES) + "/" + script);
}

void build_store_text(const std::string& service, const std::string& sql) {
    std::string path = data_dir() + "/" + service + ".sql";
    std::ofstream(path) << sql;
    load(service, path);
}

void store_exec(const std::string& service, const std::string& sqlite_sql) {
    sqlite_db db(store_path(service));
    char* error = nullptr;
    if (sqlite3_exec(db.db, sqlite_sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string text = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(text);
    }
}

std::vector<std::vector<std::string>> store_rows(const std::string& service, const std::string& sqlite_sql) {
    sqlite_db db(store_path(service));
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.db, sqlite_sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db.db));
    std::vector<std::vector<std::string>> rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            row.push_back(sqlite3_column_type(st, i) == SQLITE_NULL
                              ? std::string("NULL")
                              : std::string(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(st, i))));
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    return rows;
}

std::string store_table(const std::string& service, const std::string& table) {
    return sqlite_db(store_path(service))
        .single("SELECT sqlite_name FROM ocilite_tables WHERE table_name='" + table + "'");
}

std::string store_column(const std::string& service, const std::string& table, const std::string& column) {
    return sqlite_db(store_path(service))
        .single("SELECT sqlite_name FROM ocilite_columns WHERE table_name='" + table + "' AND column_name='" + column +
                "'");
}

namespace {
// MG_TEST_OCILITE_LIB may name another build of the library (one without sanitizers, say).
const char* ocilite_lib() {
    const char* other = std::getenv("MG_TEST_OCILITE_LIB");
    return other && *other ? other : MG_OCILITE_LIB;
}
}  // namespace

void use_ocilite() {
    setenv("MARROWGATE_OCI_LIB", ocilite_lib(), 1);
    setenv("OCILITE_DATA", data_dir().c_str(), 1);
}

namespace {
void* hook(const char* name) {
    // The engine keeps the library loaded; opening it again only adds a reference.
    static compat::oci_loader loader(ocilite_lib());
    return loader.find_symbol(name);
}
}  // namespace

unsigned long long round_trips() {
    auto f = reinterpret_cast<unsigned long long (*)()>(hook("ocilite_round_trips"));
    return f ? f() : 0;
}

long long open_params() {
    auto f = reinterpret_cast<long long (*)()>(hook("ocilite_open_params"));
    return f ? f() : -1;
}

long long misuses() {
    auto f = reinterpret_cast<long long (*)()>(hook("ocilite_misuses"));
    return f ? f() : -1;
}

void inject_error(const char* kind, int n, int code) {
    auto f = reinterpret_cast<void (*)(const char*, int, int)>(hook("ocilite_inject_error"));
    if (f) f(kind, n, code);
}

std::vector<std::vector<ole_variant>> read_all(udb_recordset& rs) {
    std::vector<std::vector<ole_variant>> rows;
    rs.reset();
    while (!rs.is_eof()) {
        udb_record* record = rs.get_item();
        if (!record) break;
        std::vector<ole_variant> row;
        for (const auto& f : *record) row.push_back(static_cast<const ole_variant&>(*f));
        rows.push_back(std::move(row));
        rs.next();
    }
    return rows;
}

void client::SetUp() {
    use_ocilite();
    dates_ = std::make_unique<ora_date_processor>();
    engine_ = std::make_unique<ora_engine>();
}

void client::TearDown() {
    engine_.reset();
    dates_.reset();
}

std::unique_ptr<ora_database> client::connect(const std::string& service, const char16_t* user,
                                              const char16_t* password) {
    return engine_->open_db(compat::utf8_to_utf16(service), user, password);
}

}  // namespace ora_test
