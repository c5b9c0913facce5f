#include "tests/layout/include_order.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <set>

namespace layout {

namespace {

namespace fs = std::filesystem;

// A part of the product and its layer; a part may include its own headers and those of
// the parts on lower layers. ocilite stands apart. A wizard-only part is included by
// wizard-only parts alone; a Qt part is one of them that may include Qt's own headers.
struct part {
    const char* name;
    int layer;
    bool wizard_only = false;
    bool qt = false;
};
constexpr int apart = -1;
constexpr part compat_text{"compat/text", 0}, compat_file{"compat/file", 0}, compat_oci{"compat/oci", 0},
    compat_oleaut{"compat/oleaut", 1}, compat_registry{"compat/registry", 1},
    compat_desktop{"compat/desktop", 1, true, true}, compat_ui{"compat/ui", 1, true, true}, tk{"TK", 2},
    tk_desktop{"TK desktop services", 3, true}, values{"values", 4}, udb{"UDB", 5}, ora{"ORA", 6}, sql{"SQL", 6},
    common{"common", 7}, app{"app", 8}, wizard{"wizard front end", 9, true}, console{"console front end", 9},
    ocilite{"ocilite", apart};

struct folder_entry {
    const char* folder;
    const part& owner;
};
// The most specific folder decides (app/console before app).
const folder_entry folders[] = {
    {"compat/text", compat_text},
    {"compat/file", compat_file},
    {"compat/oci", compat_oci},
    {"compat/oleaut", compat_oleaut},
    {"compat/registry", compat_registry},
    {"compat/desktop", compat_desktop},
    {"compat/ui", compat_ui},
    {"TK", tk},
    {"values", values},
    {"UDB", udb},
    {"ORA", ora},
    {"SQL", sql},
    {"common", common},
    {"app/console", console},
    {"app", app},
    {"GUI2", wizard},
    {"ocilite", ocilite},
};

// Top-level folders that hold no product sources; hidden folders and build folders (those
// with a CMakeCache.txt) are passed over too.
const char* const other_tops[] = {"tests", "bench", "scripts", "demo", "docs"};

// Files that belong to another part than the folder they sit in.
struct file_entry {
    const char* file;
    const part& owner;
    const char* why;
};
const file_entry files[] = {
    {"TK/tk_mail.h", tk_desktop, "the clipboard and mail program behind the wizard's error dialog"},
    {"TK/tk_mail.cpp", tk_desktop, "the clipboard and mail program behind the wizard's error dialog"},
    {"common/over_dlg.h", wizard, "the overwrite dialogs: wizard dialogs on GUI2's page base"},
    {"common/over_dlg.cpp", wizard, "the overwrite dialogs: wizard dialogs on GUI2's page base"},
    {"common/sql_dump.h", wizard, "the dump-options page: a wizard page on GUI2's page base"},
    {"common/sql_dump.cpp", wizard, "the dump-options page: a wizard page on GUI2's page base"},
    {"app/qrn_shel.h", wizard, "the wizard program's entry (its pages and sheet)"},
    {"app/qrn_shel.cpp", wizard, "the wizard program's entry (its pages and sheet)"},
    {"app/qrn_main.cpp", wizard, "the wizard program's main"},
};

bool under(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

// The part a file (path from the top) belongs to; none outside the table.
const part* part_of(const std::string& path) {
    for (const file_entry& f : files)
        if (path == f.file) return &f.owner;
    for (const folder_entry& f : folders)
        if (under(path, f.folder)) return &f.owner;
    return nullptr;
}

std::string top_of(const std::string& path) { return path.substr(0, path.find('/')); }

std::set<std::string> product_tops() {
    std::set<std::string> tops;
    for (const folder_entry& f : folders) tops.insert(top_of(f.folder));
    return tops;
}

bool known_top(const std::string& name) {
    return product_tops().count(name) != 0 ||
           std::find(std::begin(other_tops), std::end(other_tops), name) != std::end(other_tops);
}

// Why `from` may not include `to`; nothing when it may.
std::optional<std::string> refusal(const part& from, const part* to) {
    if (!to) return "not a header of a product folder (includes name headers by their path from the top)";
    if (&from == to) return std::nullopt;
    const std::string pair = std::string(from.name) + " may not include " + to->name;
    if (to->wizard_only && !from.wizard_only) return pair + ": only the wizard's parts reach the Qt layer";
    if (from.layer == apart) {
        if (to->layer <= compat_ui.layer) return std::nullopt;
        return pair + ": ocilite uses compat only";
    }
    if (to->layer == apart) return pair + ": the stand-in client is used by no product folder";
    if (to->layer == from.layer) return pair + ": one layer, neither knows the other";
    if (to->layer > from.layer) return pair + ": a higher layer";
    return std::nullopt;
}

// Qt's own headers: <QWidget>, <QtGlobal>, <QtCore/QString>.
bool qt_header(const std::string& header) {
    return header.size() > 1 && header[0] == 'Q' &&
           (std::isupper(static_cast<unsigned char>(header[1])) || header.compare(0, 2, "Qt") == 0);
}

// The header of a line `#include "HEADER"` or `#include <HEADER>`, with its form; nothing
// for any other line.
struct include_line {
    std::string header;
    bool quoted;
};
std::optional<include_line> include_of(const std::string& line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') return std::nullopt;
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0) return std::nullopt;
    i = line.find_first_not_of(" \t", i + 7);
    if (i == std::string::npos || (line[i] != '"' && line[i] != '<')) return std::nullopt;
    const bool quoted = line[i] == '"';
    const size_t end = line.find(quoted ? '"' : '>', i + 1);
    if (end == std::string::npos) return std::nullopt;
    return include_line{line.substr(i + 1, end - i - 1), quoted};
}

bool is_source(const fs::path& p) {
    static const std::set<std::string> extensions{".h", ".hpp", ".cpp", ".cc", ".c", ".inc"};
    return extensions.count(p.extension().string()) != 0;
}

// A folder at the top of the tree that holds no product sources: hidden, a build folder, or
// one of the other folders.
bool passed_over(const fs::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    return name.starts_with(".") || fs::exists(entry.path() / "CMakeCache.txt") ||
           std::find(std::begin(other_tops), std::end(other_tops), name) != std::end(other_tops);
}

// The product's sources under root, as paths from the top, sorted; the top-level folders and
// sources that the table does not know go to `unknown`.
std::vector<std::string> sources(const fs::path& root, std::vector<std::string>& unknown) {
    const std::set<std::string> tops = product_tops();
    std::vector<std::string> out;
    for (const auto& top : fs::directory_iterator(root)) {
        const std::string name = top.path().filename().string();
        if (top.is_directory() && passed_over(top)) continue;
        if (top.is_regular_file()) {
            if (is_source(top.path())) unknown.push_back(name + ": a source outside every folder of the layout table");
            continue;
        }
        if (!top.is_directory()) continue;
        if (tops.count(name) == 0) {
            unknown.push_back(name + "/: a top-level folder the layout table does not know");
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(top.path())) {
            if (entry.is_regular_file() && is_source(entry.path()))
                out.push_back(entry.path().lexically_relative(root).generic_string());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

std::vector<std::string> include_order_violations(const fs::path& root) {
    std::vector<std::string> out;
    for (const std::string& file : sources(root, out)) {
        const part* from = part_of(file);
        if (!from) {
            out.push_back(file + ": in no folder of the layout table");
            continue;
        }
        std::ifstream in(root / file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            const std::optional<include_line> include = include_of(line);
            if (!include) continue;
            const std::string& header = include->header;
            const std::string where = file + ":" + std::to_string(number) + ": " + header + ": ";
            const bool bare = header.find('/') == std::string::npos;
            if (!include->quoted && (bare || !known_top(top_of(header)))) {
                // A system header: only the Qt layer includes Qt's own.
                if (qt_header(header) && !from->qt)
                    out.push_back(where + from->name + " may not include Qt: only compat/ui and compat/desktop do");
                continue;
            }
            // A bare quoted name is a header beside the file.
            const std::string path = bare ? fs::path(file).parent_path().generic_string() + "/" + header : header;
            if (auto why = refusal(*from, part_of(path))) out.push_back(where + *why);
        }
    }
    return out;
}

std::vector<std::string> missing_table_entries(const fs::path& root) {
    std::vector<std::string> out;
    for (const folder_entry& f : folders)
        if (!fs::is_directory(root / f.folder)) out.push_back(f.folder);
    for (const file_entry& f : files)
        if (!fs::is_regular_file(root / f.file)) out.push_back(f.file);
    return out;
}

}  // namespace layout
