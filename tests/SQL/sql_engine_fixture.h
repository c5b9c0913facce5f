// A MySQL engine for one test (the engine is a single instance), and small builders of
// columns, schemas, indexes and records (the shared ones of tests/support).
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "SQL/sql_engi.h"
#include "UDB/udb_idx.h"
#include "UDB/udb_sche.h"
#include "tests/support/records.h"
#include "values/ole_var.h"

namespace sql_test {

class engine_test : public ::testing::Test {
protected:
    void SetUp() override { engine = std::make_unique<sql_engine>(); }
    void TearDown() override { engine.reset(); }
    sql_engine& eng() { return *engine; }

    std::unique_ptr<sql_engine> engine;
};

using test_support::column;
using test_support::field;
using test_support::record;
using test_support::schema;

inline udb_index index(const char16_t* name, bool unique, bool primary, std::initializer_list<const char16_t*> fields) {
    udb_index i;
    i.name = name;
    i.unique = unique;
    i.primary = primary;
    for (auto f : fields) i.fields.push_back(f);
    return i;
}

}  // namespace sql_test
