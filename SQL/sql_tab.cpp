#include "SQL/sql_tab.h"

#include <cstdio>
#include <exception>

#include "SQL/sql_engi.h"
#include "SQL/sql_exc.h"
#include "SQL/sql_fk_parser.h"
#include "SQL/sql_util.h"
#include "TK/tk_excep.h"
#include "TK/tk_trace.h"
#include "UDB/udb_rec_exc.h"

using compat::wstring;

namespace {

constexpr unsigned ver_fk = 0x3172B;

const char* const structure_text =
    "The structure of data source does not conform to the destination table. For more "
    "information see Troubleshooting article of the product documentation.";

std::string quoted_utf8(const wstring& name) { return compat::utf16_to_utf8(sql_engine::quote_name(name)); }

bool is_zero_date(const wstring& text) {
    return text == u"0000-00-00" || text == u"0000-00-00 00:00:00" || text == u"00000000000000";
}

// Called in the handler of e, a refusal of the record at hand: the record is lost, unless
// the cause is the table's, which raises e as it is.
[[noreturn]] void raise_for_record(const sql_exception& e) {
    if (e.cause() == udb_lost_record::cause::table) throw;
    throw udb_record_exception(e.message(), e.code(), e.cause());
}

}  // namespace

sql_table::sql_table(sql_database& db, const wstring& name, udb_relationships& relationships)
    : sql_recordset(db, name, relationships),
      values_(db.connection()),
      quoted_name_(quoted_utf8(name)),
      batch_(*this, batch_bytes, sql_engine::instance().max_statement(), &sender_) {
    tk_log::log(2, "sql_table::ctor");
    initialize();
}

sql_table::~sql_table() {
    tk_log::log(2, "sql_table::dtor");
    try {
        flush();
    } catch (const std::exception& e) {
        tk_log::log(3, "Error:\n%s", e.what());
    }
}

void sql_table::initialize() {
    tk_log::log(2, "sql_table::initialize");
    read_columns();
    read_indexes();
    if (sql_engine::instance().version() > ver_fk) read_foreign_keys();
}

void sql_table::read_columns() {
    auto rs = database().query(u"SHOW COLUMNS FROM " + sql_engine::quote_name(name_));
    if (!rs) return;
    for (size_t i = 0; !rs->is_eof() && i < schema_.size(); rs->next(), ++i) {
        const udb_record& row = *rs->get_item();
        t_ftd& column = *schema_[i];
        const std::string type = row.at(1)->to_string();
        tk_log::log(2, "Got type: %s", type);
        int size = 0;
        int precision = 0;
        int scale = 0;
        if (std::sscanf(type.c_str(), "varchar(%d)", &size) == 1) {
            tk_log::log(2, "Refining size for varchar: %d", size);
            column.size = size;
        } else if (std::sscanf(type.c_str(), "float(%d,%d)", &precision, &scale) == 2) {
            tk_log::log(2, "Refining type for FLOAT(%d,%d)", precision, scale);
            if (precision && scale && scale < precision) {
                column.vartype = VT_DECIMAL;
                column.reserved = udb_decimal_reserved(precision, scale);
            }
        }
        const wstring def = row.at(row.size() - 2)->to_wstring();
        tk_log::log(2, u"Got default value: %s", def);
        if (!column.b_not_null && def.empty()) continue;
        tk_log::log(2, "Default value's type: %08X", static_cast<unsigned>(column.vartype));
        if (column.vartype == VT_DATE && is_zero_date(def)) {
            tk_log::log(2, "Skip empty def.values for date column");
            column.b_not_null = false;
            continue;
        }
        column.def_value = get_variant(is_quoted_vartype(column.vartype) ? VT_BSTR : column.vartype, def.c_str());
    }
}

void sql_table::read_indexes() {
    auto rs = database().query(u"SHOW INDEX FROM " + sql_engine::quote_name(name_));
    if (!rs) return;
    for (; !rs->is_eof(); rs->next()) {
        const udb_record& row = *rs->get_item();
        const bool unique = row.at(1)->to_string() == "0";
        const wstring key = row.at(2)->to_wstring();
        const bool primary = key == u"PRIMARY";
        const wstring field = row.at(4)->to_wstring();
        tk_log::log(2, u"Got index '%s' (primary=%d, unique=%d)", key, primary ? 1 : 0, unique ? 1 : 0);
        if (indexes_.is_acceptable_name(key))
            add_index(udb_index(key, unique, primary, {field}));
        else
            indexes_.get_index(key).fields.push_back(field);
    }
}

void sql_table::read_foreign_keys() {
    tk_log::log(2, "Extracting foreign keys");
    auto rs = database().query(u"SHOW CREATE TABLE " + sql_engine::quote_name(name_));
    if (!rs) return;
    for (; !rs->is_eof(); rs->next()) {
        const udb_record& row = *rs->get_item();
        sql_fk_parser parser(name_, row.at(row.size() - 1)->to_string());
        parser.do_parse(relationships());
    }
}

const sql_column_map& sql_table::map_for(const udb_record& record) {
    if (map_ && map_->fits(record)) return *map_;
    // a batch carries one column list: rows of another shape start a new one
    batch_.flush();
    const auto& fields = database().get_names_map().fields();
    const auto it = fields.find(name_);
    map_ = std::make_unique<sql_column_map>(record, schema_, it == fields.end() ? nullptr : &it->second);
    if (map_->complete()) batch_.set_head(map_->insert_head(name_, schema_));
    return *map_;
}

void sql_table::structure_error(const sql_column_map& map) const {
    tk_log::log(1, u"Field %s not found", map.missing());
    throw tk_exception(structure_text, 0);
}

void sql_table::append_record(const udb_record& record) {
    tk_log::log(1, "sql_table::append_record");
    ++received_;
    try {
        if (sql_engine::instance().fast_insert())
            fast_append(record);
        else
            slow_append(record);
    } catch (const sql_exception& e) {
        // A statement of this record alone (or one that could never be sent) was refused.
        raise_for_record(e);
    }
    ++record_count_;
}

void sql_table::fast_append(const udb_record& record) {
    tk_log::log(1, "sql_table::fast_append");
    const sql_column_map& map = map_for(record);
    if (record.size() < schema_.size())
        tk_log::log(1, "Size of record is less than size of schema");
    else
        tk_log::log(1, "Size of schema is less or equal to the size of record");
    if (!map.complete()) structure_error(map);
    // The row is written straight into the statement; a value that raises, or a row that
    // the server could never take, takes the statement back to what it was.
    batch_.append(received_, [&](std::string& out) { map.append_row(out, record, schema_, values_); });
    tk_log::log(1, "*** FAST INSERT MODE ***");
}

void sql_table::send_statement(const std::string& statement) { database().query_append(statement); }

void sql_table::slow_append(const udb_record& record) {
    tk_log::log(1, "sql_table::slow_append");
    const sql_column_map& map = map_for(record);
    if (!map.complete()) structure_error(map);
    batch_.send_alone([&](std::string& out) {
        map.append_row(out, record, schema_, values_);
        tk_log::log(2, "Run SQL query: %s", out);
    });
}

void sql_table::flush() { batch_.flush(); }

void sql_table::settle() {
    try {
        batch_.settle();
    } catch (const sql_exception& e) {
        raise_for_record(e);
    }
}

void sql_table::update(const udb_record& record) {
    tk_log::log(1, "sql_table::update");
    flush();
    try {
        update_row(record);
    } catch (const sql_exception& e) {
        raise_for_record(e);
    } catch (const udb_record_exception&) {
        throw;
    } catch (const tk_exception& e) {
        // A record that matches no row or does not fit the table: the row stays as it was.
        if (e.level() != 0) throw;
        throw udb_record_exception(e.message(), e.code());
    }
}

void sql_table::update_row(const udb_record& record) {
    if (pk_index_ < 0) {
        tk_log::log(1, "There's no primary/unique key");
        return;
    }
    tk_log::log(1, "Step #1");
    if (static_cast<size_t>(pk_index_) >= indexes_.size()) tk_fail(tk_where::sql_tab, 404);
    const udb_index& key = indexes_[static_cast<size_t>(pk_index_)];
    tk_log::log(1, "Step #2");
    const std::string head = "UPDATE " + quoted_name_ + " SET ";
    tk_log::log(1, "Step #3");
    const sql_column_map& map = map_for(record);
    if (!map.complete()) structure_error(map);
    std::string set_part;
    std::string where_part;
    std::vector<bool> key_given(key.fields.size(), false);
    for (const auto& [field, column] : map.pairs()) {
        tk_log::log(1, "Step #4");
        const t_ftd& col = *schema_[column];
        tk_log::log(1, u"Got mappend fn: %s", col.name);
        std::string assignment = quoted_utf8(col.name) + "=";
        append_fld_str(assignment, *record[field], col, values_);
        size_t k = 0;
        while (k < key.fields.size() && !compat::equal_nocase(key.fields[k], col.name)) ++k;
        if (k < key.fields.size()) {
            tk_log::log(1, u"Field %s is a part of UKey", col.name);
            key_given[k] = true;
            where_part += (where_part.empty() ? "" : " AND ") + assignment;
        } else {
            tk_log::log(1, u"Field %s is NOT a part of UKey", col.name);
            set_part += (set_part.empty() ? "" : ", ") + assignment;
        }
    }
    for (bool given : key_given) {
        if (!given) {
            // part of a composite key would match other rows too
            tk_log::log(1, "Missing primary/unique key");
            return;
        }
    }
    if (set_part.empty()) {
        // every column is part of the key: the row that holds it is already this record
        tk_log::log(1, "Nothing to update: every column belongs to the key");
        return;
    }
    const std::string text = head + set_part + " WHERE " + where_part;
    tk_log::log(2, "UPDATE QUERY: %s", text);
    batch_.check_fits(text.size());
    if (database().query_update(text) == 0)
        throw tk_exception("The record to update was not found in the destination table.", 0);
}
