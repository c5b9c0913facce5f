#include "compat/desktop/desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QUrl>

namespace compat::desktop {

namespace {
QClipboard* clipboard() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
    return QGuiApplication::clipboard();
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
    board->setText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    return true;
}

wstring clipboard_text() {
    QClipboard* board = clipboard();
    if (!board) return {};
    const QString text = board->text();
    return wstring(reinterpret_cast<const wchar*>(text.utf16()), static_cast<size_t>(text.size()));
}

bool open_url(const std::string& url) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    const QUrl target(QString::fromStdString(url), QUrl::StrictMode);
    if (QDesktopServices::openUrl(target)) return true;
    // Platforms without desktop integration (offscreen, minimal) still have the freedesktop
    // launcher when one is installed.
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    return !launcher.isEmpty() && QProcess::startDetached(launcher, {target.toString(QUrl::FullyEncoded)});
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
