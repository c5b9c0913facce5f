#include "SQL/sql_trace.h"

#include "TK/tk_excep.h"

namespace sql {

void fail(const char* source, int line) { throw tk_mail_assertion(source, line); }

void raise(const std::string& message, int code, int level) { throw tk_exception(message, code, level); }

}  // namespace sql
