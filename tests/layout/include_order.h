// The dependency order of the product's folders, and a scan of their sources for an
// include, in either form, that points the wrong way. Lower layers know nothing of higher
// ones: compat (its text, file and Oracle client parts below its OLE Automation, settings
// store, desktop and windowing parts), TK, values, UDB, ORA and SQL, common, app, front ends
// (the wizard, the console). Folders of one layer (ORA and SQL; the two front ends) know
// nothing of each other. Only the wizard's parts reach the Qt layer (compat/ui,
// compat/desktop and TK's desktop services), and only the Qt layer includes Qt's headers.
// ocilite, the stand-in Oracle client, uses compat only (not its Qt layer) and is used by
// no product folder. Includes name headers by their path from the top ("TK/tk_log.h").
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace layout {

// Every include under `root` that breaks the order, as "FILE:LINE: HEADER: why", and every
// top-level folder or source the table does not place, as "PATH: why".
std::vector<std::string> include_order_violations(const std::filesystem::path& root);

// Folders and files of the table that are missing under `root` (a stale table).
std::vector<std::string> missing_table_entries(const std::filesystem::path& root);

}  // namespace layout
