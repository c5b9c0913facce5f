// The text the connection and destination pages show for an error: the advice kept for
// its code in the chosen message tables, or else the exception's own text.
#pragma once

#include <string>

#include "TK/tk_excep.h"

enum class wizard_tables { oracle, mysql, both };

std::string wizard_error_text(const tk_exception& e, wizard_tables tables);

// The low 16 bits of a code: the server's own error number.
inline int wizard_error_number(const tk_exception& e) { return e.code() & 0xFFFF; }
