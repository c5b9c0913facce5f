#include "TK/tk_fname.h"

#include <climits>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TK/tk_excep.h"
#include "TK/tk_log.h"
#include "TK/tk_utils.h"

namespace {

struct path_parts {
    std::string drive, dir, name, ext;
};

// The absolute, lexically normalised form of the path; false when the current directory
// cannot be had. As on Windows, only a path that ends in '/' keeps a trailing '/'
// ("/a/b/.." is "/a").
bool make_absolute(std::string_view path, std::string& out) {
    std::string full;
    if (!path.empty() && path.front() == '/') {
        full = path;
    } else {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd)) return false;
        full = cwd;
        full += '/';
        full += path;
    }
    std::vector<std::string_view> parts;
    std::string_view all = full;
    bool folder = false;
    for (size_t pos = 0; pos <= all.size();) {
        size_t slash = all.find('/', pos);
        if (slash == std::string_view::npos) slash = all.size();
        std::string_view part = all.substr(pos, slash - pos);
        folder = part.empty();
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = slash + 1;
    }
    out = "/";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += '/';
        out += parts[i];
    }
    if (folder && !parts.empty()) out += '/';
    return true;
}

path_parts split(std::string_view full) {
    path_parts p;
    size_t slash = full.rfind('/');
    p.dir = full.substr(0, slash + 1);
    std::string_view file = full.substr(slash + 1);
    size_t dot = file.rfind('.');
    if (dot == std::string_view::npos) {
        p.name = file;
    } else {
        p.name = file.substr(0, dot);
        p.ext = file.substr(dot);
    }
    return p;
}

// Splits the path as the constructors do; false when it cannot be made absolute.
bool split_path(std::string_view path, path_parts& parts) {
    if (path.empty()) {
        parts = split(tk_get_module_path());
        parts.name.clear();
        return true;
    }
    std::string full;
    if (!make_absolute(path, full)) return false;
    parts = split(full);
    return true;
}

template <class S, class V>
S dotted(V ext) {
    if (ext.empty() || ext.front() == '.') return S(ext);
    S out(1, '.');
    out += ext;
    return out;
}

bool file_exists(const std::string& path, int mode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    bool write = mode == TK_FILE_WRITABLE;
    // Root may open any file for writing; a file without a write bit is still read-only.
    if (write && ::geteuid() == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    int fd = ::open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool path_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) == 0;
}

}  // namespace

tk_file_name::tk_file_name(const char* path) {
    if (!path) throw tk_mail_assertion(tk_where::fname, 28);
    initialize(path);
}

tk_file_name::tk_file_name(std::string_view path) { initialize(path); }

void tk_file_name::initialize(std::string_view path) {
    path_parts p;
    if (!split_path(path, p)) throw tk_mail_assertion(tk_where::fname, 36);
    drive_ = std::move(p.drive);
    dir_ = std::move(p.dir);
    name_ = std::move(p.name);
    ext_ = std::move(p.ext);
}

void tk_file_name::set_ext(std::string_view ext) { ext_ = dotted<std::string>(ext); }

tk_file_wname::tk_file_wname(const compat::wchar* path) {
    if (!path) throw tk_mail_assertion(tk_where::fname, 75);
    initialize(path);
}

tk_file_wname::tk_file_wname(compat::wstring_view path) { initialize(path); }

void tk_file_wname::initialize(compat::wstring_view path) {
    tk_log::log(1, u"tk_file_wname::initialize(%s)", path);
    path_parts p;
    // '/' and '.' are ASCII, so splitting the UTF-8 form splits the wide one.
    if (!split_path(compat::utf16_to_utf8(path), p)) throw tk_mail_assertion(tk_where::fname, 83);
    drive_ = compat::utf8_to_utf16(p.drive);
    dir_ = compat::utf8_to_utf16(p.dir);
    name_ = compat::utf8_to_utf16(p.name);
    ext_ = compat::utf8_to_utf16(p.ext);
}

void tk_file_wname::set_ext(compat::wstring_view ext) { ext_ = dotted<compat::wstring>(ext); }

bool tk_is_file_exist(std::string_view path, int mode) {
    tk_log::log(1, "tk_is_file_exist(%s)", path);
    if (file_exists(std::string(path), mode)) return true;
    tk_log::log(1, "File not exists!");
    return false;
}

bool tk_is_file_exist(compat::wstring_view path, int mode) {
    tk_log::log(1, u"tk_is_file_exist(%s)", path);
    if (file_exists(compat::utf16_to_ansi(path), mode)) return true;
    tk_log::log(1, "File not exists!");
    return false;
}

bool tk_is_path_exist(std::string_view path) {
    tk_log::log(1, "tk_is_path_exist(%s)", path);
    return path_exists(std::string(path));
}

bool tk_is_path_exist(compat::wstring_view path) {
    std::string narrow = compat::utf16_to_ansi(path);
    tk_log::log(1, "tk_is_path_exist(%s)", narrow);
    return path_exists(narrow);
}

tk_cur_dir::tk_cur_dir(std::string_view path) {
    std::string target = path.empty() ? tk_file_name(tk_get_module_path()).get_path() : std::string(path);
    previous_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    changed_ = previous_ >= 0 && ::chdir(target.c_str()) == 0;
}

tk_cur_dir::~tk_cur_dir() {
    if (changed_ && ::fchdir(previous_) != 0) {
        // Nothing sound to do in a destructor: the directory we came from is gone.
    }
    if (previous_ >= 0) ::close(previous_);
}
