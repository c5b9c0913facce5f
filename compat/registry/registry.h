// Settings store standing in for the Windows registry: one text file per key under a root
// folder, typed values (DWORD, narrow string, wide string), Windows return codes.
//
// A key "Software\Vendor\Product" below the current user's root lives in
//   $XDG_CONFIG_HOME/marrowgate/registry/Software/Vendor/Product.reg
// (XDG_CONFIG_HOME unset, empty or relative: ~/.config). Files are written with mode 0600
// because they hold passwords, and every change replaces the file atomically (temporary
// file, then rename) under an advisory lock, so readers never see half a file.
//
// Sizes follow the registry's rules: bytes, terminator included (narrow "abc" is 4 bytes,
// an empty wide string 2). A value of another type than asked is never reinterpreted: the
// query answers ERROR_UNSUPPORTED_TYPE. Narrow and wide strings are both REG_SZ and read
// either way, converted through the ANSI code page as the Windows A/W calls do.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "compat/text/text.h"

namespace compat {

using reg_status = int32_t;

// Windows error codes, by their Windows names and values.
inline constexpr reg_status ERROR_SUCCESS = 0;
inline constexpr reg_status ERROR_FILE_NOT_FOUND = 2;
inline constexpr reg_status ERROR_ACCESS_DENIED = 5;
inline constexpr reg_status ERROR_INVALID_HANDLE = 6;
inline constexpr reg_status ERROR_INVALID_PARAMETER = 87;
inline constexpr reg_status ERROR_MORE_DATA = 234;
inline constexpr reg_status ERROR_CANTREAD = 1012;
inline constexpr reg_status ERROR_CANTWRITE = 1013;
inline constexpr reg_status ERROR_UNSUPPORTED_TYPE = 1630;

// Value types, by their Windows names and values.
inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_DWORD = 4;

// Dispositions reported when a key is opened.
inline constexpr uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr uint32_t REG_OPENED_EXISTING_KEY = 2;

// A root of keys (the stand-in for a predefined HKEY). The current user's root resolves its
// folder each time a key is opened, so a changed XDG_CONFIG_HOME takes effect.
class reg_root {
public:
    explicit reg_root(std::filesystem::path folder) : folder_(std::move(folder)) {}
    std::filesystem::path folder() const;

    static const reg_root& current_user();

private:
    struct current_user_tag {};
    explicit reg_root(current_user_tag) : current_user_(true) {}

    std::filesystem::path folder_;
    bool current_user_ = false;
};

// The current user's root, the stand-in for HKEY_CURRENT_USER.
inline const reg_root* reg_current_user() { return &reg_root::current_user(); }

// The file that holds a key: sub-key components separated by '\' (or '/') become folders;
// characters a file name cannot carry, and leading dots, are %-escaped so that no key
// reaches outside its root.
std::filesystem::path reg_key_file(const std::filesystem::path& root_folder, std::string_view sub_key);

// One open key. Values are read from the file on every query, so two keys (or two
// processes) on the same path see each other's writes. Value names compare without case.
class reg_key {
public:
    reg_key() = default;
    reg_key(const reg_key&) = delete;
    reg_key& operator=(const reg_key&) = delete;
    reg_key(reg_key&& other) noexcept;
    reg_key& operator=(reg_key&& other) noexcept;
    ~reg_key() = default;

    // Opens the key, creating it (and its parents) when missing. On failure the key is
    // left as it was. An empty sub-key is invalid (the root itself holds no values).
    reg_status create(const reg_root& root, std::string_view sub_key, uint32_t* disposition = nullptr);
    reg_status close();
    bool is_open() const { return !file_.empty(); }
    const std::filesystem::path& file() const { return file_; }

    // Raw queries. type (optional) receives the stored type. size is in bytes: in, the
    // capacity of data; out, the bytes needed (terminator included). A null data pointer
    // asks only for the size. ERROR_MORE_DATA when data is too small (data untouched).
    reg_status query_dword(std::string_view name, uint32_t& value, uint32_t* type = nullptr,
                           uint32_t* size = nullptr) const;
    reg_status query_string(std::string_view name, char* data, uint32_t& size, uint32_t* type = nullptr) const;
    reg_status query_wstring(wstring_view name, wchar* data, uint32_t& size, uint32_t* type = nullptr) const;

    // Whole-string queries.
    reg_status query_string(std::string_view name, std::string& value) const;
    reg_status query_wstring(wstring_view name, wstring& value) const;

    reg_status set_dword(std::string_view name, uint32_t value);
    reg_status set_string(std::string_view name, std::string_view value);
    reg_status set_wstring(wstring_view name, wstring_view value);
    reg_status delete_value(std::string_view name);

private:
    std::filesystem::path file_;
};

}  // namespace compat
