// Raised when a value cannot be made of the requested type (a type the conversions do not
// produce, or a number text too large for its type). Level 1: the run reports it and stops
// the table or the run.
#pragma once

#include "TK/tk_excep.h"

class ole_type_exception : public tk_exception {
public:
    ole_type_exception() : tk_exception("The operating type is not supported yet", 1) {}
};
