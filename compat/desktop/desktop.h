// The desktop's services that the wizard uses beside its windows: the clipboard, opening a
// URL with the program the user has chosen for its scheme (mail program, browser), and the
// user's state folder. Over Qt's GUI module; every call but state_folder needs a running
// Qt GUI application on the calling thread. Knows nothing of the rest of the system.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "compat/text/text.h"

namespace compat::desktop {

// Puts the text on the clipboard as Unicode text. False when no GUI application runs.
bool set_clipboard_text(wstring_view text);
// The clipboard's Unicode text ("" when it holds none or no GUI application runs).
wstring clipboard_text();
// On X11 the clipboard's content lives in the program that put it there: processes events
// until a program has taken the text set last, another one has replaced it, or timeout_ms
// have passed. True when it was taken.
bool hold_clipboard(int timeout_ms);

// Opens the URL with the desktop's handler for its scheme. False when no handler can be
// started (no GUI application, or the desktop has no launcher at all). failed, when given,
// is called later on the user-interface thread when the launcher that was started gives up
// within a few seconds (it found no program for the URL).
bool open_url(const std::string& url, std::function<void()> failed = {});

// The user's folder for state that outlives a run (logs, reports): $XDG_STATE_HOME when it
// is an absolute path, else ~/.local/state.
std::filesystem::path state_folder();

// The file: URL of a local file with an optional fragment ("topic-1012", without the '#'):
// blanks, '#' and '%' in the path are encoded, so any path the system allows opens.
std::string file_url(const std::string& path, const std::string& fragment);

// A mailto: URL (RFC 6068) for one recipient with a subject and a body, every text
// percent-encoded as UTF-8. A recipient that already starts with "mailto:" keeps it once.
std::string mailto_url(std::string_view recipient, std::string_view subject, std::string_view body);

}  // namespace compat::desktop
