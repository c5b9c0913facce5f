// The product converter: every setting of one conversion (source, destination, mode,
// selection, both servers, dump options), the registry settings and profile chain, the
// destination checks, and the run (operator(), in qrn_run.cpp). One instance per process,
// on the program entry's stack; reached through quarnel_convertor::instance().
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_regk.h"
#include "TK/tk_singl.h"
#include "UDB/udb_conv.h"
#include "UDB/udb_db.h"
#include "app/qrn_front.h"
#include "app/qrn_ora_impl.h"
#include "app/qrn_sql_impl.h"
#include "app/qrn_tally.h"
#include "compat/text/text.h"

inline constexpr const char* qrn_registry_key = "Software\\Brindlecote\\Marrowgate";
inline constexpr int qrn_version_major = 5;
inline constexpr int qrn_version_minor = 1;

// Checks of a dump-file path: a folder, an existing read-only file, or a missing folder
// raise level-1 errors.
void common_check_dest(const compat::wstring& path);
// Whether a dump written to the path replaces something there: a plain file (a link is
// followed, a device or a pipe is written into as it is).
bool common_dest_exists(const compat::wstring& path);
// Removes what a dump would replace. A dump that another run is writing raises a level-1
// error, a failed removal the system's error.
void common_remove_dest(const compat::wstring& path);

class quarnel_convertor : public udb_converter,
                          public oracle_converter_impl,
                          public mysql_converter_impl,
                          public singleton<quarnel_convertor> {
public:
    // The front end decides which registry settings are exchanged, once, here: the wizard
    // reads all 21 (and writes them back on destruction); the console program reads the six
    // dump settings, then sets direct-to-server on and case sensitivity off, and never
    // writes.
    explicit quarnel_convertor(qrn_front_end& front);
    ~quarnel_convertor() override;

    // The conversion run.
    void operator()() override;
    bool test_query(const compat::wstring& text) override;
    void set_silent(bool silent) override { udb_converter::set_silent(silent); }

    // All 21 registry settings; true only when every value was read or written.
    bool serialize(bool store);
    // The six dump settings (the console program's form).
    bool serialize_dump_options(bool store);

    bool load_profile(const compat::wstring& path);
    bool store_profile(const compat::wstring& path);

    static compat::wstring get_title();

    // Raises a level-1 error when the destination database's name is not UTF-8 text (a
    // dump's only when it names a database to create).
    void check_name_encoding() const;
    // Raises a level-1 error when the destination is one of the server's own databases (a
    // dump's only when it writes DROP DATABASE for one). Before anything is dropped.
    void check_not_server_database() const;
    // Prepares the destination of a run started without the destination page. Raises a
    // level-1 error for a mode outside 0 to 4 or a database name the server refuses.
    void check_dest();
    // Raises a level-1 error when the trace log's file is the dump file the run writes.
    void check_log_file() const;
    // The destination database of a run, owned by the caller.
    std::unique_ptr<udb_database> get_dest_base();
    // Matches the selected table names to the source's tables (a name in another letter
    // case selects the one table it can mean; one that several tables match so stays as it
    // is, and the run reports it with them) and raises a level-1 error when there is
    // nothing to convert: a source schema without tables, or a selection that names no
    // table of the source (the error names the tables an ambiguous name could mean).
    // Needs the source connected.
    void check_selection();
    // Raises the level-1 error of a source schema without tables, unless a stored query
    // could be converted. For a destination prepared before the tables are chosen.
    void check_source_has_tables() const;
    // A table-names file was read: its list is the selection, even when it holds no name.
    void set_selection_given() { selection_given_ = true; }
    std::vector<compat::wstring> get_all_tables() const;
    void get_all_views(udb_views& views) const;
    bool can_create_views();

    // The dump file's path as the user gave it, byte for byte (a name in another encoding
    // than the locale's stays what it is), while the destination is still the name made
    // from those bytes; else the destination name in the locale's encoding.
    std::string destination_file() const;
    void set_destination_file(const std::string& bytes);

    bool is_mysql_direct() const { return mysql_direct_; }
    void set_mysql_direct(bool direct) { mysql_direct_ = direct; }
    bool is_case_sensitive() const { return case_sensitive_; }
    void set_case_sensitive(bool on) { case_sensitive_ = on; }

    // The last run ended early: an error at its top level (opening or preparing the
    // destination included), a standard exception, or a stop in an error dialog. Errors
    // inside the table and record loops that let the run go on do not count.
    bool run_failed() const { return run_failed_.load(std::memory_order_acquire); }
    // Tables and records of the last run that were reported as errors and did not arrive
    // (the run went on past them), selected tables the source lacks included.
    int run_losses() const { return run_losses_.load(std::memory_order_acquire); }

    qrn_front_end& front() { return front_; }

private:
    tk_exception no_tables_error() const;
    // Raises the level-1 mode error unless the mode is 0 to 4.
    void check_mode() const;
    void convert_tables(udb_database& dest, udb_validator& validator);
    void convert_table(udb_database& dest, udb_validator& validator, const compat::wstring& name,
                       const compat::wstring& query, bool run_fast_insert);
    void copy_records(udb_recordset& source, udb_recordset& dest, class dates_map* dates);
    void flush_table(udb_recordset& dest);
    // Waits for the records the table is still sending; their losses are handled now.
    void settle_table(udb_recordset& dest);
    static bool names_record_at_hand(const udb_record_exception& e);
    // Records a side could not carry: a duplicate key is updated or skipped as the mode
    // says, a cause that is the table's ends the table, any other loss is reported.
    void handle_lost_records(const class udb_record_exception& e, udb_recordset& dest, const udb_record* record,
                             int record_number);
    // The synchronize mode's UPDATE of a record whose key is there already.
    void update_record(udb_recordset& dest, const udb_record& record, int record_number);
    // Reports the record as lost, or ends the table when every later record would fail too.
    void lose_record(const struct udb_lost_record& lost, int record_number);
    // A record that did not arrive: reported under its table and number, unless its error
    // has been reported often enough in this table already; the run goes on.
    void report_record_error(const tk_exception& e, int record_number);
    // The closing line of the table's record errors that were counted, not reported.
    void report_held_back_errors(const compat::wstring& table);
    void report_missing_table(const compat::wstring& table);
    // The tables a selected name could mean in other letter cases, when several; else empty.
    const std::vector<compat::wstring>& candidates_of(const compat::wstring& name) const;
    // The destination's notes, logged and shown.
    void report_notes(udb_database& dest);
    void report_note(const compat::wstring& text);

    qrn_front_end& front_;
    tk_reg_key key_;
    const qrn_program program_;
    bool mysql_direct_ = true;
    bool case_sensitive_ = false;
    bool selection_given_ = false;
    std::string dest_file_;           // the bytes of --dest=
    compat::wstring dest_file_name_;  // the destination name they were given as
    std::atomic<bool> run_failed_{false};
    std::atomic<int> run_losses_{0};
    record_error_tally record_errors_;  // of the table being converted
    // Selected names that several source tables match without case, with those tables.
    std::map<compat::wstring, std::vector<compat::wstring>> ambiguous_;
    int missing_tables_ = 0;  // selected tables of the run going on that the source lacks
};
