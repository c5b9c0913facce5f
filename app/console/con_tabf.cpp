#include "app/console/con_tabf.h"

#include <sys/stat.h>

#include <fstream>

#include "TK/tk_utils.h"

namespace {
constexpr std::string_view utf8_signature = "\xEF\xBB\xBF";
}

std::vector<compat::wstring> con_read_table_names(std::istream& in) {
    std::vector<compat::wstring> names;
    bool first = true;
    bool utf8 = false;
    std::string line;
    // Lines are read whole, however long: a fixed buffer would cut a long line into
    // several bogus names.
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        std::string_view text = line;
        if (first) {
            first = false;
            if (text.starts_with(utf8_signature)) {
                utf8 = true;
                text.remove_prefix(utf8_signature.size());
            }
        }
        // No table has an empty name: a line of the signature alone names nothing.
        if (text.empty()) continue;
        names.push_back(utf8 ? tk_utf8_to_wide(text) : tk_ansi_to_wide(text));
    }
    return names;
}

std::optional<std::vector<compat::wstring>> con_read_table_names(const std::string& path) {
    // Whatever can be read is read: a plain file, a FIFO, a pipe (--tab_file=<(...)), a
    // device. A folder opens but holds no lines to read.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return con_read_table_names(in);
}
