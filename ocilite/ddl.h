// Definitions read from the loader's DDL statements, before they are written to the store.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ocilite/ora_types.h"
#include "ocilite/sequences.h"
#include "ocilite/sql_parser.h"

namespace ocilite {

struct constraint_def {
    std::string name;  // empty: a system name is given
    char type = 'P';   // 'P' primary key, 'U' unique, 'R' foreign key, 'C' check
    std::vector<std::string> columns;
    std::string ref_table;                 // 'R'
    std::vector<std::string> ref_columns;  // 'R'; empty: the referenced table's primary key
    std::string delete_rule = "NO ACTION";
    std::string search_condition;  // 'C', as written
    int line = 0;
};

// GENERATED ALWAYS | BY DEFAULT [ON NULL] AS IDENTITY [(options)]
struct identity_def {
    bool always = true;
    bool on_null = false;
    sequence_options options;
    bool start_with_limit = false;  // START WITH LIMIT VALUE (ALTER TABLE ... MODIFY)
    std::string options_text;       // as written, for USER_TAB_IDENTITY_COLS
};

struct column_def {
    std::string name;
    ora_column_type type;
    std::optional<std::string> default_text;  // as written
    bool not_null = false;
    std::optional<identity_def> identity;
    int line = 0;
};

struct table_def {
    std::string name;
    std::vector<column_def> columns;
    std::vector<constraint_def> constraints;  // inline ones too, in the order written
    bool index_organized = false;             // ORGANIZATION INDEX
};

struct index_def {
    std::string name;
    std::string table;
    bool unique = false;
    std::vector<std::string> columns;
    int line = 0;
};

struct view_def {
    std::string name;
    std::vector<std::string> columns;  // explicit column list, may be empty
    std::string text;                  // the query as written
    bool or_replace = false;
};

// Each reads its statement from the word after CREATE (or after ALTER TABLE t ADD) up to the
// statement's end. `source` is the text the tokens were cut from. `owner_check` verifies a
// schema qualifier (ORA-01918 when it names no user).
using owner_check = bool (*)(void* ctx, const std::string& schema);
struct name_context {
    owner_check is_user;
    void* ctx;
};

table_def parse_create_table(sql_parser& p, std::string_view source, const name_context& names);
index_def parse_create_index(sql_parser& p, bool unique, const name_context& names);
view_def parse_create_view(sql_parser& p, std::string_view source, bool or_replace, const name_context& names);
// An out-of-line constraint at the parser's position ([CONSTRAINT n] PRIMARY KEY (...) | ...).
constraint_def parse_table_constraint(sql_parser& p, std::string_view source, const name_context& names);
// True when the parser is at an out-of-line constraint.
bool at_table_constraint(const sql_parser& p);
// GENERATED ... AS IDENTITY [(...)] at the parser's position (after GENERATED).
identity_def parse_identity(sql_parser& p, std::string_view source);
// A column definition (ALTER TABLE ... ADD); inline constraints go to `constraints`.
column_def parse_column_definition(sql_parser& p, std::string_view source, std::vector<constraint_def>& constraints,
                                   const name_context& names);
// Physical attributes of tables and indexes, accepted and ignored; sets *index_organized for
// ORGANIZATION INDEX when given.
void skip_storage_clauses(sql_parser& p, bool* index_organized = nullptr);
// [schema.]name; the schema must be a user of the store.
std::string parse_object_name(sql_parser& p, const name_context& names);

}  // namespace ocilite
