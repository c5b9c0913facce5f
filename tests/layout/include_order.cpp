#include "tests/layout/include_order.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <set>

namespace layout {

namespace {

namespace fs = std::filesystem;

// A part of the product and its layer; a part may include its own headers and those of
// the parts on lower layers. ocilite stands apart.
struct part {
    const char* name;
    int layer;
};
constexpr int apart = -1;
constexpr part compat{"compat", 0}, tk{"TK", 1}, values{"values", 2}, udb{"UDB", 3}, ora{"ORA", 4}, sql{"SQL", 4},
    common{"common", 5}, app{"app", 6}, wizard{"wizard front end", 7}, console{"console front end", 7},
    ocilite{"ocilite", apart};

struct folder_entry {
    const char* folder;
    const part& owner;
};
// The most specific folder decides (app/console before app).
const folder_entry folders[] = {
    {"compat", compat}, {"TK", tk},       {"values", values},   {"UDB", udb},
    {"ORA", ora},       {"SQL", sql},     {"common", common},   {"app/console", console},
    {"app", app},       {"GUI2", wizard}, {"ocilite", ocilite},
};

// Files that belong to a front end rather than to the folder they sit in.
struct file_entry {
    const char* file;
    const part& owner;
    const char* why;
};
const file_entry files[] = {
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

// Why `from` may not include `to`; nothing when it may.
std::optional<std::string> refusal(const part& from, const part* to) {
    if (!to) return "not a header of a product folder (includes name headers by their path from the top)";
    if (&from == to) return std::nullopt;
    const std::string pair = std::string(from.name) + " may not include " + to->name;
    if (from.layer == apart) {
        if (to == &compat) return std::nullopt;
        return pair + ": ocilite uses compat only";
    }
    if (to->layer == apart) return pair + ": the stand-in client is used by no product folder";
    if (to->layer == from.layer) return pair + ": one layer, neither knows the other";
    if (to->layer > from.layer) return pair + ": a higher layer";
    return std::nullopt;
}

// The header of a line `#include "HEADER"`; nothing for any other line.
std::optional<std::string> quoted_include(const std::string& line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') return std::nullopt;
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0) return std::nullopt;
    i = line.find_first_not_of(" \t", i + 7);
    if (i == std::string::npos || line[i] != '"') return std::nullopt;
    const size_t end = line.find('"', i + 1);
    if (end == std::string::npos) return std::nullopt;
    return line.substr(i + 1, end - i - 1);
}

bool is_source(const fs::path& p) {
    static const std::set<std::string> extensions{".h", ".hpp", ".cpp", ".cc", ".inc"};
    return extensions.count(p.extension().string()) != 0;
}

// The product's sources under root, as paths from the top, sorted.
std::vector<std::string> sources(const fs::path& root) {
    std::set<std::string> tops;
    for (const folder_entry& f : folders) {
        const std::string folder = f.folder;
        tops.insert(folder.substr(0, folder.find('/')));
    }
    std::vector<std::string> out;
    for (const std::string& top : tops) {
        if (!fs::is_directory(root / top)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
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
    for (const std::string& file : sources(root)) {
        const part* from = part_of(file);
        std::ifstream in(root / file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::optional<std::string> header = quoted_include(line);
            if (!header) continue;
            // A bare name is a header beside the file.
            const std::string path = header->find('/') == std::string::npos
                                         ? fs::path(file).parent_path().generic_string() + "/" + *header
                                         : *header;
            if (auto why = refusal(*from, part_of(path)))
                out.push_back(file + ":" + std::to_string(number) + ": " + *header + ": " + *why);
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
