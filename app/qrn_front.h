// What the two programs do differently around one conversion: which settings they keep,
// how they show progress and errors, whether a progress timer runs, and how the process
// ends. The console program and the wizard each implement it; the converter and the
// error handler hold a reference to it for their whole life.
#pragma once

#include <string>
#include <vector>

#include "compat/text/text.h"

enum class qrn_program {
    // One thread; the six dump settings are read from the registry and nothing is written
    // back; an empty selection converts every table; errors are printed, and a level-1 or
    // level-2 error ends the process.
    console,
    // The run goes on a worker thread; all registry settings are read and written back;
    // errors are shown in dialogs, level 0 asks whether to go on, level 1 stops the run.
    wizard,
};

// The answer of the continue-or-stop dialog.
struct qrn_continue_answer {
    bool abort = false;            // the user chose to stop
    bool dont_show_again = false;  // the check box "Do not show this dialog box again"
};

// Thrown by a front end's exit_process so that the stack unwinds to the program entry
// (the dump file, the output and the log are then complete); the entry returns `code`.
// Deliberately not a std::exception: no handler of the run may swallow it.
struct qrn_exit_request {
    int code;
};

class qrn_front_end {
public:
    virtual ~qrn_front_end() = default;

    virtual qrn_program program() const = 0;

    // The run has started, on the conversion thread (the wizard then starts its progress
    // timer on its own thread).
    virtual void run_started() {}
    // Progress and problems of the run, on the conversion thread. Not called while the
    // converter is silent.
    virtual void database_started(const compat::wstring& /*source_db*/, int /*tables*/) {}
    virtual void table_started(const compat::wstring& /*table*/, int /*records*/) {}
    // A selected table that the source does not hold: an error of the run, which goes on
    // with the next table. candidates: the tables that differ from the name only in letter
    // case when there are several (none is guessed), else empty.
    virtual void table_missing(const compat::wstring& /*table*/, const std::vector<compat::wstring>& /*candidates*/) {}
    // A standard exception (out of memory, ...) ended the run.
    virtual void run_error(const std::string& /*text*/) {}
    // Something the user should know of how the destination was written; not an error.
    virtual void show_note(const compat::wstring& /*text*/) {}

    // The error handler's outputs. Messages are narrow (the ANSI code page), one line.
    // The internal-error report; the handler then calls exit_process(-1).
    virtual void show_internal_error(const std::string& text) = 0;
    virtual void show_error(const std::string& message) = 0;
    // Wizard only: the continue-or-stop dialog of a level-0 error.
    virtual qrn_continue_answer ask_continue(const std::string& /*message*/) { return {}; }
    // Wizard only: an error message for the finish page, every one of the program's life.
    // ends_run: the error ended the run (or the work at the top), so it is listed however
    // many came before it.
    virtual void keep_error(const std::string& /*message*/, bool /*ends_run*/) {}

    // Ends the process with the exit code. It must not return: the console program throws
    // qrn_exit_request (or exits after flushing), tests throw their own marker.
    [[noreturn]] virtual void exit_process(int code) = 0;
};

// What a front end says of a selected name that several source tables match in other
// letter cases (candidates).
std::string qrn_ambiguous_table_text(const compat::wstring& table, const std::vector<compat::wstring>& candidates);
