// The destination half of the product converter: the MySQL connection settings, the
// MySQL engine, the dump-file options, destination-name checks, the date post-processing
// of a converted table, and the "MySQL settings" part of a profile.
#pragma once

#include <string>

#include "SQL/sql_dump.h"
#include "SQL/sql_engi.h"
#include "UDB/udb_db.h"
#include "UDB/udb_prof.h"
#include "compat/text/text.h"
#include "values/ole_date.h"

class dates_map;

inline constexpr const char16_t* qrn_sec_mysql = u"MySQL settings";

class mysql_converter_impl {
public:
    mysql_converter_impl();
    virtual ~mysql_converter_impl();
    mysql_converter_impl(const mysql_converter_impl&) = delete;
    mysql_converter_impl& operator=(const mysql_converter_impl&) = delete;

    // Values are trimmed; an empty port becomes "3306". An empty password counts as none
    // (the client's option files may then supply one) unless set_mysql_password_given says
    // the user gave it.
    void store_mysql_settings(const std::string& host, const std::string& user, const std::string& password,
                              const std::string& port);
    void set_mysql_password_given(bool given) { my_password_given_ = given || !my_password_.empty(); }
    // A port that is not 1 to 65535 in digits raises the level-1 "Invalid port number"; the
    // engine's errors propagate.
    void connect_mysql_server();
    bool is_mysql_base_exist(const compat::wstring& name);
    void del_mysql_base(const compat::wstring& name);
    // Raises a level-1 error when the server version's rule refuses the database name.
    void check_mysql_db_name(const compat::wstring& name);

    // Narrows the date columns of a converted table by its statistics (ALTER TABLE ...
    // MODIFY per column); failures are logged and skipped. Column names come from the
    // destination table, NOT NULL and DEFAULT from the source schema (the destination's
    // view of a column may have lost them); positions correspond one to one.
    void date_post_process(udb_database& database, const udb_schema& dest_schema, const udb_schema& source_schema,
                           const dates_map& dates);

    bool load_profile(const udb_profile& profile);
    bool store_profile(udb_profile& profile) const;

    sql_engine& mysql_engine() { return sql_engine_; }
    dmp_options& dump_options() { return dump_opts_; }
    const dmp_options& dump_options() const { return dump_opts_; }

    const std::string& mysql_host() const { return my_host_; }
    const std::string& mysql_user() const { return my_user_; }
    const std::string& mysql_password() const { return my_password_; }
    const std::string& mysql_port() const { return my_port_; }

protected:
    sql_engine sql_engine_;
    dmp_options dump_opts_;
    std::string my_host_;
    std::string my_user_;
    std::string my_password_;
    bool my_password_given_ = false;
    std::string my_port_ = "3306";
};

// The ALTER statement that gives a column the type of a date kind (none: CHAR(19)).
compat::wstring qrn_date_alter_statement(const compat::wstring& table, const compat::wstring& column_name,
                                         const t_ftd& source_column, date_kind kind);
