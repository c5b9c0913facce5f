#include "SQL/sql_init.h"

#include "SQL/sql_engi.h"
#include "SQL/sql_esc.h"
#include "SQL/sql_util.h"
#include "SQL/sql_ver.h"
#include "TK/tk_trace.h"
#include "UDB/udb_rule.h"
#include "compat/text/format.h"

#include <algorithm>
#include <cstdint>
#include <limits>

using compat::wstring;

namespace {

bool is_text_type(VARTYPE t) { return t == VT_BSTR; }
bool is_long_text(const t_ftd& f) { return f.vartype == VT_BSTR && (f.size <= 0 || f.size > 255); }
bool is_blob(const t_ftd& f) { return f.vartype == VT_BLOB || f.vartype == VT_BLOB_OBJECT; }

std::string hex_of(std::string_view bytes) {
    std::string out;
    sql::append_hex_literal(out, bytes);
    return out;
}

// InnoDB takes keys up to 3072 bytes where large prefixes are the default (MySQL 5.7.7,
// MariaDB 10.2.2), 767 before.
bool innodb_large_prefix(uint32_t v) { return (v >= sql::ver_5_7_7 && v < 0x0A0000) || v >= 0x0A0202; }

constexpr uint32_t ver_5_0_3 = 0x50003;  // VARCHAR and VARBINARY of up to 65,535 bytes

// Some primary or unique key of the list has a column of exactly that name.
bool in_unique_key(const udb_indexes& indexes, const wstring& name) {
    for (const udb_index& idx : indexes)
        if ((idx.primary || idx.unique) && std::find(idx.fields.begin(), idx.fields.end(), name) != idx.fields.end())
            return true;
    return false;
}

// A key column whose size would make it TEXT or a BLOB, which no key can hold, is written
// as VARCHAR or VARBINARY of its size where the server has them and the key can take it.
bool keyable_varying(const t_ftd& f, sql_target target) {
    if (sql_engine::instance().version() < ver_5_0_3 && target == sql_target::server) return false;
    if (target == sql_target::dump && sql_engine::instance().version() < sql::ver_4_1_0) return false;
    const int limit = sql_indexes_initializer::key_limit_bytes(target);
    if (f.vartype == VT_BSTR) return f.size > 255 && sql_indexes_initializer::key_bytes(f, target) <= limit;
    if (is_blob(f)) return f.size > 0 && f.size <= limit;
    return false;
}

}  // namespace

// ---- columns ------------------------------------------------------------------------

sql_schema_initializer::sql_schema_initializer(const wstring& table, const udb_schema& schema,
                                               const udb_indexes& indexes, wstring& auto_column, sql_target target)
    : table_(table),
      validator_(sql_engine::instance().create_fn_validator(schema)),
      auto_column_(auto_column),
      indexes_(indexes),
      source_(schema),
      target_(target) {
    tk_log::log(2, "sql_schema_initializer::ctor");
    for (const auto& f : schema) {
        wstring name = f->name;
        if (!validator_->is_acceptable(name)) {
            name = validator_->get_safe_name(name);
            tk_log::log(1, u"Store generated column name '%s'", name);
            validator_->add_existing_name(name);
            validator_->add_mapped_pair(f->name, name);
        }
        auto copy = std::make_unique<t_ftd>(*f);
        copy->name = name;
        tk_log::log(1, u"GOT FIELD: name=%s, type=%d, flags=%d", name, int(copy->vartype), copy->reserved);
        schema_.push_back(std::move(copy));
        // no later safe name may take a final name
        validator_->add_restricted_name(name);
    }
    fit_types();
}

bool sql_schema_initializer::can_have_auto_num(const t_ftd* field) {
    if (!field) tk_fail(tk_where::sql_init, 65);
    tk_log::log(1, "sql_schema_initializer::can_have_auto_num");
    VARTYPE t = field->vartype;
    return t == VT_I2 || t == VT_I4 || t == VT_BOOL || (t >= VT_I1 && t <= VT_UINT);
}

bool sql_schema_initializer::can_have_def_value(const t_ftd* field) {
    if (!field) tk_fail(tk_where::sql_init, 79);
    tk_log::log(1, "sql_schema_initializer::can_have_def_value");
    if (field->b_auto_increment) {
        tk_log::log(1, "WARNING: auto_increment columns cannot have default value!");
        return false;
    }
    return !is_long_text(*field) && !is_blob(*field);
}

bool sql_schema_initializer::is_varying_key(const t_ftd& field, const t_ftd& source) const {
    return in_unique_key(indexes_, source.name) && keyable_varying(field, target_);
}

bool sql_schema_initializer::is_not_null(const t_ftd& field, const t_ftd& source) const {
    return field.b_not_null || field.b_auto_increment || indexes_.is_idx_field(source.name, true) ||
           (sql_engine::instance().version() <= sql::ver_3_23_1 && indexes_.is_idx_field(source.name, false));
}

bool sql_schema_initializer::writes_default(const t_ftd& field, const t_ftd& source) const {
    return can_have_def_value(&field) || (is_varying_key(field, source) && field.vartype == VT_BSTR);
}

bool sql_schema_initializer::is_key_text(const t_ftd& field, const t_ftd& source) const {
    if (!is_text_type(field.vartype) || udb_custom_conversion::is_acceptable1(field)) return false;
    if (!in_unique_key(indexes_, source.name)) return false;
    return (field.size >= 1 && field.size <= 255) || keyable_varying(field, target_);
}

wstring sql_schema_initializer::key_collation_clause(const char16_t* collation) const {
    const sql_engine& engine = sql_engine::instance();
    if (collation) return u" CHARACTER SET utf8mb4 COLLATE " + wstring(collation);
    if (engine.version() < sql::ver_4_1_0) return u" BINARY";
    // A dump's base, for the servers its versioned ALTERs leave out: the binary collation
    // of the column's character set (utf8 on 4.1 to 5.5.2, utf8mb4 from 5.5.3).
    if (target_ == sql_target::dump) return u" BINARY /*!50503 CHARACTER SET utf8mb4 */";
    const std::string& key = engine.key_collation();
    const std::string charset = engine.text_charset();
    return u" CHARACTER SET " + compat::utf8_to_utf16(charset) + u" COLLATE " +
           compat::utf8_to_utf16(key.empty() ? charset + "_bin" : key);
}

wstring sql_schema_initializer::column_chunk(const t_ftd& field, const t_ftd& source, const char16_t* collation) {
    sql_engine& engine = sql_engine::instance();
    tk_log::log(1, u"Processing field '%s'", field.name);
    wstring chunk = sql_engine::quote_name(field.name) + u" ";
    const bool varying_key = is_varying_key(field, source);
    const bool key_text = is_key_text(field, source);
    if (udb_custom_conversion::is_acceptable1(field))
        chunk += udb_custom_conversion::handle1(field);
    else if (key_text)
        // without BINARY: the key's collation follows
        chunk += compat::wformat(u"VARCHAR(%d)", field.size);
    else if (varying_key)
        chunk += compat::wformat(is_blob(field) ? u"VARBINARY(%d)" : u"VARCHAR(%d)", field.size);
    else
        chunk += get_native_type(field.vartype, unsigned(field.size > 0 ? field.size : 0), field.reserved);
    if (key_text) {
        chunk += key_collation_clause(collation);
    } else if (is_text_type(field.vartype) && engine.version() >= sql::ver_4_1_0) {
        if (target_ == sql_target::dump)
            // 4.1 servers take the table's utf8 default; 5.5.3 and later read this
            chunk += u" /*!50503 CHARACTER SET utf8mb4 */ ";
        else
            chunk += u" CHARACTER SET " + compat::utf8_to_utf16(engine.text_charset()) + u" ";
    }
    if (is_not_null(field, source)) chunk += u" NOT NULL";
    if (writes_default(field, source)) {
        wstring def = make_mysql_def_val(field);
        // inside a versioned comment a literal holds no comment of its own, nor "*/"
        if (!def.empty() && collation)
            def = u"_utf8mb4 " + compat::utf8_to_utf16(hex_of(compat::utf16_to_utf8(field.def_value.to_wstring())));
        tk_log::log(1, u"got def value: %s", def);
        if (!def.empty()) chunk += u" DEFAULT " + def;
    }
    if (field.b_auto_increment && can_have_auto_num(&field) && !collation) {
        if (!auto_column_.empty()) tk_fail(tk_where::sql_init, 114);
        chunk += u" AUTO_INCREMENT";
        auto_column_ = field.name;
    }
    return chunk;
}

std::vector<wstring> sql_schema_initializer::key_text_chunks(const char16_t* collation) {
    std::vector<wstring> out;
    for (size_t i = 0; i < schema_.size(); ++i)
        if (is_key_text(*schema_[i], *source_[i])) out.push_back(column_chunk(*schema_[i], *source_[i], collation));
    return out;
}

void sql_schema_initializer::get_init_chunks(sql_chunks& chunks) {
    tk_log::log(2, "sql_schema_initializer::get_init_chunks(n_columns=%d)", int(schema_.size()));
    auto_column_.clear();
    for (size_t i = 0; i < schema_.size(); ++i) chunks.push_back(column_chunk(*schema_[i], *source_[i]));
}

// ---- indexes ------------------------------------------------------------------------

wstring sql_indexes_initializer::dropped_text(const udb_index& idx, const wstring& reason) {
    const wstring what = idx.primary  ? u"The primary key"
                         : idx.unique ? u"The unique key '" + idx.name + u"'"
                                      : u"The index '" + idx.name + u"'";
    return what + u" is not created: " + reason + u".";
}

sql_indexes_initializer::sql_indexes_initializer(const udb_schema& final_schema, const udb_indexes& indexes,
                                                 const wstring& auto_column, const t_names_map& column_map,
                                                 sql_target target)
    : auto_column_(auto_column), schema_(final_schema), source_indexes_(indexes), target_(target) {
    tk_log::log(2, "sql_indexes_initializer::ctor");
    auto validator = sql_engine::instance().create_in_validator(indexes);
    for (const udb_index& src : indexes) {
        udb_index idx = src;
        if (!validator->is_acceptable(idx.name)) {
            idx.name = validator->get_safe_name(idx.name);
            tk_log::log(1, u"Store generated index name '%s'", idx.name);
            validator->add_existing_name(idx.name);
        }
        validator->add_restricted_name(idx.name);
        for (auto& f : idx.fields) f = column_map.get_mapped_name(f, true);
        indexes_.push_back(idx);
    }
}

int sql_indexes_initializer::key_limit_bytes(sql_target target) {
    const sql_engine& engine = sql_engine::instance();
    uint32_t v = engine.version();
    // an old-version dump (MyISAM, written for 3.x servers) counts characters
    if (v < sql::ver_4_1_0) return 256;
    // a new-version dump creates InnoDB tables for the servers of today
    if (target == sql_target::dump) return engine.use_innodb() == 1 ? 3072 : 1000;
    bool innodb = engine.use_innodb() == 1 && v > sql::ver_3_23_34;
    if (!innodb) return 1000;
    return innodb_large_prefix(v) ? 3072 : 767;
}

int sql_indexes_initializer::key_bytes(const t_ftd& column, sql_target target) {
    const uint32_t v = sql_engine::instance().version();
    int bpc = v < sql::ver_4_1_0 ? 1 : target == sql_target::dump ? 4 : sql_engine::instance().bytes_per_char();
    switch (column.vartype) {
        case VT_BSTR:
            // an unbounded column's size is the largest int: its bytes stop there too
            return static_cast<int>(std::min<int64_t>(int64_t{column.size} * bpc, std::numeric_limits<int>::max()));
        case VT_DATE:
            switch (udb_date_kind_of(column.reserved)) {
                case date_kind::datetime:
                    return 8;
                case date_kind::date:
                case date_kind::time:
                    return 3;
                default:
                    return 19 * bpc;
            }
        case VT_I1:
        case VT_UI1:
        case VT_BOOL:
            return 1;
        case VT_I2:
        case VT_UI2:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
            return 4;
        case VT_I8:
        case VT_UI8:
        case VT_R8:
            return 8;
        case VT_CY:
            return 9;
        case VT_DECIMAL: {
            int precision = udb_decimal_precision(column.reserved);
            const int scale = udb_decimal_scale(column.reserved);
            if (precision == 0) return 8;
            if (scale >= precision) precision = scale + 1;
            return precision / 2 + 2;
        }
        default:
            return column.size > 0 ? column.size : 0;
    }
}

void sql_indexes_initializer::get_init_chunks(sql_chunks& chunks) {
    tk_log::log(2, "sql_indexes_initializer::get_init_chunks(n_indexes=%d)", int(indexes_.size()));
    const bool new_server = sql_engine::instance().version() >= sql::ver_4_1_0;
    const int max_indexes = new_server ? max_indexes_new : max_indexes_old;
    const int limit = key_limit_bytes(target_);
    bool auto_covered = false;
    int count = 0;
    // Where the cap leaves some out, it leaves plain indexes: the keys that hold the data
    // unique come first.
    std::vector<const udb_index*> order;
    for (int rank = 0; rank < 3; ++rank)
        for (const udb_index& idx : indexes_)
            if ((idx.primary ? 0 : idx.unique ? 1 : 2) == rank) order.push_back(&idx);
    for (const udb_index* key : order) {
        const udb_index& idx = *key;
        if (count >= max_indexes) {
            dropped_.push_back(
                dropped_text(idx, compat::wformat(u"the table has the %d indexes a table may have", max_indexes)));
            continue;
        }
        tk_log::log(1, u"Process index '%s'", idx.name);
        if (idx.fields.size() > max_index_columns) {
            tk_log::log(1, "Max number of indexes has been reached");
            dropped_.push_back(dropped_text(
                idx, compat::wformat(u"it has more than the %d columns a key may have", int(max_index_columns))));
            continue;
        }
        ++count;
        wstring chunk;
        if (idx.primary)
            chunk = u"PRIMARY KEY";
        else if (idx.unique)
            chunk = u"UNIQUE " + sql_engine::quote_name(idx.name);
        else
            chunk = u"INDEX " + sql_engine::quote_name(idx.name);
        chunk += u" (";
        bool complete = !idx.fields.empty();
        bool names_auto = false;
        int key_length = 0;
        for (size_t i = 0; complete && i < idx.fields.size(); ++i) {
            const wstring& name = idx.fields[i];
            tk_log::log(1, u"Process idx.field %s", name);
            const t_ftd& column = schema_.get_field(name);
            if (!auto_column_.empty() && compat::equal_nocase(name, auto_column_) && i == 0) {
                tk_log::log(1, "Got index for auto_increment field");
                names_auto = true;
            }
            if ((is_blob(column) || is_long_text(column)) &&
                !(in_unique_key(indexes_, name) && keyable_varying(column, target_))) {
                tk_log::log(1, "Indexes on BLOBs are not allowed");
                dropped_.push_back(dropped_text(idx, u"its column " + name + u" is a TEXT or BLOB column"));
                complete = false;
                break;
            }
            key_length += key_bytes(column, target_);
            if (key_length > limit) {
                tk_log::log(1, "Index is too big");
                dropped_.push_back(dropped_text(
                    idx, compat::wformat(u"its key is longer than the %d bytes the table's engine takes", limit)));
                complete = false;
                break;
            }
            if (i > 0) chunk += u", ";
            chunk += sql_engine::quote_name(name);
        }
        if (!complete) continue;
        // only an index that is created, led by the column, serves as its key
        if (names_auto) auto_covered = true;
        chunks.push_back(chunk + u")");
    }
    if (!auto_column_.empty() && !auto_covered) {
        tk_log::log(1, "Creating index for auto-field");
        auto validator = sql_engine::instance().create_in_validator(source_indexes_);
        for (const udb_index& idx : indexes_) validator->add_existing_name(idx.name);
        wstring name = auto_column_;
        if (!validator->is_acceptable(name) || validator->is_duplicated(name)) name = validator->get_safe_name(name);
        chunks.push_back(u"INDEX " + sql_engine::quote_name(name) + u" (" + sql_engine::quote_name(auto_column_) +
                         u")");
    }
}
