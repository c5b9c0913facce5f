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
#include "tests/support/stores.h"

namespace ora_test {

// The stores of this process (created once), which the client fixture points the client at.
const test_support::store_folder& stores();
// Builds SERVICE.sqlite from a fixture script (file name under tests/fixtures/ora).
void build_store(const std::string& service, const std::string& script);

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
