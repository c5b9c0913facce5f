#include "ORA/ora_lobi.h"

#include <utility>

#include "ORA/ora_engi.h"
#include "ORA/ora_init.h"
#include "TK/tk_trace.h"

ora_lob_insert::ora_lob_insert(const compat::wstring& table, std::vector<lob_column> columns)
    : table_(table), columns_(std::move(columns)) {
    tk_log::log(1, "ora_lob_insert::ctor");
    for (const lob_column& column : columns_) tk_log::log(1, u"GOT LOB FIELD '%s'", column.name);
    defines_.assign(columns_.size(), nullptr);
    indicators_.assign(columns_.size(), 0);
    locators_.reserve(columns_.size());
    ora_engine& e = ora_engine::instance();
    for (size_t k = 0; k < columns_.size(); ++k) {
        void* locator = nullptr;
        e.check_status(e.oci().OCIDescriptorAlloc(e.env(), &locator, OCI_DTYPE_LOB, 0, nullptr));
        locators_.push_back(static_cast<OCILobLocator*>(locator));
    }
    tk_log::log(1, "ora_lob_insert::ctor - at the END");
}

ora_lob_insert::~ora_lob_insert() {
    tk_log::log(1, "ora_lob_insert::~ora_lob_insert");
    tk_log::log(1, "~ora_lob_insert - Step #1");
    if (ora_engine* e = ora_engine::try_get(); e && e->is_initialized()) {
        for (OCILobLocator* locator : locators_) e->oci().OCIDescriptorFree(locator, OCI_DTYPE_LOB);
    }
    tk_log::log(1, "~ora_lob_insert - Step #2");
    tk_log::log(1, "~ora_lob_insert - Step #3");
}

void ora_lob_insert::insert(const compat::wstring& rowid, const std::vector<const udb_field*>& by_position) {
    tk_log::log(1, u"ora_lob_insert::insert(%s)", rowid);
    tk_log::log(1, "ld.size()=%d", static_cast<int>(columns_.size()));
    if (columns_.empty()) {
        tk_log::log(2, "Record has no LOBs - skip it");
        return;
    }
    compat::wstring sql = u"SELECT ";
    for (size_t k = 0; k < columns_.size(); ++k) sql += (k ? u", " : u"") + ora_q(columns_[k].name);
    sql += u" FROM " + ora_q(table_) + u" WHERE ROWID='" + rowid + u"' FOR UPDATE";
    tk_log::log(3, u"Run SQL query: %s\n", sql);
    ora_engine& e = ora_engine::instance();
    ora_stmt stmt;
    stmt.prepare(sql);
    tk_log::log(1, "Step #1");
    for (size_t k = 0; k < columns_.size(); ++k) {
        const ub2 type = columns_[k].binary ? SQLT_BLOB : SQLT_CLOB;
        e.check_status(e.oci().OCIDefineByPos(stmt.get(), &defines_[k], e.err(), static_cast<ub4>(k + 1), &locators_[k],
                                              -1, type, &indicators_[k], nullptr, nullptr, OCI_DEFAULT));
    }
    tk_log::log(1, "Step #2");
    stmt.execute(1);
    tk_log::log(1, "Step #3");
    for (size_t k = 0; k < columns_.size(); ++k) {
        const size_t position = static_cast<size_t>(columns_[k].position);
        const udb_field* field = position < by_position.size() ? by_position[position] : nullptr;
        // A NULL went in as NULL: there is no LOB to write into.
        if (!field || field->is_null() || indicators_[k] == -1) continue;
        if (columns_[k].binary) {
            write_blob(k, *field);
        } else {
            write_clob(k, *field);
        }
    }
    tk_log::log(1, "ora_insert::insert - at the END");
}

void ora_lob_insert::write_blob(size_t lob, const udb_field& field) {
    tk_log::log(1, "ora_lob_insert::write_blob");
    const void* data = nullptr;
    const size_t length = field.get_bytes(&data);
    if (length == 0 || !data) {
        tk_log::log(1, "Got empty BLOB - skip it");
        return;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    tk_log::log(1, "BLOB size=%d", static_cast<int>(length));
    tk_log::log(1, "BLOB: %02X %02X %02X %02X...", bytes[0], length > 1 ? bytes[1] : 0, length > 2 ? bytes[2] : 0,
                length > 3 ? bytes[3] : 0);
    ora_engine& e = ora_engine::instance();
    ub4 amount = static_cast<ub4>(length);
    e.check_status(e.oci().OCILobWrite(e.svc(), e.err(), locators_[lob], &amount, 1, const_cast<void*>(data),
                                       static_cast<ub4>(length), OCI_ONE_PIECE, nullptr, nullptr, 0, SQLCS_IMPLICIT));
    tk_log::log(1, "ora_lob_insert::write_blob - at the end");
}

void ora_lob_insert::write_clob(size_t lob, const udb_field& field) {
    tk_log::log(1, "ora_lob_insert::write_clob");
    compat::wstring text = field.to_wstring();
    tk_log::log(1, "Step #1");
    if (text.empty()) {
        tk_log::log(1, "Got empty CLOB - skip it");
        return;
    }
    tk_log::log(1, "CLOB size=%d", static_cast<int>(text.size()));
    tk_log::log(1, u"CLOB data='%s'", text);
    // The buffer is UTF-16, said so by its character set id: the amount then counts UTF-16
    // characters and the buffer length bytes, whatever the environment's character set. The
    // form is the locator's own: an NCLOB takes only the national form.
    ora_engine& e = ora_engine::instance();
    ub1 form = SQLCS_IMPLICIT;
    e.check_status(e.oci().OCILobCharSetForm(e.env(), e.err(), locators_[lob], &form));
    ub4 amount = static_cast<ub4>(text.size());
    e.check_status(e.oci().OCILobWrite(e.svc(), e.err(), locators_[lob], &amount, 1, text.data(),
                                       static_cast<ub4>(text.size() * 2), OCI_ONE_PIECE, nullptr, nullptr, OCI_UTF16ID,
                                       form));
    tk_log::log(1, "Step #2");
}
