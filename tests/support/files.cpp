#include "tests/support/files.h"

#include <fstream>
#include <sstream>

namespace test_support {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

bool has_line(const std::string& text, const std::string& line) {
    for (const auto& l : lines_of(text))
        if (l == line) return true;
    return false;
}

bool has_line_starting(const std::string& text, const std::string& start) {
    for (const auto& l : lines_of(text))
        if (l.starts_with(start)) return true;
    return false;
}

}  // namespace test_support
