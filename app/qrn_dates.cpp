// Date post-processing: after a table's records, each watched date column whose verdict
// differs from its created type is altered to DATE, TIME, DATETIME or CHAR(19).
#include "SQL/sql_util.h"
#include "app/qrn_sql_impl.h"
#include "app/qrn_trace.h"
#include "common/type_map.h"

using compat::wstring;

namespace {
const char16_t* type_word(int kind) {
    switch (kind) {
        case kind_datetime:
            return u"DATETIME";
        case kind_date:
            return u"DATE";
        case kind_time:
            return u"TIME";
        default:
            return u"CHAR(19)";
    }
}
}  // namespace

wstring qrn_date_alter_statement(const wstring& table, const wstring& column_name, const t_ftd& source_column,
                                 int kind) {
    wstring text = u"ALTER TABLE " + sql_engine::quote_name(table) + u" MODIFY " + sql_engine::quote_name(column_name) +
                   u" " + type_word(kind);
    if (source_column.b_not_null) text += u" NOT NULL";
    const wstring def = make_mysql_def_val(source_column);
    if (!def.empty()) text += u" DEFAULT " + def;
    return text;
}

void mysql_converter_impl::date_post_process(udb_database& database, const udb_schema& dest_schema,
                                             const udb_schema& source_schema, const dates_map& dates) {
    qrn::trace(2, "mysql_converter_impl::date_post_process(map size=%d)", static_cast<int>(dates.size()));
    for (size_t i = 0; i < dates.size(); ++i) {
        const types_map_entry& e = dates.entry(i);
        int kind = e.kind;
        if (!e.seen && kind == kind_char19) kind = kind_datetime;  // nothing seen: as created
        if (kind == e.created_kind) continue;
        try {
            const size_t at = static_cast<size_t>(e.field_index);
            const wstring statement =
                qrn_date_alter_statement(dates.table_name(), dest_schema.at(at)->name, *source_schema.at(at), kind);
            qrn::trace(3, u"Run SQL query: %s\n", statement);
            database.query(statement);
        } catch (const std::exception& ex) {
            // The column keeps its created type; the records are already in place.
            qrn::trace(3, "Got exception: %s", ex.what());
        }
    }
}
