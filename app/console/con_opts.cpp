#include "app/console/con_opts.h"

const tk_cmd_option con_option_table[] = {
    {OPT_CASE_SENSE, "--case_sense"},
    {OPT_DEST, "--dest="},
    {OPT_DUMP, "--dump"},
    {OPT_HELP, "--help"},
    {OPT_LOGFILE, "--logfile="},
    {OPT_MODE, "--mode="},
    {OPT_MYSQLH, "--mysqlh="},
    {OPT_MYSQLU, "--mysqlu="},
    {OPT_MYSQLP, "--mysqlp="},
    {OPT_MYPORT, "--myport="},
    {OPT_ORACLH, "--oraclh="},
    {OPT_ORACLU, "--oraclu="},
    {OPT_ORACLP, "--oraclp="},
    {OPT_ORAPORT, "--oraport="},
    {OPT_SILENT, "--silent"},
    {OPT_SKIP_IDX, "--skip_idx"},
    {OPT_SRC, "--src="},
    {OPT_TAB_DEF, "--tab_def"},
    {OPT_TAB_FILE, "--tab_file="},
    {OPT_PROFILE, "--profile="},
    {0, ""},
};

std::optional<udb_overwrite_mode> con_parse_mode(std::string_view text) {
    // Synchronize (4) is refused from the command line; a single digit is the only exact
    // decimal form of 0 to 3.
    if (text.size() != 1 || text[0] < '0' || text[0] > '3') return std::nullopt;
    return static_cast<udb_overwrite_mode>(text[0] - '0');
}
