#include "app/qrn_errh.h"

#include <algorithm>

#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "compat/text/format.h"

namespace {

constexpr const char* advice_duplicate =
    "Duplicate field values being used for an unique index were found.\nSee 'Troubleshooting' "
    "article of the product documentation\nfor solution.";
constexpr const char* advice_overwrite =
    "Failed to overwrite MySQL database. It is being used by\nanother application. Specify a "
    "different destination name.";
constexpr const char* advice_connect =
    "Can't connect to the MySQL server. Check to verify that MySQL server\nis launched and the "
    "correct host/port values were given.";
constexpr const char* advice_auth =
    "The program does not support authentication protocol requested by server.\nSee "
    "'Troubleshooting' article of the product documentation.";

constexpr tk_error_row oracle_rows[] = {
    {0x100001, advice_duplicate},
    {0x1003F9, "Invalid user name or password."},
    {0x10067A,
     "Not enough free contiguous space in the tablespace to create the object.\nUse ALTER "
     "TABLESPACE ADD DATAFILE to add additional space to the tablespace."},
    {0x10079E, "User does not have the necessary privileges to create tables."},
    {0x1008FA,
     "There are orphaned records that prevent from creating foreign key. For more\ninformation "
     "see Troubleshooting article of the product documentation."},
    {0x102F7A, "Oracle data source does not exist. Check to verify the correct name was given."},
    {0x1030D4,
     "ORA-12500: the listener could not start a server process. For more information\nsee "
     "Troubleshooting article of the product documentation."},
    {0x1030D9,
     "ORA-12505: the program could not resolve service name. For more information\nsee "
     "Troubleshooting article of the product documentation."},
    {0x1030E2, "Cannot resolve Oracle service name. Check to verify the correct name was given.\n"},
    {0x1030FD,
     "ORA-12541: no listener. For more information see Troubleshooting\narticle of the product "
     "documentation."},
    {0x103101,
     "ORA-12545: connect failed because target host or object does not exist.\nFor more "
     "information see Troubleshooting article of the product documentation."},
    {0x106D60,
     "Wrong password was entered the maximum number of times or\nthe DBA has locked the "
     "account."},
};

constexpr tk_error_row mysql_rows[] = {
    {0x400414,
     "Access denied. Ask your system administrator to grant you\nthe necessary privileges to "
     "write into the database."},
    {0x400415,
     "Access denied. Verify the user name and password are correct, and you have\nthe necessary "
     "privileges to connect to the target MySQL server."},
    {0x400426, advice_duplicate},
    {0x40042F,
     "Primary key in the original database is too long.\nRestart the program with \"Skip "
     "converting indexes\"\ncheckbox selected in order to resolve the conflict.\n"},
    {0x4003F3, advice_overwrite},
    {0x40046A,
     "You are not allowed to connect to the destination MySQL server.\nAsk your system "
     "administrator to grant you necessary privileges\nto create new databases on target MySQL "
     "server."},
    {0x40041B, advice_overwrite},
    // Connector/C reports a refused TCP connect as 2002, which older clients gave as 2003.
    {0x4007D2, advice_connect},
    {0x4007D3, advice_connect},
    {0x4007D5, advice_connect},
    // A server gone away mid-run has either stopped or refused a value over its packet
    // limit: the user can tell which only when both are named.
    {0x4007D6,
     "The MySQL server has gone away: it stopped, or a transferred value was bigger than\nits "
     "max_allowed_packet. Check that the server is running; if it is, increase\nmax_allowed_packet "
     "and try again. See 'Troubleshooting' article of the product documentation."},
    {0x4007DD,
     "Lost connection to the MySQL server. Check that the server is running and can be\nreached, "
     "then try again. See 'Troubleshooting' article of the product documentation."},
    {0x4004E1, advice_auth},
    {0x4004E2, advice_auth},
};

// Messages are shown as one line: line breaks become blanks, and no carriage return or
// trailing blank that a library's text brought stays.
std::string one_line(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
    return out;
}

}  // namespace

std::span<const tk_error_row> qrn_oracle_errors() { return oracle_rows; }
std::span<const tk_error_row> qrn_mysql_errors() { return mysql_rows; }

error_handler::error_handler(qrn_front_end& front, int count, const tk_error_row* rows)
    : front_(front), messages_(count, rows) {
    tk_log::log(2, "error_handler::ctor");
}

error_handler::~error_handler() = default;

void error_handler::load_err_map(int count, const tk_error_row* rows) {
    tk_log::log(2, "error_handler::load_err_map");
    messages_.load_map(count, rows);
}

void error_handler::set_context(const compat::wstring& table) { set_context_text(tk_to_narrow(table)); }

void error_handler::set_context(const compat::wstring& table, int record) {
    // Formatted to its full length: query names are the user's and may be long.
    set_context_text(tk_to_narrow(compat::wformat(u"%s, record #%d", table, record)));
}

void error_handler::set_context_text(std::string context) {
    std::lock_guard<std::mutex> lock(mutex_);
    context_ = std::move(context);
}

std::string error_handler::context() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return context_;
}

std::string error_handler::message_for(const tk_exception& e) const {
    std::string message = context();
    if (!message.empty()) message += ": ";
    return message + text_for(e);
}

std::string error_handler::text_for(const tk_exception& e) const {
    std::string advice = messages_.convert(e.code());
    return advice.empty() ? e.message() : advice;
}

std::vector<std::string> error_handler::kept_errors() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return kept_;
}

void error_handler::handle(const tk_exception& e, bool at_top) {
    tk_log::log(2, "error_handler::handle");
    if (e.level() == 2) {
        tk_log::log(3, "Internal error:\n%s", e.message());
        front_.show_internal_error(e.message());
        front_.exit_process(-1);
    }
    if (e.level() == 0 && !at_top) losses_.fetch_add(1, std::memory_order_acq_rel);
    std::string message = message_for(e);
    tk_log::log(3, "Error:\n%s", message);
    message = one_line(message);
    if (front_.program() == qrn_program::console)
        handle_console(e, message);
    else
        handle_wizard(e, message, at_top);
}

void error_handler::handle_console(const tk_exception& e, const std::string& message) {
    if (!is_silent()) front_.show_error(message);
    if (e.level() == 1) {
        tk_log::log(1, "Got 1-level error");
        front_.exit_process(-1);
    }
    tk_log::log(1, "Got 0-level error");
}

void error_handler::keep(const std::string& message, bool ends_run) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (kept_.size() < max_kept) kept_.push_back(message);
    }
    front_.keep_error(message, ends_run);
}

// The error that ends the run is kept whatever the silent flag and however many came
// before it: the finish page must not call a stopped run complete.
void error_handler::handle_wizard(const tk_exception& e, const std::string& message, bool at_top) {
    if (e.level() == 1) {
        tk_log::log(1, "Got 1-level error");
        keep(message, true);
        if (!is_silent()) {
            tk_log::log(1, "Step 1");
            front_.show_error(message);
        }
        // No help topic is ever registered for an error code, so none is opened here.
        tk_log::log(1, "Step 2");
        if (at_top) return;
        throw tk_final_exception();
    }
    tk_log::log(1, "Got 0-level error");
    if (is_silent()) {
        keep(message, at_top);
        return;
    }
    const qrn_continue_answer answer = front_.ask_continue(message);
    const bool stops = answer.abort && !at_top;
    keep(message, stops || at_top);
    if (stops) throw tk_final_exception();
    set_silent(answer.dont_show_again);
}
