#include "compat/desktop/desktop.h"

#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QClipboard>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QStandardPaths>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace compat::desktop {

namespace {
QClipboard* clipboard() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
    return QGuiApplication::clipboard();
}

// Clipboard text that notes when a program asks for it.
class held_text : public QMimeData {
public:
    explicit held_text(const QString& text) { setText(text); }
    bool taken() const { return taken_; }

protected:
    QVariant retrieveData(const QString& type, QMetaType meta) const override {
        taken_ = true;
        return QMimeData::retrieveData(type, meta);
    }

private:
    mutable bool taken_ = false;
};

// The text set last; the clipboard owns it and deletes it when it is replaced.
QPointer<held_text> last_text;

// A launcher that has not given up within this time is taken to have opened the URL (it may
// wait for the program it started).
constexpr int launcher_verdict_ms = 5000;
constexpr int launcher_poll_ms = 100;

// Starts the launcher in a session of its own (it outlives the program) and watches how it
// ends: a failure within the verdict time calls `failed`.
bool launch_watched(const QString& launcher, const QString& url, std::function<void()> failed) {
    const QByteArray program = QFile::encodeName(launcher);
    const QByteArray argument = url.toUtf8();
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(argument.constData()), nullptr};
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return false;
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.constData(), nullptr, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return false;
    auto* watch = new QTimer(QCoreApplication::instance());
    QElapsedTimer clock;
    clock.start();
    QObject::connect(watch, &QTimer::timeout, watch, [watch, pid, clock, failed = std::move(failed)] {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == 0) return;  // still running; reaped whenever it ends
        watch->deleteLater();
        const bool ok = done == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!ok && failed && clock.elapsed() < launcher_verdict_ms) QTimer::singleShot(0, failed);
    });
    watch->start(launcher_poll_ms);
    return true;
}

std::filesystem::path home_folder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
    struct passwd pw {};
    struct passwd* found = nullptr;
    std::vector<char> buf(16384);
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}

bool is_unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

// Every byte but the unreserved ones as %XX: '&', '=', '?', '#', '+' and line breaks in a
// subject or body must not end or alter the field.
void append_encoded(std::string& out, std::string_view text, bool keep_at) {
    static constexpr char hex[] = "0123456789ABCDEF";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (is_unreserved(c) || (keep_at && c == '@')) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
    }
}
}  // namespace

bool set_clipboard_text(wstring_view text) {
    QClipboard* board = clipboard();
    if (!board) return false;
    auto* data = new held_text(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    last_text = data;
    board->setMimeData(data);
    return true;
}

bool hold_clipboard(int timeout_ms) {
    QClipboard* board = clipboard();
    if (!board) return false;
    const auto settled = [board] { return !last_text || last_text->taken() || board->mimeData() != last_text; };
    if (!settled()) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (settled()) loop.quit();
        });
        QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
        poll.start(20);
        loop.exec();
    }
    return last_text && last_text->taken();
}

wstring clipboard_text() {
    QClipboard* board = clipboard();
    if (!board) return {};
    const QString text = board->text();
    return wstring(reinterpret_cast<const wchar*>(text.utf16()), static_cast<size_t>(text.size()));
}

bool open_url(const std::string& url, std::function<void()> failed) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    const QUrl target(QString::fromStdString(url), QUrl::StrictMode);
    // The freedesktop launcher tells by its exit status whether it found a program; the
    // toolkit's own opener only whether it could start one.
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!launcher.isEmpty()) return launch_watched(launcher, target.toString(QUrl::FullyEncoded), std::move(failed));
    return QDesktopServices::openUrl(target);
}

std::filesystem::path state_folder() {
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/') return xdg;
    return home_folder() / ".local" / "state";
}

std::string file_url(const std::string& path, const std::string& fragment) {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    if (!fragment.empty()) url.setFragment(QString::fromStdString(fragment));
    return url.toString(QUrl::FullyEncoded).toStdString();
}

std::string mailto_url(std::string_view recipient, std::string_view subject, std::string_view body) {
    constexpr std::string_view scheme = "mailto:";
    if (recipient.substr(0, scheme.size()) == scheme) recipient.remove_prefix(scheme.size());
    std::string url(scheme);
    append_encoded(url, recipient, true);
    url += "?subject=";
    append_encoded(url, subject, false);
    url += "&body=";
    append_encoded(url, body, false);
    return url;
}

}  // namespace compat::desktop
