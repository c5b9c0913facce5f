// Stored PL/SQL: CREATE [OR REPLACE] PROCEDURE / FUNCTION / PACKAGE [BODY] / TYPE [BODY] /
// TRIGGER is kept in the catalog (USER_OBJECTS, USER_SOURCE, USER_TRIGGERS) as written, without
// being compiled; ALTER TRIGGER ENABLE / DISABLE and DROP of each kind. Row triggers on INSERT
// are run by the row inserter (row_insert.h).
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "ocilite/ddl.h"
#include "ocilite/sql_lexer.h"

namespace ocilite {

// tokens[begin, end) is the statement from the word after CREATE [OR REPLACE] [EDITIONABLE];
// source is the text the token offsets point into.
void create_stored_code(sqlite3* db, const std::vector<token>& tokens, size_t begin, size_t end,
                        std::string_view source, bool or_replace, int line, const name_context& names);
// ALTER TRIGGER name ENABLE | DISABLE | COMPILE (ORA-04080 for an unknown trigger).
void alter_trigger(sqlite3* db, const std::string& name, const std::string& action, int line);
// DROP PROCEDURE | FUNCTION | PACKAGE [BODY] | TYPE [BODY] | TRIGGER name (ORA-04043 / ORA-04080).
void drop_stored_code(sqlite3* db, const std::string& type, const std::string& name, int line);
// Every trigger on a table (DROP TABLE drops them with it).
void drop_table_triggers(sqlite3* db, const std::string& table);

struct table_trigger {
    std::string name;
    bool before = true;      // BEFORE, else AFTER
    bool row_level = false;  // FOR EACH ROW
    std::string when;        // WHEN condition as written, without its parentheses; may be empty
    std::string body;        // the PL/SQL block
};
// The enabled triggers that fire on INSERT into the table, in creation order.
std::vector<table_trigger> insert_triggers(sqlite3* db, const std::string& table);

}  // namespace ocilite
