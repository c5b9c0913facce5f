#include "SQL/sql_engi.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "SQL/sql_dump.h"
#include "SQL/sql_esc.h"
#include "SQL/sql_mode.h"
#include "SQL/sql_ver.h"
#include "TK/tk_trace.h"

using compat::wstring;

namespace {
std::string utf8(compat::wstring_view s) { return compat::utf16_to_utf8(s); }
}  // namespace

sql_engine::sql_engine() { initialize(); }

void sql_engine::initialize() {
    tk_log::log(2, "sql_engine::initialize");
    tk_log::log(2, "sql_engine::initialize - 1");
    // A handle that connected before starts again from mysql_init and its options.
    if (connected_) {
        connection_.reset();
        connected_ = false;
    }
    tk_log::log(2, "sql_engine::initialize - 2");
    tk_log::log(2, "sql_engine::initialize - END");
}

sql_engine::~sql_engine() {
    if (!connected_) return;
    try {
        run_logged("SET FOREIGN_KEY_CHECKS = 1", "Cannot turn ON foreign key check: %s");
    } catch (...) {
        // a destructor never throws; the connection closes below all the same
    }
}

void sql_engine::run_or_throw(const std::string& statement) {
    if (connection_.query(statement) != 0) throw sql_exception(connection_);
}

bool sql_engine::run_logged(const std::string& statement, const char* failure_format) {
    if (connection_.query(statement) == 0) return true;
    tk_log::log(2, failure_format, connection_.error_text());
    return false;
}

void sql_engine::connect(const std::string& host, const std::string& user, const std::optional<std::string>& password,
                         unsigned port) {
    // The password never reaches the trace log.
    tk_log::log(2, "sql_engine::connect(%s,%s,%s)", host, user,
                password && !password->empty() ? tk_hidden_password : "");
    if (connected_) {
        tk_log::log(2, "Connection was established already - disconnecting...");
        connection_.reset();
        connected_ = false;
    }
    tk_log::log(3, "Connecting to MySQL server...");
    if (!connection_.connect(host, user, password, port)) {
        sql_exception e(connection_);
        // the failed handle is spent: the next attempt starts from a fresh one
        connection_.reset();
        throw e;
    }
    connected_ = true;

    // The version decides the character set, so it is read first.
    const char* info = connection_.server_info();
    bool have_version = info && *info;
    if (have_version) {
        tk_log::log(2, "Got MySQL server version: %s", info);
        take_version_text(info, false);
    }

    tk_log::log(2, "Setting UTF-8 collation...");
    if (!connection_.set_character_set(text_charset())) {
        tk_log::log(3, "Failed");
        tk_log::log(2, "Cannot set UTF-8 collation: %s", connection_.error_text());
        throw sql_exception(connection_);
    }
    if (!have_version || version_ >= sql::ver_4_1_0) set_session_sql_mode();
    read_max_statement();
    read_key_collation();
    read_page_size();
    if (!have_version) return;
    if (version_ == sql::ver_4_1_0 && password && !password->empty()) throw sql_auth_not_supported_exception();
    run_logged("SET FOREIGN_KEY_CHECKS = 0", "Cannot turn off foreign key check: %s");
}

void sql_engine::set_session_sql_mode() {
    if (connection_.query("SELECT @@SESSION.sql_mode") != 0) throw sql_exception(connection_);
    std::string mode;
    if (MYSQL_RES* res = mysql_store_result(connection_.handle())) {
        if (MYSQL_ROW row = mysql_fetch_row(res); row && row[0]) mode = row[0];
        mysql_free_result(res);
    }
    std::string wanted = sql::sql_mode_for_literals(mode, version_ == 0 || version_ > sql::ver_4_1_0);
    if (wanted == mode) return;
    run_or_throw("SET SESSION sql_mode = '" + sql::escape_text(wanted) + "'");
}

std::optional<std::string> sql_engine::server_variable(const char* name) {
    if (connection_.query(std::string("SELECT @@") + name) != 0) {
        tk_log::log(2, "Cannot read %s: %s", name, connection_.error_text());
        return std::nullopt;
    }
    std::optional<std::string> value;
    if (MYSQL_RES* res = mysql_store_result(connection_.handle())) {
        if (MYSQL_ROW row = mysql_fetch_row(res); row && row[0]) value = row[0];
        mysql_free_result(res);
    }
    return value;
}

void sql_engine::read_max_statement() {
    max_statement_ = 0;
    if (const auto value = server_variable("max_allowed_packet")) {
        // the packet also carries the command byte; keep a margin for the protocol
        const unsigned long long packet = std::strtoull(value->c_str(), nullptr, 10);
        constexpr unsigned long long margin = 1024;
        if (packet > margin) max_statement_ = static_cast<size_t>(packet - margin);
    }
    tk_log::log(2, "Largest statement: %d bytes", static_cast<int>(max_statement_));
}

void sql_engine::read_page_size() {
    innodb_page_size_ = 16384;
    if (const auto value = server_variable("innodb_page_size")) {
        const unsigned long long size = std::strtoull(value->c_str(), nullptr, 10);
        if (size >= 4096) innodb_page_size_ = static_cast<size_t>(size);
    }
}

void sql_engine::read_key_collation() {
    key_collation_.clear();
    if (version_ < sql::ver_4_1_0) return;
    const std::string charset = text_charset();
    // MariaDB's (10.2.2 and later) and MySQL's (8.0.17 and later) binary collations that
    // do not pad, in that order; the padding binary one where there is neither
    const std::string wanted[] = {charset + "_nopad_bin", charset + "_0900_bin", charset + "_bin"};
    key_collation_ = wanted[2];
    if (connection_.query("SHOW COLLATION LIKE '" + charset + "%bin'") != 0) {
        tk_log::log(2, "Cannot list the collations: %s", connection_.error_text());
        return;
    }
    std::vector<std::string> present;
    if (MYSQL_RES* res = mysql_store_result(connection_.handle())) {
        while (MYSQL_ROW row = mysql_fetch_row(res))
            if (row[0]) present.emplace_back(row[0]);
        mysql_free_result(res);
    }
    for (const std::string& name : wanted) {
        if (std::find(present.begin(), present.end(), name) == present.end()) continue;
        key_collation_ = name;
        break;
    }
    tk_log::log(2, "Key columns collate with %s", key_collation_);
}

void sql_engine::take_version_text(const char* text, bool password_given) {
    if (!text || !*text) return;
    auto word = sql::parse_version_word(text);
    if (!word) {
        tk_log::log(3, "Invalid MySQL version: %s", text);
        tk_fail(tk_where::sql_engi, 112);
    }
    version_ = *word;
    tk_log::log(2, "Hex version: %08X", version_);
    if (version_ >= sql::ver_3_23_44) use_innodb_ = 1;
    if (version_ == sql::ver_4_1_0 && password_given) throw sql_auth_not_supported_exception();
}

const char* sql_engine::text_charset() const { return version_ >= sql::ver_5_5_3 ? "utf8mb4" : "utf8"; }

const char* sql_engine::text_introducer() const {
    if (version_ < sql::ver_4_1_0) return "";
    if (!connected_) return "/*!50503 _utf8mb4*/";
    return version_ >= sql::ver_5_5_3 ? "_utf8mb4 " : "_utf8 ";
}

const char* sql_engine::current_text_introducer() {
    const sql_engine* engine = try_get();
    return engine ? engine->text_introducer() : "_utf8mb4 ";
}

int sql_engine::bytes_per_char() const {
    if (version_ >= sql::ver_5_5_3) return 4;
    return version_ >= sql::ver_4_1_0 ? 3 : 1;
}

bool sql_engine::is_db_exist(const wstring& name) {
    tk_log::log(2, u"sql_engine::is_db_exist(%s)", name);
    return connection_.select_db(utf8(name)) == 0;
}

std::unique_ptr<udb_database> sql_engine::open_db(const wstring& name, udb_open_mode mode) {
    tk_log::log(2, u"sql_engine::open_db (%s)", name);
    tk_log::log(3, u"Opening MySQL database '%s'", name);
    if (connection_.select_db(utf8(name)) != 0) throw sql_exception(connection_);
    if (!live_factory_) tk_fail(tk_where::sql_engi, 0);
    return live_factory_(name, connection_, mode);
}

std::unique_ptr<udb_database> sql_engine::create_db(const wstring& name) {
    tk_log::log(2, u"sql_engine::create_db (%s)", name);
    tk_log::log(3, u"Creating MySQL database '%s'", name);
    run_or_throw("CREATE DATABASE " + utf8(quote_name(name)));
    return open_db(name, udb_open_mode::created);
}

void sql_engine::db_delete(const wstring& name) {
    tk_log::log(2, u"sql_engine::db_delete(%s)", name);
    tk_log::log(3, u"Deleting MySQL database '%s'", name);
    run_logged("SET FOREIGN_KEY_CHECKS = 0", "Cannot turn off foreign key check: %s");
    run_or_throw("DROP DATABASE " + utf8(quote_name(name)));
    run_logged("SET FOREIGN_KEY_CHECKS = 1", "Cannot turn on foreign key check: %s");
}

std::unique_ptr<udb_database> sql_engine::create_dump(const wstring& name, const dmp_options& options,
                                                      const std::string& file) {
    tk_log::log(2, u"sql_engine::create_dump (%s)", name);
    tk_log::log(3, u"Creating MySQL dump file '%s'", name);
    return std::make_unique<dmp_database>(name, options, dmp_local_time, file);
}

wstring sql_engine::quote_name(compat::wstring_view name) {
    if (instance().version() >= sql::ver_4_1_0) return sql::backquote(name);
    return wstring(name);
}

std::unique_ptr<udb_validator> sql_engine::create_tn_validator(const sql_names& tables,
                                                               const sql_names& existing) const {
    tk_log::log(2, "sql_engine::create_tn_validator");
    if (version_ >= sql::ver_4_1_0) return std::make_unique<sql_new_tn_validator>(tables, existing);
    return std::make_unique<sql_old_tn_validator>(tables, existing);
}

std::unique_ptr<udb_validator> sql_engine::create_dn_validator() const {
    tk_log::log(2, "sql_engine::create_dn_validator");
    if (version_ >= sql::ver_4_1_0) return std::make_unique<sql_new_validator>(sql_new_validator::all_illegal);
    return std::make_unique<sql_old_dn_validator>();
}

std::unique_ptr<udb_validator> sql_engine::create_fn_validator(const udb_schema& schema) const {
    tk_log::log(2, "sql_engine::create_fn_validator( const udb_schema& )");
    if (version_ >= sql::ver_4_1_0) return std::make_unique<sql_new_fn_validator>(schema);
    return std::make_unique<sql_old_fn_validator>(schema);
}

std::unique_ptr<udb_validator> sql_engine::create_fn_validator(const udb_record& record) const {
    if (version_ >= sql::ver_4_1_0) return std::make_unique<sql_new_fn_validator>(record);
    return std::make_unique<sql_old_fn_validator>(record);
}

std::unique_ptr<udb_validator> sql_engine::create_in_validator(const udb_indexes& indexes) const {
    tk_log::log(2, "sql_engine::create_in_validator");
    if (version_ >= sql::ver_4_1_0) return std::make_unique<sql_new_in_validator>(indexes);
    return std::make_unique<sql_old_in_validator>(indexes);
}
