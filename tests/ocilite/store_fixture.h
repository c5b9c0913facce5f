// A store in a fresh temporary folder, loaded from Oracle SQL by the library's own loader,
// and a way to read back what a query returns as text rows.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "ocilite/load_script.h"
#include "ocilite/ora_errors.h"
#include "ocilite/store.h"
#include "tests/support/files.h"
#include "tests/support/stores.h"
#include "tests/support/temp_dir.h"

namespace ocilite_test {

using test_support::rows_t;

class temp_store {
public:
    temp_store() : dir_("ocilite-test"), path_(dir_.file("STORE.sqlite")) {
        db_ = std::make_unique<ocilite::sqlite_db>(path_, true);
        db_->exec("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF");  // throwaway stores: no fsync
        ocilite::create_store_schema(db_->get());
    }
    ~temp_store() { db_.reset(); }
    sqlite3* db() const { return db_->get(); }
    const std::string& path() const { return path_; }
    const std::string& dir() const { return dir_.path(); }

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
    rows_t rows(const std::string& sql) const { return test_support::sqlite_rows(db(), sql); }

private:
    test_support::temp_dir dir_;
    std::string path_;
    std::unique_ptr<ocilite::sqlite_db> db_;
};

inline std::string demo_schema() { return test_support::read_file(std::string(MG_SOURCE_DIR) + "/demo/schema.sql"); }

}  // namespace ocilite_test
