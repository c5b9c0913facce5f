// The desktop services behind the wizard's internal-error dialog: a bug report to the
// product's support address, written in the user's mail program, the same report kept in a
// file, and the clipboard. None raises: a missing mail program or clipboard is only logged.
#pragma once

#include <string>

#include "compat/text/text.h"

// Opens a new message to the support address with the subject "Bug report on " + subject
// and the report as its body. The user reviews and sends it.
void tk_send_bug(const std::string& subject, const std::string& report);

// Puts the text on the clipboard as Unicode text, exactly as given.
void tk_copy_to_clipboard2(const compat::wstring& text);

// Keeps the clipboard's text available (on X11 it dies with the program) until a program
// has taken it or a few seconds have passed. On the user-interface thread.
void tk_hold_clipboard();

// Where tk_save_bug_report put the report, or why it could not (then path is the folder).
struct tk_saved_report {
    std::string path;
    std::string error;  // empty when the file was written
};

// Writes "Bug report on " + subject, the local date and time, and the report into a new
// file of the user's state folder: marrowgate/bug-report-YYYYMMDD-HHMMSS.txt in
// $XDG_STATE_HOME (or ~/.local/state), readable by the user only.
tk_saved_report tk_save_bug_report(const std::string& subject, const std::string& report);
