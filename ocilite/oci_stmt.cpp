// Statements: prepare, execute (with describe and prefetch), define and fetch.
#include <algorithm>
#include <cstring>

#include "compat/text/text.h"
#include "ocilite/client_sql.h"
#include "ocilite/oci_convert.h"
#include "ocilite/oci_handles.h"
#include "ocilite/oci_sim.h"
#include "ocilite/oci_text.h"
#include "ocilite/oci_txn.h"
#include "ocilite/store.h"

namespace ocilite {

namespace {

// The code describe reports for an Oracle type: the datetime and interval kinds are
// reported by their external codes, ROWID as the ROWID descriptor type.
ub2 describe_code(int internal) {
    switch (internal) {
        case 180:
            return SQLT_TIMESTAMP;
        case 181:
            return SQLT_TIMESTAMP_TZ;
        case 231:
            return SQLT_TIMESTAMP_LTZ;
        case 182:
            return SQLT_INTERVAL_YM;
        case 183:
            return SQLT_INTERVAL_DS;
        case 69:
            return SQLT_RDD;
        default:
            return static_cast<ub2>(internal);
    }
}

void forget_translation(OCIStmt* s) {
    s->rows.close();
    s->translated_ok = false;
    s->sql = {};
    s->kinds.clear();
    s->params.clear();
    s->session.reset();
    s->executed = false;
    s->finished = false;
}

// Translates and prepares the statement text for this session, unless that is done already.
sword ensure_translated(OCIStmt* s, const std::shared_ptr<store_session>& session, OCIError* err) {
    if (s->translated_ok && s->session == session) return OCI_SUCCESS;
    forget_translation(s);
    try {
        s->sql = translate(session->db, s->text, true);
    } catch (const ora_error& e) {
        return fail(err, e.code, e.message);
    }
    std::string sqlite_error;
    if (!s->rows.prepare(session->db, s->sql.sqlite_sql, sqlite_error)) {
        s->sql = {};
        return fail(err, 600, "ORA-00600: internal error code, arguments: [ocilite], [" + sqlite_error + "]");
    }
    s->session = session;
    for (const column_desc& c : s->sql.columns) {
        s->kinds.push_back(kind_of_type(c.type_code));
        auto p = std::make_unique<OCIParam>();
        p->column = &c;
        p->data_type = describe_code(c.type_code);
        p->name_bytes = text_out(s->env->utf16, c.name);
        s->params.push_back(std::move(p));
    }
    s->translated_ok = true;
    return OCI_SUCCESS;
}

// Rows that ride along with one round trip: the prefetch row count, bounded by the prefetch
// memory (estimated from the described sizes), never fewer than the fetch asks for.
// Oracle does not prefetch rows of queries with LONG or LONG RAW items.
uint64_t rows_per_trip(const OCIStmt* s, uint64_t asked) {
    for (source_kind k : s->kinds) {
        if (k == source_kind::long_text || k == source_kind::long_raw) return asked;
    }
    uint64_t prefetch = s->prefetch_rows;
    if (s->prefetch_memory > 0) {
        uint64_t row_bytes = 0;
        for (const column_desc& c : s->sql.columns) row_bytes += std::max(c.data_size, 1);
        const uint64_t by_memory = std::max<uint64_t>(1, s->prefetch_memory / std::max<uint64_t>(row_bytes, 1));
        prefetch = prefetch == 0 ? by_memory : std::min(prefetch, by_memory);
    }
    return std::max(prefetch, asked);
}

// The stored value of item i when it carries only its cell's rowid (a BLOB) and the define
// takes the value itself: a one-row statement whose column 0 is the value. Null when the
// item is the value, or NULL.
std::unique_ptr<sqlite_stmt> cell_value(const OCIStmt* s, sqlite3_stmt* st, size_t i) {
    if (i >= s->sql.cells.size()) return nullptr;
    const stored_cell& c = s->sql.cells[i];
    const int col = static_cast<int>(i);
    if (c.table.empty() || sqlite3_column_type(st, col) == SQLITE_NULL) return nullptr;
    auto cell =
        std::make_unique<sqlite_stmt>(s->session->db, "SELECT " + c.column + " FROM " + c.table + " WHERE rowid = ?");
    cell->bind(1, sqlite3_column_int64(st, col));
    if (!cell->step()) return nullptr;
    return cell;
}

// Converts the current row into the defines, at array index `row`. Returns 0, 1406 or an
// error number.
int put_row(OCIStmt* s, ub4 row) {
    int worst = 0;
    sqlite3_stmt* st = s->rows.get();
    const bool utf16 = s->env->utf16;
    for (size_t i = 0; i < s->defines.size(); ++i) {
        OCIDefine* d = s->defines[i].get();
        if (!d) continue;
        if (i >= s->sql.columns.size()) return 1007;
        const program_variable& v = d->var;
        std::unique_ptr<sqlite_stmt> cell;
        if (!(v.dty == SQLT_BLOB && !(d->mode & OCI_DYNAMIC_FETCH))) {
            try {
                cell = cell_value(s, st, i);
            } catch (const store_error&) {
                return 600;
            }
        }
        sqlite3_stmt* from = cell ? cell->get() : st;
        const int col = cell ? 0 : static_cast<int>(i);
        if (d->mode & OCI_DYNAMIC_FETCH) {
            const size_t limit = v.value_sz > 0 ? static_cast<size_t>(v.value_sz) : 0;
            const int rc = fetch_pieces(from, col, s->kinds[i],
                                        {d, row, d->piece_callback, d->piece_context, limit, v.dty, utf16});
            if (rc == 1406) {
                worst = 1406;
            } else if (rc != 0) {
                return rc;
            }
            continue;
        }
        const bool locator = v.dty == SQLT_CLOB || v.dty == SQLT_BLOB || v.dty == SQLT_BFILEE;
        const size_t stride = locator ? sizeof(void*) : static_cast<size_t>(std::max(v.value_sz, 0));
        sb2* indicators = static_cast<sb2*>(v.indp);
        fetch_slot slot{static_cast<unsigned char*>(v.valuep) + stride * row,
                        v.value_sz,
                        v.dty,
                        indicators ? indicators + row : nullptr,
                        v.lenp ? v.lenp + row : nullptr,
                        v.rcodep ? v.rcodep + row : nullptr,
                        utf16};
        const int rc = fetch_value(from, col, s->kinds[i], s->sql.columns[i], slot);
        if (rc == 0 && v.dty == SQLT_BLOB && i < s->sql.cells.size() && !s->sql.cells[i].table.empty() &&
            sqlite3_column_type(st, static_cast<int>(i)) != SQLITE_NULL) {
            // the item is the cell's rowid: the value stays where it is stored
            auto* loc = as_handle<OCILobLocator>(*reinterpret_cast<void**>(slot.value), OCI_DTYPE_LOB);
            if (loc) {
                loc->cell_reader.reset();
                loc->cell_session = s->session;
                loc->cell_table = s->sql.cells[i].table;
                loc->cell_column = s->sql.cells[i].column;
                loc->cell_rowid = sqlite3_column_int64(st, static_cast<int>(i));
                std::string().swap(loc->bytes);
                loc->lock_table.clear();
            }
        }
        if (rc == 0 && locator && s->sql.for_update && !s->sql.lock_columns[i].empty()) {
            // A locator of a locked row can be written to until the lock goes.
            auto* loc = as_handle<OCILobLocator>(*reinterpret_cast<void**>(slot.value), OCI_DTYPE_LOB);
            if (loc) {
                loc->lock_session = s->session;
                loc->lock_transaction = s->session->transaction;
                loc->lock_table = s->sql.lock_table;
                loc->lock_column = s->sql.lock_columns[i];
                loc->lock_rowid = sqlite3_column_int64(st, static_cast<int>(s->sql.columns.size()));
            }
        }
        if (rc == 1406) {
            worst = 1406;
        } else if (rc != 0) {
            return rc;
        }
    }
    return worst;
}

// Hands out up to n rows into the defines; `trip_paid` when the calling execute already
// made the round trip. Sets rows_fetched and the status as OCI reports it.
sword fetch_rows(OCIStmt* s, OCIError* err, ub4 n, bool trip_paid) {
    s->rows_fetched = 0;
    for (const auto& d : s->defines) {
        // Oracle would then hand the pieces out by OCIStmtGetPieceInfo, which ocilite lacks.
        if (d && (d->mode & OCI_DYNAMIC_FETCH) && !d->piece_callback)
            return fail(err, 3001, "ORA-03001: unimplemented feature: a piecewise define without OCIDefineDynamic");
    }
    bool truncated = false;
    for (ub4 i = 0; i < n; ++i) {
        if (s->rows.needs_round_trip()) {
            if (!trip_paid) round_trip();
            trip_paid = true;
            s->rows.delivered(rows_per_trip(s, n - i));
        }
        if (s->rows.exhausted()) break;
        const int rc = s->rows.step();
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) {
            return fail(err, 600,
                        "ORA-00600: internal error code, arguments: [ocilite], [" +
                            std::string(sqlite3_errmsg(s->session->db)) + "]");
        }
        ++s->rows_fetched;
        ++s->row_count;
        const int put = put_row(s, i);
        if (put == 1406) {
            truncated = true;
        } else if (put != 0) {
            return fail(err, put);
        }
    }
    if (s->rows_fetched < n) {
        s->finished = true;
        return note(err, OCI_NO_DATA, 1403);
    }
    if (truncated) return note(err, OCI_SUCCESS_WITH_INFO, 1406);
    return OCI_SUCCESS;
}

sword run_non_query(OCIStmt* s, OCIError* err, ub4 iters) {
    if (iters == 0) return fail(err, 24333);
    s->row_count = 0;
    for (ub4 i = 0; i < iters; ++i) {
        s->rows.restart(0);
        int rc;
        while ((rc = sqlite3_step(s->rows.get())) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) {
            const int ext = sqlite3_extended_errcode(s->session->db);
            if ((ext & 0xFF) == SQLITE_CONSTRAINT) return fail(err, 1);
            return fail(err, 600,
                        "ORA-00600: internal error code, arguments: [ocilite], [" +
                            std::string(sqlite3_errmsg(s->session->db)) + "]");
        }
        s->row_count += static_cast<ub4>(sqlite3_changes(s->session->db));
    }
    s->executed = true;
    return OCI_SUCCESS;
}

}  // namespace

}  // namespace ocilite

using namespace ocilite;

OCILITE_EXPORT sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len, ub4, ub4) {
    OCIStmt* s = as_handle<OCIStmt>(stmtp, OCI_HTYPE_STMT);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!s || !err) return OCI_INVALID_HANDLE;
    clear(err);
    // Preparing is local to the client; the server sees the text at execute.
    std::u16string text = text_in(s->env->utf16, stmt, stmt_len);
    if (!s->prepared || text != s->text) {
        forget_translation(s);
        s->text = std::move(text);
    }
    s->prepared = true;
    s->executed = false;
    s->finished = false;
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4,
                                    const OCISnapshot*, OCISnapshot*, ub4 mode) {
    OCISvcCtx* svc = as_handle<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    OCIStmt* s = as_handle<OCIStmt>(stmtp, OCI_HTYPE_STMT);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!svc || !s || !err) return OCI_INVALID_HANDLE;
    clear(err);
    if (!svc->session) return fail(err, 1012);
    if (!s->prepared) return fail(err, 24337);
    round_trip();
    if (const int code = injected_error(call_kind::execute)) return fail(err, code);
    try {
        check_literal_lengths(compat::utf16_to_utf8(s->text));
    } catch (const ora_error& e) {
        return fail(err, e.code, e.message);
    }
    if (classify_statement(compat::utf16_to_utf8(s->text)) != client_statement::query) {
        s->executed = false;
        s->finished = false;
        if (mode & (OCI_PARSE_ONLY | OCI_DESCRIBE_ONLY)) return OCI_SUCCESS;
        return execute_client_statement(svc, s, err, iters, mode);
    }
    if (const sword rc = ensure_translated(s, svc->session, err); rc != OCI_SUCCESS) return rc;
    // SELECT ... FOR UPDATE locks its rows for the session's transaction, which it opens.
    if (s->sql.for_update && !(mode & (OCI_PARSE_ONLY | OCI_DESCRIBE_ONLY)) && begin_transaction(*svc->session, err))
        return OCI_ERROR;
    s->executed = false;
    s->finished = false;
    s->rows_fetched = 0;
    if (mode & OCI_PARSE_ONLY) return OCI_SUCCESS;
    if (!s->sql.is_query) return run_non_query(s, err, iters);

    s->row_count = 0;
    if (s->defines.size() > s->sql.columns.size()) {
        for (size_t i = s->sql.columns.size(); i < s->defines.size(); ++i) {
            if (s->defines[i]) return fail(err, 1007);
        }
    }
    // The execute's round trip brings back the first rows (prefetch) with it.
    s->rows.restart((mode & OCI_DESCRIBE_ONLY) ? 0 : (iters == 0 ? rows_per_trip(s, 0) : 0));
    s->executed = true;
    if ((mode & OCI_DESCRIBE_ONLY) || iters == 0) return OCI_SUCCESS;
    s->rows.delivered(rows_per_trip(s, iters));
    return fetch_rows(s, err, iters, true);
}

OCILITE_EXPORT sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnpp, OCIError* errhp, ub4 position, void* valuep,
                                    sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep, ub4 mode) {
    OCIStmt* s = as_handle<OCIStmt>(stmtp, OCI_HTYPE_STMT);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!s || !err || !defnpp) return OCI_INVALID_HANDLE;
    clear(err);
    if (position == 0) return fail(err, 1007);
    if (s->defines.size() < position) s->defines.resize(position);
    auto& slot = s->defines[position - 1];
    // Defining a position again replaces its define, keeping the handle.
    if (!slot) slot = std::make_unique<OCIDefine>();
    OCIDefine* d = slot.get();
    d->stmt = s;
    d->position = position;
    d->var = {valuep, value_sz, dty, indp, rlenp, rcodep};
    // a piecewise define takes its callback anew
    d->mode = mode;
    d->piece_context = nullptr;
    d->piece_callback = nullptr;
    *defnpp = d;
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp, OCICallbackDefine ocbfp) {
    OCIDefine* d = as_handle<OCIDefine>(defnp, OCI_HTYPE_DEFINE);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!d || !err) return OCI_INVALID_HANDLE;
    clear(err);
    d->piece_context = octxp;
    d->piece_callback = ocbfp;
    return OCI_SUCCESS;
}

namespace {

sword fetch_common(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation) {
    OCIStmt* s = as_handle<OCIStmt>(stmtp, OCI_HTYPE_STMT);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!s || !err) return OCI_INVALID_HANDLE;
    clear(err);
    // Only forward fetches: a scrollable orientation, or none (0), is refused.
    if (orientation != OCI_FETCH_NEXT) return fail(err, 24391);
    if (!s->executed) return fail(err, 24338);
    if (!s->sql.is_query || s->finished) return fail(err, 1002);
    if (nrows == 0) {
        // A fetch of no rows closes the cursor.
        s->finished = true;
        return OCI_SUCCESS;
    }
    if (const int code = injected_error(call_kind::fetch)) {
        if (s->rows.needs_round_trip()) round_trip();
        return fail(err, code);
    }
    return fetch_rows(s, err, nrows, false);
}

}  // namespace

OCILITE_EXPORT sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4) {
    return fetch_common(stmtp, errhp, nrows, orientation);
}

OCILITE_EXPORT sword OCIStmtFetch2(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4, ub4) {
    return fetch_common(stmtp, errhp, nrows, orientation);
}
