// The connection to the Oracle server: loads the client library, owns the OCI environment,
// error, server and service-context handles, logs on, and hands out the database object of
// the connection. One engine per process.
#pragma once

#include <memory>

#include "TK/tk_singl.h"
#include "compat/oci/oci.h"
#include "compat/oci/oci_loader.h"
#include "compat/text/text.h"

class ora_database;

class ora_engine : public singleton<ora_engine> {
public:
    // Oracle releases below this version word use the older catalog queries.
    static constexpr unsigned version_8 = 0x80000;

    ora_engine();
    ~ora_engine() override;

    // Loads the client library (the presence test) and creates the environment.
    void initialize();

    // Logs on with a connect string; the caller owns the database.
    std::unique_ptr<ora_database> open_db(const compat::wstring& db, const compat::wstring& user,
                                          const compat::wstring& password);
    // Builds the connect string from its parts.
    std::unique_ptr<ora_database> open_db(const compat::wstring& host, const compat::wstring& user,
                                          const compat::wstring& password, const compat::wstring& port,
                                          const compat::wstring& service);

    int get_records_cnt(const compat::wstring& name_or_query, bool is_query);
    int get_records_cnt(const compat::wstring& table) { return get_records_cnt(table, false); }

    // The server version word (major << 16 | minor << 8 | third), 0 when unreadable. Asked
    // once per connection.
    unsigned get_version();

    // Returns status unless it is an error (OCI_ERROR, OCI_INVALID_HANDLE), which raises
    // ora_exception.
    sword check_status(sword status);

    // The session's transaction, for the destination writer: commit raises on failure,
    // rollback drops what failed and reports nothing. Work a statement left uncommitted is
    // noted, so that a unit of work that may be rolled back starts after a commit.
    void commit();
    void rollback() noexcept;
    void note_uncommitted() { uncommitted_ = true; }
    void note_committed() { uncommitted_ = false; }
    bool has_uncommitted() const { return uncommitted_; }

    // "//host:port/service" with "localhost" and "1521" for missing parts; the service
    // alone when host and port are both empty.
    static compat::wstring make_connect_string(const compat::wstring& host, const compat::wstring& port,
                                               const compat::wstring& service);
    // The version word of a V$VERSION banner: the first blank-separated piece that starts
    // with a digit and reads as three dotted numbers.
    static unsigned parse_version(const compat::wstring& banner);

    const compat::oci_functions& oci() const;
    OCIEnv* env() const { return env_; }
    OCIError* err() const { return err_; }
    OCISvcCtx* svc() const { return svc_; }
    bool is_initialized() const { return initialized_; }

    bool skip_indexes() const { return skip_idx_; }
    void set_skip_indexes(bool skip) { skip_idx_ = skip; }

    const compat::wstring& database() const { return database_; }
    const compat::wstring& user() const { return user_; }

private:
    // Text of the first error record of handle (of handle type), and its number.
    std::string error_text(void* handle, ub4 type, sb4& code) const;
    [[noreturn]] void raise_status(sword status);
    void free_handles() noexcept;

    bool skip_idx_ = false;
    bool initialized_ = false;
    compat::wstring database_;
    compat::wstring user_;
    compat::wstring password_;

    std::unique_ptr<compat::oci_loader> loader_;
    OCIEnv* env_ = nullptr;
    OCIError* err_ = nullptr;
    OCIServer* srv_ = nullptr;
    OCISvcCtx* svc_ = nullptr;
    bool attached_ = false;
    bool version_known_ = false;
    unsigned version_ = 0;
    bool uncommitted_ = false;
};
