#include "ORA/ora_util.h"

#include "ORA/ora_engi.h"
#include "ORA/ora_trace.h"

ora_exception::ora_exception(int oracle_error_code, const std::string& text) : tk_exception(text, 0) {
    set_code(ora_error_code(oracle_error_code));
    ora::trace(2, "ora_exception::ctor");
}

compat::wstring ora_quote_literal(compat::wstring_view text) {
    compat::wstring out;
    out.reserve(text.size());
    for (compat::wchar c : text) {
        out += c;
        if (c == u'\'') out += c;
    }
    return out;
}

ora_stmt::ora_stmt() {
    ora::trace(1, "ora_stmt::ctor");
    ora_engine& e = ora_engine::instance();
    void* h = nullptr;
    e.check_status(e.oci().OCIHandleAlloc(e.env(), &h, OCI_HTYPE_STMT, 0, nullptr));
    handle_ = static_cast<OCIStmt*>(h);
}

ora_stmt::~ora_stmt() {
    ora::trace(1, "ora_stmt::dtor");
    if (handle_) {
        if (ora_engine* e = ora_engine::try_get()) e->oci().OCIHandleFree(handle_, OCI_HTYPE_STMT);
    }
    ora::trace(1, "ora_stmt::dtor - END");
}

void ora_stmt::prepare(compat::wstring_view text) {
    ora_engine& e = ora_engine::instance();
    e.check_status(e.oci().OCIStmtPrepare(handle_, e.err(), reinterpret_cast<const OraText*>(text.data()),
                                          static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT));
}

void ora_stmt::set_prefetch() {
    ora_engine& e = ora_engine::instance();
    ub4 rows = prefetch_rows;
    ub4 memory = prefetch_memory;
    e.check_status(e.oci().OCIAttrSet(handle_, OCI_HTYPE_STMT, &rows, 0, OCI_ATTR_PREFETCH_ROWS, e.err()));
    e.check_status(e.oci().OCIAttrSet(handle_, OCI_HTYPE_STMT, &memory, 0, OCI_ATTR_PREFETCH_MEMORY, e.err()));
}

sword ora_stmt::execute(ub4 iterations, ub4 mode) {
    ora_engine& e = ora_engine::instance();
    return e.check_status(e.oci().OCIStmtExecute(e.svc(), handle_, e.err(), iterations, 0, nullptr, nullptr, mode));
}

sword ora_stmt::fetch() {
    ora_engine& e = ora_engine::instance();
    return e.check_status(e.oci().OCIStmtFetch(handle_, e.err(), 1, OCI_FETCH_NEXT, OCI_DEFAULT));
}

void ora_stmt::define_int(ub4 position, sb4* value) {
    ora_engine& e = ora_engine::instance();
    OCIDefine* def = nullptr;
    e.check_status(e.oci().OCIDefineByPos(handle_, &def, e.err(), position, value, sizeof(sb4), SQLT_INT, nullptr,
                                          nullptr, nullptr, OCI_DEFAULT));
}

void ora_stmt::define_text(ub4 position, compat::wchar* buffer, sb4 size) {
    ora_engine& e = ora_engine::instance();
    OCIDefine* def = nullptr;
    e.check_status(e.oci().OCIDefineByPos(handle_, &def, e.err(), position, buffer, size, SQLT_STR, nullptr, nullptr,
                                          nullptr, OCI_DEFAULT));
}
