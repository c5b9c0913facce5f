// A MySQL engine for one test (the engine is a single instance), and small builders of
// columns, schemas, indexes and records.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "SQL/sql_engi.h"
#include "UDB/udb_idx.h"
#include "UDB/udb_sche.h"
#include "values/ole_var.h"

namespace sql_test {

class engine_test : public ::testing::Test {
protected:
    void SetUp() override { engine = std::make_unique<sql_engine>(); }
    void TearDown() override { engine.reset(); }
    sql_engine& eng() { return *engine; }

    std::unique_ptr<sql_engine> engine;
};

inline t_ftd column(const char16_t* name, VARTYPE type, int size = 0, bool not_null = false, bool auto_inc = false,
                    const ole_variant& def = ole_variant(), int reserved = 0) {
    return t_ftd(size, name, type, not_null, auto_inc, def, reserved);
}

inline std::unique_ptr<udb_schema> schema(std::initializer_list<t_ftd> columns) {
    auto s = std::make_unique<udb_schema>();
    for (const t_ftd& c : columns) s->push_back(std::make_unique<t_ftd>(c));
    return s;
}

inline udb_index index(const char16_t* name, bool unique, bool primary, std::initializer_list<const char16_t*> fields) {
    udb_index i;
    i.name = name;
    i.unique = unique;
    i.primary = primary;
    for (auto f : fields) i.fields.push_back(f);
    return i;
}

inline udb_field field(const char16_t* name, const ole_variant& value) {
    return udb_field(name, 0, value, false, false);
}

inline std::unique_ptr<udb_record> record(std::initializer_list<udb_field> fields) {
    auto r = std::make_unique<udb_record>();
    for (const udb_field& f : fields) r->push_back(std::make_unique<udb_field>(f));
    return r;
}

}  // namespace sql_test
