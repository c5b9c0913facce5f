// OCIAttrGet / OCIAttrSet / OCIParamGet: describe information of select-list items and the
// handle attributes the Oracle side reads or sets.
#include <cstring>

#include "ocilite/oci_handles.h"
#include "ocilite/oci_sim.h"

using namespace ocilite;

namespace {

// A handle attribute is the handle pointer itself, so T may be a pointer to a struct.
template <class T>
sword put_attr(void* attributep, ub4* sizep, T value) {
    if (attributep) std::memcpy(attributep, &value, sizeof value);  // NOLINT(bugprone-sizeof-expression)
    if (sizep) *sizep = sizeof value;                               // NOLINT(bugprone-sizeof-expression)
    return OCI_SUCCESS;
}

template <class T>
T read_attr(const void* attributep) {
    T value{};
    std::memcpy(&value, attributep, sizeof value);
    return value;
}

ub2 charset_id(const column_desc& c) {
    switch (c.type_code) {
        case 1:
        case 8:
        case 96:
        case 112:
            return c.charset_form == 2 ? 2000 /* AL16UTF16 */ : 873 /* AL32UTF8 */;
        default:
            return 0;
    }
}

sword param_attr(const OCIParam* p, void* attributep, ub4* sizep, ub4 attr, OCIError* err) {
    const column_desc& c = *p->column;
    switch (attr) {
        case OCI_ATTR_DATA_TYPE:
            return put_attr<ub2>(attributep, sizep, p->data_type);
        case OCI_ATTR_DATA_SIZE:
            return put_attr<ub2>(attributep, sizep, static_cast<ub2>(c.data_size));
        case OCI_ATTR_PRECISION:
            return put_attr<sb2>(attributep, sizep, static_cast<sb2>(c.precision));
        case OCI_ATTR_SCALE:
            return put_attr<sb1>(attributep, sizep, static_cast<sb1>(c.scale));
        case OCI_ATTR_IS_NULL:
            return put_attr<ub1>(attributep, sizep, c.nullable ? 1 : 0);
        case OCI_ATTR_CHARSET_FORM:
            return put_attr<ub1>(attributep, sizep, static_cast<ub1>(c.charset_form));
        case OCI_ATTR_CHARSET_ID:
            return put_attr<ub2>(attributep, sizep, charset_id(c));
        case OCI_ATTR_CHAR_USED:
            return put_attr<ub1>(attributep, sizep, c.char_used ? 1 : 0);
        case OCI_ATTR_CHAR_SIZE:
            return put_attr<ub2>(attributep, sizep, static_cast<ub2>(c.char_size));
        case OCI_ATTR_NAME:
            // A pointer to the name, valid while the statement keeps this description.
            if (attributep) {
                const OraText* name = reinterpret_cast<const OraText*>(p->name_bytes.data());
                std::memcpy(attributep, &name, sizeof name);
            }
            if (sizep) *sizep = static_cast<ub4>(p->name_bytes.size());
            return OCI_SUCCESS;
        default:
            return fail(err, 24315);
    }
}

sword stmt_attr(const OCIStmt* s, void* attributep, ub4* sizep, ub4 attr, OCIError* err) {
    switch (attr) {
        case OCI_ATTR_PARAM_COUNT:
            return put_attr<ub4>(attributep, sizep, s->translated_ok ? static_cast<ub4>(s->sql.columns.size()) : 0);
        case OCI_ATTR_ROW_COUNT:
            return put_attr<ub4>(attributep, sizep, s->row_count);
        case OCI_ATTR_ROWS_FETCHED:
            return put_attr<ub4>(attributep, sizep, s->rows_fetched);
        case OCI_ATTR_PREFETCH_ROWS:
            return put_attr<ub4>(attributep, sizep, s->prefetch_rows);
        case OCI_ATTR_PREFETCH_MEMORY:
            return put_attr<ub4>(attributep, sizep, s->prefetch_memory);
        case OCI_ATTR_STMT_TYPE:
            return put_attr<ub2>(attributep, sizep, s->translated_ok && s->sql.is_query ? OCI_STMT_SELECT : 0);
        default:
            return fail(err, 24315);
    }
}

}  // namespace

OCILITE_EXPORT sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,
                                OCIError* errhp) {
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!err) return OCI_INVALID_HANDLE;
    clear(err);
    switch (trghndltyp) {
        case OCI_DTYPE_PARAM: {
            const OCIParam* p = as_handle<OCIParam>(trgthndlp, OCI_DTYPE_PARAM);
            if (!p) return OCI_INVALID_HANDLE;
            return param_attr(p, attributep, sizep, attrtype, err);
        }
        case OCI_HTYPE_STMT: {
            const OCIStmt* s = as_handle<OCIStmt>(trgthndlp, OCI_HTYPE_STMT);
            if (!s) return OCI_INVALID_HANDLE;
            return stmt_attr(s, attributep, sizep, attrtype, err);
        }
        case OCI_HTYPE_ENV: {
            const OCIEnv* env = as_handle<OCIEnv>(trgthndlp, OCI_HTYPE_ENV);
            if (!env) return OCI_INVALID_HANDLE;
            if (attrtype == OCI_ATTR_CHARSET_ID) return put_attr<ub2>(attributep, sizep, env->charset_id);
            return fail(err, 24315);
        }
        case OCI_HTYPE_SVCCTX: {
            const OCISvcCtx* svc = as_handle<OCISvcCtx>(trgthndlp, OCI_HTYPE_SVCCTX);
            if (!svc) return OCI_INVALID_HANDLE;
            if (attrtype == OCI_ATTR_SERVER) return put_attr<OCIServer*>(attributep, sizep, svc->server);
            if (attrtype == OCI_ATTR_SESSION) return put_attr<OCISession*>(attributep, sizep, svc->session_handle);
            return fail(err, 24315);
        }
        default: {
            const auto* h = static_cast<const handle*>(trgthndlp);
            if (!h || h->magic != handle_magic || h->type != trghndltyp) return OCI_INVALID_HANDLE;
            return fail(err, 24315);
        }
    }
}

OCILITE_EXPORT sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4, ub4 attrtype, OCIError* errhp) {
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!err) return OCI_INVALID_HANDLE;
    clear(err);
    if (trghndltyp == OCI_HTYPE_STMT) {
        OCIStmt* s = as_handle<OCIStmt>(trgthndlp, OCI_HTYPE_STMT);
        if (!s) return OCI_INVALID_HANDLE;
        if (!attributep) return fail(err, 24315);
        if (attrtype == OCI_ATTR_PREFETCH_ROWS) {
            s->prefetch_rows = read_attr<ub4>(attributep);
            return OCI_SUCCESS;
        }
        if (attrtype == OCI_ATTR_PREFETCH_MEMORY) {
            s->prefetch_memory = read_attr<ub4>(attributep);
            return OCI_SUCCESS;
        }
        return fail(err, 24315);
    }
    if (trghndltyp == OCI_HTYPE_DEFINE) {
        OCIDefine* d = as_handle<OCIDefine>(trgthndlp, OCI_HTYPE_DEFINE);
        if (!d) return OCI_INVALID_HANDLE;
        if (!attributep || attrtype != OCI_ATTR_CHARSET_FORM) return fail(err, 24315);
        const ub1 form = read_attr<ub1>(attributep);
        // ORA-12714: only the database and the national character set forms exist.
        if (form != SQLCS_IMPLICIT && form != SQLCS_NCHAR) return fail(err, 12714);
        d->charset_form = form;
        return OCI_SUCCESS;
    }
    if (trghndltyp == OCI_HTYPE_BIND) {
        OCIBind* b = as_handle<OCIBind>(trgthndlp, OCI_HTYPE_BIND);
        if (!b) return OCI_INVALID_HANDLE;
        if (!attributep || attrtype != OCI_ATTR_CHARSET_FORM) return fail(err, 24315);
        const ub1 form = read_attr<ub1>(attributep);
        if (form != SQLCS_IMPLICIT && form != SQLCS_NCHAR) return fail(err, 12714);
        b->charset_form = form;
        return OCI_SUCCESS;
    }
    if (trghndltyp == OCI_HTYPE_SVCCTX) {
        OCISvcCtx* svc = as_handle<OCISvcCtx>(trgthndlp, OCI_HTYPE_SVCCTX);
        if (!svc) return OCI_INVALID_HANDLE;
        // The value is the handle itself, as OCI passes handle-valued attributes.
        if (attrtype == OCI_ATTR_SERVER) {
            svc->server = as_handle<OCIServer>(attributep, OCI_HTYPE_SERVER);
            return svc->server ? OCI_SUCCESS : OCI_INVALID_HANDLE;
        }
        if (attrtype == OCI_ATTR_SESSION) {
            svc->session_handle = as_handle<OCISession>(attributep, OCI_HTYPE_SESSION);
            return svc->session_handle ? OCI_SUCCESS : OCI_INVALID_HANDLE;
        }
        return fail(err, 24315);
    }
    const auto* h = static_cast<const handle*>(trgthndlp);
    if (!h || h->magic != handle_magic || h->type != trghndltyp) return OCI_INVALID_HANDLE;
    return fail(err, 24315);
}

OCILITE_EXPORT sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos) {
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!err || !parmdpp) return OCI_INVALID_HANDLE;
    clear(err);
    if (htype != OCI_HTYPE_STMT) return OCI_INVALID_HANDLE;
    const OCIStmt* s = as_handle<OCIStmt>(hndlp, OCI_HTYPE_STMT);
    if (!s) return OCI_INVALID_HANDLE;
    if (!s->translated_ok) return fail(err, 24338);
    if (pos < 1 || pos > s->params.size()) return fail(err, 24334);
    *parmdpp = s->params[pos - 1].get();
    param_handed_out();
    return OCI_SUCCESS;
}
