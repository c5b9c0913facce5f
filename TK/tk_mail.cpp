#include "TK/tk_mail.h"

#include "TK/tk_errco.h"
#include "TK/tk_fname.h"
#include "TK/tk_log.h"
#include "compat/desktop/desktop.h"

void tk_send_bug(const std::string& subject, const std::string& report) {
    tk_log::log(2, "tk_send_bug(%s|%s)", subject, report);
    const std::string url =
        compat::desktop::mailto_url(tk_message(TK_MSG_SUPPORT_ADDRESS), "Bug report on " + subject, report);
    // A launcher may change the folder; the program's relative paths must not move.
    const tk_cur_dir keeper(".");
    if (!compat::desktop::open_url(url)) {
        tk_log::log(2, "Failed to locate MAPI32.DLL");
        return;
    }
    tk_log::log(2, "lpfnMAPISendMail returns %d", 0);
}

void tk_copy_to_clipboard2(const compat::wstring& text) {
    tk_log::log(2, u"tk_copy_to_clipboard2(%s)", text);
    if (!compat::desktop::set_clipboard_text(text)) {
        // No clipboard without a GUI application: the code of "no window station".
        tk_log::log(2, "GetLastError() returns %08X", 1459);
        return;
    }
    tk_log::log(2, "OpenClipboard succeeded");
}
