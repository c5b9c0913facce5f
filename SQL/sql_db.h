// The destination database on a live MySQL server: tables are listed, created, dropped
// and opened over the engine's one connection, and statements run through it.
#pragma once

#include <mysql.h>

#include <array>
#include <memory>
#include <string>

#include "SQL/sql_result.h"
#include "UDB/udb_db.h"
#include "compat/text/text.h"

namespace sql {
class sql_connection;
}
class sql_engine;
class sql_record;

class sql_database : public udb_database {
public:
    static constexpr int page_size = 256;
    using page_type = std::array<std::unique_ptr<sql_record>, page_size>;

    // One result set of the server opened with a statement (or a page of a table), from
    // which up to 256 records are stored. The result is freed by release or destruction.
    class sql_limited_query {
    public:
        sql_limited_query(sql_database& db, const compat::wstring& text, long offset, long count, bool is_statement);
        sql_limited_query(const sql_limited_query&) = delete;
        sql_limited_query& operator=(const sql_limited_query&) = delete;

        // Replaces the page's records by the next rows of the result.
        void store_to(page_type* page);
        void release() { result_.reset(); }

        unsigned field_count() const;
        const MYSQL_FIELD* fields() const;

    private:
        sql_database& db_;
        sql_live::result_ptr result_;
    };

    // The connection is the engine's; it is borrowed, never closed here.
    sql_database(const compat::wstring& name, sql::sql_connection& connection, udb_open_mode mode);
    ~sql_database() override = default;

    std::unique_ptr<udb_recordset> create_table(const compat::wstring& name, const udb_schema& fields,
                                                const udb_indexes& indexes) override;
    bool delete_tab(const compat::wstring& name) override;
    std::unique_ptr<udb_recordset> get_table(const compat::wstring& name, bool flag = true) override;
    std::unique_ptr<udb_recordset> get_table(const compat::wstring& name, const compat::wstring& query,
                                             bool flag = true) override;
    bool test_query(const compat::wstring& sql) override;
    // Every row at once, or no recordset for a statement without rows.
    std::unique_ptr<udb_recordset> query(const compat::wstring& sql) override;
    void create_views(const udb_views& queries) override;
    void create_relationships(const udb_relationships& relationships) override;

    // A statement already in UTF-8 whose result is discarded (every INSERT of a table).
    void query_append(const std::string& sql);
    // An UPDATE already in UTF-8; returns the number of rows it matched.
    long long query_update(const std::string& sql);

    // The name under which the server lists a table: the exact name when listed, else the
    // first listed name equal without case, else the name itself.
    compat::wstring listed_name(const compat::wstring& name) const;
    void read_name_case();

    MYSQL* handle() const;
    sql::sql_connection& connection() { return *connection_; }
    // Raises the connection's last error when there is one.
    void check_error() const;

    compat::wstring refine_view_in(const compat::wstring& text) const;
    compat::wstring refine_view_out(const compat::wstring& text) const;

private:
    void init_tables();
    void init_views();
    void create_fk_index_if(const compat::wstring& table, const udb_names& fields);
    // Sends a statement; a refusal raises sql_exception.
    void run(const std::string& utf8_sql);

    sql::sql_connection* connection_;
};

// Makes the engine build live databases of this class when it opens or creates one.
void install_live_databases(sql_engine& engine);
