#include "ocilite/catalog_views.h"

namespace ocilite {
namespace {

ora_column_type vc(int n) {
    ora_column_type t;
    t.kind = ora_kind::varchar2;
    t.length = n;
    return t;
}
ora_column_type num() {
    ora_column_type t;
    t.kind = ora_kind::number;
    return t;
}
ora_column_type long_text() {
    ora_column_type t;
    t.kind = ora_kind::long_text;
    return t;
}

std::vector<catalog_view> build() {
    const bool Y = true, N = false;
    return {
        {"USER_TABLES",
         {{"TABLE_NAME", vc(128), N},
          {"TABLESPACE_NAME", vc(30), Y},
          {"TEMPORARY", vc(1), Y},
          {"NESTED", vc(3), Y},
          {"IOT_TYPE", vc(12), Y},
          {"NUM_ROWS", num(), Y}}},
        {"USER_TAB_COLUMNS",
         {{"TABLE_NAME", vc(128), N},
          {"COLUMN_NAME", vc(128), N},
          {"DATA_TYPE", vc(128), Y},
          {"DATA_LENGTH", num(), N},
          {"DATA_PRECISION", num(), Y},
          {"DATA_SCALE", num(), Y},
          {"NULLABLE", vc(1), Y},
          {"COLUMN_ID", num(), Y},
          {"DATA_DEFAULT", long_text(), Y},
          {"CHAR_LENGTH", num(), Y},
          {"CHAR_USED", vc(1), Y}}},
        {"USER_CONSTRAINTS",
         {{"OWNER", vc(128), Y},
          {"CONSTRAINT_NAME", vc(128), Y},
          {"CONSTRAINT_TYPE", vc(1), Y},
          {"TABLE_NAME", vc(128), N},
          {"SEARCH_CONDITION", long_text(), Y},
          {"R_OWNER", vc(128), Y},
          {"R_CONSTRAINT_NAME", vc(128), Y},
          {"DELETE_RULE", vc(9), Y},
          {"STATUS", vc(8), Y},
          {"GENERATED", vc(14), Y},
          {"INDEX_NAME", vc(128), Y}}},
        {"USER_CONS_COLUMNS",
         {{"OWNER", vc(128), N},
          {"CONSTRAINT_NAME", vc(128), N},
          {"TABLE_NAME", vc(128), N},
          {"COLUMN_NAME", vc(4000), Y},
          {"POSITION", num(), Y}}},
        {"USER_INDEXES",
         {{"INDEX_NAME", vc(128), N},
          {"INDEX_TYPE", vc(27), Y},
          {"TABLE_OWNER", vc(128), N},
          {"TABLE_NAME", vc(128), N},
          {"TABLE_TYPE", vc(11), Y},
          {"UNIQUENESS", vc(9), Y},
          {"STATUS", vc(8), Y},
          {"GENERATED", vc(1), Y}}},
        {"USER_IND_COLUMNS",
         {{"INDEX_NAME", vc(128), Y},
          {"TABLE_NAME", vc(128), Y},
          {"COLUMN_NAME", vc(4000), Y},
          {"COLUMN_POSITION", num(), Y},
          {"DESCEND", vc(4), Y}}},
        {"ALL_VIEWS",
         {{"OWNER", vc(128), N}, {"VIEW_NAME", vc(128), N}, {"TEXT_LENGTH", num(), Y}, {"TEXT", long_text(), Y}}},
        {"USER_VIEWS", {{"VIEW_NAME", vc(128), N}, {"TEXT_LENGTH", num(), Y}, {"TEXT", long_text(), Y}}},
        {"USER_SEQUENCES",
         {{"SEQUENCE_NAME", vc(128), N},
          {"MIN_VALUE", num(), Y},
          {"MAX_VALUE", num(), Y},
          {"INCREMENT_BY", num(), N},
          {"CYCLE_FLAG", vc(1), Y},
          {"ORDER_FLAG", vc(1), Y},
          {"CACHE_SIZE", num(), N},
          {"LAST_NUMBER", num(), N}}},
        {"USER_OBJECTS", {{"OBJECT_NAME", vc(128), Y}, {"OBJECT_TYPE", vc(23), Y}, {"STATUS", vc(7), Y}}},
        {"USER_SOURCE", {{"NAME", vc(128), Y}, {"TYPE", vc(12), Y}, {"LINE", num(), Y}, {"TEXT", vc(4000), Y}}},
        {"USER_TRIGGERS",
         {{"TRIGGER_NAME", vc(128), Y},
          {"TRIGGER_TYPE", vc(16), Y},
          {"TRIGGERING_EVENT", vc(246), Y},
          {"TABLE_OWNER", vc(128), Y},
          {"BASE_OBJECT_TYPE", vc(18), Y},
          {"TABLE_NAME", vc(128), Y},
          {"WHEN_CLAUSE", vc(4000), Y},
          {"STATUS", vc(8), Y},
          {"DESCRIPTION", vc(4000), Y},
          {"TRIGGER_BODY", long_text(), Y}}},
        {"USER_TAB_IDENTITY_COLS",
         {{"TABLE_NAME", vc(128), N},
          {"COLUMN_NAME", vc(128), N},
          {"GENERATION_TYPE", vc(10), Y},
          {"SEQUENCE_NAME", vc(128), N},
          {"IDENTITY_OPTIONS", vc(298), Y}}},
        {"USER_TAB_COMMENTS", {{"TABLE_NAME", vc(128), N}, {"TABLE_TYPE", vc(11), Y}, {"COMMENTS", vc(4000), Y}}},
        {"USER_COL_COMMENTS", {{"TABLE_NAME", vc(128), N}, {"COLUMN_NAME", vc(128), N}, {"COMMENTS", vc(4000), Y}}},
        {"ALL_USERS", {{"USERNAME", vc(128), N}, {"USER_ID", num(), N}}},
        {"DBA_TABLESPACES", {{"TABLESPACE_NAME", vc(30), N}, {"STATUS", vc(9), Y}, {"CONTENTS", vc(21), Y}}},
        {"DATABASE_PROPERTIES",
         {{"PROPERTY_NAME", vc(128), N}, {"PROPERTY_VALUE", vc(4000), Y}, {"DESCRIPTION", vc(4000), Y}}},
        {"V$VERSION", {{"BANNER", vc(80), Y}}},
        {"DUAL", {{"DUMMY", vc(1), Y}}},
    };
}

}  // namespace

const std::vector<catalog_view>& catalog_views() {
    static const std::vector<catalog_view> views = build();
    return views;
}

const catalog_view* find_catalog_view(const std::string& upper_name) {
    for (const auto& v : catalog_views())
        if (v.name == upper_name) return &v;
    return nullptr;
}

}  // namespace ocilite
