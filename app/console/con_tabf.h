// The table-names file: one table name per line, UTF-8 when the first non-empty line
// starts with the signature EF BB BF, else the ANSI code page. Line ends LF or CR LF;
// empty lines are skipped; names are kept as written (not trimmed).
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "compat/text/text.h"

// The names of a stream, in file order.
std::vector<compat::wstring> con_read_table_names(std::istream& in);
// The names of the file, FIFO or pipe; nothing when there is none that can be read.
std::optional<std::vector<compat::wstring>> con_read_table_names(const std::string& path);
