// sql_database::sql_limited_query: one page of a table or one statement's first rows.
#include "SQL/sql_db.h"
#include "SQL/sql_engi.h"
#include "SQL/sql_rec.h"
#include "TK/tk_trace.h"

sql_database::sql_limited_query::sql_limited_query(sql_database& db, const compat::wstring& text, long offset,
                                                   long count, bool is_statement)
    : db_(db) {
    tk_log::log(1, "sql_database::sql_limited_query::sql_limited_query");
    const compat::wstring statement =
        is_statement ? text
                     : compat::wformat(u"SELECT * FROM %s LIMIT %ld,%ld", sql_engine::quote_name(text),
                                       static_cast<int32_t>(offset), static_cast<int32_t>(count));
    const std::string utf8 = compat::utf16_to_utf8(statement);
    mysql_real_query(db_.handle(), utf8.data(), utf8.size());
    result_.reset(mysql_use_result(db_.handle()));
    // a refused page statement is an error, never an empty page
    if (mysql_errno(db_.handle()) != 0) {
        result_.reset();
        db_.check_error();
    }
}

unsigned sql_database::sql_limited_query::field_count() const { return result_ ? mysql_num_fields(result_.get()) : 0; }

const MYSQL_FIELD* sql_database::sql_limited_query::fields() const {
    return result_ ? mysql_fetch_fields(result_.get()) : nullptr;
}

void sql_database::sql_limited_query::store_to(page_type* page) {
    tk_log::log(1, "sql_database::sql_limited_query::store_to");
    if (!page) tk_fail(tk_where::sql_db, 45);
    for (auto& slot : *page) slot.reset();
    if (!result_) return;
    const unsigned n = mysql_num_fields(result_.get());
    const MYSQL_FIELD* f = mysql_fetch_fields(result_.get());
    for (size_t i = 0; i < page->size(); ++i) {
        MYSQL_ROW row = mysql_fetch_row(result_.get());
        if (!row) {
            // the end of the rows, or a read that failed: only mysql_errno tells
            db_.check_error();
            break;
        }
        (*page)[i] = std::make_unique<sql_record>(n, f, mysql_fetch_lengths(result_.get()), row);
    }
}
