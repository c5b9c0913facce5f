// LOB writes through a locator of a row locked by SELECT ... FOR UPDATE.
#include <algorithm>
#include <cstring>

#include "compat/text/text.h"
#include "ocilite/client_sql.h"
#include "ocilite/oci_handles.h"
#include "ocilite/oci_sim.h"
#include "ocilite/store.h"

namespace ocilite {

namespace {

constexpr ub2 utf8_id = 871;      // UTF8
constexpr ub2 al32utf8_id = 873;  // AL32UTF8

enum class buffer_encoding { utf16, utf8, unsupported };

// The buffer's character set: the id given, or (id 0) the environment's.
buffer_encoding encoding_of(ub2 csid, const OCIEnv* env) {
    if (csid == 0) return env->utf16 ? buffer_encoding::utf16 : buffer_encoding::utf8;
    if (csid == OCI_UTF16ID) return buffer_encoding::utf16;
    if (csid == utf8_id || csid == al32utf8_id) return buffer_encoding::utf8;
    return buffer_encoding::unsupported;
}

template <class S>
void splice(S& value, uint64_t at, const S& piece, typename S::value_type fill) {
    if (value.size() < at) value.resize(at, fill);
    if (value.size() < at + piece.size()) value.resize(at + piece.size());
    std::copy(piece.begin(), piece.end(), value.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

}  // namespace ocilite

using namespace ocilite;

OCILITE_EXPORT sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                                 void* bufp, ub4 buflen, ub1 piece, void*, OCICallbackLobWrite, ub2 csid, ub1) {
    OCISvcCtx* svc = as_handle<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    OCIError* err = as_handle<OCIError>(errhp, OCI_HTYPE_ERROR);
    OCILobLocator* loc = as_handle<OCILobLocator>(locp, OCI_DTYPE_LOB);
    if (!svc || !err || !loc) return OCI_INVALID_HANDLE;
    clear(err);
    if (!svc->session) return fail(err, 1012);
    if (!loc->filled) return fail(err, 22275);
    if (!amtp || offset == 0 || (!bufp && buflen > 0)) return fail(err, 24801);
    if (piece != OCI_ONE_PIECE) return fail(err, 3001, "ORA-03001: unimplemented feature: LOB writes in pieces");
    round_trip();
    // Writing needs the row locked in this session's open transaction.
    std::shared_ptr<store_session> owner = loc->lock_session.lock();
    if (!owner || owner != svc->session || !owner->in_transaction || loc->lock_transaction != owner->transaction ||
        loc->lock_table.empty())
        return fail(err, 22920);
    const uint64_t at = offset - 1;
    std::string stored;
    ub4 written = 0;
    // One piece carries the whole amount: a buffer that holds less is refused, never cut.
    constexpr int short_buffer = 24811;
    if (loc->blob) {
        if (*amtp > buflen) return fail(err, short_buffer);
        const ub4 n = *amtp;
        std::string bytes(static_cast<const char*>(bufp), n);
        splice(loc->bytes, at, bytes, '\0');
        stored = loc->bytes;
        written = n;
    } else {
        std::u16string text;
        switch (encoding_of(csid, loc->env)) {
            case buffer_encoding::utf16: {
                // A fixed-width buffer: the amount counts characters, the length bytes, so
                // an odd length ends inside a character.
                if (buflen % 2) return fail(err, 22993);
                if (*amtp > buflen / 2) return fail(err, short_buffer);
                const ub4 n = *amtp;
                text.resize(n);
                std::memcpy(text.data(), bufp, static_cast<size_t>(n) * 2);
                break;
            }
            case buffer_encoding::utf8:
                // A varying-width buffer: the amount counts bytes.
                if (*amtp > buflen) return fail(err, short_buffer);
                text = compat::utf8_to_utf16(std::string_view(static_cast<const char*>(bufp), *amtp));
                break;
            case buffer_encoding::unsupported:
                return fail(err, 1482, "ORA-01482: unsupported character set");
        }
        splice(loc->text, at, text, u' ');
        stored = compat::utf16_to_utf8(loc->text);
        written = static_cast<ub4>(text.size());
    }
    try {
        write_lob_cell(owner->db, loc->lock_table, loc->lock_column, loc->lock_rowid, stored, loc->blob);
    } catch (const store_error& e) {
        return fail(err, 600, "ORA-00600: internal error code, arguments: [ocilite], [" + e.message + "]");
    }
    *amtp = written;
    return OCI_SUCCESS;
}
