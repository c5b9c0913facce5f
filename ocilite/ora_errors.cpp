#include "ocilite/ora_errors.h"

#include <cstdio>

namespace ocilite {

void raise_ora(int code, std::string_view text, int line) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
    sql_error e;
    e.code = code;
    e.message = std::string(prefix) + std::string(text);
    e.line = line;
    throw e;
}

void raise_invalid_identifier(std::string_view name, int line) {
    raise_ora(904, "\"" + std::string(name) + "\": invalid identifier", line);
}
void raise_no_table(int line) { raise_ora(942, "table or view does not exist", line); }
void raise_invalid_statement(int line) { raise_ora(900, "invalid SQL statement", line); }
void raise_not_ended(int line) { raise_ora(933, "SQL command not properly ended", line); }
void raise_missing_expression(int line) { raise_ora(936, "missing expression", line); }
void raise_missing_paren(int line) { raise_ora(907, "missing right parenthesis", line); }
void raise_invalid_number(int line) { raise_ora(1722, "invalid number", line); }
void raise_unsupported(std::string_view what, int line) {
    raise_ora(3001, "not supported by ocilite: " + std::string(what), line);
}

}  // namespace ocilite
