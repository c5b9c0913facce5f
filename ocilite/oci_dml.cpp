// Statements other than queries, binds with their callbacks, and commit / rollback.
#include <algorithm>
#include <cstring>

#include "compat/text/text.h"
#include "ocilite/client_sql.h"
#include "ocilite/oci_handles.h"
#include "ocilite/oci_sim.h"
#include "ocilite/oci_text.h"
#include "ocilite/oci_txn.h"
#include "ocilite/ora_errors.h"
#include "ocilite/plsql.h"
#include "ocilite/store.h"

namespace ocilite {

namespace {

int sqlite_fail(store_session& s, OCIError* err) {
    fail(err, 600, "ORA-00600: internal error code, arguments: [ocilite], [" + std::string(sqlite3_errmsg(s.db)) + "]");
    return 600;
}

int exec(store_session& s, const char* sql, OCIError* err) {
    return sqlite3_exec(s.db, sql, nullptr, nullptr, nullptr) == SQLITE_OK ? 0 : sqlite_fail(s, err);
}

// Statement-level atomicity: a failing statement leaves nothing of itself behind, and the
// work before it in the transaction stays.
class statement_savepoint {
public:
    explicit statement_savepoint(store_session& s) : s_(s) {
        ok_ = sqlite3_exec(s.db, "SAVEPOINT ocilite_statement", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~statement_savepoint() {
        if (!ok_) return;
        if (!kept_) sqlite3_exec(s_.db, "ROLLBACK TO ocilite_statement", nullptr, nullptr, nullptr);
        sqlite3_exec(s_.db, "RELEASE ocilite_statement", nullptr, nullptr, nullptr);
    }
    statement_savepoint(const statement_savepoint&) = delete;
    statement_savepoint& operator=(const statement_savepoint&) = delete;
    bool ok() const { return ok_; }
    void keep() { kept_ = true; }

private:
    store_session& s_;
    bool ok_ = false;
    bool kept_ = false;
};

// A bound program variable's value as the statement's expressions see it; 0, or the ORA
// number the execute fails with.
int bound_value(const OCIBind& b, bool utf16, ora_value& out) {
    const program_variable& v = b.var;
    if (v.indp && *static_cast<const sb2*>(v.indp) == -1) {
        out = {};
        return 0;
    }
    const auto* data = static_cast<const unsigned char*>(v.valuep);
    size_t length = v.lenp ? *v.lenp : static_cast<size_t>(std::max(v.value_sz, 0));
    if (!data && length > 0) return 1008;
    auto integer = [&](bool is_signed) -> int {
        int64_t value = 0;
        switch (length) {
            case 1:
                value = is_signed ? *reinterpret_cast<const int8_t*>(data) : *data;
                break;
            case 2: {
                uint16_t u;
                std::memcpy(&u, data, 2);
                value = is_signed ? static_cast<int16_t>(u) : u;
                break;
            }
            case 4: {
                uint32_t u;
                std::memcpy(&u, data, 4);
                value = is_signed ? static_cast<int32_t>(u) : u;
                break;
            }
            case 8:
                std::memcpy(&value, data, 8);
                if (!is_signed && value < 0) return 1455;
                break;
            default:
                return 3001;
        }
        out = ora_value::from_int(value);
        return 0;
    };
    switch (v.dty) {
        case SQLT_STR: {
            // Up to the terminator within the buffer.
            const size_t unit = utf16 ? 2 : 1;
            size_t n = 0;
            while (n + unit <= length && !(data[n] == 0 && (unit == 1 || data[n + 1] == 0))) n += unit;
            length = n;
            [[fallthrough]];
        }
        case SQLT_CHR:
        case SQLT_AFC:
        case SQLT_LNG:
            out = ora_value::from_text(compat::utf16_to_utf8(text_in(utf16, data, static_cast<ub4>(length))));
            out.national = b.charset_form == SQLCS_NCHAR;
            return 0;
        case SQLT_BIN:
        case SQLT_LBI:
            out = {};
            if (length == 0) return 0;  // no bytes: NULL, as Oracle takes an empty RAW
            out.k = ora_value::kind::raw;
            out.bytes.assign(reinterpret_cast<const char*>(data), length);
            return 0;
        case SQLT_INT:
            return integer(true);
        case SQLT_UIN:
            return integer(false);
        case SQLT_FLT:
        case SQLT_BFLOAT:
        case SQLT_BDOUBLE: {
            double d = 0;
            if (length == sizeof(float)) {
                float f;
                std::memcpy(&f, data, sizeof f);
                d = f;
            } else if (length == sizeof(double)) {
                std::memcpy(&d, data, sizeof d);
            } else {
                return 3001;
            }
            out = {};
            out.k = ora_value::kind::binary_double;
            out.dbl = d;
            return 0;
        }
        default:
            return 3001;
    }
}

// The values of the binds that carry data (not OCI_DATA_AT_EXEC), keyed ":NAME"; every
// placeholder of the statement must have one (ORA-01008). A bind by position takes the name
// of the placeholder at that place in the text. Returns 0 or the ORA number.
int collect_bind_values(OCIStmt* s, const std::string& text, const std::string& statement, plsql_scope& values) {
    const std::vector<std::string> places = placeholder_names(text);
    for (auto& b : s->binds) {
        if (b->position) {
            if (b->position > places.size()) return 1036;
            b->name = places[b->position - 1];
        }
        if (b->mode & OCI_DATA_AT_EXEC) continue;
        ora_value v;
        if (const int code = bound_value(*b, s->env->utf16, v)) return code;
        values.declare(":" + b->name, std::move(v));
    }
    for (const std::string& name : placeholder_names(statement))
        if (!values.has(":" + name)) return 1008;
    return 0;
}

OCIBind* find_bind(OCIStmt* s, const std::string& name) {
    for (auto& b : s->binds)
        if (b->name == name) return b.get();
    return nullptr;
}

// RETURNING ... INTO: every bind named must have been bound at execute time with callbacks.
int check_returning_binds(OCIStmt* s, const returning_clause& r, OCIError* err) {
    for (const std::string& name : r.binds) {
        OCIBind* b = find_bind(s, name);
        if (!b) return fail(err, 1008), 1008;
        if (!(b->mode & OCI_DATA_AT_EXEC) || !b->out_callback) return fail(err, 24369), 24369;
    }
    return 0;
}

// The in-bind callbacks, called at execute for every data-at-execute bind: a bind that only
// receives (a RETURNING target) is asked once and hands back no data.
int call_in_binds(OCIStmt* s, OCIError* err) {
    for (auto& b : s->binds) {
        if (!(b->mode & OCI_DATA_AT_EXEC) || !b->in_callback) continue;
        void* buffer = nullptr;
        ub4 length = 0;
        ub1 piece = OCI_ONE_PIECE;
        void* indicator = nullptr;
        if (b->in_callback(b->in_context, b.get(), 0, 0, &buffer, &length, &piece, &indicator) != OCI_CONTINUE)
            return fail(err, 24343), 24343;
    }
    return 0;
}

// The out-bind callbacks, once per returned row (index 0..rows-1), each handing the buffer
// the value goes into; the text is put there in the environment's encoding.
int call_out_binds(OCIStmt* s, const returning_clause& r, const dml_outcome& out, OCIError* err) {
    for (const std::string& name : r.binds) {
        OCIBind* b = find_bind(s, name);
        b->rows_returned = static_cast<ub4>(out.rowids.size());
        for (size_t row = 0; row < out.rowids.size(); ++row) {
            void* buffer = nullptr;
            ub4* length = nullptr;
            ub1 piece = OCI_ONE_PIECE;
            void* indicator = nullptr;
            ub2* rcode = nullptr;
            if (b->out_callback(b->out_context, b, 0, static_cast<ub4>(row), &buffer, &length, &piece, &indicator,
                                &rcode) != OCI_CONTINUE)
                return fail(err, 24343), 24343;
            const std::string bytes = text_out(s->env->utf16, compat::utf8_to_utf16(out.rowids[row]));
            const size_t unit = s->env->utf16 ? 2 : 1;
            // The callback's length holds the buffer's size, or the bind's size when it left it.
            size_t capacity = length && *length ? *length : static_cast<size_t>(std::max(b->var.value_sz, 0));
            const bool terminated = b->var.dty == SQLT_STR;
            size_t n = bytes.size();
            ub2 code = 0;
            if (n + (terminated ? unit : 0) > capacity) {
                n = capacity >= unit ? (capacity - (terminated ? unit : 0)) / unit * unit : 0;
                code = 1406;
            }
            if (buffer) {
                std::memcpy(buffer, bytes.data(), n);
                if (terminated && n + unit <= capacity) std::memset(static_cast<char*>(buffer) + n, 0, unit);
            }
            if (length) *length = static_cast<ub4>(n);
            if (indicator) *static_cast<sb2*>(indicator) = 0;
            if (rcode) *rcode = code;
        }
    }
    return 0;
}

sword run_dml(OCISvcCtx* svc, OCIStmt* s, OCIError* err, ub4 mode, client_statement kind) {
    store_session& session = *svc->session;
    const std::string text = compat::utf16_to_utf8(s->text);
    std::optional<returning_clause> returning;
    try {
        returning = split_returning(text);
    } catch (const ora_error& e) {
        return fail(err, e.code, e.message);
    }
    plsql_scope values;
    try {
        if (const int code = collect_bind_values(s, text, returning ? returning->statement : text, values)) {
            if (code == 3001) return fail(err, code, "ORA-03001: unimplemented feature: a bind of this type");
            return fail(err, code);
        }
    } catch (const ora_error& e) {
        return fail(err, e.code, e.message);
    }
    if (returning) {
        if (check_returning_binds(s, *returning, err)) return OCI_ERROR;
    }
    if (call_in_binds(s, err)) return OCI_ERROR;
    if (begin_transaction(session, err)) return OCI_ERROR;
    dml_outcome out;
    {
        statement_savepoint point(session);
        if (!point.ok()) return sqlite_fail(session, err), OCI_ERROR;
        try {
            const std::string& statement = returning ? returning->statement : text;
            out = kind == client_statement::insert ? run_insert(session.db, session.state, statement, &values)
                                                   : run_update(session.db, statement, &values);
        } catch (const ora_error& e) {
            return fail(err, e.code, e.message);
        } catch (const store_error& e) {
            return fail(err, 600, "ORA-00600: internal error code, arguments: [ocilite], [" + e.message + "]");
        }
        if (returning && call_out_binds(s, *returning, out, err)) return OCI_ERROR;
        point.keep();
    }
    s->row_count = static_cast<ub4>(out.rows);
    s->executed = true;
    if ((mode & OCI_COMMIT_ON_SUCCESS) && commit_transaction(session, err)) return OCI_ERROR;
    return OCI_SUCCESS;
}

sword run_ddl_statement(OCISvcCtx* svc, OCIStmt* s, OCIError* err) {
    store_session& session = *svc->session;
    // DDL commits the transaction before it, and itself.
    if (commit_transaction(session, err)) return OCI_ERROR;
    if (exec(session, "BEGIN IMMEDIATE", err)) return OCI_ERROR;
    try {
        run_ddl(session.db, session.state, compat::utf16_to_utf8(s->text));
    } catch (const ora_error& e) {
        sqlite3_exec(session.db, "ROLLBACK", nullptr, nullptr, nullptr);
        return fail(err, e.code, e.message);
    } catch (const store_error& e) {
        sqlite3_exec(session.db, "ROLLBACK", nullptr, nullptr, nullptr);
        return fail(err, 600, "ORA-00600: internal error code, arguments: [ocilite], [" + e.message + "]");
    }
    if (exec(session, "COMMIT", err)) {
        sqlite3_exec(session.db, "ROLLBACK", nullptr, nullptr, nullptr);
        return OCI_ERROR;
    }
    s->row_count = 0;
    s->executed = true;
    return OCI_SUCCESS;
}

}  // namespace

int begin_transaction(store_session& s, OCIError* err) {
    if (s.in_transaction) return 0;
    if (int rc = exec(s, "BEGIN IMMEDIATE", err)) return rc;
    s.in_transaction = true;
    ++s.transaction;
    return 0;
}

int commit_transaction(store_session& s, OCIError* err) {
    if (!s.in_transaction) return 0;
    if (int rc = exec(s, "COMMIT", err)) return rc;
    s.in_transaction = false;
    return 0;
}

int rollback_transaction(store_session& s, OCIError* err) {
    if (!s.in_transaction) return 0;
    if (int rc = exec(s, "ROLLBACK", err)) return rc;
    s.in_transaction = false;
    return 0;
}

sword end_transaction(OCISvcCtx* svchp, OCIError* errhp, bool commit) {
    OCISvcCtx* svc = as_handle<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!svc || !err) return OCI_INVALID_HANDLE;
    clear(err);
    if (!svc->session) return fail(err, 1012);
    round_trip();
    const int rc = commit ? commit_transaction(*svc->session, err) : rollback_transaction(*svc->session, err);
    return rc ? OCI_ERROR : OCI_SUCCESS;
}

sword execute_client_statement(OCISvcCtx* svc, OCIStmt* s, OCIError* err, ub4 iters, ub4 mode) {
    if (iters == 0) return fail(err, 24333);
    const client_statement kind = classify_statement(compat::utf16_to_utf8(s->text));
    switch (kind) {
        case client_statement::ddl:
            return run_ddl_statement(svc, s, err);
        case client_statement::insert:
        case client_statement::update:
            return run_dml(svc, s, err, mode, kind);
        case client_statement::commit:
            return commit_transaction(*svc->session, err) ? OCI_ERROR : OCI_SUCCESS;
        case client_statement::rollback:
            return rollback_transaction(*svc->session, err) ? OCI_ERROR : OCI_SUCCESS;
        case client_statement::delete_rows:
            return fail(err, 3001, "ORA-03001: unimplemented feature");
        case client_statement::no_op:
        case client_statement::query:
            break;
    }
    s->executed = true;
    return OCI_SUCCESS;
}

}  // namespace ocilite

using namespace ocilite;

OCILITE_EXPORT sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindpp, OCIError* errhp, const OraText* placeholder,
                                   sb4 placeh_len, void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                                   ub2* rcodep, ub4, ub4*, ub4 mode) {
    OCIStmt* s = as_handle<OCIStmt>(stmtp, OCI_HTYPE_STMT);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!s || !err || !bindpp || !placeholder || placeh_len <= 0) return OCI_INVALID_HANDLE;
    clear(err);
    std::string name = compat::utf16_to_utf8(text_in(s->env->utf16, placeholder, static_cast<ub4>(placeh_len)));
    if (!name.empty() && name[0] == ':') name.erase(0, 1);
    name = compat::to_upper_utf8(name);
    if (name.empty()) return fail(err, 1036, "ORA-01036: illegal variable name/number");
    // Binding a name again rebinds it, as a new handle.
    OCIBind* b = nullptr;
    for (auto& existing : s->binds)
        if (!existing->position && existing->name == name) b = existing.get();
    if (!b) {
        s->binds.push_back(std::make_unique<OCIBind>());
        b = s->binds.back().get();
    }
    b->in_context = b->out_context = nullptr;
    b->in_callback = nullptr;
    b->out_callback = nullptr;
    b->rows_returned = 0;
    b->name = name;
    b->position = 0;
    b->charset_form = SQLCS_IMPLICIT;
    b->var = {valuep, value_sz, dty, indp, alenp, rcodep};
    b->mode = mode;
    *bindpp = b;
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindpp, OCIError* errhp, ub4 position, void* valuep,
                                  sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4, ub4*, ub4 mode) {
    OCIStmt* s = as_handle<OCIStmt>(stmtp, OCI_HTYPE_STMT);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!s || !err || !bindpp) return OCI_INVALID_HANDLE;
    clear(err);
    if (position == 0) return fail(err, 1036, "ORA-01036: illegal variable name/number");
    // Binding a position again rebinds it, keeping the handle.
    OCIBind* b = nullptr;
    for (auto& existing : s->binds)
        if (existing->position == position) b = existing.get();
    if (!b) {
        s->binds.push_back(std::make_unique<OCIBind>());
        b = s->binds.back().get();
    }
    b->in_context = b->out_context = nullptr;
    b->in_callback = nullptr;
    b->out_callback = nullptr;
    b->rows_returned = 0;
    b->name.clear();
    b->position = position;
    b->charset_form = SQLCS_IMPLICIT;
    b->var = {valuep, value_sz, dty, indp, alenp, rcodep};
    b->mode = mode;
    *bindpp = b;
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void* ictxp, OCICallbackInBind icbfp, void* octxp,
                                    OCICallbackOutBind ocbfp) {
    OCIBind* b = as_handle<OCIBind>(bindp, OCI_HTYPE_BIND);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!b || !err) return OCI_INVALID_HANDLE;
    clear(err);
    b->in_context = ictxp;
    b->in_callback = icbfp;
    b->out_context = octxp;
    b->out_callback = ocbfp;
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4) {
    return end_transaction(svchp, errhp, true);
}

OCILITE_EXPORT sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4) {
    return end_transaction(svchp, errhp, false);
}
