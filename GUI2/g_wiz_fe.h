// The wizard's side of a conversion: the progress timer started at the run's start, the
// error handler's messages in message boxes on the user-interface thread, the errors kept
// for the finish page, and the exit that unwinds to the program entry.
#pragma once

#include "app/qrn_front.h"

class wizard_front_end : public qrn_front_end {
public:
    static constexpr int progress_interval_ms = 200;

    qrn_program program() const override { return qrn_program::wizard; }

    void run_started() override;
    // Shown, and kept as the error that ended the run.
    void run_error(const std::string& text) override;

    void show_internal_error(const std::string& text) override;
    void show_error(const std::string& message) override;
    qrn_continue_answer ask_continue(const std::string& message) override;
    void keep_error(const std::string& message, bool ends_run) override;
    // Listed among the finish page's errors; the run then counts as one with errors.
    void table_missing(const compat::wstring& table, const std::vector<compat::wstring>& candidates) override;
    // Listed on the finish page after the errors; the run still counts as complete.
    void show_note(const compat::wstring& text) override;

    // On the user-interface thread: throws qrn_exit_request, which the windowing layer's
    // guard hands to the shell (every event loop ends, the entry returns the code). On
    // another thread: asks the interface to end with the code and ends the caller's run
    // with tk_final_exception, so that the run unwinds and is joined at shutdown.
    [[noreturn]] void exit_process(int code) override;
};
