// The writing side of the Oracle table: INSERT with the new ROWID returned, LOB values into
// the new row, UPDATE by key, and dropping NOT NULL for a NULL that has to go in.
#include <cstring>
#include <vector>

#include "ORA/ora_db.h"
#include "ORA/ora_engi.h"
#include "ORA/ora_ffind.h"
#include "ORA/ora_init.h"
#include "ORA/ora_lobi.h"
#include "ORA/ora_tab.h"
#include "TK/tk_trace.h"
#include "UDB/udb_rule.h"

namespace {

constexpr const char* structure_mismatch = "The structure of data source does not conform to the destination table.";
constexpr const char* update_missed = "The record to update was not found in the destination table.";

// A value the INSERT or UPDATE carries as NULL: Oracle has no empty text.
bool is_null_value(const udb_field* field, const compat::wstring& literal) {
    return field->get_type() == VT_NULL || field->is_null() || literal.empty() || literal == u"''" ||
           literal == u"\"\"";
}

// The bytes of a binary value; the UTF-16 units of any other.
ora_bind_value bind_of(const udb_field& field, ub2 text_type, ub2 binary_type, ub1 form) {
    ora_bind_value v;
    const void* data = nullptr;
    const size_t n = field.get_type() == VT_BYTE_ARRAY ? field.get_bytes(&data) : 0;
    if (data) {
        v.type = binary_type;
        v.data.assign(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + n);
        return v;
    }
    const compat::wstring text = field.to_wstring();
    v.type = text_type;
    v.form = form;
    v.data.resize(text.size() * 2);
    if (!text.empty()) std::memcpy(v.data.data(), text.data(), v.data.size());
    return v;
}

}  // namespace

// ---- ROWID receiver ----------------------------------------------------------------------

compat::wstring ora_get_rowid::do_insert(const compat::wstring& insert_text, std::vector<ora_bind_value>& binds,
                                         bool commit) {
    tk_log::log(1, "ora_get_rowid::do_insert");
    const compat::wstring sql = insert_text + u") RETURNING ROWID INTO :1";
    tk_log::log(3, u"Run SQL query: %s\n", sql);
    ora_engine& e = ora_engine::instance();
    stmt.prepare(sql);
    tk_log::log(1, "Step #1");
    // The values' placeholders come first in the text, so they take positions 1 to n.
    for (size_t i = 0; i < binds.size(); ++i) stmt.bind(static_cast<ub4>(i + 1), binds[i]);
    tk_log::log(1, "Step #1.5");
    static const compat::wstring placeholder = u":1";
    bind = nullptr;
    e.check_status(e.oci().OCIBindByName(stmt.get(), &bind, e.err(),
                                         reinterpret_cast<const OraText*>(placeholder.data()),
                                         static_cast<sb4>(placeholder.size() * 2), rowid, sizeof rowid, SQLT_STR,
                                         nullptr, nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC));
    tk_log::log(1, "Step #2");
    e.check_status(e.oci().OCIBindDynamic(bind, e.err(), this, cbf_no_data, this, cbf_get_data));
    tk_log::log(1, "Step #3");
    // The out-bind callback hands this over as the buffer's size; the library writes back
    // the length it returned.
    returned_length = buffer_bytes;
    std::memset(rowid, 0, sizeof rowid);
    stmt.execute(1, commit ? OCI_COMMIT_ON_SUCCESS : OCI_DEFAULT);
    if (commit) e.note_committed();
    tk_log::log(2, u"GOT ROWID(1): %s, len=%d", compat::wstring(rowid), static_cast<int>(returned_length));
    if (returned_length >= buffer_bytes) tk_fail(tk_where::ora_tab, 87);
    rowid[returned_length / 2] = 0;
    return compat::wstring(rowid);
}

// ---- table -------------------------------------------------------------------------------

bool ora_table::upper_case() const { return db_ && db_->upper_case_names(); }

const t_names_map* ora_table::field_map() const {
    if (!db_) return nullptr;
    const auto& maps = db_->get_names_map().fields();
    auto it = maps.find(name_);
    return it == maps.end() ? nullptr : &it->second;
}

compat::wstring ora_table::destination_name(const udb_validator& validator, const compat::wstring& field) const {
    return ora_destination_name(validator, field, upper_case(), field_map());
}

ora_table::storage ora_table::storage_of(size_t position) const {
    // The described type decides, not the size: VARCHAR2(4000 CHAR) is no CLOB, and a LONG
    // takes its value in the statement.
    if (position < columns().size()) {
        switch (columns()[position]->type_code()) {
            case SQLT_CLOB:
                return storage::clob;
            case SQLT_BLOB:
                return storage::blob;
            case SQLT_LNG:
                return storage::long_text;
            case SQLT_LBI:
                return storage::long_raw;
            default:
                return storage::in_row;
        }
    }
    const t_ftd& column = *schema_.at(position);
    if (!ora::is_lob_column(column.vartype, column.size)) return storage::in_row;
    return column.vartype == VT_BSTR ? storage::clob : storage::blob;
}

compat::wstring ora_table::value_or_bind(size_t position, const udb_field* field, const compat::wstring& literal,
                                         bool in_update, std::vector<ora_bind_value>& binds) const {
    if (is_null_value(field, literal)) return literal;
    const storage kind = storage_of(position);
    const ub1 form = position < columns().size() ? columns()[position]->charset_form() : SQLCS_IMPLICIT;
    const void* data = nullptr;
    // What a literal of the value holds: two hexadecimal digits per byte, or the text.
    const size_t literal_bytes = field->get_type() == VT_BYTE_ARRAY ? field->get_bytes(&data) * 2
                                                                    : compat::utf16_to_utf8(field->to_wstring()).size();
    if (literal_bytes <= ora::max_literal_bytes) return literal;
    // A LOB column of an UPDATE, a LONG or LONG RAW column take the value through the LONG
    // types, which carry any length; a column in the row takes at most 4000 bytes anyway.
    const bool long_kind = kind == storage::long_text || kind == storage::long_raw ||
                           (in_update && (kind == storage::clob || kind == storage::blob));
    binds.push_back(bind_of(*field, long_kind ? SQLT_LNG : SQLT_CHR, long_kind ? SQLT_LBI : SQLT_BIN, form));
    return compat::wformat(u":b%d", static_cast<int>(binds.size()));
}

compat::wstring ora_table::value_text(int position, const udb_field* field) {
    if (udb_custom_conversion::is_acceptable2(*field)) return udb_custom_conversion::handle2(*field);
    return get_fld_append_wstr(position, field, schema_.at(static_cast<size_t>(position)).get());
}

void ora_table::append_record(const udb_record& record) {
    tk_log::log(1, "ora_table::append_record");
    compat::wstring columns = u"INSERT /*+ APPEND */ INTO " + ora_q(name_) + u" (";
    compat::wstring values = u" VALUES(";
    std::vector<const udb_field*> by_position(schema_.size(), nullptr);
    binds_.clear();
    bool first = true;
    auto add = [&](int position, const udb_field* field) {
        if (!first) {
            columns += u", ";
            values += u", ";
        }
        first = false;
        columns += ora_q(schema_.at(static_cast<size_t>(position))->name);
        values += value_text(position, field);
        by_position[static_cast<size_t>(position)] = field;
    };
    if (schema_.size() > record.size()) {
        tk_log::log(1, "Size of record is less than size of schema");
        ora_fn_validator validator(record);
        for (size_t i = 0; i < record.size(); ++i) {
            tk_log::log(1, "Step #%d", static_cast<int>(i % 6));
            const udb_field* field = record.at(i).get();
            const compat::wstring name = destination_name(validator, field->name);
            tk_log::log(1, u"Name=%s, mapped name=%s", field->name, name);
            const int position = schema_.get_field_idx(name);
            if (position < 0) {
                tk_log::log(1, u"Field %s not found", name);
                throw tk_exception(structure_mismatch, 0);
            }
            add(position, field);
        }
    } else {
        tk_log::log(1, "Size of schema is less or equal to the size of record");
        ora_field_finder finder(record, upper_case(), field_map());
        for (size_t c = 0; c < schema_.size(); ++c) {
            const compat::wstring& column = schema_.at(c)->name;
            const int i = finder.get_field_idx(column);
            if (i < 0) {
                tk_log::log(1, u"Field %s not found in appending record", column);
                throw tk_exception(structure_mismatch, 0);
            }
            add(static_cast<int>(c), record.at(static_cast<size_t>(i)).get());
        }
    }
    std::vector<ora_lob_insert::lob_column> lobs;
    bool lob_values = false;
    for (size_t c = 0; c < schema_.size(); ++c) {
        const storage kind = storage_of(c);
        if (kind != storage::clob && kind != storage::blob) continue;
        lobs.push_back({static_cast<int>(c), kind == storage::blob, schema_.at(c)->name});
        const udb_field* field = by_position[c];
        lob_values = lob_values || (field && !field->is_null());
    }
    const compat::wstring text = columns + u")" + values;
    ora_engine& e = ora_engine::instance();
    if (!lob_values) {
        const compat::wstring rowid = rowid_.do_insert(text, binds_, true);
        tk_log::log(1, u"GOT ROWID(2): %s", rowid);
    } else {
        // The row and its LOBs are one unit: a failure after the INSERT takes the row back
        // with it, so that the record can be sent again. Work left open before it (an
        // UPDATE) is committed first, so that a rollback here cannot take it too.
        if (e.has_uncommitted()) e.commit();
        try {
            const compat::wstring rowid = rowid_.do_insert(text, binds_, false);
            tk_log::log(1, u"GOT ROWID(2): %s", rowid);
            ora_lob_insert writer(name_, std::move(lobs));
            writer.insert(rowid, by_position);
            e.commit();
        } catch (...) {
            e.rollback();
            throw;
        }
    }
    ++record_count_;
    tk_log::log(1, "ora_table::append_record - at the END");
}

compat::wstring ora_table::get_fld_append_wstr(int position, const udb_field* field, const t_ftd* column) {
    tk_log::log(1, "ora_table::get_fld_append_wstr");
    compat::wstring text = to_oracle_str(field);
    tk_log::log(1, u"Got field #'%d': '%s' (%d, %d)", position, text, int{field->get_type()}, field->size);
    tk_log::log(1, "schema[eye]->size=%d", column->size);
    const bool is_null = is_null_value(field, text);
    const storage kind = storage_of(static_cast<size_t>(position));
    if (column->vartype == VT_R4 || column->vartype == VT_R8) {
        if (!is_null && ora::out_of_number_range(field->to_double())) {
            tk_log::log(1, "Number is out of range");
            return column->b_not_null ? make_ora_def_val(column) : compat::wstring(u"NULL");
        }
    } else if ((kind == storage::clob || kind == storage::blob) && !field->is_null()) {
        // The value goes in afterwards, through the row's locator; an empty value stays an
        // empty LOB, which is not NULL.
        tk_log::log(1, "Got LOB - put placeholder");
        return kind == storage::clob ? u"EMPTY_CLOB()" : u"EMPTY_BLOB()";
    }
    if (!is_null) return value_or_bind(static_cast<size_t>(position), field, text, false, binds_);
    if (column->b_not_null && !indexes_.is_idx_field(column->name, true)) {
        tk_log::log(1, "Put NULL-field");
        reset_not_null_flag(position);
    }
    return u"NULL";
}

void ora_table::reset_not_null_flag(int position) {
    tk_log::log(2, "ora_table::reset_not_null_flag(%d)", position);
    if (position < 0 || static_cast<size_t>(position) >= schema_.size()) tk_fail(tk_where::ora_tab, 789);
    t_ftd& column = *schema_.at(static_cast<size_t>(position));
    // NULL alone: the column keeps its type and its default, whatever the descriptor says of
    // them (a VARCHAR2 is no NVARCHAR2, a NUMBER(5) no NUMBER(11,0)).
    const compat::wstring sql = u"ALTER TABLE " + ora_q(name_) + u" MODIFY " + ora_q(column.name) + u" NULL";
    tk_log::log(3, u"Run SQL query: %s\n", sql);
    ora_stmt stmt;
    stmt.prepare(sql);
    stmt.execute(1, OCI_COMMIT_ON_SUCCESS);
    ora_engine::instance().note_committed();
    column.b_not_null = false;
}

void ora_table::update(const udb_record& record) {
    tk_log::log(1, "ora_table::update");
    ora_fn_validator validator(record);
    const int key = get_pk_index();
    if (key < 0) return;
    if (static_cast<size_t>(key) >= indexes_.size()) tk_fail(tk_where::ora_tab, 876);
    const udb_index& index = indexes_[static_cast<size_t>(key)];
    compat::wstring set, where;
    // Bound by position: the SET list's values stand before the WHERE list's in the text.
    std::vector<ora_bind_value> set_binds, where_binds;
    for (const auto& field : record) {
        const compat::wstring name = destination_name(validator, field->name);
        tk_log::log(1, u"Got mappend fn: %s", name);
        const int position = schema_.get_field_idx(name);
        if (position < 0) {
            tk_log::log(1, u"Field '%s' is not found in schema", name);
            continue;
        }
        const compat::wstring& column = schema_.at(static_cast<size_t>(position))->name;
        bool in_key = false;
        for (const compat::wstring& f : index.fields) in_key = in_key || f == column;
        const compat::wstring literal = to_oracle_str(field.get());
        if (!in_key) {
            tk_log::log(1, u"Field %s is NOT a part of UKey", name);
            set += (set.empty() ? u"" : u", ") + ora_q(column) + u"=" +
                   value_or_bind(static_cast<size_t>(position), field.get(), literal, true, set_binds);
        } else {
            tk_log::log(1, u"Field %s is a part of UKey", name);
            // "K"='' finds no row: a NULL key identifies none.
            if (is_null_value(field.get(), literal)) throw tk_exception(update_missed, 0);
            where += (where.empty() ? u"" : u" AND ") + ora_q(column) + u"=" +
                     value_or_bind(static_cast<size_t>(position), field.get(), literal, true, where_binds);
        }
    }
    const compat::wstring sql = u"UPDATE " + ora_q(name_) + u" SET " + set + u" WHERE " + where;
    tk_log::log(2, u"UPDATE QUERY: %s", sql);
    if (where.empty()) {
        tk_log::log(1, "Missing primary/unique key");
        return;
    }
    // A record of key fields alone has nothing to change.
    if (set.empty()) return;
    set_binds.insert(set_binds.end(), where_binds.begin(), where_binds.end());
    // A failure is the record's error, as an INSERT's would be; so is a key no row has.
    ora_stmt stmt;
    stmt.prepare(sql);
    for (size_t i = 0; i < set_binds.size(); ++i) stmt.bind(static_cast<ub4>(i + 1), set_binds[i]);
    stmt.execute(1);
    ora_engine::instance().note_uncommitted();
    if (stmt.row_count() == 0) throw tk_exception(update_missed, 0);
}
