// The read side of the live MySQL database: a table or query read page by page, and the
// whole result of one statement read at once.
#pragma once

#include <mysql.h>

#include <memory>
#include <vector>

#include "SQL/sql_db.h"
#include "SQL/sql_rec.h"
#include "UDB/udb_db.h"

// A table, or a query, read 256 rows at a time; the schema comes from the result's field
// descriptors. At most one page of records is held.
class sql_recordset : public udb_recordset {
public:
    sql_recordset(sql_database& db, const compat::wstring& name, udb_relationships& relationships);
    sql_recordset(sql_database& db, const compat::wstring& name, const compat::wstring& query,
                  udb_relationships& relationships);
    ~sql_recordset() override;

    void append_record(const udb_record& record) override;
    udb_record* get_item() override;
    bool is_eof() override;
    void next() override;
    void prev() override;
    void reset() override;

protected:
    sql_database& database() { return db_; }
    udb_relationships& relationships() { return relationships_; }

private:
    void initialize();
    int get_rec_count();
    void load_page(long offset, bool from_query);
    void clean();

    sql_database& db_;
    udb_relationships& relationships_;
    int position_ = 0;
    int page_index_ = 0;
    sql_database::page_type page_;
};

// Every row of one statement's result, read at construction; the server result is freed
// before the constructor returns, so the connection is free while the rows are walked.
class sql_tmp_recordset : public udb_recordset {
public:
    sql_tmp_recordset(sql_database& db, sql_live::result_ptr result);

    void append_record(const udb_record& record) override;
    udb_record* get_item() override;
    bool is_eof() override;
    void next() override;
    void reset() override;

private:
    void initialize(sql_database& db, sql_live::result_ptr result);

    int position_ = 0;
    std::vector<std::unique_ptr<sql_record>> rows_;
};
