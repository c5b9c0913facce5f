// Sequences: CREATE / ALTER / DROP SEQUENCE and NEXTVAL / CURRVAL. USER_SEQUENCES shows them as
// Oracle does; the private table ocilite_sequences holds the working values in int64.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>

#include "ocilite/ora_number.h"
#include "ocilite/session_state.h"
#include "ocilite/sql_parser.h"

namespace ocilite {

struct sequence_options {
    std::optional<ora_number> increment, start, min_value, max_value, cache;
    bool no_max = false, no_min = false, no_cache = false;
    std::optional<bool> cycle, order;
    bool restart = false;  // ALTER SEQUENCE ... RESTART [START WITH n]
};

// The options up to the statement's end (ORA-00933 for a word that is none of them).
sequence_options parse_sequence_options(sql_parser& p);

// ORA-00955 when the name is taken; ORA-04006 / ORA-04008 / ORA-04002 for bad bounds.
void create_sequence(sqlite3* db, const std::string& name, const sequence_options& o, int line,
                     const std::string& object_type = "SEQUENCE");
void alter_sequence(sqlite3* db, const std::string& name, const sequence_options& o, int line);
void drop_sequence(sqlite3* db, const std::string& name, int line);  // ORA-02289 when missing
bool sequence_exists(sqlite3* db, const std::string& name);

// NEXTVAL: ORA-08004 past the bound of a NOCYCLE sequence; CURRVAL: ORA-08002 before any NEXTVAL
// of this session. Both ORA-02289 for an unknown sequence.
int64_t sequence_next(sqlite3* db, const std::string& name, session_state& session);
int64_t sequence_current(sqlite3* db, const std::string& name, const session_state& session);

// Moves the next value to the one after `highest` (identity columns: START WITH LIMIT VALUE).
void sequence_restart_after(sqlite3* db, const std::string& name, std::optional<int64_t> highest);

}  // namespace ocilite
