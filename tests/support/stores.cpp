#include "tests/support/stores.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "tests/support/files.h"
#include "tests/support/proc_run.h"

namespace test_support {

namespace {

// An open store, closed at the end of the scope.
class sqlite_file {
public:
    explicit sqlite_file(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw std::runtime_error("cannot open " + path + ": " + why);
        }
    }
    ~sqlite_file() { sqlite3_close(db_); }
    sqlite_file(const sqlite_file&) = delete;
    sqlite_file& operator=(const sqlite_file&) = delete;
    sqlite3* get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

std::string hex_literal(const unsigned char* p, int n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s = "x'";
    for (int k = 0; k < n; ++k) {
        s += digits[p[k] >> 4];
        s += digits[p[k] & 15];
    }
    return s + "'";
}

std::string cell(sqlite3_stmt* st, int i) {
    switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL:
            return "NULL";
        case SQLITE_BLOB:
            return hex_literal(static_cast<const unsigned char*>(sqlite3_column_blob(st, i)),
                               sqlite3_column_bytes(st, i));
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            return std::string(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(st, i)));
        }
    }
}

}  // namespace

rows_t sqlite_rows(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(db)) + "\n" + sql);
    rows_t rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(st); ++i) row.push_back(cell(st, i));
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) throw std::runtime_error(std::string(sqlite3_errmsg(db)) + "\n" + sql);
    return rows;
}

store_folder::store_folder(const std::string& prefix) : dir_(prefix) {}

void store_folder::build(const std::string& service, const std::string& script_file) const {
    std::filesystem::remove(store(service));
    proc_options from_script;
    from_script.stdin_file = script_file;
    const proc_result r = run_process({MG_OCILITE_LOAD, store(service)}, from_script);
    if (r.code != 0) throw std::runtime_error("ocilite-load refused " + script_file + ": " + r.err);
}

void store_folder::build_text(const std::string& service, const std::string& oracle_sql) const {
    const std::string script = file(service + ".sql");
    write_file(script, oracle_sql);
    build(service, script);
}

void store_folder::exec(const std::string& service, const std::string& sqlite_sql) const {
    sqlite_file db(store(service));
    char* error = nullptr;
    if (sqlite3_exec(db.get(), sqlite_sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string why = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(why + "\n" + sqlite_sql);
    }
}

rows_t store_folder::rows(const std::string& service, const std::string& sqlite_sql) const {
    sqlite_file db(store(service));
    return sqlite_rows(db.get(), sqlite_sql);
}

std::string store_folder::value(const std::string& service, const std::string& sqlite_sql) const {
    const rows_t r = rows(service, sqlite_sql);
    return r.empty() || r[0].empty() ? std::string() : r[0][0];
}

std::string store_folder::table_name(const std::string& service, const std::string& table) const {
    return value(service, "SELECT sqlite_name FROM ocilite_tables WHERE table_name = '" + table + "'");
}

std::string store_folder::column_name(const std::string& service, const std::string& table,
                                      const std::string& column) const {
    return value(service, "SELECT sqlite_name FROM ocilite_columns WHERE table_name = '" + table +
                              "' AND column_name = '" + column + "'");
}

std::string ocilite_lib() {
    const char* other = std::getenv("MG_TEST_OCILITE_LIB");
    return other && *other ? other : MG_OCILITE_LIB;
}

void store_folder::use_in_process() const {
    ::setenv("MARROWGATE_OCI_LIB", ocilite_lib().c_str(), 1);
    ::setenv("OCILITE_DATA", path().c_str(), 1);
}

}  // namespace test_support
