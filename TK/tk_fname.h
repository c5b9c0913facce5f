// File names and paths. A path is made absolute against the current directory, "." and
// ".." are resolved lexically, and it is split the way Windows _splitpath splits: drive
// (always empty here), directory with its trailing '/', name, and extension from the last
// '.' of the final component (".bashrc" has an empty name and the extension ".bashrc").
// An empty path stands for the program: its folder and extension, with an empty name.
#pragma once

#include <string>
#include <string_view>

#include "compat/text/text.h"

class tk_file_name {
public:
    explicit tk_file_name(const char* path);  // null: internal error
    explicit tk_file_name(std::string_view path);
    explicit tk_file_name(const std::string& path) : tk_file_name(std::string_view(path)) {}

    const std::string& drive() const { return drive_; }
    const std::string& dir() const { return dir_; }
    const std::string& name() const { return name_; }
    const std::string& ext() const { return ext_; }

    // Drive and directory: the folder, ending in '/'.
    std::string get_path() const { return drive_ + dir_; }
    std::string make_path() const { return drive_ + dir_ + name_ + ext_; }
    // An empty text or one starting with '.' is taken as it is; "log" becomes ".log".
    void set_ext(std::string_view ext);

private:
    void initialize(std::string_view path);

    std::string ext_;
    std::string drive_;
    std::string name_;
    std::string dir_;
};

class tk_file_wname {
public:
    explicit tk_file_wname(const compat::wchar* path);  // null: internal error
    explicit tk_file_wname(compat::wstring_view path);
    explicit tk_file_wname(const compat::wstring& path) : tk_file_wname(compat::wstring_view(path)) {}

    const compat::wstring& drive() const { return drive_; }
    const compat::wstring& dir() const { return dir_; }
    const compat::wstring& name() const { return name_; }
    const compat::wstring& ext() const { return ext_; }

    compat::wstring get_path() const { return drive_ + dir_; }
    compat::wstring make_path() const { return drive_ + dir_ + name_ + ext_; }
    void set_ext(compat::wstring_view ext);

private:
    void initialize(compat::wstring_view path);

    compat::wstring ext_;
    compat::wstring drive_;
    compat::wstring name_;
    compat::wstring dir_;
};

// Modes of tk_is_file_exist.
inline constexpr int TK_FILE_READABLE = 0x4000;  // exists and can be read
inline constexpr int TK_FILE_WRITABLE = 1;       // exists and can be written

// True for an existing regular file that can be opened as the mode asks. Writable also
// needs a write permission bit, so a read-only file counts as read-only even for root.
bool tk_is_file_exist(std::string_view path, int mode);
bool tk_is_file_exist(compat::wstring_view path, int mode);

// True for an existing directory that can be entered. The current directory is not touched.
bool tk_is_path_exist(std::string_view path);
bool tk_is_path_exist(compat::wstring_view path);

// Changes the current directory for its lifetime (an empty path: the program's folder)
// and changes back on destruction. changed() is true only when the change succeeded.
class tk_cur_dir {
public:
    explicit tk_cur_dir(std::string_view path);
    tk_cur_dir(const tk_cur_dir&) = delete;
    tk_cur_dir& operator=(const tk_cur_dir&) = delete;
    ~tk_cur_dir();

    bool changed() const { return changed_; }

private:
    bool changed_ = false;
    int previous_ = -1;  // descriptor of the directory to return to
};
