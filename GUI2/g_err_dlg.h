// The two dialogs through which the error handler talks to the user: the internal-error
// dialog (copy the text, or mail a bug report) and the continue-or-abort dialog of an
// error during a run (with "Do not show this dialog box again").
#pragma once

#include "compat/text/text.h"
#include "compat/ui/ui.h"

// What both dialogs share: the message beside the system's error picture, the caption,
// and the placement over the owner.
class error_dialog : public compat::ui::dialog {
public:
    static constexpr int id_message = 1320;

protected:
    // name: the class name the trace log uses.
    error_dialog(const char* name, compat::wstring message);

    const compat::wstring& message() const { return message_; }
    // The dialog's size, then the message row.
    void build_message(int height_du);
    bool on_init() override;

private:
    const char* name_;
    compat::wstring message_;
};

// Dialog 114. The report is also kept in a file of the user's state folder, whose path the
// dialog shows.
class dlg_error_ex : public error_dialog {
public:
    static constexpr int id_report_file = 1321;
    static constexpr int id_copy = 1108;
    static constexpr int id_send_bug = 1112;

    explicit dlg_error_ex(compat::wstring message);

    // Builds, shows and destroys the dialog on the user-interface thread, owned by the
    // active window; from another thread the caller waits. Returns 1, 1108 or 1112 (1 when
    // the interface is closing). After Copy it returns once the text has been taken from
    // the clipboard or a few seconds have passed: the program may end right after.
    static int show(const compat::wstring& message);

    void on_command(int id, compat::ui::notify what) override;

protected:
    void build() override;
    bool on_init() override;

private:
    void on_send_bug();
};

// Dialog 115.
class dlg_error_continue : public error_dialog {
public:
    static constexpr int id_abort = 1;
    static constexpr int id_continue = 2;
    static constexpr int id_dont_show = 1222;

    explicit dlg_error_continue(compat::wstring message);

    struct answer {
        int button = id_continue;  // 1 Abort, 2 Continue
        bool dont_show = false;
    };
    // As dlg_error_ex::show; a closing interface answers Abort.
    static answer ask(const compat::wstring& message);

    bool dont_show() const { return dont_show_; }

    void on_command(int id, compat::ui::notify what) override;

protected:
    void build() override;

private:
    bool dont_show_ = false;
};

// The caption of both dialogs: the shell title + " Error" once the shell has shown its
// title, else "Error".
compat::wstring error_dialog_caption();
// What a bug report is about: the shell title once it is shown, else the program's title.
compat::wstring report_subject();
