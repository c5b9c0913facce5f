#include "UDB/udb_trace.h"

#include "TK/tk_excep.h"

namespace udb {
void fail(const char* source, int line) { throw tk_mail_assertion(source, line); }

void raise(const std::string& message, int level) { throw tk_exception(message, level); }

void raise_system(int error) { throw tk_exception_ex(error); }

}  // namespace udb
