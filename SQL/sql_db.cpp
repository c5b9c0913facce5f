#include "SQL/sql_db.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "SQL/ci_wstring.h"
#include "SQL/sql_conn.h"
#include "SQL/sql_engi.h"
#include "SQL/sql_esc.h"
#include "SQL/sql_init.h"
#include "SQL/sql_recs.h"
#include "SQL/sql_tab.h"
#include "SQL/sql_ver.h"
#include "SQL/sql_view_converter.h"
#include "TK/tk_trace.h"

using compat::wstring;

namespace {

std::string utf8(const wstring& s) { return compat::utf16_to_utf8(s); }

// The text of a catalog cell; a NULL cell gives empty text.
wstring cell_text(const udb_record& rec, size_t i) { return rec.at(i)->to_wstring(); }

}  // namespace

sql_database::sql_database(const wstring& name, sql::sql_connection& connection, udb_open_mode mode)
    : udb_database(name, mode, false), connection_(&connection) {
    tk_log::log(2, u"sql_database::sql_database(%s, mode=%d)", name, static_cast<int>(mode));
    read_name_case();
    init_tables();
    if (!udb_has_flag(mode, udb_open_mode::skip_views)) {
        try {
            init_views();
        } catch (const sql_exception& e) {
            // a server without information_schema simply has no views to offer
            tk_log::log(2, "ERROR1:\n%s", e.message());
        }
    }
}

MYSQL* sql_database::handle() const { return connection_->handle(); }

void sql_database::check_error() const {
    if (mysql_errno(handle()) != 0) throw sql_exception(*connection_);
}

void sql_database::run(const std::string& utf8_sql) {
    if (connection_->query(utf8_sql) != 0) throw sql_exception(*connection_);
    sql_live::result_ptr result(mysql_use_result(handle()));
    check_error();
}

void sql_database::init_tables() {
    tk_log::log(2, "sql_database::init_tables");
    std::unique_ptr<udb_recordset> rs;
    if (sql_engine::instance().version() >= sql::ver_5_0_1) {
        tk_log::log(2, "Extracting tables in new way");
        rs = query(u"show full tables where Table_type='BASE TABLE'");
    } else {
        tk_log::log(2, "Extracting tables in old way");
        sql_live::result_ptr listed(mysql_list_tables(handle(), nullptr));
        if (!listed) throw sql_exception(*connection_);
        rs = std::make_unique<sql_tmp_recordset>(*this, std::move(listed));
    }
    if (!rs) return;
    for (; !rs->is_eof(); rs->next()) {
        const wstring table = cell_text(*rs->get_item(), 0);
        tk_log::log(2, u"Got table name: '%s'", table);
        table_names_.push_back(table);
    }
}

void sql_database::init_views() {
    tk_log::log(2, "sql_database::init_views");
    auto rs = query(u"SELECT table_name, view_definition FROM information_schema.views WHERE table_schema='" +
                    sql::escape_text(name_) + u"'");
    if (!rs) return;
    for (; !rs->is_eof(); rs->next()) {
        const udb_record& rec = *rs->get_item();
        const wstring view = cell_text(rec, 0);
        tk_log::log(2, u"Got query name: '%s'", view);
        const wstring text = cell_text(rec, 1);
        tk_log::log(2, u"Got query SQL: '%s'", text);
        queries_.emplace(view, refine_view_out(text));
    }
}

wstring sql_database::refine_view_out(const wstring& text) const {
    tk_log::log(1, u"sql_database::refine_view_out(%s)", text);
    wstring out = text;
    const std::ptrdiff_t open = ci_wstring::find(out, u"/*", 0);
    const std::ptrdiff_t close = ci_wstring::find(out, u"*/", 0);
    if (open >= 0 && close >= 0 && close > open)
        out.erase(static_cast<size_t>(open), static_cast<size_t>(close - open + 2));
    const wstring qualifier = u"`" + name_ + u"`.";
    for (std::ptrdiff_t pos = ci_wstring::find(out, qualifier, 0); pos >= 0;
         pos = ci_wstring::find(out, qualifier, static_cast<size_t>(pos))) {
        tk_log::log(1, "Remove template found at pos=%d", static_cast<int>(pos));
        out.erase(static_cast<size_t>(pos), qualifier.size());
    }
    return sql_view_converter(out).convert_to_ansi();
}

wstring sql_database::refine_view_in(const wstring& text) const {
    tk_log::log(1, u"sql_database::refine_view_in(%s)", text);
    wstring out = text;
    std::replace(out.begin(), out.end(), u'[', u'`');
    std::replace(out.begin(), out.end(), u']', u'`');
    return names_map_.do_global_replace1(out, u"`", u"`");
}

void sql_database::read_name_case() {
    // lower_case_table_names=0 (Linux's default): `t` and `T` are two tables, and a user's
    // `t` is not the source's `T`
    if (sql_engine::instance().version() < sql::ver_4_1_0) return;
    try {
        auto rs = query(u"SELECT @@lower_case_table_names");
        if (rs && !rs->is_eof()) case_sensitive_ = rs->get_item()->at(0)->to_string() == "0";
    } catch (const sql_exception& e) {
        tk_log::log(2, "Cannot read lower_case_table_names: %s", e.message());
    }
    tk_log::log(2, "Table names compare with case: %d", case_sensitive_ ? 1 : 0);
}

wstring sql_database::listed_name(const wstring& name) const {
    for (const wstring& t : table_names_)
        if (t == name) return t;
    if (case_sensitive_) return name;
    for (const wstring& t : table_names_)
        if (compat::equal_nocase(t, name)) return t;
    return name;
}

std::unique_ptr<udb_recordset> sql_database::create_table(const wstring& name, const udb_schema& fields,
                                                          const udb_indexes& indexes) {
    tk_log::log(2, u"sql_database::create_table(%s)", name);
    if (udb_has_flag(mode_, udb_open_mode::read_only)) tk_fail(tk_where::sql_db, 324);
    if (is_table_exist(name)) {
        if (!udb_has_flag(mode_, udb_open_mode::append)) tk_fail(tk_where::sql_db, 330);
        // A table an earlier run made: the columns it renamed get the same names again
        // from the same rule, so that the records find them.
        wstring none;
        const sql_schema_initializer columns(name, fields, indexes, none);
        names_map_.add_fn_map(listed_name(name), columns.get_names_map());
        return get_table(name);
    }
    const sql_engine& engine = sql_engine::instance();
    wstring text = u"CREATE TABLE " + sql_engine::quote_name(name) + u" (";

    wstring auto_column;
    sql_schema_initializer columns(name, fields, indexes, auto_column);
    std::vector<wstring> chunks;
    columns.get_init_chunks(chunks);
    for (size_t i = 0; i < chunks.size(); ++i) text += (i ? u", " : u"") + chunks[i];
    std::vector<wstring> dropped;
    if (!indexes.empty() || !auto_column.empty()) {
        std::vector<wstring> index_chunks;
        sql_indexes_initializer keys(columns.get_schema(), indexes, auto_column, columns.get_names_map());
        keys.get_init_chunks(index_chunks);
        for (const wstring& c : index_chunks) text += u", " + c;
        dropped = keys.dropped();
    }
    text += u")";
    text += engine.version() > sql::ver_4_0_22 ? u" ENGINE=" : u" TYPE=";
    text += (engine.version() > sql::ver_3_23_34 && engine.use_innodb() == 1) ? u"InnoDB" : u"MyISAM";
    tk_log::log(2, u"Run SQL query: %s\n", text);
    if (connection_->query(utf8(text)) != 0) throw sql_exception(*connection_);
    { sql_live::result_ptr none(mysql_use_result(handle())); }
    // said of the table made, not of one the server refused
    for (const wstring& note : columns.notes()) add_note(name + u": " + note);
    for (wstring& e : dropped) add_creation_error(std::move(e));
    table_names_.push_back(name);
    names_map_.add_fn_map(name, columns.get_names_map());
    return get_table(name);
}

bool sql_database::delete_tab(const wstring& name) {
    tk_log::log(2, u"sql_database::delete_tab (%s)", name);
    if (udb_has_flag(mode_, udb_open_mode::read_only)) tk_fail(tk_where::sql_db, 408);
    if (!is_table_exist(name)) tk_fail(tk_where::sql_db, 409);
    // the server compares table names by its own rule: drop the table it lists
    const wstring listed = listed_name(name);
    run(utf8(u"DROP TABLE " + sql_engine::quote_name(listed)));
    table_names_.erase(std::find(table_names_.begin(), table_names_.end(), listed));
    return true;
}

std::unique_ptr<udb_recordset> sql_database::get_table(const wstring& name, bool) {
    tk_log::log(2, u"sql_database::get_table (%s)", name);
    if (!is_table_exist(name)) tk_fail(tk_where::sql_db, 103);
    return std::make_unique<sql_table>(*this, listed_name(name), relationships_);
}

std::unique_ptr<udb_recordset> sql_database::get_table(const wstring& name, const wstring& query, bool) {
    return std::make_unique<sql_recordset>(*this, name, query, relationships_);
}

bool sql_database::test_query(const wstring& sql) {
    tk_log::log(2, u"sql_database::query(%s)", sql);
    const int r = connection_->query(utf8(sql));
    sql_live::result_ptr result(mysql_use_result(handle()));
    return r == 0;
}

std::unique_ptr<udb_recordset> sql_database::query(const wstring& sql) {
    tk_log::log(2, u"sql_database::query(%s)", sql);
    connection_->query(utf8(sql));
    sql_live::result_ptr result(mysql_use_result(handle()));
    if (mysql_errno(handle()) != 0) throw sql_exception(*connection_);
    if (!result) return nullptr;
    return std::make_unique<sql_tmp_recordset>(*this, std::move(result));
}

void sql_database::query_append(const std::string& sql) {
    tk_log::log(2, "sql_database::query_append( q_len=%d)", static_cast<int>(sql.size()));
    tk_log::log(2, "(%s)", sql);
    connection_->query(sql);
    sql_live::result_ptr result(mysql_use_result(handle()));
    check_error();
}

long long sql_database::query_update(const std::string& sql) {
    tk_log::log(2, "sql_database::query_append( q_len=%d)", static_cast<int>(sql.size()));
    tk_log::log(2, "(%s)", sql);
    if (connection_->query(sql) != 0) throw sql_exception(*connection_);
    // "Rows matched: N  Changed: M  Warnings: W"; affected rows count only changed ones
    long long matched = static_cast<long long>(mysql_affected_rows(handle()));
    if (const char* info = mysql_info(handle())) {
        if (const char* p = std::strstr(info, "matched:")) matched = std::atoll(p + 8);
    }
    sql_live::result_ptr result(mysql_use_result(handle()));
    check_error();
    return matched;
}

void sql_database::create_views(const udb_views& queries) {
    tk_log::log(2, "sql_database::create_views");
    sql_names names;
    for (const auto& q : queries) names.push_back(q.first);
    auto validator = sql_engine::instance().create_tn_validator(names, sql_names());
    for (const auto& [name, text] : queries) {
        tk_log::log(1, u"Processing '%s'", name);
        tk_log::log(1, u"\t'%s'", text);
        if (text.size() < 6 || !compat::equal_nocase(compat::wstring_view(text).substr(0, 6), u"select")) {
            tk_log::log(2, "Skip non-select query");
            continue;
        }
        try {
            wstring view = name;
            if (!validator->is_acceptable(name)) {
                view = validator->get_safe_name(name);
                names_map_.add_tn_mapping(name, view);
                tk_log::log(2, u"Store generated column name '%s'", view);
                validator->add_existing_name(view);
            }
            query(u"CREATE OR REPLACE VIEW " + sql_engine::quote_name(view) + u" AS " + refine_view_in(text));
        } catch (const tk_exception& e) {
            tk_log::log(2, "Error while creating view:\n%s\n", e.message());
            tk_log::log(3, u"View '%s': Can't create view. Please contact technical support with the view's text.",
                        name);
        }
    }
}

void sql_database::create_relationships(const udb_relationships& relationships) {
    tk_log::log(2, "sql_database::create_relationships");
    tk_log::log(3, "Converting foreign keys");
    const sql_engine& engine = sql_engine::instance();
    if (engine.version() <= 0x3172B) {
        tk_log::log(3, "This version of MySQL doesn't support Foreign Keys");
        return;
    }
    if (mode_ == udb_open_mode::append) {
        tk_log::log(3, "Foreign keys are not converted in append mode");
        return;
    }
    try {
        query(u"SET FOREIGN_KEY_CHECKS = 0");
    } catch (const tk_exception& e) {
        tk_log::log(2, "Cannot turn OFF foreign key check: %s", e.message());
    }
    for (const udb_relationship& rel : relationships) {
        tk_log::log(3, u"Processing '%s'", rel.name);
        try {
            const wstring child = names_map_.get_tn_mapped_name(rel.child_table, false);
            if (!is_table_exist(child)) throw tk_exception(compat::format("Table '%s' not exists", child), 0);
            const wstring parent = names_map_.get_tn_mapped_name(rel.parent_table, false);
            if (!is_table_exist(parent)) throw tk_exception(compat::format("Table '%s' not exists", parent), 0);
            create_fk_index_if(child, rel.child_fields);
            create_fk_index_if(parent, rel.parent_fields);
            auto field_list = [&](const wstring& table, const udb_names& fields) {
                wstring list;
                for (const wstring& f : fields)
                    list += (list.empty() ? u"" : u", ") +
                            sql_engine::quote_name(names_map_.get_fn_mapped_name(table, f, false));
                return list;
            };
            query(u"ALTER TABLE " + sql_engine::quote_name(child) + u" ADD CONSTRAINT " +
                  sql_engine::quote_name(rel.name) + u" FOREIGN KEY(" + field_list(child, rel.child_fields) +
                  u") REFERENCES " + sql_engine::quote_name(parent) + u"(" + field_list(parent, rel.parent_fields) +
                  u")");
        } catch (const tk_exception& e) {
            tk_log::log(2, "Error while creating FK:\n%s\n", e.message());
            tk_log::log(3, u"Foreign key '%s': Can't create foreign key. Please contact technical support.",
                        rel.name.empty() ? rel.child_table : rel.name);
        }
    }
    try {
        query(u"SET FOREIGN_KEY_CHECKS = 1");
    } catch (const tk_exception& e) {
        tk_log::log(2, "Cannot turn ON foreign key check: %s", e.message());
    }
}

void sql_database::create_fk_index_if(const wstring& table, const udb_names& fields) {
    tk_log::log(2, u"sql_database::create_fk_index_if(%s)", table);
    auto rs = get_table(table);
    if (!rs) tk_fail(tk_where::sql_db, 284);
    tk_log::log(1, "udb_indexes::has_index_on_fields");
    if (rs->get_indexes().has_index_on_fields(fields, false)) {
        tk_log::log(2, u"Child index for table '%s' exists", table);
        return;
    }
    rs.reset();
    wstring list;
    for (const wstring& f : fields)
        list += (list.empty() ? u"" : u", ") + sql_engine::quote_name(names_map_.get_fn_mapped_name(table, f, false));
    try {
        query(u"ALTER TABLE " + sql_engine::quote_name(table) + u" ADD INDEX (" + list + u")");
    } catch (const sql_exception& e) {
        tk_log::log(2, "Error while creating index for FK:\n%s\n", e.message());
    }
}

void install_live_databases(sql_engine& engine) {
    engine.set_live_db_factory(
        [](const wstring& name, sql::sql_connection& connection, udb_open_mode mode) -> std::unique_ptr<udb_database> {
            return std::make_unique<sql_database>(name, connection, mode);
        });
}
