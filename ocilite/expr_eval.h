// Evaluation of Oracle expressions in loader scripts: literals, LEVEL/ROWNUM for generated rows,
// arithmetic, || and the functions a DBA's data script uses. Expressions are compiled once and
// evaluated per generated row.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ocilite/ora_value.h"
#include "ocilite/sql_ast.h"

namespace ocilite {

struct session_state;

struct eval_context {
    int64_t level = 1;     // LEVEL and ROWNUM
    ora_datetime sysdate;  // fixed for one statement, as in Oracle
    ora_datetime systimestamp;
    std::string user;
    sqlite3* db = nullptr;             // for seq.NEXTVAL / seq.CURRVAL; none: ORA-00984
    session_state* session = nullptr;  // CURRVAL is per session
};

// Names an expression may read besides literals: PL/SQL variables ("V_COUNT") and a trigger's
// row (":NEW.ID", also "NEW.ID" in a WHEN condition). Keys are as resolved (upper case unless
// quoted).
class value_scope {
public:
    virtual ~value_scope() = default;
    virtual bool has(const std::string& key) const = 0;
    virtual ora_value get(const std::string& key) const = 0;
};

// The scope key of a name or bind expression (empty for other kinds).
std::string scope_key(const expr& e);

class compiled_expr {
public:
    // Throws sql_error: ORA-00904 for an unknown function, ORA-00984 for a column name,
    // ORA-00909 for a wrong argument count. Names the scope has read from it at evaluation.
    static compiled_expr compile(const expr& e, const value_scope* scope = nullptr);
    ora_value eval(const eval_context& ctx) const;

    struct node;
    compiled_expr() = default;
    compiled_expr(compiled_expr&&) noexcept;
    compiled_expr& operator=(compiled_expr&&) noexcept;
    ~compiled_expr();

private:
    std::unique_ptr<node> root_;
};

// Oracle's implicit conversions.
std::string value_to_text(const ora_value& v);   // TO_CHAR without a format
ora_number value_to_number(const ora_value& v);  // ORA-01722 for text that is no number
std::string hex_to_raw(std::string_view hex);    // ORA-01465 invalid hex number
std::string raw_to_hex(std::string_view raw);
// Deterministic pseudo-random bytes (OCILITE_RANDOM_BYTES): the same seed gives the same bytes.
std::string random_bytes(int64_t n, int64_t seed);

size_t utf8_chars(std::string_view s);  // characters, as Oracle counts them in CHAR semantics
// A value's type as ORA-00932 names it ("CHAR", "BINARY", ...).
const char* kind_name(const ora_value& v);
// ORA-00932 inconsistent datatypes: expected <expected> got <got>.
[[noreturn]] void raise_inconsistent(const std::string& expected, const char* got);

}  // namespace ocilite
