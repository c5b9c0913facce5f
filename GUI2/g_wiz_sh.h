// The wizard shell: the sheet with its caption, icon and pictures, the progress timer,
// the message boxes with the program's captions, the help file, and the errors kept for
// the finish page. One instance, on the program entry's stack.
//
// error, message and question work with or without a shell (captions "Error", "Message",
// "Question" and no owner before the shell has shown its title) and from any thread (the
// box appears on the user-interface thread while the caller waits).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "TK/tk_singl.h"
#include "compat/text/text.h"
#include "compat/ui/ui.h"

class wizard_shell : public singleton<wizard_shell> {
public:
    static constexpr int progress_timer_id = 0x10000;
    static constexpr int icon_resource = 501;
    static constexpr int watermark_resource = 311;
    static constexpr int header_resource = 312;
    static constexpr size_t max_errors = 20;

    wizard_shell(compat::wstring title, int icon_id, int watermark_id, int header_id);
    ~wizard_shell() override;

    const compat::wstring& title() const { return title_; }
    compat::ui::sheet& sheet() { return sheet_; }
    void add_page(compat::ui::page& p) { sheet_.add_page(p); }
    // Runs the sheet modally, owned by the active window; 1 after Finish, 0 otherwise.
    int run();

    // From any thread; a second start while the timer runs is an internal error.
    void start_timer(int interval_ms);
    void kill_timer();
    bool timer_running() const { return timer_.running(); }

    // Caption, icon and centring, once per shell (every page activation calls it).
    void update_title();
    // The sheet's Cancel (2) or Help (9) button.
    void enable_button(int id, bool enable);

    static void error(const compat::wstring& text);
    static void error(const std::string& text);
    static void message(const compat::wstring& text);
    // Yes/No; default_no makes No the default button. True for Yes. Once `dismiss` holds
    // (asked on the user-interface thread), the box closes by itself as No.
    static bool question(const compat::wstring& text, bool default_no = true,
                         const std::function<bool()>& dismiss = {});
    // The shell exists and has shown its title.
    static bool is_initialized();

    // The help file beside the program, at a topic or at its start. A missing file is
    // reported with "Help file does not exist. Reinstall the program.".
    static void display_help(int topic);
    static void display_help();
    // The program's path with the extension ".html".
    static std::string help_file();

    // Errors kept for the finish page: the first max_errors of the program's life, how many
    // came after them, and the last of those that ended a run (which is listed too).
    struct error_record {
        std::vector<std::string> first;
        size_t not_listed = 0;  // after the first ones, the ending one left out
        std::string ending;     // empty when none came after the first ones
    };
    void append_error(const std::string& text, bool ends_run = false);
    size_t error_count() const;
    std::vector<std::string> errors() const;
    error_record error_list() const;

    // Notes of the runs for the finish page (how the destination was written; not errors):
    // the first max_errors of the program's life, and how many came after them.
    struct note_record {
        std::vector<compat::wstring> first;
        size_t not_listed = 0;
    };
    void append_note(const compat::wstring& text);
    note_record note_list() const;

    // Where exceptions of the windowing layer's handlers go (see qrn_shel).
    static void report_exception(std::exception_ptr error);
    // The exit code asked for by an exit from inside a handler, or -1 when none was.
    static int requested_exit();
    static void request_exit(int code);

private:
    static compat::ui::window owner();
    static compat::wstring caption(const char16_t* suffix, const char16_t* alone);
    static void open_help(const std::string& fragment);

    compat::wstring title_;
    int icon_id_;
    std::atomic<bool> title_shown_{false};  // read by boxes raised on other threads
    compat::ui::sheet sheet_;
    compat::ui::timer timer_;
    mutable std::mutex errors_mutex_;  // the errors and the notes
    std::vector<std::string> errors_;
    size_t later_errors_ = 0;  // after the first max_errors
    std::string ending_error_;
    note_record notes_;
};
