#include "compat/registry/registry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "compat/file/atomic_replace.h"
#include "compat/registry/reg_format.h"

namespace compat {
namespace fs = std::filesystem;
using reg_detail::reg_value;
using reg_detail::value_kind;

namespace {

reg_status from_errno(int e) {
    switch (e) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
        case ENOTDIR:
            return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        default:
            return ERROR_CANTWRITE;
    }
}

// Closes a descriptor on scope exit.
class unique_fd {
public:
    explicit unique_fd(int fd = -1) : fd_(fd) {}
    unique_fd(const unique_fd&) = delete;
    unique_fd& operator=(const unique_fd&) = delete;
    ~unique_fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// Exclusive advisory lock on the folder of a key file for one read-modify-write, so that
// two writers (threads or processes) do not lose each other's values.
class folder_lock {
public:
    explicit folder_lock(const fs::path& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_.get() < 0) {
            error_ = errno;
            return;
        }
        while (::flock(fd_.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                error_ = errno;
                return;
            }
        }
    }
    int error() const { return error_; }  // the lock is released when fd_ closes

private:
    unique_fd fd_;
    int error_ = 0;
};

// Creates each missing folder of the path with mode 0700.
int make_folders(const fs::path& folder) {
    fs::path partial;
    for (const fs::path& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// Reads the values of a key file; a missing file reads as no values.
reg_status read_values(const fs::path& file, std::vector<reg_value>& values, bool missing_ok) {
    values.clear();
    unique_fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT && missing_ok) return ERROR_SUCCESS;
        return errno == ENOENT ? ERROR_FILE_NOT_FOUND : from_errno(errno);
    }
    std::string text;
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ERROR_CANTREAD;
        }
        if (n == 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    values = reg_detail::parse(text);
    return ERROR_SUCCESS;
}

// Replaces the key file as a whole; values may hold passwords, so it is the owner's alone.
reg_status write_values(const fs::path& file, const std::vector<reg_value>& values) {
    return from_errno(compat::replace_file(file, reg_detail::serialize(values), 0600));
}

const reg_value* find_value(const std::vector<reg_value>& values, std::string_view name) {
    for (const reg_value& v : values)
        if (equal_nocase(std::string_view(v.name), name)) return &v;
    return nullptr;
}

// The string value of that name from a key file, its type told once it is found. A DWORD is
// no string: size 0 and ERROR_UNSUPPORTED_TYPE.
reg_status read_string_value(const fs::path& file, std::string_view name, reg_value& out, uint32_t& size,
                             uint32_t* type) {
    std::vector<reg_value> values;
    if (reg_status s = read_values(file, values, false)) return s;
    const reg_value* v = find_value(values, name);
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->kind == value_kind::dword ? REG_DWORD : REG_SZ;
    if (v->kind == value_kind::dword) {
        size = 0;
        return ERROR_UNSUPPORTED_TYPE;
    }
    out = *v;
    return ERROR_SUCCESS;
}

// A text and its terminator into the caller's buffer, the registry's way: without a buffer
// the size it needs, with too small a one that size and ERROR_MORE_DATA.
template <class C>
reg_status copy_text(const std::basic_string<C>& text, C* data, uint32_t& size) {
    auto needed = static_cast<uint32_t>((text.size() + 1) * sizeof(C));
    if (!data) {
        size = needed;
        return ERROR_SUCCESS;
    }
    if (size < needed) {
        size = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, text.c_str(), (text.size() + 1) * sizeof(C));  // with the terminator
    size = needed;
    return ERROR_SUCCESS;
}

// A component as a file name: '%' and NUL escaped, a leading '.' escaped (no "..", no
// hidden files) and a trailing ".reg" escaped (no folder named like a key file).
std::string component_name(std::string_view part) {
    std::string out;
    for (size_t i = 0; i < part.size(); ++i) {
        char c = part[i];
        bool reg_suffix = c == '.' && part.size() - i == 4 && part.substr(i) == ".reg";
        if (c == '%') {
            out += "%25";
        } else if (c == '\0') {
            out += "%00";
        } else if (c == '.' && (i == 0 || reg_suffix)) {
            out += "%2E";
        } else {
            out += c;
        }
    }
    return out;
}

fs::path home_folder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    std::vector<char> buf(16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}

}  // namespace

fs::path reg_root::folder() const {
    if (!current_user_) return folder_;
    // The XDG rule: an unset, empty or relative XDG_CONFIG_HOME means ~/.config.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path base = xdg && *xdg == '/' ? fs::path(xdg) : home_folder() / ".config";
    return base / "marrowgate" / "registry";
}

const reg_root& reg_root::current_user() {
    static const reg_root root{current_user_tag{}};
    return root;
}

fs::path reg_key_file(const fs::path& root_folder, std::string_view sub_key) {
    fs::path file = root_folder;
    std::string last;
    size_t start = 0;
    bool any = false;
    while (start <= sub_key.size()) {
        size_t end = sub_key.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = sub_key.size();
        std::string_view part = sub_key.substr(start, end - start);
        if (!part.empty()) {
            if (any) file /= last;
            last = component_name(part);
            any = true;
        }
        start = end + 1;
    }
    if (!any) return {};
    return file / (last + ".reg");
}

reg_key::reg_key(reg_key&& other) noexcept : file_(std::move(other.file_)) { other.file_.clear(); }

reg_key& reg_key::operator=(reg_key&& other) noexcept {
    file_ = std::move(other.file_);
    other.file_.clear();
    return *this;
}

reg_status reg_key::create(const reg_root& root, std::string_view sub_key, uint32_t* disposition) {
    fs::path file = reg_key_file(root.folder(), sub_key);
    if (file.empty()) return ERROR_INVALID_PARAMETER;
    if (int e = make_folders(file.parent_path())) return from_errno(e);
    folder_lock lock(file.parent_path());
    if (lock.error()) return from_errno(lock.error());

    uint32_t how = REG_OPENED_EXISTING_KEY;
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
        unique_fd probe(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        if (probe.get() < 0) return from_errno(errno);
    } else if (errno == ENOENT) {
        if (reg_status s = write_values(file, {})) return s;
        how = REG_CREATED_NEW_KEY;
    } else {
        return from_errno(errno);
    }
    file_ = std::move(file);
    if (disposition) *disposition = how;
    return ERROR_SUCCESS;
}

reg_status reg_key::close() {
    file_.clear();
    return ERROR_SUCCESS;
}

reg_status reg_key::query_dword(std::string_view name, uint32_t& value, uint32_t* type, uint32_t* size) const {
    if (!is_open()) return ERROR_INVALID_HANDLE;
    std::vector<reg_value> values;
    if (reg_status s = read_values(file_, values, false)) return s;
    const reg_value* v = find_value(values, name);
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (v->kind != value_kind::dword) {
        if (type) *type = REG_SZ;
        if (size) *size = 0;
        return ERROR_UNSUPPORTED_TYPE;
    }
    value = v->dword;
    if (type) *type = REG_DWORD;
    if (size) *size = sizeof(uint32_t);
    return ERROR_SUCCESS;
}

reg_status reg_key::query_string(std::string_view name, char* data, uint32_t& size, uint32_t* type) const {
    if (!is_open()) return ERROR_INVALID_HANDLE;
    reg_value v;
    if (reg_status s = read_string_value(file_, name, v, size, type)) return s;
    std::string bytes = v.kind == value_kind::narrow ? v.text : utf16_to_ansi(utf8_to_utf16(v.text));
    return copy_text(bytes, data, size);
}

reg_status reg_key::query_wstring(wstring_view name, wchar* data, uint32_t& size, uint32_t* type) const {
    if (!is_open()) return ERROR_INVALID_HANDLE;
    reg_value v;
    if (reg_status s = read_string_value(file_, utf16_to_utf8(name), v, size, type)) return s;
    wstring text = v.kind == value_kind::narrow ? ansi_to_utf16(v.text) : utf8_to_utf16(v.text);
    return copy_text(text, data, size);
}

reg_status reg_key::query_string(std::string_view name, std::string& value) const {
    uint32_t size = 0;
    if (reg_status s = query_string(name, nullptr, size)) return s;
    std::string buf(size, '\0');
    if (reg_status s = query_string(name, buf.data(), size)) return s;
    buf.resize(size - 1);
    value = std::move(buf);
    return ERROR_SUCCESS;
}

reg_status reg_key::query_wstring(wstring_view name, wstring& value) const {
    uint32_t size = 0;
    if (reg_status s = query_wstring(name, nullptr, size)) return s;
    wstring buf(size / sizeof(wchar), u'\0');
    if (reg_status s = query_wstring(name, buf.data(), size)) return s;
    buf.resize(size / sizeof(wchar) - 1);
    value = std::move(buf);
    return ERROR_SUCCESS;
}

namespace {

// Read-modify-write of one value under the folder lock.
template <class Change>
reg_status update_key(const fs::path& file, Change change) {
    if (file.empty()) return ERROR_INVALID_HANDLE;
    if (int e = make_folders(file.parent_path())) return from_errno(e);
    folder_lock lock(file.parent_path());
    if (lock.error()) return from_errno(lock.error());
    std::vector<reg_value> values;
    if (reg_status s = read_values(file, values, true)) return s;
    if (reg_status s = change(values)) return s;
    return write_values(file, values);
}

reg_status put_value(const fs::path& file, reg_value value) {
    return update_key(file, [&](std::vector<reg_value>& values) {
        for (reg_value& v : values) {
            if (equal_nocase(std::string_view(v.name), std::string_view(value.name))) {
                v = std::move(value);
                return ERROR_SUCCESS;
            }
        }
        values.push_back(std::move(value));
        return ERROR_SUCCESS;
    });
}

}  // namespace

reg_status reg_key::set_dword(std::string_view name, uint32_t value) {
    return put_value(file_, reg_value{std::string(name), value_kind::dword, value, {}});
}

reg_status reg_key::set_string(std::string_view name, std::string_view value) {
    return put_value(file_, reg_value{std::string(name), value_kind::narrow, 0, std::string(value)});
}

reg_status reg_key::set_wstring(wstring_view name, wstring_view value) {
    return put_value(file_, reg_value{utf16_to_utf8(name), value_kind::wide, 0, utf16_to_utf8(value)});
}

reg_status reg_key::delete_value(std::string_view name) {
    return update_key(file_, [&](std::vector<reg_value>& values) {
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (equal_nocase(std::string_view(it->name), name)) {
                values.erase(it);
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    });
}

}  // namespace compat
