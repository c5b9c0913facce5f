#include "compat/ui/ui_files.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "compat/ui/ui_qt.h"

namespace compat::ui {
namespace {

QStringList name_filters(const std::vector<file_filter>& filters) {
    QStringList list;
    for (const file_filter& f : filters) {
        QString patterns = to_q(f.pattern);
        patterns.replace(';', ' ');
        list << to_q(f.description) + " (" + patterns + ")";
    }
    return list;
}

std::optional<text> run(QFileDialog& d, const file_request& request) {
    d.setWindowTitle(to_q(request.title));
    // The toolkit's own dialog: the same on every desktop, and tests can drive it.
    d.setOption(QFileDialog::DontUseNativeDialog, true);
    // The descriptions name their patterns already ("Profile Files (.qrn)"): the patterns
    // are not shown a second time behind them.
    d.setOption(QFileDialog::HideNameFilterDetails, true);
    d.setNameFilters(name_filters(request.filters));
    d.setDirectory(request.folder.empty() ? QDir::currentPath() : to_q(request.folder));
    if (!request.name.empty()) d.selectFile(to_q(request.name));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return from_q(QFileInfo(d.selectedFiles().front()).absoluteFilePath());
}

}  // namespace

std::optional<text> open_file(const file_request& request, bool must_exist) {
    QFileDialog d(request.owner);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    return run(d, request);
}

std::optional<text> save_file(const file_request& request, const text& default_extension) {
    QFileDialog d(request.owner);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    // The dialog asks before replacing a file; its callers ask their own question.
    d.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!default_extension.empty()) d.setDefaultSuffix(to_q(default_extension));
    return run(d, request);
}

}  // namespace compat::ui
