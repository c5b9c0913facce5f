#include "TK/tk_trace.h"

#include "TK/tk_excep.h"

void tk_fail(const char* where, int line) { throw tk_mail_assertion(where, line); }

void tk_raise(std::string_view message, int level) { throw tk_exception(message, level); }

void tk_raise(std::string_view message, int code, int level) { throw tk_exception(message, code, level); }

void tk_raise_system(int error) { throw tk_exception_ex(error); }
