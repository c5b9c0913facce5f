// Server attach and logon: a connect string names a service, whose store is the SQLite file
// $OCILITE_DATA/SERVICE.sqlite; the user and password are checked against the store.
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "compat/text/text.h"
#include "ocilite/oci_handles.h"
#include "ocilite/oci_sim.h"
#include "ocilite/oci_text.h"
#include "ocilite/oci_txn.h"

namespace ocilite {

namespace {

// "//host:port/SERVICE", "host:port/SERVICE" and "SERVICE" all name SERVICE.
std::string service_of(const std::string& connect) {
    std::string s = connect;
    while (!s.empty() && (s.back() == ' ' || s.back() == '/')) s.pop_back();
    const size_t slash = s.rfind('/');
    if (slash != std::string::npos) s = s.substr(slash + 1);
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
    return s;
}

bool file_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string store_path(const std::string& service) {
    const char* folder = std::getenv("OCILITE_DATA");
    std::string base = folder && *folder ? std::string(folder) : std::string(".");
    if (base.back() != '/') base += '/';
    // Service names are not case-sensitive in Oracle; try the name as given, then upper case.
    std::string path = base + service + ".sqlite";
    if (file_exists(path)) return path;
    std::string upper = base + compat::to_upper_utf8(service) + ".sqlite";
    if (file_exists(upper)) return upper;
    return {};
}

// Oracle folds an unquoted user name to upper case; a quoted one is taken as written.
std::string user_name(const std::string& given) {
    if (given.size() >= 2 && given.front() == '"' && given.back() == '"') {
        return given.substr(1, given.size() - 2);
    }
    return compat::to_upper_utf8(given);
}

std::string unquote(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

// Returns 0 with the session, or the ORA error number of the failed logon.
int open_session(const std::string& connect, const std::string& user, const std::string& password,
                 std::shared_ptr<store_session>& out) {
    const std::string service = service_of(connect);
    if (service.empty()) return 12162;
    const std::string path = store_path(service);
    if (path.empty()) return 12514;
    auto session = std::make_shared<store_session>();
    if (sqlite3_open_v2(path.c_str(), &session->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        return 12514;
    }
    sqlite3_busy_timeout(session->db, 5000);
    // The statements the session runs tell key violations apart by the extended codes.
    sqlite3_extended_result_codes(session->db, 1);
    sqlite3_stmt* check = nullptr;
    if (sqlite3_prepare_v2(session->db, "SELECT password FROM ocilite_users WHERE username = ?", -1, &check, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(check);
        return 12514;  // not a store: no such service behind this name
    }
    const std::string name = user_name(user);
    sqlite3_bind_text(check, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    bool accepted = false;
    if (sqlite3_step(check) == SQLITE_ROW) {
        const auto* stored = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
        accepted = stored && unquote(password) == stored;
    }
    sqlite3_finalize(check);
    if (!accepted) return 1017;
    session->service = service;
    session->user = name;
    session->state.user = name;
    out = std::move(session);
    return 0;
}

}  // namespace

}  // namespace ocilite

using namespace ocilite;

namespace {
// Service contexts of failed logons: kept as dead handles (their magic cleared) so that a
// client freeing one is told OCI_INVALID_HANDLE and counted, never reading freed memory.
std::mutex retired_mutex;
std::vector<std::unique_ptr<handle>> retired;

OCISvcCtx* retire_service_context() {
    auto dead = std::make_unique<handle>(OCI_HTYPE_SVCCTX);
    dead->magic = 0;
    std::lock_guard<std::mutex> lock(retired_mutex);
    retired.push_back(std::move(dead));
    return reinterpret_cast<OCISvcCtx*>(retired.back().get());
}
}  // namespace

bool ocilite::is_retired_handle(const void* p) {
    std::lock_guard<std::mutex> lock(retired_mutex);
    for (const auto& h : retired)
        if (h.get() == p) return true;
    return false;
}

OCILITE_EXPORT sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText*, sb4 dblink_len, ub4) {
    OCIServer* server = as_handle<OCIServer>(srvhp, OCI_HTYPE_SERVER);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!server || !err) return OCI_INVALID_HANDLE;
    clear(err);
    // The default database needs a local instance or TWO_TASK, which a client machine
    // does not have.
    if (dblink_len == 0) return fail(err, 12560);
    // The connect string of OCILogon decides the store; attaching only marks the server.
    server->attached = true;
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4) {
    OCIServer* server = as_handle<OCIServer>(srvhp, OCI_HTYPE_SERVER);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!server || !err) return OCI_INVALID_HANDLE;
    clear(err);
    server->attached = false;
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCILogon(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp, const OraText* username, ub4 uname_len,
                              const OraText* password, ub4 passwd_len, const OraText* dbname, ub4 dbname_len) {
    OCIEnv* env = as_handle<OCIEnv>(envhp, OCI_HTYPE_ENV);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!env || !err || !svchp) return OCI_INVALID_HANDLE;
    clear(err);
    round_trip();
    const auto text = [env](const OraText* p, ub4 n) { return compat::utf16_to_utf8(text_in(env->utf16, p, n)); };
    std::shared_ptr<store_session> session;
    if (const int code =
            open_session(text(dbname, dbname_len), text(username, uname_len), text(password, passwd_len), session)) {
        // The service context made for the attempt is released by the library itself; what
        // it leaves in *svchp is no handle of the caller's to free (counted if freed).
        *svchp = retire_service_context();
        return fail(err, code);
    }
    // OCILogon makes a service context of its own and hands it back in *svchp, over
    // whatever the caller had there; that one stays allocated until freed or its
    // environment goes.
    owned_handle svc = make_handle<OCISvcCtx>(env);
    static_cast<OCISvcCtx*>(svc.get())->session = std::move(session);
    *svchp = static_cast<OCISvcCtx*>(env->adopt(std::move(svc)));
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp) {
    // Ending a session commits its open transaction, as Oracle documents for session end.
    if (const sword rc = end_transaction(svchp, errhp, true); rc != OCI_SUCCESS) return rc;
    // Logging off ends the session and releases the service context OCILogon made.
    OCISvcCtx* svc = as_handle<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    svc->env->release(svc);
    return OCI_SUCCESS;
}
