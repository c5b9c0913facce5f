#include "app/qrn_ora_impl.h"

#include "app/qrn_errh.h"
#include "app/qrn_port.h"

#include "TK/tk_trace.h"
#include "TK/tk_utils.h"

using compat::wstring;

namespace {
// One key for the host in both directions; "IP" is read too, for profiles that used it.
constexpr const char16_t* key_host = u"host";
constexpr const char16_t* key_host_old = u"IP";
constexpr const char16_t* key_user = u"user";
constexpr const char16_t* key_password = u"password";
constexpr const char16_t* key_port = u"port";

void load_non_empty(const udb_profile& p, const char16_t* key, wstring& field) {
    wstring v = p.get_value(qrn_sec_oracle, key);
    if (!v.empty()) field = std::move(v);
}
}  // namespace

oracle_converter_impl::oracle_converter_impl() { tk_log::log(2, "oracle_converter_impl::ctor"); }

oracle_converter_impl::~oracle_converter_impl() {
    tk_log::log(2, "oracle_converter_impl::dtor");
    source_db_.reset();
}

void oracle_converter_impl::store_oracle_settings(const wstring& host, const wstring& user, const wstring& password,
                                                  const wstring& port) {
    tk_log::log(2, u"oracle_converter_impl::store_oracle_settings(%s,%s,%s,%s)", host, user, tk_hidden_wpassword, port);
    ora_host_ = host;
    ora_user_ = user;
    ora_password_ = password;
    ora_port_ = port;
}

void oracle_converter_impl::connect_oracle_server(const wstring& service) {
    tk_log::log(2, u"oracle_converter_impl::connect_oracle_server(%s)", service);
    // A profile's port too: a wrapped or half-read number would reach another listener.
    if (!ora_port_.empty() && !qrn_parse_port(compat::utf16_to_utf8(ora_port_)))
        throw tk_exception("Invalid port number", 1);
    source_db_.reset();
    source_db_ = ora_engine_.open_db(ora_host_, ora_user_, ora_password_, ora_port_, service);
    // What the database reports without stopping (a foreign key it could not create) goes
    // to the error handler like every error of a run, in its context, inside the run.
    source_db_->set_error_sink([](const wstring& context, const tk_exception& e) {
        error_handler& handler = error_handler::instance();
        handler.set_context_text(tk_to_narrow(context));
        handler.handle(e, false);
    });
    // The run's progress line and the query test name the database by the service.
    ora_db_name_ = service;
}

bool oracle_converter_impl::test_query(const wstring& database, const wstring& user, const wstring& password,
                                       const wstring& text) {
    try {
        if (!source_db_) source_db_ = ora_engine_.open_db(database, user, password);
    } catch (const std::exception&) {
        return false;
    }
    try {
        return source_db_->test_query(text);
    } catch (const std::exception&) {
        return false;
    }
}

bool oracle_converter_impl::load_profile(const udb_profile& profile) {
    tk_log::log(2, "oracle_converter_impl::load_profile");
    wstring host = profile.get_value(qrn_sec_oracle, key_host);
    if (host.empty()) host = profile.get_value(qrn_sec_oracle, key_host_old);
    if (!host.empty()) ora_host_ = std::move(host);
    load_non_empty(profile, key_user, ora_user_);
    load_non_empty(profile, key_password, ora_password_);
    load_non_empty(profile, key_port, ora_port_);
    return true;
}

bool oracle_converter_impl::store_profile(udb_profile& profile) const {
    tk_log::log(2, "oracle_converter_impl::store_profile");
    profile.set_value(qrn_sec_oracle, key_host, ora_host_);
    profile.set_value(qrn_sec_oracle, key_user, ora_user_);
    profile.set_value(qrn_sec_oracle, key_password, ora_password_);
    profile.set_value(qrn_sec_oracle, key_port, ora_port_);
    return true;
}
