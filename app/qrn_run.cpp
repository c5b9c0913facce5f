// The conversion run: every selected table and stored query into the destination, with
// the overwrite mode, safe names, date post-processing and three levels of error handling
// (record, table, run).
#include "ORA/ora_dproc.h"
#include "SQL/sql_exc.h"
#include "TK/tk_trace.h"
#include "UDB/udb_rec_exc.h"
#include "app/qrn_ahead.h"
#include "app/qrn_conv.h"
#include "app/qrn_errh.h"
#include "app/qrn_init.h"
#include "common/type_map.h"
#include "values/ole_type_exception.h"

using compat::wstring;

namespace {
constexpr uint32_t dump_new_version = 0x40100;
constexpr uint32_t dump_old_version = 0x31401;

constexpr const char* value_misfit_text = "A value of this record does not fit the type of its column.";

bool keeps_existing_rows(udb_overwrite_mode mode) {
    return mode == udb_overwrite_mode::merge || mode == udb_overwrite_mode::synchronize;
}
}  // namespace

void quarnel_convertor::operator()() {
    tk_log::log(2, "quarnel_convertor::operator()");
    run_failed_.store(false, std::memory_order_release);
    const int losses_before = error_handler::instance().losses();
    missing_tables_ = 0;
    init_conversion scope(*this, front_, true);
    // Outside the try: the notes of the tables already written are reported however the
    // run ends, before the error that ends it where that is reported here.
    std::unique_ptr<udb_database> dest;
    const auto close_on_error = [&] {
        if (dest) report_notes(*dest);
        dest.reset();
    };
    try {
        check_mode();
        sql_engine_.set_case_sensitive(case_sensitive_);
        if (!mysql_direct_) {
            sql_engine_.set_version(dump_opts_.new_version ? dump_new_version : dump_old_version);
            // a dump for 4.1 and later creates InnoDB tables, as the live road does there
            sql_engine_.set_use_innodb(dump_opts_.new_version ? 1 : 0);
        }
        ora_engine_.set_skip_indexes(skip_idx);

        // A dump's load drops and creates the tables it holds, or adds rows to them, whatever
        // the mode. The console refuses such a mode on its command line; one that a profile
        // or the wizard kept from a run into a server is noted.
        if (!mysql_direct_ && mode_ != udb_overwrite_mode::replace_database &&
            mode_ != udb_overwrite_mode::replace_tables)
            report_note(u"the mode " + compat::utf8_to_utf16(std::to_string(static_cast<int>(mode_))) +
                        u" does not apply to a dump file: its load neither skips existing tables nor merges into "
                        u"them");

        ora_date_processor date_processor;
        dest = get_dest_base();
        report_notes(*dest);
        tk_log::log(2, "After initializing DBs");
        if (!source_db_) tk_fail(tk_where::qrn_conv, 240);

        if (program_ == qrn_program::console && selected_tables.empty() && table_map.empty())
            selected_tables = source_db_->get_table_names();
        for (const wstring& name : selected_tables) table_map.emplace(name, wstring());
        // Every entry of the map is converted, stored queries included.
        table_count.store(static_cast<int32_t>(table_map.size()), std::memory_order_relaxed);
        tk_log::log(3, u"Converting database %s (%d tables)", ora_db_name_, static_cast<int>(table_map.size()));
        if (!is_silent()) front_.database_started(ora_db_name_, static_cast<int>(table_map.size()));

        // Generated names avoid the source's names only, not the destination's tables: a rerun
        // then gives a table the name the first run gave it, and finds it there.
        std::vector<wstring> source_names;
        for (const auto& [name, query] : table_map) source_names.push_back(name);
        std::unique_ptr<udb_validator> validator = sql_engine_.create_tn_validator(source_names, {});
        convert_tables(*dest, *validator);
        // A stopped run is not a success, but what it wrote so far is kept and completed.
        if (stop_requested()) {
            tk_log::log(3, "Conversion stopped by the user");
            run_failed_.store(true, std::memory_order_release);
        }

        error_handler::instance().set_context_text(std::string());
        tables_done.store(0, std::memory_order_relaxed);
        table_count.store(0, std::memory_order_relaxed);
        validator.reset();
        // A dump is completed here, so that a failure to write its end reaches the handler.
        // A stopped run's dump is not complete: its destructor writes where it stopped.
        if (!run_failed()) dest->close();
        report_notes(*dest);
        dest.reset();
    } catch (const tk_final_exception&) {
        run_failed_.store(true, std::memory_order_release);  // the user saw the error already
        close_on_error();
    } catch (const tk_exception& e) {
        run_failed_.store(true, std::memory_order_release);
        close_on_error();
        error_handler::instance().handle(e, true);
    } catch (const std::exception& e) {
        run_failed_.store(true, std::memory_order_release);
        close_on_error();
        tk_log::log(3, "ERROR:\n%s", e.what());
        if (!is_silent()) front_.run_error(e.what());
    } catch (...) {
        // an error that ends the program on its way out (the front end's exit request)
        close_on_error();
        throw;
    }
    run_losses_.store(error_handler::instance().losses() - losses_before + missing_tables_, std::memory_order_release);
}

void quarnel_convertor::convert_tables(udb_database& dest, udb_validator& validator) {
    const bool run_fast_insert = sql_engine_.fast_insert();
    for (const auto& [name, query] : table_map) {
        if (stop_requested()) break;
        set_current_table(name);
        records_in_table.store(0, std::memory_order_relaxed);
        record_index.store(0, std::memory_order_relaxed);
        record_errors_.clear();
        try {
            convert_table(dest, validator, name, query, run_fast_insert);
            report_held_back_errors(name);
        } catch (const tk_exception& e) {
            report_held_back_errors(name);
            error_handler& handler = error_handler::instance();
            handler.set_context(name);
            // an error that ends the run ends the program on the console: what the run
            // changed so far is said before it
            if (e.level() != 0 || sql_exception::is_connection_lost(e.code())) report_notes(dest);
            // A lost server ends the run as an error: going on would only fail every later
            // table, and the run must not end as a success with the destination cut.
            if (sql_exception::is_connection_lost(e.code()))
                handler.handle(tk_exception(e.message(), e.code(), 1), false);
            else
                handler.handle(e, false);
        }
        tables_done.fetch_add(1, std::memory_order_relaxed);
    }
    sql_engine_.set_fast_insert(run_fast_insert);
}

void quarnel_convertor::convert_table(udb_database& dest, udb_validator& validator, const wstring& name,
                                      const wstring& query, bool run_fast_insert) {
    std::unique_ptr<udb_recordset> source;
    if (query.empty()) {
        if (!source_db_->is_table_exist(name)) {
            report_missing_table(name);
            return;
        }
        source = source_db_->get_table(name, true);
    } else {
        source = source_db_->get_table(name, query, true);
    }
    if (source->get_schema().empty()) return;

    const bool generated = !validator.is_acceptable(name);
    const wstring dest_name = generated ? validator.get_safe_name(name) : name;
    sql_engine_.set_fast_insert(run_fast_insert);
    // The name is taken whether the table is made, skipped or merged into: a later source
    // name equal to it without case must get the same generated name on every run.
    if (generated) {
        tk_log::log(2, u"Store generated table name '%s'", dest_name);
        tk_log::log(1, u"udb_validator::add_existing_name(%s)", dest_name);
        validator.add_existing_name(dest_name);
        dest.get_names_map().add_tn_mapping(name, dest_name);
    }
    validator.add_restricted_name(dest_name);

    if (dest.is_table_exist(dest_name)) {
        switch (mode_) {
            case udb_overwrite_mode::skip_tables:
                return;
            case udb_overwrite_mode::replace_tables:
                dest.delete_tab(dest_name);
                break;
            case udb_overwrite_mode::merge:
            case udb_overwrite_mode::synchronize:
                // Each record on its own, so that a duplicate key fails for that record alone.
                sql_engine_.set_fast_insert(false);
                break;
            default:
                break;
        }
    }

    const udb_indexes no_indexes;
    std::unique_ptr<udb_recordset> table =
        dest.create_table(dest_name, source->get_schema(), skip_idx ? no_indexes : source->get_indexes());

    // The table is there, but without the keys the server could not take: losses too.
    for (const wstring& text : dest.take_creation_errors()) {
        error_handler& handler = error_handler::instance();
        handler.set_context(name);
        handler.handle(tk_exception(compat::wstring_view(text), 0), false);
    }

    const int count = source->get_record_count();
    records_in_table.store(static_cast<uint32_t>(count), std::memory_order_relaxed);
    tk_log::log(3, u"Converting table %s (%d records)", name, count);
    if (!is_silent()) front_.table_started(name, count);
    report_notes(dest);
    if (count == 0 || tab_def) {
        tk_log::log(1, "No records to convert");
        return;
    }

    const bool gather_dates = !keeps_existing_rows(mode_);
    dates_map dates(dest_name, source->get_schema(), true);
    source->reset();
    copy_records(*source, *table, gather_dates ? &dates : nullptr);
    // The last batch goes now: before the columns are altered, and so that its failure is
    // reported (a destructor could only log it).
    flush_table(*table);
    if (gather_dates) date_post_process(dest, table->get_schema(), source->get_schema(), dates);
}

void quarnel_convertor::copy_records(udb_recordset& source, udb_recordset& table, dates_map* dates) {
    // The records are read on a thread of their own while earlier ones are written; it has
    // ended when this returns, whichever way, before the table closes.
    qrn_read_ahead rows(source);
    try {
        while (rows.next() && !stop_requested()) {
            const int number = static_cast<int>(record_index.load(std::memory_order_relaxed)) + 1;
            tk_log::log(1, "Converting record #%d", number);
            udb_record* record = nullptr;
            bool handed = false;
            try {
                record = rows.record();
                if (!record) tk_fail(tk_where::qrn_conv, 286);
                handed = true;
                table.append_record(*record);
                if (dates) dates->add_rec_stat(*record);
            } catch (const udb_record_exception& e) {
                if (!handed) table.skip_record();
                // a batch's losses come in record order; the record's own after the batch
                // still being sent
                if (names_record_at_hand(e))
                    settle_table(table);
                else if (dates && handed)
                    dates->add_rec_stat(*record);  // the losses are earlier rows': this one went in
                handle_lost_records(e, table, record, number);
            } catch (const ole_type_exception&) {
                // A value outside what its type holds (a 43-digit number): that record is lost,
                // the table goes on.
                if (!handed) table.skip_record();
                settle_table(table);
                report_record_error(tk_exception(value_misfit_text, 0), number);
            }
            tk_log::log(1, "Record %d processed", number);
            record_index.fetch_add(1, std::memory_order_relaxed);
        }
    } catch (...) {
        // What ends the table comes after the losses of the records before it.
        settle_table(table);
        throw;
    }
}

bool quarnel_convertor::names_record_at_hand(const udb_record_exception& e) {
    for (const udb_lost_record& lost : e.records())
        if (lost.number == 0) return true;
    return false;
}

void quarnel_convertor::settle_table(udb_recordset& table) {
    try {
        table.settle();
    } catch (const udb_record_exception& e) {
        handle_lost_records(e, table, nullptr, 0);
    }
}

void quarnel_convertor::flush_table(udb_recordset& table) {
    try {
        table.flush();
    } catch (const udb_record_exception& e) {
        handle_lost_records(e, table, nullptr, 0);
    }
}

void quarnel_convertor::handle_lost_records(const udb_record_exception& e, udb_recordset& table,
                                            const udb_record* record, int number) {
    // The record at hand, or earlier records of a batch, each under its own number (the
    // batch's other rows have arrived).
    for (const udb_lost_record& lost : e.records()) {
        const bool at_hand = lost.number == 0;
        const int lost_number = at_hand ? number : lost.number;
        if (lost.why == udb_lost_record::cause::duplicate_key) {
            if (at_hand && record && mode_ == udb_overwrite_mode::synchronize) {
                update_record(table, *record, number);
                continue;
            }
            if (keeps_existing_rows(mode_)) {
                tk_log::log(1, "Duplicate key of record %d skipped", lost_number);
                continue;
            }
        }
        lose_record(lost, lost_number);
    }
}

void quarnel_convertor::update_record(udb_recordset& table, const udb_record& record, int number) {
    // The row is there: an UPDATE that matches nothing or that the server refuses (a
    // duplicate on another unique key) loses this record only.
    try {
        table.update(record);
    } catch (const udb_record_exception& u) {
        for (const udb_lost_record& lost : u.records()) lose_record(lost, lost.number == 0 ? number : lost.number);
    }
}

void quarnel_convertor::lose_record(const udb_lost_record& lost, int number) {
    // Every later record would fail the same way: the table ends with this one error.
    if (lost.why == udb_lost_record::cause::table) throw tk_exception(lost.message, lost.code, 0);
    report_record_error(tk_exception(lost.message, lost.code, 0), number);
}

void quarnel_convertor::report_notes(udb_database& dest) {
    for (const wstring& text : dest.take_notes()) report_note(text);
}

void quarnel_convertor::report_note(const wstring& text) {
    tk_log::log(3, u"Note: %s", text);
    if (!is_silent()) front_.show_note(text);
}

void quarnel_convertor::report_record_error(const tk_exception& e, int number) {
    tk_log::log(1, "** MODE=%d", static_cast<int>(mode_));
    error_handler& handler = error_handler::instance();
    if (!record_errors_.admit(handler.text_for(e))) {
        tk_log::log(2, u"%s, record #%d: %s", get_current_table(), number, e.message());
        return;
    }
    handler.set_context(get_current_table(), number);
    handler.handle(e, false);
}

void quarnel_convertor::report_held_back_errors(const wstring& table) {
    const std::string line = record_errors_.closing_line();
    record_errors_.clear();
    if (line.empty()) return;
    error_handler& handler = error_handler::instance();
    handler.set_context(table);
    handler.handle(tk_exception(line, 0), false);
}

void quarnel_convertor::report_missing_table(const wstring& table) {
    // Asked for and not there: an error of the run, which goes on with the next table.
    ++missing_tables_;
    if (!is_silent()) front_.table_missing(table, candidates_of(table));
}
