#include "ORA/ora_init.h"

#include "ORA/ora_db.h"
#include "ORA/ora_util.h"
#include "TK/tk_trace.h"
#include "UDB/udb_rule.h"

namespace {

constexpr int error_name_used = 955;
constexpr int error_no_privilege = 1031;
constexpr int error_already_indexed = 1408;
constexpr int error_key_exists = 2261;
constexpr int sequence_attempts = 100;

int oracle_error(const tk_exception& e) { return e.code() & 0xFFFF; }

bool cannot_be_indexed(const t_ftd& column) {
    const VARTYPE vt = column.vartype;
    const bool large = vt == VT_BSTR || vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == VT_BYTE_ARRAY;
    return large && (column.size <= 0 || column.size > ora::max_inline_size);
}

// A trigger name for the table: the table's name with "__TRIGGER", or, when that is longer
// than Oracle allows, a shortened name no other table of this run has taken.
compat::wstring trigger_name(const compat::wstring& table) {
    compat::wstring name = table + u"__TRIGGER";
    if (ora::name_bytes(name) <= ora::max_name_bytes()) return name;
    ora_in_validator& names = ora_in_validator::instance();
    name = names.get_safe_name(name);
    names.add_existing_name(name);
    names.add_restricted_name(name);
    return name;
}

}  // namespace

// ---- column builder ----------------------------------------------------------------------

ora_schema_initializer::ora_schema_initializer(const compat::wstring& name, const udb_schema& source, bool upper_case)
    : table_(name), upper_case_(upper_case), validator_(source) {
    tk_log::log(1, "ora_schema_initializer::ctor");
    for (const auto& column : source) {
        compat::wstring field = upper_case_ ? compat::to_upper(column->name) : column->name;
        if (!validator_.is_acceptable(field)) field = validator_.get_safe_name(field);
        const bool autonum = column->b_auto_increment;
        auto ftd = std::make_unique<t_ftd>(column->size, field, column->vartype, autonum ? false : column->b_not_null,
                                           autonum, autonum ? ole_variant() : column->def_value, column->reserved);
        schema_.push_back(std::move(ftd));
        if (field != column->name) {
            tk_log::log(2, u"Store generated column name '%s'", field);
            validator_.add_existing_name(field);
            validator_.add_mapped_pair(column->name, field);
        }
        validator_.add_restricted_name(field);
        if (autonum) auto_column_ = field;
    }
}

compat::wstring ora_schema_initializer::trigger_text(const compat::wstring& table, const compat::wstring& column,
                                                     const compat::wstring& sequence) {
    // Quoted like CREATE TABLE quotes them: an unquoted name would be folded to upper case
    // and miss a table or column whose name is not.
    return u"CREATE OR REPLACE TRIGGER " + ora_q(trigger_name(table)) + u" BEFORE INSERT ON " + ora_q(table) +
           u" FOR EACH ROW WHEN (new." + ora_q(column) + u" IS NULL) BEGIN select " + ora_q(sequence) +
           u".nextval into :new." + ora_q(column) + u" from dual; END;";
}

void ora_schema_initializer::build_schema(ora_database& db) {
    tk_log::log(1, "ora_schema_initializer::build_schema( n_columns=%d )", static_cast<int>(schema_.size()));
    compat::wstring sql = u"CREATE TABLE " + ora_q(table_) + u" (";
    bool first = true;
    for (const auto& column : schema_) {
        if (!first) sql += u", ";
        first = false;
        tk_log::log(1, u"OraField name='%s', type=%d, size=%d", column->name, int{column->vartype}, column->size);
        sql += ora_q(column->name) + u" ";
        sql += udb_custom_conversion::is_acceptable1(*column) ? udb_custom_conversion::handle1(*column)
                                                              : get_native_type(*column);
        if (ora::takes_default(*column)) {
            compat::wstring def = make_ora_def_val(column.get());
            tk_log::log(1, u"got def value: %s", def);
            if (!def.empty()) sql += u" DEFAULT " + def;
        }
        if (column->b_not_null && !ora::is_lob_column(column->vartype, column->size)) sql += u" NOT NULL";
    }
    sql += u")";
    db.query(sql);

    if (auto_column_.empty()) return;
    compat::wstring sequence = create_sequence(db);
    if (sequence.empty()) {
        tk_log::log(2, "Failed to create a sequence");
        return;
    }
    try {
        db.query(trigger_text(table_, auto_column_, sequence));
    } catch (const ora_exception& e) {
        tk_log::log(2, "Error while creating index for trigger:\n%s\n", e.message());
        tk_log::log(3, u"Table '%s': auto-numbering of '%s' is not converted:\n%s", table_, auto_column_,
                    compat::utf8_to_utf16(e.message()));
    }
}

compat::wstring ora_schema_initializer::create_sequence(ora_database& db) {
    tk_log::log(1, "ora_schema_initializer::create_sequence");
    for (int n = 0; n < sequence_attempts; ++n) {
        // The suffix and its separator must fit too: names of 28 characters and more lose
        // one more character from the tenth candidate on.
        const compat::wstring suffix = compat::wformat(u"_%d", n);
        const size_t room = ora::max_name_bytes() - suffix.size();
        const compat::wstring base = ora::cut_to_bytes(table_, room);
        compat::wstring name = base + suffix;
        try {
            // The largest MAXVALUE Oracle takes: 28 digits (1.0E28 has 29 and is refused).
            db.query(u"CREATE SEQUENCE " + ora_q(name) +
                     u" INCREMENT BY 1 START WITH 1 MAXVALUE 9999999999999999999999999999 MINVALUE 1 NOCYCLE "
                     u"NOCACHE ORDER");
            return name;
        } catch (const ora_exception& e) {
            if (oracle_error(e) == error_name_used) continue;
            if (oracle_error(e) == error_no_privilege)
                throw tk_exception("Insufficient privileges to create sequence.\nAuto increment will not be converted.",
                                   0);
            throw;
        }
    }
    return {};
}

// ---- index builder -----------------------------------------------------------------------

ora_indexes_initializer::ora_indexes_initializer(const compat::wstring& table, const udb_schema& schema,
                                                 const udb_indexes& indexes, const t_names_map& field_map)
    : table_(table), schema_(schema), field_map_(field_map) {
    ora_in_validator& names = ora_in_validator::instance();
    names.load(indexes);
    for (const udb_index& source : indexes) {
        const bool acceptable = names.is_acceptable(source.name);
        const compat::wstring name = acceptable ? source.name : names.get_safe_name(source.name);
        udb_names fields;
        bool indexable = true;
        for (const compat::wstring& field : source.fields) {
            const compat::wstring mapped = field_map_.get_mapped_name(field, true);
            const t_ftd& column = schema_.get_field(mapped);
            tk_log::log(1, "ora_indexes_initializer::can_be_part_of_index");
            tk_log::log(1, "GOT FIELD: vt=%d, size=%d", int{column.vartype}, column.size);
            if (cannot_be_indexed(column)) {
                tk_log::log(2, u"Field '%s' cannot be part of index", mapped);
                indexable = false;
                break;
            }
            fields.push_back(mapped);
        }
        if (indexable) {
            indexes_.emplace_back(name, source.unique, source.primary, fields);
            if (source.primary) pk_ = static_cast<int>(indexes_.size()) - 1;
        }
        if (!acceptable) {
            tk_log::log(2, u"Store generated index name '%s'", name);
            names.add_existing_name(name);
        }
        names.add_restricted_name(name);
    }
}

void ora_indexes_initializer::build_indexes() {
    tk_log::log(1, "ora_indexes_initializer::build_indexes(n_indexes=%d)", static_cast<int>(indexes_.size()));
    for (const udb_index& index : indexes_) {
        compat::wstring sql;
        if (index.primary) {
            sql = u"ALTER TABLE " + ora_q(table_) + u" ADD CONSTRAINT " + ora_q(index.name) + u" PRIMARY KEY (";
        } else if (pk_ >= 0 && index.consists_of_fields(indexes_[static_cast<size_t>(pk_)].fields)) {
            tk_log::log(2, u"Skip index '%s', it is equal to PK", index.name);
            continue;
        } else if (index.unique) {
            sql = u"ALTER TABLE " + ora_q(table_) + u" ADD CONSTRAINT " + ora_q(index.name) + u" UNIQUE (";
        } else {
            sql = u"CREATE INDEX " + ora_q(index.name) + u" ON " + ora_q(table_) + u" (";
        }
        bool first = true;
        for (const compat::wstring& field : index.fields) {
            tk_log::log(1, u"Process idx.field %s", field);
            if (!first) sql += u", ";
            first = false;
            sql += ora_q(field);
        }
        sql += u")";
        tk_log::log(3, u"Run SQL query: %s\n", sql);
        try {
            ora_stmt stmt;
            stmt.prepare(sql);
            stmt.execute(1);
        } catch (const ora_exception& e) {
            tk_log::log(2, "Got error: %08X", e.code() & 0xFFFF);
            if (oracle_error(e) == error_already_indexed || oracle_error(e) == error_key_exists) continue;
            throw;
        }
    }
}
