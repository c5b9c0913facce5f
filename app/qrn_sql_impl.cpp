#include "app/qrn_sql_impl.h"

#include "SQL/sql_db.h"
#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "app/qrn_port.h"

using compat::wstring;

namespace {
constexpr uint32_t ver_4_1_0 = 0x40100;

constexpr const char16_t* key_host = u"host";
constexpr const char16_t* key_user = u"user";
constexpr const char16_t* key_password = u"password";
constexpr const char16_t* key_port = u"port";
constexpr const char16_t* key_line_break = u"dump line break";

// The dump options kept as "1" or "0", in the order they are written.
struct dump_flag {
    const char16_t* key;
    bool dmp_options::*option;
};
constexpr dump_flag dump_flags[] = {
    {u"dump new version", &dmp_options::new_version},   {u"dump add lock to insert", &dmp_options::lock_tables},
    {u"dump insert comments", &dmp_options::comments},  {u"dump create database", &dmp_options::create_database},
    {u"dump create table", &dmp_options::create_table},
};

wstring value(const udb_profile& p, const char16_t* key) { return p.get_value(qrn_sec_mysql, key); }

void load_flag(const udb_profile& p, const char16_t* key, bool& flag) {
    const wstring v = value(p, key);
    if (!v.empty()) flag = v == u"1";
}

void store_flag(udb_profile& p, const char16_t* key, bool flag) { p.set_value(qrn_sec_mysql, key, flag ? u"1" : u"0"); }

wstring widen(const std::string& utf8) { return compat::utf8_to_utf16(utf8); }
std::string narrow(const wstring& text) { return compat::utf16_to_utf8(text); }
}  // namespace

mysql_converter_impl::mysql_converter_impl() {
    tk_log::log(2, "mysql_converter_impl::ctor");
    install_live_databases(sql_engine_);
}

mysql_converter_impl::~mysql_converter_impl() { tk_log::log(2, "mysql_converter_impl::dtor"); }

void mysql_converter_impl::store_mysql_settings(const std::string& host, const std::string& user,
                                                const std::string& password, const std::string& port) {
    tk_log::log(1, "mysql_converter_impl::store_mysql_settings(%s,%s,%s,%s)", host, user, tk_hidden_password, port);
    my_host_ = tk_trim(host);
    my_user_ = tk_trim(user);
    my_password_ = tk_trim(password);
    my_password_given_ = !my_password_.empty();
    my_port_ = tk_trim(port);
    if (my_port_.empty()) my_port_ = "3306";
}

void mysql_converter_impl::connect_mysql_server() {
    tk_log::log(2, "mysql_converter_impl::connect_mysql_server");
    // A wrapped or half-read number would connect to some other port.
    const std::optional<unsigned> port = qrn_parse_port(my_port_);
    if (!port) throw tk_exception("Invalid port number", 1);
    sql_engine_.connect(my_host_, my_user_,
                        my_password_given_ ? std::optional<std::string>(my_password_) : std::nullopt, *port);
}

bool mysql_converter_impl::is_mysql_base_exist(const wstring& name) {
    tk_log::log(2, u"mysql_converter_impl::is_mysql_base_exist( %s )", name);
    return sql_engine_.is_db_exist(name);
}

void mysql_converter_impl::del_mysql_base(const wstring& name) {
    tk_log::log(2, u"mysql_converter_impl::del_mysql_base (%s)", name);
    sql_engine_.db_delete(name);
}

void mysql_converter_impl::check_mysql_db_name(const wstring& name) {
    tk_log::log(2, u"mysql_converter_impl::check_mysql_db_name(%s)", name);
    const std::unique_ptr<udb_validator> validator = sql_engine_.create_dn_validator();
    if (validator->is_acceptable(name)) return;
    if (sql_engine_.version() < ver_4_1_0)
        throw tk_exception(
            "Not a valid MySQL database name. It cannot consist only of numbers\nor start with a "
            "digit and must differ from any MySQL keyword. Use\nalphanumeric symbols (A-Z, a-z, "
            "0-9), '_' and '$' to compose\nnew database name.",
            1);
    throw tk_exception(
        "Not a valid MySQL database name. Use alphanumeric characters\n(A-Z, a-z, 0-9), '_', "
        "'$' and spaces to compose new database name.",
        1);
}

bool mysql_converter_impl::load_profile(const udb_profile& profile) {
    tk_log::log(2, "mysql_converter_impl::load_profile");
    my_host_ = narrow(value(profile, key_host));
    if (wstring v = value(profile, key_user); !v.empty()) my_user_ = narrow(v);
    my_password_ = narrow(value(profile, key_password));
    my_password_given_ = !my_password_.empty();
    if (wstring v = value(profile, key_port); !v.empty()) my_port_ = narrow(v);
    if (wstring v = value(profile, key_line_break); !v.empty()) dump_opts_.line_break = v == u"1" ? 1 : 0;
    for (const dump_flag& f : dump_flags) load_flag(profile, f.key, dump_opts_.*f.option);
    return true;
}

bool mysql_converter_impl::store_profile(udb_profile& profile) const {
    tk_log::log(2, "mysql_converter_impl::store_profile");
    profile.set_value(qrn_sec_mysql, key_host, widen(my_host_));
    profile.set_value(qrn_sec_mysql, key_user, widen(my_user_));
    profile.set_value(qrn_sec_mysql, key_password, widen(my_password_));
    profile.set_value(qrn_sec_mysql, key_port, widen(my_port_));
    store_flag(profile, key_line_break, dump_opts_.line_break != 0);
    for (const dump_flag& f : dump_flags) store_flag(profile, f.key, dump_opts_.*f.option);
    return true;
}
