// The destination half of the Oracle database: table creation, statements and foreign keys.
#include <optional>

#include "ORA/ora_db.h"
#include "ORA/ora_init.h"
#include "ORA/ora_util.h"
#include "ORA/ora_vali.h"
#include "TK/tk_trace.h"
#include "UDB/udb_word.h"

namespace {

compat::wstring column_list(ora_database& db, const compat::wstring& table, const udb_names& fields) {
    compat::wstring list;
    for (const compat::wstring& f : fields)
        list += (list.empty() ? u"" : u", ") + ora_q(db.get_fn_mapped_name_ex(table, f));
    return list;
}

}  // namespace

std::unique_ptr<udb_recordset> ora_database::query(const compat::wstring& statement) {
    tk_log::log(2, u"ora_database::query(%s)", statement);
    ora_stmt stmt;
    stmt.prepare(statement);
    stmt.execute(1);
    return nullptr;
}

void ora_database::report(const compat::wstring& context, const tk_exception& error) const {
    if (error_sink_) {
        error_sink_(context, error);
        return;
    }
    tk_log::log(3, u"%s: %s", context, compat::utf8_to_utf16(error.message()));
}

std::unique_ptr<udb_recordset> ora_database::create_table(const compat::wstring& source_name, const udb_schema& schema,
                                                          const udb_indexes& indexes) {
    tk_log::log(2, u"ora_database::create_table(%s)", source_name);
    // A table name follows the rules of column names; one the server cannot take gets a safe
    // name, which the table map records for the later steps (keys, foreign keys, records).
    compat::wstring name = source_name;
    {
        ora_validator tables;
        for (const compat::wstring& t : table_names_) tables.add_existing_name(t);
        if (!tables.is_acceptable(name)) {
            name = tables.get_safe_name(name);
            tk_log::log(2, u"Store generated table name '%s'", name);
            names_map_.add_tn_mapping(source_name, name);
        }
    }
    if (is_table_exist(name)) tk_fail(tk_where::ora_db, 127);
    ensure_index_names();
    ora_schema_initializer columns(name, schema, upper_case_names_);
    // A store user without the right to create sequences still gets the table, its keys and
    // its records; the refusal is raised once the table stands.
    std::optional<tk_exception> auto_number_lost;
    try {
        columns.build_schema(*this);
    } catch (const ora_exception&) {
        throw;
    } catch (const tk_exception& e) {
        auto_number_lost = e;
    }
    if (!indexes.empty()) {
        ora_indexes_initializer keys(name, columns.schema(), indexes, columns.field_map());
        keys.build_indexes();
    }
    table_names_.push_back(name);
    names_map_.add_fn_map(name, columns.field_map());
    if (auto_number_lost) throw *auto_number_lost;
    return get_table(name, true);
}

void ora_database::create_relationships(const udb_relationships& relationships) {
    tk_log::log(2, "ora_database::create_relationships");
    tk_log::log(3, "Converting foreign keys");
    if (mode_ == udb_open_mode::append) {
        tk_log::log(3, "Foreign Keys are not converted in append mode");
        return;
    }
    for (const udb_relationship& rel : relationships) {
        tk_log::log(3, u"Processing '%s'", rel.name);
        const compat::wstring parent = get_tn_mapped_name_ex(rel.parent_table);
        const compat::wstring child = get_tn_mapped_name_ex(rel.child_table);
        if (!is_table_exist(parent) || !is_table_exist(child)) {
            tk_log::log(2, u"Table '%s' does not exist", is_table_exist(parent) ? child : parent);
            continue;
        }
        create_fk_index_if(parent, rel.parent_fields);
        compat::wstring sql = u"ALTER TABLE " + ora_q(child) + u" ADD FOREIGN KEY (" +
                              column_list(*this, child, rel.child_fields) + u") REFERENCES " + ora_q(parent) + u"(" +
                              column_list(*this, parent, rel.parent_fields) + u")";
        if (!rel.delete_rule.empty()) {
            const compat::wstring rule = udb::trim_blanks(rel.delete_rule);
            if (compat::equal_nocase(rule, u"ON DELETE SET NULL") || compat::equal_nocase(rule, u"ON DELETE CASCADE"))
                sql += u" " + rel.delete_rule;
        }
        try {
            query(sql);
        } catch (const ora_exception& e) {
            report(u"Foreign key '" + (rel.name.empty() ? rel.child_table : rel.name) + u"'", e);
        }
    }
}

void ora_database::create_fk_index_if(const compat::wstring& table, const udb_names& columns) {
    tk_log::log(2, u"ora_database::create_fk_index_if(%s)", table);
    if (!is_table_exist(table)) return;
    std::unique_ptr<udb_recordset> rs = get_table(table, true);
    udb_names mapped;
    for (const compat::wstring& c : columns) mapped.push_back(get_fn_mapped_name_ex(table, c));
    if (rs->get_indexes().has_index_on_fields(mapped, true)) {
        tk_log::log(2, u"FK index for table '%s' exists", table);
        return;
    }
    ensure_index_names();
    ora_in_validator& names = ora_in_validator::instance();
    compat::wstring constraint = table + u"_UI";
    if (!names.is_acceptable(constraint)) constraint = names.get_safe_name(constraint);
    names.add_existing_name(constraint);
    names.add_restricted_name(constraint);
    try {
        query(u"ALTER TABLE " + ora_q(table) + u" ADD CONSTRAINT " + ora_q(constraint) + u" UNIQUE(" +
              column_list(*this, table, columns) + u")");
    } catch (const ora_exception& e) {
        tk_log::log(2, "Error while creating index for FK:\n%s\n", e.message());
        return;
    }
    tk_log::log(2, u"FK index for table '%s' has been created", table);
}
