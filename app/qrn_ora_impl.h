// The source half of the product converter: the Oracle connection settings, the Oracle
// engine and the open source database, and the "Oracle settings" part of a profile.
#pragma once

#include <memory>

#include "ORA/ora_db.h"
#include "ORA/ora_engi.h"
#include "UDB/udb_prof.h"
#include "compat/text/text.h"

inline constexpr const char16_t* qrn_sec_oracle = u"Oracle settings";

class oracle_converter_impl {
public:
    oracle_converter_impl();
    virtual ~oracle_converter_impl();
    oracle_converter_impl(const oracle_converter_impl&) = delete;
    oracle_converter_impl& operator=(const oracle_converter_impl&) = delete;

    void store_oracle_settings(const compat::wstring& host, const compat::wstring& user,
                               const compat::wstring& password, const compat::wstring& port);
    // Replaces the open source database by a new connection to the service; the engine's
    // errors propagate.
    void connect_oracle_server(const compat::wstring& service);
    // Whether the source parses the text; never raises. Opens the database by name first
    // when none is open.
    bool test_query(const compat::wstring& database, const compat::wstring& user, const compat::wstring& password,
                    const compat::wstring& text);

    bool load_profile(const udb_profile& profile);
    bool store_profile(udb_profile& profile) const;

    // The open source database, or nullptr before a connect.
    ora_database* source_database() const { return source_db_.get(); }

    const compat::wstring& oracle_user() const { return ora_user_; }
    const compat::wstring& oracle_password() const { return ora_password_; }
    const compat::wstring& oracle_host() const { return ora_host_; }
    const compat::wstring& oracle_port() const { return ora_port_; }

protected:
    ora_engine ora_engine_;  // declared first: it outlives the database opened through it
    std::unique_ptr<ora_database> source_db_;
    compat::wstring ora_db_name_;
    compat::wstring ora_user_;
    compat::wstring ora_password_;
    compat::wstring ora_host_;
    compat::wstring ora_port_;
};
