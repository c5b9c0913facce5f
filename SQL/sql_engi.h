// The MySQL side's engine: the one owner of the client-library connection, the holder of
// the settings that the other MySQL classes read, and the factory of destination databases
// (a live database on the server, or a dump file).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "SQL/sql_conn.h"
#include "SQL/sql_exc.h"
#include "SQL/sql_vali.h"
#include "TK/tk_singl.h"
#include "UDB/udb_db.h"
#include "compat/text/text.h"

struct dmp_options;

class sql_engine : public udb_engine, public singleton<sql_engine> {
public:
    // Builds the live database object over the open connection once the database is
    // selected (the live-server classes install it).
    using live_db_factory = std::function<std::unique_ptr<udb_database>(const compat::wstring& name,
                                                                        sql::sql_connection&, udb_open_mode mode)>;

    sql_engine();
    ~sql_engine() override;

    void initialize();
    // Without a password (nullopt) the client's option files may supply one.
    void connect(const std::string& host, const std::string& user, const std::optional<std::string>& password,
                 unsigned port);

    std::unique_ptr<udb_database> create_db(const compat::wstring& name) override;
    std::unique_ptr<udb_database> open_db(const compat::wstring& name, udb_open_mode mode) override;
    void db_delete(const compat::wstring& name) override;
    bool is_db_exist(const compat::wstring& name) override;

    // A new dump-file database, owned by the caller; no connection is needed.
    // file: the path's own bytes, when the caller has them (see dmp_database).
    std::unique_ptr<udb_database> create_dump(const compat::wstring& name, const dmp_options& options,
                                              const std::string& file = {});

    // The name in backquotes (a backquote inside doubled) from server 4.1.0, else bare.
    static compat::wstring quote_name(compat::wstring_view name);

    // Name validators for the server version in force; owned by the caller.
    std::unique_ptr<udb_validator> create_tn_validator(const sql_names& tables, const sql_names& existing) const;
    std::unique_ptr<udb_validator> create_dn_validator() const;
    std::unique_ptr<udb_validator> create_fn_validator(const udb_schema& schema) const;
    std::unique_ptr<udb_validator> create_fn_validator(const udb_record& record) const;
    std::unique_ptr<udb_validator> create_in_validator(const udb_indexes& indexes) const;

    // Steps 4 to 7 of connect on a version text: the version word, use InnoDB, and the
    // authentication check. A null or empty text leaves the word unchanged.
    void take_version_text(const char* text, bool password_given);

    // The character set of the connection and of text columns for the version in force:
    // utf8mb4 from 5.5.3 (4-byte characters), utf8 before.
    const char* text_charset() const;
    // What stands before a hexadecimal literal of UTF-8 text so that the server reads it as
    // text: the connection's character set on a live server; in a dump, utf8mb4 where the
    // loading server has it (older ones take the bytes as they are); nothing before 4.1.
    const char* text_introducer() const;
    // The same of the engine in place; "_utf8mb4 " where there is none.
    static const char* current_text_introducer();
    int bytes_per_char() const;
    // The collation of the character columns of primary and unique keys on the connected
    // server: binary and without padding where it has one (so that 'a', 'A', 'a ' and
    // 'e', 'é' stay distinct keys, as in Oracle), else its binary one; empty when not
    // connected (a dump picks it per server through versioned comments).
    const std::string& key_collation() const { return key_collation_; }
    // The connected server's InnoDB page size (16 KB when it does not say).
    size_t innodb_page_size() const { return innodb_page_size_; }

    sql::sql_connection& connection() { return connection_; }
    bool is_connected() const { return connected_; }
    void set_live_db_factory(live_db_factory factory) { live_factory_ = std::move(factory); }

    bool lock_pending() const { return lock_pending_; }
    void set_lock_pending(bool v) { lock_pending_ = v; }
    bool fast_insert() const { return fast_insert_; }
    void set_fast_insert(bool v) { fast_insert_ = v; }
    bool blob_as_text() const { return blob_as_text_; }
    void set_blob_as_text(bool v) { blob_as_text_ = v; }
    bool case_sensitive() const { return case_sensitive_; }
    void set_case_sensitive(bool v) { case_sensitive_ = v; }
    uint32_t version() const { return version_; }
    void set_version(uint32_t v) { version_ = v; }
    int use_innodb() const { return use_innodb_; }
    void set_use_innodb(int v) { use_innodb_ = v; }
    // The largest statement the connected server accepts (its max_allowed_packet, read at
    // connect); 0 when not known.
    size_t max_statement() const { return max_statement_; }

private:
    void run_or_throw(const std::string& statement);
    bool run_logged(const std::string& statement, const char* failure_format);
    void set_session_sql_mode();
    // The value of the server's variable (SELECT @@name); none when it cannot be read.
    std::optional<std::string> server_variable(const char* name);
    void read_max_statement();
    void read_key_collation();
    void read_page_size();

    bool lock_pending_ = false;
    bool connected_ = false;
    bool fast_insert_ = true;
    bool blob_as_text_ = false;
    bool case_sensitive_ = false;
    uint32_t version_ = 0;
    sql::sql_connection connection_;
    int use_innodb_ = 0;
    size_t max_statement_ = 0;
    std::string key_collation_;
    size_t innodb_page_size_ = 16384;
    live_db_factory live_factory_;
};
