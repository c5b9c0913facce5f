// Small helpers shared by the toolkit tests: a private temporary folder and file access.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tk_test {

class temp_dir {
public:
    temp_dir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tktest.XXXXXX").string();
        if (::mkdtemp(tmpl.data())) path_ = tmpl;
    }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    ~temp_dir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The assertion message for a location, spelled out for comparison.
inline std::string hex_of(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

}  // namespace tk_test
