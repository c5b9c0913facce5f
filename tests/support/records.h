// Schemas and records for tests, built from tables of columns and of field values.
#pragma once

#include <initializer_list>
#include <memory>
#include <utility>

#include "UDB/udb_sche.h"
#include "values/ole_var.h"

namespace test_support {

// A column as t_ftd takes it.
struct column {
    column(const char16_t* name, VARTYPE type, int size = 0, bool not_null = false, bool auto_inc = false,
           ole_variant def = ole_variant(), int reserved = 0)
        : name(name),
          type(type),
          size(size),
          not_null(not_null),
          auto_inc(auto_inc),
          def(std::move(def)),
          reserved(reserved) {}
    const char16_t* name;
    VARTYPE type;
    int size;
    bool not_null;
    bool auto_inc;
    ole_variant def;
    int reserved;
};

// A field's name and value.
struct field {
    field(const char16_t* name, ole_variant value) : name(name), value(std::move(value)) {}
    const char16_t* name;
    ole_variant value;
};

// A schema that owns its columns, in the given order.
inline std::unique_ptr<udb_schema> schema(std::initializer_list<column> columns) {
    auto s = std::make_unique<udb_schema>();
    for (const column& c : columns)
        s->push_back(std::make_unique<t_ftd>(c.size, c.name, c.type, c.not_null, c.auto_inc, c.def, c.reserved));
    return s;
}

// A record that owns its fields, in the given order.
inline std::unique_ptr<udb_record> record(std::initializer_list<field> fields) {
    auto r = std::make_unique<udb_record>();
    for (const field& f : fields) r->push_back(std::make_unique<udb_field>(f.name, 0, f.value));
    return r;
}

}  // namespace test_support
