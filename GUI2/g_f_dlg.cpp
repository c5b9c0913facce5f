#include "GUI2/g_f_dlg.h"

#include "TK/tk_fname.h"
#include "TK/tk_trace.h"
#include "compat/text/format.h"

namespace ui = compat::ui;
using compat::wstring;

namespace {

std::vector<ui::file_filter> parse_filter(const wstring& filter) {
    std::vector<ui::file_filter> pairs;
    size_t at = 0;
    while (at < filter.size()) {
        const size_t end = filter.find(u'\0', at);
        const wstring description = filter.substr(at, end == wstring::npos ? wstring::npos : end - at);
        if (end == wstring::npos || description.empty()) break;
        const size_t pattern_end = filter.find(u'\0', end + 1);
        wstring pattern = filter.substr(end + 1, pattern_end == wstring::npos ? wstring::npos : pattern_end - end - 1);
        pairs.push_back({description, std::move(pattern)});
        if (pattern_end == wstring::npos) break;
        at = pattern_end + 1;
    }
    return pairs;
}

}  // namespace

wstring profile_filter(const wstring& extension) {
    wstring filter = compat::wformat(u"Profile Files (.%s)X*.%sXAll Files (*.*)X*.*X", extension, extension);
    // The format's four separators; the extension itself never holds an X here (three
    // letters of the program's own choosing), so replacing every X is exact.
    for (char16_t& c : filter)
        if (c == u'X') c = u'\0';
    return filter;
}

file_dialog::file_dialog(ui::window owner, const wstring& filter, wstring title, const wstring& initial_path) {
    request_.owner = owner;
    request_.title = std::move(title);
    request_.filters = parse_filter(filter);
    // An empty path opens in the current folder with no name (the path splitter would
    // take an empty path for the program's own).
    if (!initial_path.empty()) {
        const tk_file_wname parts(initial_path);
        request_.folder = parts.get_path();
        request_.name = parts.name();
    }
}

bool file_dialog::show() {
    // Whatever the dialog does to the current folder, the program's relative paths stay.
    const tk_cur_dir keeper(".");
    std::optional<wstring> chosen = run();
    if (!chosen) return false;
    path_ = complete(std::move(*chosen));
    return true;
}

open_file_dialog::open_file_dialog(ui::window owner, const wstring& filter, wstring title, const wstring& initial_path)
    : file_dialog(owner, filter, std::move(title), initial_path) {}

std::optional<wstring> open_file_dialog::run() { return ui::open_file(request_, true); }

save_file_dialog::save_file_dialog(ui::window owner, const wstring& filter, wstring title, const wstring& initial_path,
                                   const wstring& extension)
    : file_dialog(owner, filter, std::move(title), initial_path) {
    if (extension.empty()) tk_fail(tk_where::g_f_dlg, 111);
    default_extension_ = extension.front() == u'.' ? extension : u"." + extension;
}

// The toolkit's own suffix rule differs (it keeps "name.txt"); the extension is added
// here, by the program's rule.
std::optional<wstring> save_file_dialog::run() { return ui::save_file(request_, wstring()); }

wstring save_file_dialog::complete(wstring path) const {
    if (path.find(default_extension_) == wstring::npos) path += default_extension_;
    return path;
}
