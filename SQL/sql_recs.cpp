#include "SQL/sql_recs.h"

#include "SQL/sql_engi.h"
#include "SQL/sql_util.h"
#include "SQL/sql_ver.h"
#include "TK/tk_trace.h"

using compat::wstring;

namespace {

// Type detail word of a result column: the date kind, the sign of a 64-bit integer, or
// for a decimal its precision and scale.
int detail_word(const MYSQL_FIELD& f) {
    switch (f.type) {
        case MYSQL_TYPE_DATETIME:
            return 1;
        case MYSQL_TYPE_DATE:
            return 2;
        case MYSQL_TYPE_TIME:
            return 3;
        case MYSQL_TYPE_LONGLONG:
            return (f.flags & UNSIGNED_FLAG) ? 2 : 1;
        default:
            return 0;
    }
}

}  // namespace

sql_recordset::sql_recordset(sql_database& db, const wstring& name, udb_relationships& relationships)
    : udb_recordset(name), db_(db), relationships_(relationships) {
    tk_log::log(2, "sql_recordset::sql_recordset");
    initialize();
}

sql_recordset::sql_recordset(sql_database& db, const wstring& name, const wstring& query,
                             udb_relationships& relationships)
    : udb_recordset(name, query), db_(db), relationships_(relationships) {
    tk_log::log(2, "sql_recordset::sql_recordset");
    initialize();
}

sql_recordset::~sql_recordset() { clean(); }

void sql_recordset::clean() {
    tk_log::log(2, "sql_recordset::clean");
    for (auto& slot : page_) slot.reset();
}

void sql_recordset::initialize() {
    tk_log::log(2, "sql_recordset::initialize");
    clean();
    record_count_ = get_rec_count();
    tk_log::log(1, "get_rec_count returns %d", record_count_);
    sql_database::sql_limited_query page(db_, is_query() ? query_ : name_, 0, sql_database::page_size, is_query());
    page.store_to(&page_);

    const sql_engine& engine = sql_engine::instance();
    const unsigned n = page.field_count();
    const MYSQL_FIELD* fields = page.fields();
    for (unsigned i = 0; i < n; ++i) {
        const MYSQL_FIELD& f = fields[i];
        tk_log::log(1, "Processing field #%d", static_cast<int>(i + 1));
        int detail = detail_word(f);
        const wstring name = compat::utf8_to_utf16(f.name ? f.name : "");
        tk_log::log(2, u"GOT FIELD: name=%s, type=%d, size=%d", name, static_cast<int>(f.type),
                    static_cast<int>(f.length));
        const unsigned flags = sql_live::effective_flags(f);
        VARTYPE vt = mysql_type_to_vartype(f.type, flags & 0xFF);
        if (vt == VT_BLOB && (engine.blob_as_text() || !(flags & sql_live::flag_binary))) {
            tk_log::log(2, "Change type from BLOB to TEXT");
            vt = VT_BSTR;
        } else if (f.type == MYSQL_TYPE_DECIMAL || f.type == MYSQL_TYPE_NEWDECIMAL) {
            tk_log::log(1, "Scale/precision: (%d,%d)", static_cast<int>(f.decimals), static_cast<int>(f.length));
            // the display length counts the point and, unless UNSIGNED, the sign
            const int precision =
                static_cast<int>(f.length) - (f.decimals ? 1 : 0) - ((f.flags & UNSIGNED_FLAG) ? 0 : 1);
            detail = udb_decimal_reserved(precision, static_cast<int>(f.decimals));
        }
        schema_.push_back(std::make_unique<t_ftd>(static_cast<int>(f.length), name, vt, (f.flags & NOT_NULL_FLAG) != 0,
                                                  (f.flags & AUTO_INCREMENT_FLAG) != 0, ole_variant(), detail));
    }
    page.release();
}

int sql_recordset::get_rec_count() {
    tk_log::log(2, "sql_recordset::get_rec_count");
    const wstring text = is_query() ? u"SELECT COUNT(*) FROM (" + query_ + u") as query"
                                    : u"SELECT COUNT(*) FROM " + sql_engine::quote_name(name_);
    auto rs = db_.query(text);
    if (!rs || rs->is_eof()) return 0;
    return rs->get_item()->at(0)->to_long();
}

void sql_recordset::load_page(long offset, bool from_query) {
    // later pages of a query read its result through a derived table; a table's pages
    // are LIMIT windows on its name
    const bool later_query_page = !from_query && is_query();
    const compat::wstring text =
        later_query_page ? compat::wformat(u"SELECT * FROM (%s) AS query LIMIT %ld,%ld", query_,
                                           static_cast<int32_t>(offset), static_cast<int32_t>(sql_database::page_size))
                         : (from_query ? query_ : name_);
    sql_database::sql_limited_query page(db_, text, offset, sql_database::page_size, from_query || later_query_page);
    page.store_to(&page_);
    page.release();
}

void sql_recordset::append_record(const udb_record&) { tk_fail(tk_where::sql_recs, 170); }

udb_record* sql_recordset::get_item() { return page_[static_cast<size_t>(page_index_)].get(); }

bool sql_recordset::is_eof() { return position_ >= record_count_; }

void sql_recordset::next() {
    tk_log::log(1, "sql_recordset::next");
    if (page_index_ < sql_database::page_size - 1) {
        ++page_index_;
    } else {
        clean();
        load_page(position_ + 1, false);
        page_index_ = 0;
    }
    ++position_;
}

void sql_recordset::prev() {
    tk_log::log(1, "sql_recordset::prev");
    if (position_ == 0) return;
    if (page_index_ > 0) --page_index_;
    --position_;
}

void sql_recordset::reset() {
    tk_log::log(1, "sql_recordset::reset");
    position_ = 0;
    page_index_ = 0;
    load_page(0, is_query());
}

sql_tmp_recordset::sql_tmp_recordset(sql_database& db, sql_live::result_ptr result) : udb_recordset(wstring()) {
    tk_log::log(1, "sql_tmp_recordset::sql_tmp_recordset");
    initialize(db, std::move(result));
}

void sql_tmp_recordset::initialize(sql_database& db, sql_live::result_ptr result) {
    tk_log::log(1, "sql_tmp_recordset::initialize");
    if (!result) tk_fail(tk_where::sql_recs, 287);
    const unsigned n = mysql_num_fields(result.get());
    const MYSQL_FIELD* f = mysql_fetch_fields(result.get());
    while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
        rows_.push_back(std::make_unique<sql_record>(n, f, mysql_fetch_lengths(result.get()), row));
        ++record_count_;
    }
    // a failed read also ends the rows: it must not pass for the end of the data
    db.check_error();
}

void sql_tmp_recordset::append_record(const udb_record&) { tk_fail(tk_where::sql_recs, 280); }

udb_record* sql_tmp_recordset::get_item() {
    return position_ < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(position_)].get() : nullptr;
}

bool sql_tmp_recordset::is_eof() { return position_ >= record_count_; }

void sql_tmp_recordset::next() { ++position_; }

void sql_tmp_recordset::reset() { position_ = 0; }
