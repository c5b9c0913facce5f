#include "TK/tk_mail.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

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

namespace {

constexpr int clipboard_hold_ms = 5000;

std::string local_time_text(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = "";
    if (localtime_r(&now, &local)) std::strftime(text, sizeof text, format, &local);
    return text;
}

// A file of its own: never one an earlier report (or anything else) holds.
int create_new(const std::string& path) { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); }

bool write_all(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

void tk_hold_clipboard() {
    const bool taken = compat::desktop::hold_clipboard(clipboard_hold_ms);
    tk_log::log(2, "tk_hold_clipboard: %s", taken ? "taken" : "not taken");
}

tk_saved_report tk_save_bug_report(const std::string& subject, const std::string& report) {
    const std::filesystem::path folder = compat::desktop::state_folder() / "marrowgate";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return {folder.string(), ec.message()};
    const std::string stem = (folder / ("bug-report-" + local_time_text("%Y%m%d-%H%M%S"))).string();
    std::string path = stem + ".txt";
    int fd = create_new(path);
    for (int n = 2; fd < 0 && errno == EEXIST && n < 100; ++n) {
        path = stem + "-" + std::to_string(n) + ".txt";
        fd = create_new(path);
    }
    if (fd < 0) return {folder.string(), std::strerror(errno)};
    const std::string text = "Bug report on " + subject + "\n" + local_time_text("%Y-%m-%d %H:%M:%S") + "\n\n" +
                             report + (report.empty() || report.back() != '\n' ? "\n" : "");
    const bool written = write_all(fd, text);
    const int error = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(path.c_str());
        return {folder.string(), std::strerror(written ? errno : error)};
    }
    tk_log::log(2, "Bug report saved in %s", path);
    return {path, ""};
}
