// The two desktop services behind the wizard's internal-error dialog: a bug report to the
// product's support address, written in the user's mail program, and the clipboard.
// Neither raises: a missing mail program or clipboard is only logged.
#pragma once

#include <string>

#include "compat/text/text.h"

// Opens a new message to the support address with the subject "Bug report on " + subject
// and the report as its body. The user reviews and sends it.
void tk_send_bug(const std::string& subject, const std::string& report);

// Puts the text on the clipboard as Unicode text, exactly as given.
void tk_copy_to_clipboard2(const compat::wstring& text);
