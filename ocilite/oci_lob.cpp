// LOB locators: character set form, length and reads with Oracle's amount and offset rules.
// CLOB amounts and offsets count characters (UTF-16 units, as Oracle counts them), BLOB
// ones bytes. An amount of 0, or one larger than the buffer holds, reads in streamed mode:
// with a callback, piece by piece through it; without, by polling (OCI_NEED_DATA until the
// last piece).
#include <algorithm>
#include <cstring>

#include "ocilite/oci_handles.h"
#include "ocilite/oci_sim.h"
#include "ocilite/oci_text.h"

using namespace ocilite;

namespace {

// The locator's value, held or in its cell.
struct lob_source {
    const OCILobLocator* loc;
    sqlite3_blob* cell;  // null when the locator holds the value
};

uint64_t lob_length(const lob_source& src) {
    if (src.cell) return static_cast<uint64_t>(sqlite3_blob_bytes(src.cell));
    return src.loc->blob ? src.loc->bytes.size() : src.loc->text.size();
}

// The cell of a locator that reads from it, opened unless a read keeps it open already;
// false when the session is gone or the row no longer holds the cell.
bool open_source(OCILobLocator* loc, std::unique_ptr<sqlite3_blob, OCILobLocator::cell_closer>& opened,
                 lob_source& src) {
    src = {loc, nullptr};
    if (loc->cell_table.empty()) return true;
    if (!loc->cell_reader) {
        const std::shared_ptr<store_session> owner = loc->cell_session.lock();
        if (!owner || !owner->db) return false;
        sqlite3_blob* blob = nullptr;
        const int rc = sqlite3_blob_open(owner->db, "main", loc->cell_table.c_str(), loc->cell_column.c_str(),
                                         loc->cell_rowid, 0, &blob);
        opened.reset(blob);
        if (rc != SQLITE_OK) return false;
    }
    src.cell = opened ? opened.get() : loc->cell_reader.get();
    return true;
}

// Whether CLOB text goes out as UTF-16 for this read (csid 0 is the environment's set).
bool utf16_out(const OCILobLocator* loc, ub2 csid) {
    if (csid == OCI_UTF16ID) return true;
    if (csid == 0) return loc->env->utf16;
    return false;
}

// Copies up to `units` units from position `from` into buf (bufl bytes). Returns the units
// taken; *bytes gets the bytes written.
uint64_t copy_piece(const lob_source& src, uint64_t from, uint64_t units, void* buf, ub4 bufl, bool utf16, ub4* bytes) {
    const OCILobLocator* loc = src.loc;
    if (src.cell) {
        const uint64_t n =
            std::min<uint64_t>(std::min<uint64_t>(units, bufl), lob_length(src) - std::min(from, lob_length(src)));
        if (n && sqlite3_blob_read(src.cell, buf, static_cast<int>(n), static_cast<int>(from)) != SQLITE_OK) {
            *bytes = 0;
            return 0;
        }
        *bytes = static_cast<ub4>(n);
        return n;
    }
    if (loc->blob) {
        const uint64_t n = std::min<uint64_t>(units, bufl);
        std::memcpy(buf, loc->bytes.data() + from, n);
        *bytes = static_cast<ub4>(n);
        return n;
    }
    if (utf16) {
        const uint64_t n = std::min<uint64_t>(units, bufl / 2);
        std::memcpy(buf, loc->text.data() + from, n * 2);
        *bytes = static_cast<ub4>(n * 2);
        return n;
    }
    // A varying-width client set: as many whole characters as fit in the buffer.
    text_writer w(false, buf, bufl);
    uint64_t taken = 0;
    while (taken < units && from + taken < loc->text.size()) {
        const size_t before = w.written();
        const char16_t u = loc->text[from + taken];
        const bool pair = u >= 0xD800 && u <= 0xDBFF && from + taken + 1 < loc->text.size();
        w.put_utf16(loc->text.data() + from + taken, pair ? 2 : 1);
        if (w.truncated() || w.written() == before) break;
        taken += pair ? 2 : 1;
    }
    *bytes = static_cast<ub4>(w.written());
    return taken;
}

// What *amtp reports for a piece: characters for a CLOB read in a fixed-width set, bytes
// otherwise.
ub4 reported(const OCILobLocator* loc, uint64_t units, ub4 bytes, bool utf16) {
    if (loc->blob || utf16) return static_cast<ub4>(units);
    return bytes;
}

}  // namespace

OCILITE_EXPORT sword OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp, ub1* csfrm) {
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!as_handle<OCIEnv>(envhp, OCI_HTYPE_ENV) || !err || !csfrm) return OCI_INVALID_HANDLE;
    clear(err);
    const OCILobLocator* loc = as_handle<OCILobLocator>(locp, OCI_DTYPE_LOB);
    if (!loc) return fail(err, 22275);
    *csfrm = loc->filled && !loc->blob ? loc->form : 0;
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp) {
    OCISvcCtx* svc = as_handle<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!svc || !err || !lenp) return OCI_INVALID_HANDLE;
    clear(err);
    OCILobLocator* loc = as_handle<OCILobLocator>(locp, OCI_DTYPE_LOB);
    if (!loc || !loc->filled) return fail(err, 22275);
    if (!svc->session) return fail(err, 1012);
    round_trip();
    std::unique_ptr<sqlite3_blob, OCILobLocator::cell_closer> opened;
    lob_source src{};
    if (!open_source(loc, opened, src)) return fail(err, 22275);
    *lenp = static_cast<ub4>(lob_length(src));
    return OCI_SUCCESS;
}

OCILITE_EXPORT sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                                void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp, ub2 csid, ub1) {
    OCISvcCtx* svc = as_handle<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (!svc || !err || !amtp) return OCI_INVALID_HANDLE;
    clear(err);
    OCILobLocator* loc = as_handle<OCILobLocator>(locp, OCI_DTYPE_LOB);
    if (!loc || !loc->filled) return fail(err, 22275);
    if (!svc->session) return fail(err, 1012);
    if (!bufp || bufl == 0) return fail(err, 24801);
    round_trip();
    std::unique_ptr<sqlite3_blob, OCILobLocator::cell_closer> opened;
    lob_source src{};
    if (!open_source(loc, opened, src)) return fail(err, 22275);
    // the cell stays open until a read reaches its end, or the locator is fetched again
    if (opened) loc->cell_reader = std::move(opened);
    const bool utf16 = utf16_out(loc, csid);
    const uint64_t length = lob_length(src);
    ub4 bytes = 0;
    const auto finish = [&](uint64_t end) {
        if (end >= length) loc->cell_reader.reset();
    };

    if (loc->polling) {
        // Going on with a streamed read: amount and offset of this call do not count.
        const uint64_t units = copy_piece(src, loc->poll_next, loc->poll_remaining, bufp, bufl, utf16, &bytes);
        loc->poll_next += units;
        loc->poll_remaining -= units;
        *amtp = reported(loc, units, bytes, utf16);
        if (loc->poll_remaining == 0 || units == 0) {
            loc->polling = false;
            finish(length);
            return OCI_SUCCESS;
        }
        return OCI_NEED_DATA;
    }

    if (offset < 1) return fail(err, 24801);
    if (offset > length) {
        finish(length);
        *amtp = 0;
        return OCI_NO_DATA;
    }
    const uint64_t start = offset - 1;
    const uint64_t available = length - start;
    const uint64_t wanted = *amtp == 0 ? available : std::min<uint64_t>(*amtp, available);
    const uint64_t capacity = loc->blob ? bufl : (utf16 ? bufl / 2 : bufl);

    if (*amtp != 0 && *amtp <= capacity) {
        const uint64_t units = copy_piece(src, start, wanted, bufp, bufl, utf16, &bytes);
        *amtp = reported(loc, units, bytes, utf16);
        finish(start + units);
        return OCI_SUCCESS;
    }

    if (cbfp) {
        // Streamed through the callback: each full buffer is one piece.
        uint64_t next = start;
        uint64_t remaining = wanted;
        uint64_t total = 0;
        bool first = true;
        while (remaining > 0) {
            const uint64_t units = copy_piece(src, next, remaining, bufp, bufl, utf16, &bytes);
            if (units == 0) break;
            next += units;
            remaining -= units;
            total += reported(loc, units, bytes, utf16);
            const ub1 piece =
                remaining == 0 ? (first ? OCI_ONE_PIECE : OCI_LAST_PIECE) : (first ? OCI_FIRST_PIECE : OCI_NEXT_PIECE);
            first = false;
            if (cbfp(ctxp, bufp, bytes, piece) != OCI_CONTINUE) break;
        }
        *amtp = static_cast<ub4>(total);
        finish(next);
        return OCI_SUCCESS;
    }

    // Polling: the first piece now, the rest on the calls that follow.
    const uint64_t units = copy_piece(src, start, wanted, bufp, bufl, utf16, &bytes);
    *amtp = reported(loc, units, bytes, utf16);
    if (units >= wanted || units == 0) {
        finish(units == 0 ? length : start + units);
        return OCI_SUCCESS;
    }
    loc->polling = true;
    loc->poll_next = start + units;
    loc->poll_remaining = wanted - units;
    return OCI_NEED_DATA;
}
