// Source locations as the assertion texts spell them, for every module of the system. The
// digits of an internal-error message encode these strings (see tk_assertion_text), so a
// spelling lives here once and no module writes its own.
#pragma once

namespace tk_where {
// toolkit
inline constexpr const char* singl = "..\\TK/tk_singl";
inline constexpr const char* log = "..\\TK/tk_log";
inline constexpr const char* utils = "tk_utils";
inline constexpr const char* fname = "tk_fname";
inline constexpr const char* regk = "tk_regk";
inline constexpr const char* errco = "tk_errco";
inline constexpr const char* threa = "tk_threa";
inline constexpr const char* cmdli = "tk_cmdli";
inline constexpr const char* cmdli_long = "../..\\TK/tk_cmdli";

// values
inline constexpr const char* ole_date = "ole_date";
inline constexpr const char* ole_var = "ole_var";

// data model
inline constexpr const char* udb_sche = "udb_sche";
inline constexpr const char* udb_db = "udb_db";
inline constexpr const char* udb_idx = "udb_idx";
inline constexpr const char* udb_rel = "udb_rel";
inline constexpr const char* udb_vali = "udb_vali";
inline constexpr const char* udb_prof = "udb_prof";
inline constexpr const char* udb_rule = "udb_rule";

// Oracle side
inline constexpr const char* ora_engi = "ora_engi";
inline constexpr const char* ora_db = "ora_db";
inline constexpr const char* ora_tab = "ora_tab";
inline constexpr const char* ora_qres = "ora_qres";
inline constexpr const char* ora_type = "ora_type";
inline constexpr const char* ora_type_h = "ora_type.h";
inline constexpr const char* ora_util = "ora_util";

// MySQL side
inline constexpr const char* sql_engi = "sql_engi";
inline constexpr const char* sql_util = "sql_util";
inline constexpr const char* sql_init = "sql_init";
inline constexpr const char* sql_dump = "sql_dump";
inline constexpr const char* sql_db = "sql_db";
inline constexpr const char* sql_recs = "sql_recs";
inline constexpr const char* sql_rec = "sql_rec";
inline constexpr const char* sql_tab = "sql_tab";

// common parts of both programs
inline constexpr const char* type_map = "type_map";
inline constexpr const char* common_sql_dump = "..\\common/sql_dump";
inline constexpr const char* over_dlg = "..\\common/over_dlg";

// driver
inline constexpr const char* qrn_conv = "qrn_conv";

// wizard
inline constexpr const char* g_wiz_sh = "g_wiz_sh";
inline constexpr const char* g_wiz_pg = "..\\GUI2/g_wiz_pg";
inline constexpr const char* g_finish = "..\\GUI2/g_finish";
inline constexpr const char* g_f_dlg = "g_f_dlg";
}  // namespace tk_where
