// Oracle error numbers and texts raised by the store, the loader and the translator.
#pragma once

#include <string>
#include <string_view>

#include "ocilite/sql_translate.h"

namespace ocilite {

// An ora_error that also knows the source line it was found on (0 when unknown); the loader
// names that line, the client library ignores it.
struct sql_error : ora_error {
    int line = 0;
    std::string exception_name;  // a PL/SQL exception raised by name (RAISE e), for its handler
};

// "ORA-%05d: " followed by the text.
[[noreturn]] void raise_ora(int code, std::string_view text, int line = 0);

// The common ones, with Oracle's texts.
[[noreturn]] void raise_invalid_identifier(std::string_view name, int line = 0);  // ORA-00904
[[noreturn]] void raise_no_table(int line = 0);                                   // ORA-00942
[[noreturn]] void raise_invalid_statement(int line = 0);                          // ORA-00900
[[noreturn]] void raise_not_ended(int line = 0);                                  // ORA-00933
[[noreturn]] void raise_missing_expression(int line = 0);                         // ORA-00936
[[noreturn]] void raise_missing_paren(int line = 0);                              // ORA-00907
[[noreturn]] void raise_invalid_number(int line = 0);                             // ORA-01722
// What the stand-in cannot do, said plainly: "ORA-03001: not supported by ocilite: <what>".
[[noreturn]] void raise_unsupported(std::string_view what, int line = 0);

}  // namespace ocilite
