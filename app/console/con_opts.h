// The console program's option table and the pure rules behind single options.
#pragma once

#include <optional>
#include <string_view>

#include "TK/tk_cmdli.h"
#include "UDB/udb_overwrite.h"

enum con_option_id {
    OPT_CASE_SENSE = 0,
    OPT_DEST = 1,
    OPT_DUMP = 2,
    OPT_HELP = 3,
    OPT_LOGFILE = 4,
    OPT_MODE = 5,
    OPT_MYSQLH = 6,
    OPT_MYSQLU = 7,
    OPT_MYSQLP = 8,
    OPT_MYPORT = 9,
    OPT_ORACLH = 10,
    OPT_ORACLU = 11,
    OPT_ORACLP = 12,
    OPT_ORAPORT = 13,
    OPT_PROFILE = 14,
    OPT_SILENT = 15,
    OPT_SKIP_IDX = 16,
    OPT_SRC = 17,
    OPT_TAB_DEF = 18,
    OPT_TAB_FILE = 19,
};

// In matching order (the first row whose prefix begins the argument wins), ended by {0, ""}.
extern const tk_cmd_option con_option_table[];

// "--mode=": exactly the decimal form of a value 0 to 3 (no sign, blank, leading zero or
// trailing character); anything else, the empty text included, is no mode.
std::optional<udb_overwrite_mode> con_parse_mode(std::string_view text);
