#include "app/console/con_front.h"

#include "app/console/con_out.h"

void con_front_end::database_started(const compat::wstring& source_db, int tables) {
    con_out_line("Converting database " + con_narrow(source_db) + "(" + std::to_string(tables) + " tables)");
}

void con_front_end::table_started(const compat::wstring& table, int records) {
    con_out_line("Converting table " + con_narrow(table) + "(" + std::to_string(records) + " records)");
}

void con_front_end::table_missing(const compat::wstring& table, const std::vector<compat::wstring>& candidates) {
    show_error(candidates.empty() ? "Table " + con_narrow(table) + " not exists"
                                  : qrn_ambiguous_table_text(table, candidates));
}

void con_front_end::run_error(const std::string& text) { con_err_line(text); }

void con_front_end::show_note(const compat::wstring& text) { con_out_line("Note: " + con_narrow(text)); }

void con_front_end::show_internal_error(const std::string& text) { con_out_line("Internal error: " + text); }

void con_front_end::show_error(const std::string& message) {
    con_out_line("Error:");
    con_out_line(message);
}

void con_front_end::exit_process(int code) { con_exit_process(code); }
