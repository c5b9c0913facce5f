// Date post-processing: after a table's records, each watched date column whose verdict
// differs from its created type is altered to DATE, TIME, DATETIME or CHAR(19).
#include "SQL/sql_exc.h"
#include "SQL/sql_util.h"
#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "app/qrn_errh.h"
#include "app/qrn_sql_impl.h"
#include "common/type_map.h"
#include "values/ole_date.h"

using compat::wstring;

namespace {
// A date default as the narrowed column can hold it: the date part on a DATE column, the
// time part on a TIME column; none where the default lacks that part.
wstring narrowed_default(const t_ftd& column, date_kind kind) {
    wstring def = make_mysql_def_val(column);
    if (def.empty() || column.vartype != VT_DATE || (kind != date_kind::date && kind != date_kind::time)) return def;
    const ole_date value(column.def_value.to_wstring());
    const std::string text = value.to_string();
    if (kind == date_kind::date) {
        if (value.get_kind() == date_kind::time || text.size() < 10) return {};
        return u"\"" + compat::utf8_to_utf16(text.substr(0, 10)) + u"\"";
    }
    if (value.get_kind() == date_kind::date || text.size() < 19) return {};
    return u"\"" + compat::utf8_to_utf16(text.substr(11)) + u"\"";
}

}  // namespace

wstring qrn_date_alter_statement(const wstring& table, const wstring& column_name, const t_ftd& source_column,
                                 date_kind kind) {
    wstring text = u"ALTER TABLE " + sql_engine::quote_name(table) + u" MODIFY " + sql_engine::quote_name(column_name) +
                   u" " + mysql_date_type(kind);
    if (source_column.b_not_null) text += u" NOT NULL";
    const wstring def = narrowed_default(source_column, kind);
    if (!def.empty()) text += u" DEFAULT " + def;
    return text;
}

void mysql_converter_impl::date_post_process(udb_database& database, const udb_schema& dest_schema,
                                             const udb_schema& source_schema, const dates_map& dates) {
    tk_log::log(2, "mysql_converter_impl::date_post_process(map size=%d)", static_cast<int>(dates.size()));
    for (size_t i = 0; i < dates.size(); ++i) {
        const types_map_entry& e = dates.entry(i);
        date_kind kind = e.kind;
        if (!e.seen && kind == date_kind::none) kind = date_kind::datetime;  // nothing seen: as created
        if (kind == e.created_kind) continue;
        const size_t at = static_cast<size_t>(e.field_index);
        const wstring& column = dest_schema.at(at)->name;
        try {
            const wstring statement = qrn_date_alter_statement(dates.table_name(), column, *source_schema.at(at), kind);
            tk_log::log(3, u"Run SQL query: %s\n", statement);
            database.query(statement);
        } catch (const sql_exception& ex) {
            if (sql_exception::is_connection_lost(ex.code())) throw;
            // The column keeps its created type; the records are already in place, but the
            // user must know that the column is not what the run meant it to be.
            tk_log::log(3, "Got exception: %s", ex.what());
            error_handler& handler = error_handler::instance();
            handler.set_context_text(tk_to_narrow(dates.table_name() + u", column " + column));
            handler.handle(ex, false);
        }
    }
}
