// Stores for the client tests: built by ocilite-load from the scripts under
// tests/fixtures/ora into a folder of this process, and read through the real loader.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_db.h"
#include "ORA/ora_dproc.h"
#include "ORA/ora_engi.h"
#include "UDB/udb_db.h"

namespace ora_test {

// The store folder of this process (created once), set as OCILITE_DATA.
const std::string& data_dir();
// Builds SERVICE.sqlite from a fixture script (file name under tests/fixtures/ora).
void build_store(const std::string& service, const std::string& script);
// Builds SERVICE.sqlite from script text.
void build_store_text(const std::string& service, const std::string& sql);
// Runs SQLite statements on a store, to set up what scripts cannot express.
void store_exec(const std::string& service, const std::string& sqlite_sql);
// Rows of an SQLite query on a store, each value as text ("NULL" for a NULL).
std::vector<std::vector<std::string>> store_rows(const std::string& service, const std::string& sqlite_sql);
// The store's SQLite names of an Oracle table and column, as "t3" and "c2".
std::string store_table(const std::string& service, const std::string& table);
std::string store_column(const std::string& service, const std::string& table, const std::string& column);

// Points the loader at libocilite and the stores at data_dir().
void use_ocilite();

// The library's test hooks, found through the engine's loader.
unsigned long long round_trips();
void inject_error(const char* kind, int n, int code);
// Parameter descriptors handed out and not freed; frees of what the library keeps itself.
long long open_params();
long long misuses();

// Every row of a recordset, read as the conversion run reads it.
std::vector<std::vector<ole_variant>> read_all(udb_recordset& rs);

// An engine and a date processor per test, connected to a fixture store.
class client : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<ora_database> connect(const std::string& service, const char16_t* user = u"scott",
                                          const char16_t* password = u"tiger");

    std::unique_ptr<ora_date_processor> dates_;
    std::unique_ptr<ora_engine> engine_;
};

}  // namespace ora_test
