// Environments, handles, descriptors and OCIErrorGet.
#include <cstring>
#include <mutex>
#include <type_traits>
#include <unordered_map>

#include "compat/text/text.h"
#include "ocilite/oci_handles.h"
#include "ocilite/oci_sim.h"
#include "ocilite/oci_text.h"

namespace ocilite {

store_session::~store_session() {
    // close_v2 waits for statements that still hold the connection.
    if (db) sqlite3_close_v2(db);
}

namespace {

// Live environments. They are owned here so that a client that never frees its environment
// (the Oracle side keeps it for the process) still has everything released at unload.
struct environments {
    std::mutex mutex;
    std::unordered_map<OCIEnv*, std::unique_ptr<OCIEnv>> live;
};

environments& envs() {
    static environments value;
    return value;
}

OCIEnv* parent_env(const void* parent) { return as_handle<OCIEnv>(parent, OCI_HTYPE_ENV); }

void give_user_memory(handle* h, size_t size, void** usrmempp) {
    if (!usrmempp) return;
    if (size == 0) {
        *usrmempp = nullptr;
        return;
    }
    h->user_memory.assign(size, 0);
    *usrmempp = h->user_memory.data();
}

sword create_env(OCIEnv** envhpp, bool utf16, ub2 charset_id, size_t xtramem_sz, void** usrmempp) {
    if (!envhpp) return OCI_ERROR;
    read_simulation_settings();
    auto env = std::make_unique<OCIEnv>();
    env->utf16 = utf16;
    if (charset_id) env->charset_id = charset_id;
    give_user_memory(env.get(), xtramem_sz, usrmempp);
    OCIEnv* raw = env.get();
    {
        std::lock_guard<std::mutex> lock(envs().mutex);
        envs().live.emplace(raw, std::move(env));
    }
    *envhpp = raw;
    return OCI_SUCCESS;
}

}  // namespace

}  // namespace ocilite

using namespace ocilite;

OCIEnv::~OCIEnv() {
    // Statements first: they finalize their SQLite statements before sessions close.
    std::lock_guard<std::mutex> lock(children_mutex);
    for (auto it = children.begin(); it != children.end();) {
        if (it->first->type == OCI_HTYPE_STMT) {
            it = children.erase(it);
        } else {
            ++it;
        }
    }
    children.clear();
}

handle* OCIEnv::adopt(owned_handle child) {
    handle* raw = child.get();
    std::lock_guard<std::mutex> lock(children_mutex);
    children.emplace(raw, std::move(child));
    return raw;
}

void OCIEnv::release(handle* child) {
    owned_handle doomed;
    {
        std::lock_guard<std::mutex> lock(children_mutex);
        auto it = children.find(child);
        if (it == children.end()) return;
        doomed = std::move(it->second);
        children.erase(it);
    }
}

OCILITE_EXPORT sword OCIEnvCreate(OCIEnv** envhpp, ub4 mode, void*, void* (*)(void*, size_t),
                                  void* (*)(void*, void*, size_t), void (*)(void*, void*), size_t xtramem_sz,
                                  void** usrmempp) {
    // The deprecated UTF-16 mode: the API takes UTF-16, the client character set stays
    // the one NLS_LANG names.
    return create_env(envhpp, (mode & OCI_UTF16) != 0, 0, xtramem_sz, usrmempp);
}

OCILITE_EXPORT sword OCIEnvNlsCreate(OCIEnv** envhpp, ub4 mode, void*, void* (*)(void*, size_t),
                                     void* (*)(void*, void*, size_t), void (*)(void*, void*), size_t xtramem_sz,
                                     void** usrmempp, ub2 charset, ub2 ncharset) {
    // Both character sets are given, or neither (both taken from NLS_LANG).
    if ((charset == 0) != (ncharset == 0)) return OCI_ERROR;
    return create_env(envhpp, charset == OCI_UTF16ID || (mode & OCI_UTF16) != 0, charset, xtramem_sz, usrmempp);
}

OCILITE_EXPORT sword OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, size_t xtramem_sz, void** usrmempp) {
    OCIEnv* env = parent_env(parenth);
    if (!env || !hndlpp) return OCI_INVALID_HANDLE;
    owned_handle h;
    switch (type) {
        case OCI_HTYPE_ERROR:
            h = make_handle<OCIError>(env);
            break;
        case OCI_HTYPE_SVCCTX:
            h = make_handle<OCISvcCtx>(env);
            break;
        case OCI_HTYPE_STMT:
            h = make_handle<OCIStmt>(env);
            break;
        case OCI_HTYPE_SERVER:
            h = make_handle<OCIServer>(env);
            break;
        case OCI_HTYPE_SESSION:
            h = make_handle<OCISession>();
            break;
        default:
            return OCI_INVALID_HANDLE;
    }
    give_user_memory(h.get(), xtramem_sz, usrmempp);
    *hndlpp = env->adopt(std::move(h));
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCIHandleFree(void* hndlp, ub4 type) {
    if (is_retired_handle(hndlp)) {
        count_misuse();
        return OCI_INVALID_HANDLE;
    }
    if (type == OCI_HTYPE_ENV) {
        OCIEnv* env = as_handle<OCIEnv>(hndlp, OCI_HTYPE_ENV);
        if (!env) return OCI_INVALID_HANDLE;
        std::unique_ptr<OCIEnv> doomed;
        {
            std::lock_guard<std::mutex> lock(envs().mutex);
            auto it = envs().live.find(env);
            if (it == envs().live.end()) return OCI_INVALID_HANDLE;
            doomed = std::move(it->second);
            envs().live.erase(it);
        }
        return OCI_SUCCESS;
    }
    if (type == OCI_HTYPE_DEFINE) {
        // Define handles belong to their statement; freeing one just drops the define.
        OCIDefine* def = as_handle<OCIDefine>(hndlp, OCI_HTYPE_DEFINE);
        if (!def) return OCI_INVALID_HANDLE;
        OCIStmt* stmt = def->stmt;
        for (auto& slot : stmt->defines) {
            if (slot.get() == def) {
                slot.reset();
                break;
            }
        }
        return OCI_SUCCESS;
    }
    auto* h = static_cast<handle*>(hndlp);
    if (!h || h->magic != handle_magic || h->type != type) return OCI_INVALID_HANDLE;
    OCIEnv* env = nullptr;
    switch (type) {
        case OCI_HTYPE_ERROR:
            env = static_cast<OCIError*>(h)->env;
            break;
        case OCI_HTYPE_SVCCTX:
            env = static_cast<OCISvcCtx*>(h)->env;
            break;
        case OCI_HTYPE_STMT:
            env = static_cast<OCIStmt*>(h)->env;
            break;
        case OCI_HTYPE_SERVER:
            env = static_cast<OCIServer*>(h)->env;
            break;
        case OCI_HTYPE_SESSION: {
            // Sessions do not know their environment; find the one that owns it.
            std::lock_guard<std::mutex> lock(envs().mutex);
            for (auto& [e, owned] : envs().live) {
                std::lock_guard<std::mutex> inner(e->children_mutex);
                if (e->children.count(h)) env = e;
            }
            break;
        }
        default:
            return OCI_INVALID_HANDLE;
    }
    if (!env) return OCI_INVALID_HANDLE;
    env->release(h);
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCIDescriptorAlloc(const void* parenth, void** descpp, ub4 type, size_t xtramem_sz,
                                        void** usrmempp) {
    OCIEnv* env = parent_env(parenth);
    if (!env || !descpp) return OCI_INVALID_HANDLE;
    owned_handle d;
    switch (type) {
        case OCI_DTYPE_LOB:
        case OCI_DTYPE_FILE:
            d = make_handle<OCILobLocator>(env, type);
            break;
        case OCI_DTYPE_TIMESTAMP:
        case OCI_DTYPE_TIMESTAMP_TZ:
        case OCI_DTYPE_TIMESTAMP_LTZ:
            d = make_handle<OCIDateTime>(env, type);
            break;
        default:
            return OCI_INVALID_HANDLE;
    }
    give_user_memory(d.get(), xtramem_sz, usrmempp);
    *descpp = env->adopt(std::move(d));
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCIDescriptorFree(void* descp, ub4 type) {
    if (type == OCI_DTYPE_PARAM) {
        // Describe parameters stay with their statement; freeing one settles its OCIParamGet.
        if (!as_handle<OCIParam>(descp, OCI_DTYPE_PARAM)) return OCI_INVALID_HANDLE;
        param_freed();
        return OCI_SUCCESS;
    }
    if (type == OCI_DTYPE_TIMESTAMP || type == OCI_DTYPE_TIMESTAMP_TZ || type == OCI_DTYPE_TIMESTAMP_LTZ) {
        OCIDateTime* dt = as_handle<OCIDateTime>(descp, type);
        if (!dt) return OCI_INVALID_HANDLE;
        dt->env->release(dt);
        return OCI_SUCCESS;
    }
    if (type != OCI_DTYPE_LOB && type != OCI_DTYPE_FILE) return OCI_INVALID_HANDLE;
    OCILobLocator* loc = as_handle<OCILobLocator>(descp, type);
    if (!loc) return OCI_INVALID_HANDLE;
    loc->env->release(loc);
    return OCI_SUCCESS;
}

namespace {
// A datetime descriptor of any of the three kinds.
OCIDateTime* as_datetime(const void* p) {
    for (ub4 type : {OCI_DTYPE_TIMESTAMP, OCI_DTYPE_TIMESTAMP_TZ, OCI_DTYPE_TIMESTAMP_LTZ})
        if (OCIDateTime* dt = as_handle<OCIDateTime>(p, type)) return dt;
    return nullptr;
}
bool is_env_or_session(const void* hndl) {
    return as_handle<OCIEnv>(hndl, OCI_HTYPE_ENV) || as_handle<OCISession>(hndl, OCI_HTYPE_SESSION);
}
}  // namespace

OCILITE_EXPORT sword OCIDateTimeGetDate(void* hndl, OCIError* errhp, const OCIDateTime* datetime, sb2* year, ub1* month,
                                        ub1* day) {
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!err || !is_env_or_session(hndl)) return OCI_INVALID_HANDLE;
    clear(err);
    const OCIDateTime* dt = as_datetime(datetime);
    // ORA-01891: the descriptor holds no datetime (never fetched into).
    if (!dt || !dt->filled || !year || !month || !day) return fail(err, 1891);
    *year = dt->year;
    *month = dt->month;
    *day = dt->day;
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCIDateTimeGetTime(void* hndl, OCIError* errhp, OCIDateTime* datetime, ub1* hour, ub1* min,
                                        ub1* sec, ub4* fsec) {
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!err || !is_env_or_session(hndl)) return OCI_INVALID_HANDLE;
    clear(err);
    const OCIDateTime* dt = as_datetime(datetime);
    if (!dt || !dt->filled || !hour || !min || !sec || !fsec) return fail(err, 1891);
    *hour = dt->hour;
    *min = dt->minute;
    *sec = dt->second;
    *fsec = dt->fraction;
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCIErrorGet(void* hndlp, ub4 recordno, OraText*, sb4* errcodep, OraText* bufp, ub4 bufsiz,
                                 ub4 type) {
    const error_record* rec = nullptr;
    bool utf16 = false;
    if (type == OCI_HTYPE_ERROR) {
        OCIError* err = as_handle<OCIError>(hndlp, OCI_HTYPE_ERROR);
        if (!err) return OCI_INVALID_HANDLE;
        rec = &err->record;
        utf16 = err->env->utf16;
    } else if (type == OCI_HTYPE_ENV) {
        OCIEnv* env = as_handle<OCIEnv>(hndlp, OCI_HTYPE_ENV);
        if (!env) return OCI_INVALID_HANDLE;
        rec = &env->last_error;
        utf16 = env->utf16;
    } else {
        return OCI_INVALID_HANDLE;
    }
    if (!rec->present || recordno != 1) return OCI_NO_DATA;
    if (errcodep) *errcodep = rec->code;
    if (bufp && bufsiz > 0) {
        // Oracle's texts end with a line feed; the buffer is cut to its size, terminated.
        const size_t unit = utf16 ? 2 : 1;
        text_writer w(utf16, bufp, bufsiz >= unit ? bufsiz - unit : 0);
        w.put_utf8(reinterpret_cast<const unsigned char*>(rec->message.data()), rec->message.size());
        w.put('\n');
        if (bufsiz >= unit) std::memset(bufp + w.written(), 0, unit);
    }
    return OCI_SUCCESS;
}
