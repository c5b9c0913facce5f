// A store in a fresh temporary file, loaded from Oracle SQL, and a way to read back what a
// query returns as text rows.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ocilite/load_script.h"
#include "ocilite/ora_errors.h"
#include "ocilite/store.h"

namespace ocilite_test {

using rows_t = std::vector<std::vector<std::string>>;

class temp_store {
public:
    temp_store() {
        char tmpl[] = "/tmp/ocilite-test-XXXXXX";
        dir_ = mkdtemp(tmpl);
        path_ = dir_ + "/STORE.sqlite";
        db_ = std::make_unique<ocilite::sqlite_db>(path_, true);
        db_->exec("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF");  // throwaway stores: no fsync
        ocilite::create_store_schema(db_->get());
    }
    ~temp_store() {
        db_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    sqlite3* db() const { return db_->get(); }
    const std::string& path() const { return path_; }
    const std::string& dir() const { return dir_; }

    // Runs a script; returns the error (code 0 when none).
    ocilite::sql_error load(const std::string& script) {
        ocilite::script_loader loader(db());
        try {
            loader.run(script);
        } catch (const ocilite::sql_error& e) {
            return e;
        }
        return ocilite::sql_error{};
    }
    void load_ok(const std::string& script) {
        ocilite::sql_error e = load(script);
        ASSERT_EQ(e.code, 0) << "line " << e.line << ": " << e.message;
    }

    // Every value as text; NULL as "NULL", blobs as "x'HEX'".
    rows_t rows(const std::string& sql) const {
        rows_t out;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "prepare failed: " << sqlite3_errmsg(db()) << "\n" << sql;
            return out;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) row.push_back(value(st, i));
            out.push_back(std::move(row));
        }
        sqlite3_finalize(st);
        return out;
    }

    static std::string value(sqlite3_stmt* st, int i) {
        switch (sqlite3_column_type(st, i)) {
            case SQLITE_NULL:
                return "NULL";
            case SQLITE_BLOB: {
                static const char* hex = "0123456789ABCDEF";
                const unsigned char* p = static_cast<const unsigned char*>(sqlite3_column_blob(st, i));
                std::string s = "x'";
                for (int k = 0; k < sqlite3_column_bytes(st, i); ++k) {
                    s += hex[p[k] >> 4];
                    s += hex[p[k] & 15];
                }
                return s + "'";
            }
            default:
                return reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        }
    }

private:
    std::string dir_, path_;
    std::unique_ptr<ocilite::sqlite_db> db_;
};

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::string demo_schema() { return read_file(std::string(MG_SOURCE_DIR) + "/demo/schema.sql"); }

}  // namespace ocilite_test
