#include "ORA/ora_db.h"

#include <vector>

#include "ORA/ora_engi.h"
#include "ORA/ora_qres.h"
#include "ORA/ora_tab.h"
#include "ORA/ora_util.h"
#include "ORA/ora_vali.h"
#include "TK/tk_trace.h"

ora_database::ora_database(const compat::wstring& name, udb_open_mode mode) : udb_database(name, mode, true) {
    tk_log::log(2, u"ora_database::ctor(%s)", name);
    ensure_index_names();
    init_tables();
    tk_log::log(2, "Tables count: %d", static_cast<int>(table_names_.size()));
    try {
        init_views();
    } catch (const ora_exception& e) {
        tk_log::log(3, "Error while extracting views:\n%s\n", e.message());
    }
}

void ora_database::init_tables() {
    tk_log::log(2, "ora_database::init_tables");
    ora_stmt stmt;
    const bool old_server = ora_engine::instance().get_version() < ora_engine::version_8;
    stmt.prepare(old_server ? u"select TABLE_NAME from user_tables"
                            : u"select TABLE_NAME, IOT_TYPE from user_tables where TEMPORARY='N' and NESTED='NO' and "
                              u"IOT_TYPE IS NULL OR IOT_TYPE='IOT'");
    stmt.set_prefetch();
    std::vector<compat::wchar> buffer(256, 0);
    stmt.define_text(1, buffer.data(), static_cast<sb4>(buffer.size() * 2));
    // A fetch error raises: a list cut short would silently leave tables out.
    sword status = stmt.execute(1);
    while (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO) {
        buffer.back() = 0;
        compat::wstring table(buffer.data());
        tk_log::log(1, u"Find table '%s'", table);
        table_names_.push_back(table);
        status = stmt.fetch();
    }
}

compat::wstring ora_database::stored_owner_name(const compat::wstring& user) {
    if (user.size() >= 2 && user.front() == u'"' && user.back() == u'"') return user.substr(1, user.size() - 2);
    return compat::to_upper(user);
}

void ora_database::init_views() {
    tk_log::log(2, "ora_database::init_views");
    const compat::wstring owner = stored_owner_name(ora_engine::instance().user());
    ora_query_results views(
        2, u"select VIEW_NAME, TEXT from SYS.ALL_VIEWS WHERE OWNER='" + ora_quote_literal(owner) + u"'");
    while (!views.is_eof()) {
        udb_record* record = views.get_item();
        if (!record) break;
        compat::wstring view = record->at(0)->to_wstring();
        compat::wstring text = record->at(1)->get_type() == VT_EMPTY ? compat::wstring() : record->at(1)->to_wstring();
        tk_log::log(1, u"GOT VIEW: %s|%s", view, text);
        queries_.insert({view, text});
    }
}

ora_database::~ora_database() = default;

void ora_database::ensure_index_names() {
    if (!ora_in_validator::try_get()) index_names_ = std::make_unique<ora_in_validator>();
}

std::unique_ptr<udb_recordset> ora_database::get_table(const compat::wstring& name, bool) {
    tk_log::log(2, u"ora_database::get_table(%s)", name);
    if (!is_table_exist(name)) tk_fail(tk_where::ora_db, 162);
    return std::make_unique<ora_table>(this, name, &relationships_);
}

std::unique_ptr<udb_recordset> ora_database::get_table(const compat::wstring& name, const compat::wstring& query,
                                                       bool) {
    tk_log::log(2, u"ora_database::get_table(%s)", name);
    return std::make_unique<ora_table>(this, name, query, &relationships_);
}

bool ora_database::test_query(const compat::wstring& text) {
    tk_log::log(2, u"ora_database::test_query(%s)", text);
    ora_engine& e = ora_engine::instance();
    ora_stmt stmt;
    e.oci().OCIStmtPrepare(stmt.get(), e.err(), reinterpret_cast<const OraText*>(text.data()),
                           static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    stmt.execute(1, OCI_PARSE_ONLY);
    return true;
}

compat::wstring ora_database::get_tn_mapped_name_ex(const compat::wstring& name) {
    tk_log::log(1, u"ora_database::get_tn_mapped_name_ex(%s)", name);
    compat::wstring mapped = names_map_.get_tn_mapped_name(name, true);
    if (is_table_exist(mapped)) return mapped;
    tk_log::log(1, u"Cannot find table %s", name);
    tk_log::log(1, "Try to search case insensitive...");
    return names_map_.get_tn_mapped_name(name, false);
}

compat::wstring ora_database::get_fn_mapped_name_ex(const compat::wstring& table, const compat::wstring& field) {
    tk_log::log(1, u"ora_database::get_fn_mapped_name_ex(%s)", field);
    return names_map_.get_fn_mapped_name(table, field, true);
}
