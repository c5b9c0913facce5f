// The one process-wide error handler: turns a system exception into a message (the error
// context, then the advice text kept for its code or its own text), logs it, and by its
// level lets the run go on, stops the run, or ends the process. How the message is shown
// is the front end's business (qrn_front.h); the rules of each program stand here.
#pragma once

#include <atomic>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "TK/tk_errco.h"
#include "TK/tk_excep.h"
#include "TK/tk_singl.h"
#include "app/qrn_front.h"
#include "compat/text/text.h"

// The advice tables: Oracle codes (0x100000 | ORA number) and MySQL codes (0x400000 |
// MySQL number), 12 rows each.
std::span<const tk_error_row> qrn_oracle_errors();
std::span<const tk_error_row> qrn_mysql_errors();

class error_handler : public singleton<error_handler> {
public:
    // The wizard keeps this many messages for its finish page; later ones are only shown.
    static constexpr size_t max_kept = 20;

    error_handler(qrn_front_end& front, int count, const tk_error_row* rows);
    ~error_handler() override;

    void load_err_map(int count, const tk_error_row* rows);

    // The context prefixed to the next messages: a table, or a table and a 1-based record.
    void set_context(const compat::wstring& table);
    void set_context(const compat::wstring& table, int record);
    void set_context_text(std::string context);
    std::string context() const;

    bool is_silent() const { return silent_.load(std::memory_order_acquire); }
    void set_silent(bool silent) { silent_.store(silent, std::memory_order_release); }

    // Reports e. at_top: the caller is the outermost level of a run or the program entry.
    // Wizard: a level-1 error inside the run, or a level-0 one the user stops at, throws
    // tk_final_exception. Level 2 (and level 1 in the console program) ends the process
    // through the front end.
    void handle(const tk_exception& e, bool at_top);

    // The one-line message for e with the current context.
    std::string message_for(const tk_exception& e) const;
    // What the message says of e without a context: the advice kept for its code, or its
    // own text.
    std::string text_for(const tk_exception& e) const;

    // Level-0 errors reported inside a run (a record or a table that did not arrive), over
    // the handler's life.
    int losses() const { return losses_.load(std::memory_order_acquire); }

    // The messages kept so far (wizard), in order.
    std::vector<std::string> kept_errors() const;

    qrn_front_end& front() { return front_; }

private:
    void handle_console(const tk_exception& e, const std::string& message);
    void handle_wizard(const tk_exception& e, const std::string& message, bool at_top);
    // The first max_kept messages stay here; every one goes to the front end.
    void keep(const std::string& message, bool ends_run);

    qrn_front_end& front_;
    mutable std::mutex mutex_;  // context and kept messages
    std::string context_;
    std::atomic<bool> silent_{false};
    std::atomic<int> losses_{0};
    tk_error_converter messages_;
    std::vector<std::string> kept_;
};
