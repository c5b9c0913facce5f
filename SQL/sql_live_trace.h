// Trace and assertion names of the live-server modules: they log and assert through the
// MySQL side's common bridge, and the source spellings of their assertions stand here.
#pragma once

#include "SQL/sql_trace.h"

namespace sql_live {

inline constexpr const char* src_db = "sql_db";
inline constexpr const char* src_recs = "sql_recs";
inline constexpr const char* src_rec = "sql_rec";
inline constexpr const char* src_tab = "sql_tab";

using sql::fail;
using sql::trace;

}  // namespace sql_live
