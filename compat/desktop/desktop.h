// The desktop's services that the wizard uses beside its windows: the clipboard and opening
// a URL with the program the user has chosen for its scheme (mail program, browser). Over
// Qt's GUI module; every call needs a running Qt GUI application on the calling thread.
// Knows nothing of the rest of the system.
#pragma once

#include <string>
#include <string_view>

#include "compat/text/text.h"

namespace compat::desktop {

// Puts the text on the clipboard as Unicode text. False when no GUI application runs.
bool set_clipboard_text(wstring_view text);
// The clipboard's Unicode text ("" when it holds none or no GUI application runs).
wstring clipboard_text();

// Opens the URL with the desktop's handler for its scheme. False when no handler can be
// started (no GUI application, or the desktop has no launcher at all).
bool open_url(const std::string& url);

// The file: URL of a local file with an optional fragment ("topic-1012", without the '#'):
// blanks, '#' and '%' in the path are encoded, so any path the system allows opens.
std::string file_url(const std::string& path, const std::string& fragment);

// A mailto: URL (RFC 6068) for one recipient with a subject and a body, every text
// percent-encoded as UTF-8. A recipient that already starts with "mailto:" keeps it once.
std::string mailto_url(std::string_view recipient, std::string_view subject, std::string_view body);

}  // namespace compat::desktop
