// Source locations of the wizard's assertions, as their internal-error texts spell them.
#pragma once

namespace gui_where {
inline constexpr const char* wiz_sh = "g_wiz_sh";
inline constexpr const char* wiz_pg = "..\\GUI2/g_wiz_pg";
inline constexpr const char* finish = "..\\GUI2/g_finish";
inline constexpr const char* f_dlg = "g_f_dlg";
inline constexpr const char* sql_dump = "..\\common/sql_dump";
inline constexpr const char* over_dlg = "..\\common/over_dlg";
}  // namespace gui_where
