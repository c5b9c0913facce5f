// The dependency order of the product's folders, and a scan of their sources for an
// include that points the wrong way. Lower layers know nothing of higher ones:
//   compat, TK, values, UDB, ORA and SQL, common, app, front ends (the wizard, the console).
// Folders of one layer (ORA and SQL; the two front ends) know nothing of each other, and
// ocilite, the stand-in Oracle client, uses compat only and is used by no product folder.
// Includes name headers by their path from the top ("TK/tk_log.h").
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace layout {

// Every include under `root` that breaks the order, as "FILE:LINE: HEADER: why".
std::vector<std::string> include_order_violations(const std::filesystem::path& root);

// Folders and files of the table that are missing under `root` (a stale table).
std::vector<std::string> missing_table_entries(const std::filesystem::path& root);

}  // namespace layout
