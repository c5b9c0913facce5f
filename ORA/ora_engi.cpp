#include "ORA/ora_engi.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

#include "ORA/ora_db.h"
#include "ORA/ora_util.h"
#include "TK/tk_excep.h"
#include "TK/tk_trace.h"

namespace {

constexpr const char* missing_client_message =
    "The Oracle client and networking components were not found.\n"
    "These components are supplied by the Oracle Corporation and\n"
    "are part of the Oracle Version 7.3.4 (or later) client\n"
    "software installation. You will be unable to use this program\n"
    "until these components have been installed.";

const OraText* oci_text(const compat::wstring& s) { return reinterpret_cast<const OraText*>(s.c_str()); }
ub4 oci_bytes(const compat::wstring& s) { return static_cast<ub4>(s.size() * 2); }

bool ok(sword status) { return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO; }

}  // namespace

ora_engine::ora_engine() { tk_log::log(2, "ora_engine::ctor"); }

ora_engine::~ora_engine() {
    tk_log::log(2, "ora_engine::dtor");
    free_handles();
}

void ora_engine::free_handles() noexcept {
    if (!loader_) return;
    const compat::oci_functions& f = loader_->fn();
    if (svc_) {
        f.OCILogoff(svc_, err_);
        svc_ = nullptr;
    }
    if (attached_) {
        f.OCIServerDetach(srv_, err_, OCI_DEFAULT);
        attached_ = false;
    }
    if (err_) f.OCIHandleFree(err_, OCI_HTYPE_ERROR);
    if (srv_) f.OCIHandleFree(srv_, OCI_HTYPE_SERVER);
    if (env_) f.OCIHandleFree(env_, OCI_HTYPE_ENV);
    err_ = nullptr;
    srv_ = nullptr;
    env_ = nullptr;
    initialized_ = false;
}

const compat::oci_functions& ora_engine::oci() const {
    if (!loader_) tk_fail(tk_where::ora_engi, 59);
    return loader_->fn();
}

std::string ora_engine::error_text(void* handle, ub4 type, sb4& code) const {
    // Oracle's longest message, in bytes; the text ends with a line feed of its own.
    constexpr size_t max_message_bytes = 3072;
    std::vector<compat::wchar> buffer(max_message_bytes / sizeof(compat::wchar), 0);
    code = 0;
    if (handle)
        loader_->fn().OCIErrorGet(handle, 1, nullptr, &code, reinterpret_cast<OraText*>(buffer.data()),
                                  static_cast<ub4>(buffer.size() * sizeof(compat::wchar)), type);
    buffer.back() = 0;
    compat::wstring_view text(buffer.data());
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) text.remove_suffix(1);
    return compat::utf16_to_utf8(text);
}

sword ora_engine::check_status(sword status) {
    if (status == OCI_ERROR || status == OCI_INVALID_HANDLE) raise_status(status);
    return status;
}

void ora_engine::raise_status(sword status) {
    if (status == OCI_ERROR) {
        sb4 code = 0;
        std::string text = err_ ? error_text(err_, OCI_HTYPE_ERROR, code) : error_text(env_, OCI_HTYPE_ENV, code);
        if (text.empty()) text = compat::format("ORA-%05d", code);
        throw ora_exception(code, text);
    }
    if (status == OCI_INVALID_HANDLE)
        throw ora_exception(0, "OCI_INVALID_HANDLE: the Oracle client refused a handle of this program");
    throw ora_exception(0, compat::format("The Oracle client failed with status %d", status));
}

void ora_engine::initialize() {
    tk_log::log(2, "ora_engine::initialize");
    try {
        loader_ = std::make_unique<compat::oci_loader>();
    } catch (const compat::oci_load_error& e) {
        tk_log::log(1, "%s", e.what());
        // The files tried and the variable that names the library, below the install advice.
        throw tk_exception(std::string(missing_client_message) + "\n\n" + e.what(), 1);
    }
    const compat::oci_functions& f = loader_->fn();
    try {
        // Both character sets UTF-16: every text and every length (in bytes) is UTF-16,
        // statement texts, logon strings and define buffers alike.
        sword s = f.OCIEnvNlsCreate(&env_, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr, OCI_UTF16ID,
                                    OCI_UTF16ID);
        if (!ok(s) || !env_) raise_status(ok(s) ? OCI_INVALID_HANDLE : s);
        tk_log::log(1, "Step #1");
        void* h = nullptr;
        sword se = f.OCIHandleAlloc(env_, &h, OCI_HTYPE_ERROR, 0, nullptr);
        if (!ok(se) || !h) raise_status(ok(se) ? OCI_INVALID_HANDLE : se);
        err_ = static_cast<OCIError*>(h);
        tk_log::log(1, "Step #2");
        h = nullptr;
        sword ss = f.OCIHandleAlloc(env_, &h, OCI_HTYPE_SERVER, 0, nullptr);
        if (!ok(ss) || !h) raise_status(ok(ss) ? OCI_INVALID_HANDLE : ss);
        srv_ = static_cast<OCIServer*>(h);
        tk_log::log(1, "Step #3");
        // The logon makes its own server connection; this attach to the default database
        // may fail where none is configured, which is no reason to stop.
        sword sa = f.OCIServerAttach(srv_, err_, reinterpret_cast<const OraText*>(u""), 0, OCI_DEFAULT);
        attached_ = ok(sa);
        tk_log::log(1, "Step #4");
    } catch (...) {
        free_handles();
        throw;
    }
    initialized_ = true;
}

std::unique_ptr<ora_database> ora_engine::open_db(const compat::wstring& db, const compat::wstring& user,
                                                  const compat::wstring& password) {
    tk_log::log(2, u"ora_engine::open_db( %s, %s, %s )", db, user, tk_hidden_wpassword);
    tk_log::log(3, u"Connecting to Oracle data source '%s'", db);
    if (!initialized_) initialize();
    const compat::oci_functions& f = oci();
    if (svc_) {
        OCISvcCtx* old = svc_;
        svc_ = nullptr;
        version_known_ = false;
        check_status(f.OCILogoff(old, err_));
    }
    // The logon hands back a service context of its own; one allocated before it would
    // only leak. Only OCILogoff releases what a logon made: after a failed logon, whatever
    // the client left in the pointer is the client's, never freed here.
    OCISvcCtx* svc = nullptr;
    sword s = f.OCILogon(env_, err_, &svc, oci_text(user), oci_bytes(user), oci_text(password), oci_bytes(password),
                         oci_text(db), oci_bytes(db));
    if (!ok(s)) raise_status(s);
    if (!svc) raise_status(OCI_INVALID_HANDLE);
    svc_ = svc;
    version_known_ = false;
    tk_log::log(1, "The connection has been established");
    database_ = db;
    user_ = user;
    password_ = password;
    return std::make_unique<ora_database>(db, udb_open_mode::read_only);
}

compat::wstring ora_engine::make_connect_string(const compat::wstring& host, const compat::wstring& port,
                                                const compat::wstring& service) {
    if (host.empty() && port.empty()) return service;
    return u"//" + (host.empty() ? compat::wstring(u"localhost") : host) + u":" +
           (port.empty() ? compat::wstring(u"1521") : port) + u"/" + service;
}

std::unique_ptr<ora_database> ora_engine::open_db(const compat::wstring& host, const compat::wstring& user,
                                                  const compat::wstring& password, const compat::wstring& port,
                                                  const compat::wstring& service) {
    tk_log::log(2, u"ora_engine::open_db (%s,%s,%s,%s,%s)", host, user, tk_hidden_wpassword, port, service);
    return open_db(make_connect_string(host, port, service), user, password);
}

int ora_engine::get_records_cnt(const compat::wstring& text, bool is_query) {
    tk_log::log(2, u"ora_engine::get_records_cnt(%s)", text);
    if (!svc_) tk_fail(tk_where::ora_engi, 342);
    ora_stmt stmt;
    compat::wstring sql =
        is_query ? u"SELECT COUNT(*) FROM (" + text + u")" : u"SELECT COUNT(*) FROM \"" + text + u"\"";
    stmt.prepare(sql);
    // 64 bits: a 32-bit define fails with ORA-01455 beyond 2^31-1 rows.
    int64_t count = 0;
    stmt.define_int(1, &count);
    if (stmt.execute(1) == OCI_NO_DATA) tk_fail(tk_where::ora_engi, 360);
    // The count feeds progress only; the reading goes on to the last row whatever it says.
    return static_cast<int>(std::clamp<int64_t>(count, 0, std::numeric_limits<int>::max()));
}

void ora_engine::commit() {
    if (!svc_) tk_fail(tk_where::ora_engi, 153);
    check_status(oci().OCITransCommit(svc_, err_, OCI_DEFAULT));
    uncommitted_ = false;
}

void ora_engine::rollback() noexcept {
    if (svc_) oci().OCITransRollback(svc_, err_, OCI_DEFAULT);
    uncommitted_ = false;
}

unsigned ora_engine::parse_version(const compat::wstring& banner) {
    size_t pos = 0;
    while (pos < banner.size()) {
        size_t end = banner.find(u' ', pos);
        if (end == compat::wstring::npos) end = banner.size();
        compat::wstring piece = banner.substr(pos, end - pos);
        pos = end + 1;
        if (piece.empty() || piece[0] < u'0' || piece[0] > u'9') continue;
        int major = 0, minor = 0, third = 0;
        if (std::sscanf(compat::utf16_to_utf8(piece).c_str(), "%d.%d.%d", &major, &minor, &third) != 3) continue;
        tk_log::log(1, "Got Oracle version: %d,%d,%d", major, minor, third);
        return static_cast<unsigned>(major) << 16 | static_cast<unsigned>(minor) << 8 | static_cast<unsigned>(third);
    }
    return 0;
}

unsigned ora_engine::get_version() {
    tk_log::log(2, "ora_engine::get_version");
    if (!svc_) tk_fail(tk_where::ora_engi, 153);
    if (version_known_) return version_;
    ora_stmt stmt;
    stmt.prepare(u"select * from v$version");
    std::vector<compat::wchar> buffer(0x20000 / 2, 0);
    stmt.define_text(1, buffer.data(), static_cast<sb4>(buffer.size() * 2));
    if (stmt.execute(1) == OCI_NO_DATA) tk_fail(tk_where::ora_engi, 171);
    buffer.back() = 0;
    compat::wstring banner(buffer.data());
    tk_log::log(1, u"Got versioned string:\n%s", banner);
    version_ = parse_version(banner);
    version_known_ = true;
    return version_;
}
