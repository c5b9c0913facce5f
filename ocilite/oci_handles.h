// The layouts behind the opaque OCI handle and descriptor types, as this library keeps them.
// Every handle starts with a magic word and its type, so a stray or wrong pointer is answered
// with OCI_INVALID_HANDLE instead of being followed.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "compat/oci/oci.h"
#include "ocilite/oci_cursor.h"
#include "ocilite/oci_error.h"
#include "ocilite/session_state.h"
#include "ocilite/sql_translate.h"

// Only the OCI entry points (and the test hooks) leave the library.
#define OCILITE_EXPORT extern "C" __attribute__((visibility("default")))

namespace ocilite {

inline constexpr uint32_t handle_magic = 0x4F43494C;

// What a failed OCILogon left in the caller's service-context pointer.
bool is_retired_handle(const void* p);

// Not polymorphic, so that the magic word sits at the start and can be tested on any
// pointer a client passes; each handle carries the function that deletes it as what it is.
struct handle {
    explicit handle(ub4 handle_type) : type(handle_type) {}
    ~handle() { magic = 0; }
    handle(const handle&) = delete;
    handle& operator=(const handle&) = delete;

    uint32_t magic = handle_magic;
    ub4 type;
    void (*destroy)(handle*) = nullptr;
    std::vector<unsigned char> user_memory;  // OCIHandleAlloc's extra memory, when asked
};

struct handle_deleter {
    void operator()(handle* h) const noexcept {
        if (h) h->destroy(h);
    }
};
using owned_handle = std::unique_ptr<handle, handle_deleter>;

template <class T, class... A>
owned_handle make_handle(A&&... args) {
    T* made = new T(std::forward<A>(args)...);
    made->destroy = [](handle* h) { delete static_cast<T*>(h); };
    return owned_handle(made);
}

// The checked view of an opaque pointer: null unless it is a live handle of that type.
template <class T>
T* as_handle(const void* p, ub4 type) {
    if (!p) return nullptr;
    auto* h = static_cast<handle*>(const_cast<void*>(p));
    if (h->magic != handle_magic || h->type != type) return nullptr;
    return static_cast<T*>(h);
}

// One logon's store: the SQLite file of the service, shared by the service context and by
// every statement executed on it (a statement may outlive its logon's handle).
struct store_session {
    ~store_session();
    sqlite3* db = nullptr;
    std::string service;
    std::string user;
    session_state state;  // USER and each sequence's CURRVAL, as statements see them
    // Work done without a commit stays in one open SQLite transaction until the session
    // commits, rolls back or logs off; each transaction has its own number, so a row lock
    // taken in one (SELECT ... FOR UPDATE) is known to be gone in the next.
    bool in_transaction = false;
    uint64_t transaction = 0;
};

// A caller's program variable as OCIDefineByPos and OCIBindByName take it.
struct program_variable {
    void* valuep = nullptr;
    sb4 value_sz = 0;
    ub2 dty = 0;
    void* indp = nullptr;
    ub2* lenp = nullptr;
    ub2* rcodep = nullptr;
};

}  // namespace ocilite

struct OCIEnv : ocilite::handle {
    OCIEnv() : handle(OCI_HTYPE_ENV) {}
    ~OCIEnv();

    ocilite::handle* adopt(ocilite::owned_handle child);
    void release(ocilite::handle* child);  // frees a child handle or descriptor

    bool utf16 = false;                // texts cross as UTF-16, else as UTF-8
    ub2 charset_id = 873;              // the client character set (AL32UTF8 unless given)
    ocilite::error_record last_error;  // for OCIErrorGet on the environment
    std::mutex children_mutex;
    std::unordered_map<ocilite::handle*, ocilite::owned_handle> children;
};

struct OCIError : ocilite::handle {
    explicit OCIError(OCIEnv* owner) : handle(OCI_HTYPE_ERROR), env(owner) {}
    OCIEnv* env;
    ocilite::error_record record;
};

struct OCIServer : ocilite::handle {
    explicit OCIServer(OCIEnv* owner) : handle(OCI_HTYPE_SERVER), env(owner) {}
    OCIEnv* env;
    bool attached = false;
};

struct OCISession : ocilite::handle {
    OCISession() : handle(OCI_HTYPE_SESSION) {}
};

struct OCISvcCtx : ocilite::handle {
    explicit OCISvcCtx(OCIEnv* owner) : handle(OCI_HTYPE_SVCCTX), env(owner) {}
    OCIEnv* env;
    OCIServer* server = nullptr;
    OCISession* session_handle = nullptr;
    std::shared_ptr<ocilite::store_session> session;  // null until logged on
};

// One select-list item as describe reports it.
struct OCIParam : ocilite::handle {
    OCIParam() : handle(OCI_DTYPE_PARAM) {}
    const ocilite::column_desc* column = nullptr;
    ub2 data_type = 0;       // the SQLT code describe reports
    std::string name_bytes;  // the name in the environment's encoding
};

struct OCIDefine : ocilite::handle {
    OCIDefine() : handle(OCI_HTYPE_DEFINE) {}
    OCIStmt* stmt = nullptr;
    ub4 position = 0;
    ocilite::program_variable var;      // lenp: the returned lengths
    ub1 charset_form = SQLCS_IMPLICIT;  // OCI_ATTR_CHARSET_FORM as the client set it
    // OCI_DYNAMIC_FETCH: the value goes piece by piece into the buffers the callback set by
    // OCIDefineDynamic hands out, up to var.value_sz bytes.
    ub4 mode = OCI_DEFAULT;
    void* piece_context = nullptr;
    OCICallbackDefine piece_callback = nullptr;
};

// A LOB locator (OCI_DTYPE_LOB), or a BFILE locator (OCI_DTYPE_FILE) that holds the
// file's DIRECTORY/name in text and can be fetched, not read.
struct OCILobLocator : ocilite::handle {
    explicit OCILobLocator(OCIEnv* owner, ub4 type = OCI_DTYPE_LOB) : handle(type), env(owner) {}
    OCIEnv* env;
    bool filled = false;  // holds a fetched LOB value
    // The cell it was fetched from by SELECT ... FOR UPDATE: writable while that row lock holds.
    std::weak_ptr<ocilite::store_session> lock_session;
    uint64_t lock_transaction = 0;
    std::string lock_table;   // t<N>
    std::string lock_column;  // c<N>
    int64_t lock_rowid = 0;
    bool blob = false;
    ub1 form = SQLCS_IMPLICIT;
    std::u16string text;  // CLOB/NCLOB value, counted in UTF-16 units as Oracle counts
    std::string bytes;    // BLOB value, unless it is read from its cell
    // A BLOB read from its stored cell when asked (cell_table set), not held here.
    std::weak_ptr<ocilite::store_session> cell_session;
    std::string cell_table;   // t<N>
    std::string cell_column;  // c<N>
    int64_t cell_rowid = 0;
    // Open while a read goes through the cell, so that each piece does not walk it again.
    struct cell_closer {
        void operator()(sqlite3_blob* b) const { sqlite3_blob_close(b); }
    };
    std::unique_ptr<sqlite3_blob, cell_closer> cell_reader;
    // An unfinished streamed read (amount 0 or larger than the buffer, no callback):
    // further calls go on from here whatever offset they pass.
    bool polling = false;
    uint64_t poll_next = 0;       // 0-based position of the next piece
    uint64_t poll_remaining = 0;  // units still to deliver
};

// A placeholder's program variable; with OCI_DATA_AT_EXEC its data comes from callbacks.
struct OCIBind : ocilite::handle {
    OCIBind() : handle(OCI_HTYPE_BIND) {}
    std::string name;  // upper case, without the colon (OCIBindByName)
    ub4 position = 0;  // the placeholder's place in the text, from 1 (OCIBindByPos)
    ub1 charset_form = SQLCS_IMPLICIT;
    ocilite::program_variable var;  // lenp: the actual lengths
    ub4 mode = OCI_DEFAULT;
    void* in_context = nullptr;
    OCICallbackInBind in_callback = nullptr;
    void* out_context = nullptr;
    OCICallbackOutBind out_callback = nullptr;
    ub4 rows_returned = 0;
};

// TIMESTAMP, TIMESTAMP WITH TIME ZONE and WITH LOCAL TIME ZONE values (by descriptor type).
struct OCIDateTime : ocilite::handle {
    explicit OCIDateTime(OCIEnv* owner, ub4 dtype) : handle(dtype), env(owner) {}
    OCIEnv* env;
    bool filled = false;  // holds a fetched value
    sb2 year = 0;
    ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
    ub4 fraction = 0;  // nanoseconds
};

struct OCIStmt : ocilite::handle {
    explicit OCIStmt(OCIEnv* owner) : handle(OCI_HTYPE_STMT), env(owner) {}
    OCIEnv* env;
    std::u16string text;  // as prepared
    bool prepared = false;

    // Translation of text for one session; kept while the text and the session stay.
    std::shared_ptr<ocilite::store_session> session;
    bool translated_ok = false;
    ocilite::translated sql;
    std::vector<ocilite::source_kind> kinds;  // per select-list item
    std::vector<std::unique_ptr<OCIParam>> params;
    ocilite::cursor rows;

    std::vector<std::unique_ptr<OCIDefine>> defines;  // by position - 1; null when not defined
    std::vector<std::unique_ptr<OCIBind>> binds;      // in the order made

    ub4 prefetch_rows = 1;    // Oracle's default: one row rides along with each round trip
    ub4 prefetch_memory = 0;  // bytes; 0 = no memory limit
    ub4 row_count = 0;
    ub4 rows_fetched = 0;
    bool executed = false;
    bool finished = false;  // OCI_NO_DATA was returned
};

// Declared from the pointer types of compat/oci, so every definition here must match them.
#define OCILITE_DECLARE_OCI(name)                                                      \
    extern "C" __attribute__((visibility("default"))) std::remove_pointer_t<name##_fn> \
        name;  // NOLINT(bugprone-macro-parentheses): a declarator
COMPAT_OCI_FUNCTIONS(OCILITE_DECLARE_OCI)
#undef OCILITE_DECLARE_OCI
