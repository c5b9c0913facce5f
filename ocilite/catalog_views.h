// The Oracle data-dictionary views an ocilite store keeps as real SQLite tables, with the
// column types Oracle gives them (describe reports those).
#pragma once

#include <string>
#include <vector>

#include "ocilite/ora_types.h"

namespace ocilite {

struct catalog_column {
    std::string name;
    ora_column_type type;
    bool nullable;
};

struct catalog_view {
    std::string name;  // the Oracle name and the SQLite table name, e.g. "USER_TABLES", "V$VERSION"
    std::vector<catalog_column> columns;
};

const std::vector<catalog_view>& catalog_views();
const catalog_view* find_catalog_view(const std::string& upper_name);

}  // namespace ocilite
