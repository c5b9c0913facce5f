// The dump-file destination: a database that writes every statement into one MySQL script
// instead of running it, and the recordset of one table, which packs appended rows into
// multi-row INSERT statements.
#pragma once

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "SQL/sql_ascii.h"
#include "SQL/sql_batch.h"
#include "SQL/sql_colmap.h"
#include "SQL/sql_dmpf.h"
#include "UDB/udb_db.h"
#include "compat/text/text.h"

struct dmp_options {
    int line_break = 0;            // 0: CR LF, anything else: LF alone
    bool new_version = true;       // written for MySQL 4.1 and later
    bool lock_tables = true;       // LOCK TABLES / UNLOCK TABLES around each table's data
    bool comments = true;          // the file header and the per-table comment blocks
    bool create_database = false;  // DROP DATABASE / CREATE DATABASE / USE
    bool create_table = true;      // DROP TABLE / CREATE TABLE
    compat::wstring created_by;    // the text after "# Created by "
};

// The local date and time written into the header; tests fix it.
using dmp_clock = std::function<std::tm()>;
std::tm dmp_local_time();

class dmp_recordset;
class sql_schema_initializer;

class dmp_database : public udb_database {
public:
    // Opens (truncates) the file named by path; a file that cannot be opened raises a
    // level-1 error. file, when given, is the path's bytes as the user gave them (a name in
    // another encoding than the locale's stays what it is); path is then its display form.
    dmp_database(const compat::wstring& path, const dmp_options& options, const dmp_clock& clock = dmp_local_time,
                 const std::string& file = {});
    // The last line of a complete dump.
    static constexpr const char* complete_comment = "# Dump complete";
    // The last statement of a dump whose run stopped early: the stock client stops there
    // with an error (it is not SQL, and holds nothing of the data).
    static constexpr const char* incomplete_statement =
        "The conversion stopped before the end: this dump is INCOMPLETE;";

    // When close() was not called, the run stopped early: writes where, and a statement
    // that fails the load, then closes the file; never throws.
    ~dmp_database() override;

    std::unique_ptr<udb_recordset> create_table(const compat::wstring& name, const udb_schema& schema,
                                                const udb_indexes& indexes) override;
    // A dump cannot be read back.
    std::unique_ptr<udb_recordset> get_table(const compat::wstring& name, bool flag) override;
    std::unique_ptr<udb_recordset> get_table(const compat::wstring& name, const compat::wstring& query,
                                             bool flag) override;
    bool test_query(const compat::wstring& text) override;
    // Writes the statement; no recordset.
    std::unique_ptr<udb_recordset> query(const compat::wstring& text) override;
    void create_views(const udb_views& views) override;
    void create_relationships(const udb_relationships& relationships) override;

    // Ends the dump: the pending UNLOCK TABLES and the closing comment that says it is
    // complete, then the file is closed. Errors raise (the run calls this so that they
    // reach its error handler).
    void close() override;

    // The database name that the create-database option writes: the file's base name
    // without folder and extension, each character beyond ASCII spelled '@' and four
    // hexadecimal digits, made acceptable as a database name.
    static compat::wstring database_name_of(const compat::wstring& path);

    const dmp_options& options() const { return options_; }
    // Writes one statement (UTF-8, without its ';'), in ASCII whatever names it holds
    // (sql::write_ascii_statement); gate: the version of a "/*!" comment around it ("M!..."
    // for MariaDB's "/*M!" form), or empty.
    void write_statement(std::string_view statement, std::string_view gate = {});
    // The same of a statement in parts (sql::statement_part).
    void write_statement(std::span<const sql::statement_part> statement, std::string_view gate = {});

private:
    // Text as it stands: only ASCII of the writer's own (comments go through
    // sql::comment_text), so that the file holds nothing else.
    void write(std::string_view text) { file_.write(text); }
    void write_header(const std::tm& now);
    void unlock_if_pending();
    // A note when the largest statement needs more than the default packet to load.
    void note_packet_size();
    void write_key_collations(const std::string& table, sql_schema_initializer& columns);
    compat::wstring table_name(const compat::wstring& name) const;

    dmp_options options_;
    std::string eol_;
    sql::dmp_file file_;
    std::map<compat::wstring, udb_indexes> table_indexes_;
    compat::wstring current_table_;  // the last table begun, for the end of a stopped dump
    size_t largest_statement_ = 0;   // bytes, and the table it belongs to
    compat::wstring largest_table_;
};

class dmp_recordset : public udb_recordset, private sql_statement_sink {
public:
    static constexpr size_t flush_size = 1000000;

    dmp_recordset(dmp_database& owner, const compat::wstring& name, const udb_schema& fields);
    // Writes a pending INSERT when flush() was not called; never throws.
    ~dmp_recordset() override;

    void append_record(const udb_record& row) override;
    udb_record* get_item() override { return nullptr; }
    bool is_eof() override { return true; }

    // Writes the pending INSERT; errors raise. The run calls it when a table's rows end.
    void flush() override;

private:
    // The field-to-column match of this row's shape, and the statement head it gives;
    // a field without its column raises.
    const sql_column_map& map_for(const udb_record& row);
    void send_statement(const std::string& statement) override;
    // A row that holds a value too large for any batch, written alone as the batcher would
    // write it, with its large values' literals streamed to the file.
    void append_large_row(const sql_column_map& map, const udb_record& row);

    dmp_database& owner_;
    std::unique_ptr<sql_column_map> map_;
    sql_insert_batcher batch_;
    int received_ = 0;       // records handed to append_record
    std::string large_row_;  // the text of append_large_row, its storage kept
};
