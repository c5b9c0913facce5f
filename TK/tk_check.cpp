#include "TK/tk_check.h"

#include <cstring>

#include "TK/tk_trace.h"

void tk_check_failed(const char* condition, const char* file, int line) {
    // The build's path of the file would make the error's code long and differ between
    // machines: its name alone names the check together with the line.
    const char* slash = std::strrchr(file, '/');
    const char* name = slash ? slash + 1 : file;
    tk_log::log(3, "Check failed: %s (%s:%d)", condition, name, line);
    tk_fail(name, line);
}
