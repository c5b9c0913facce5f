#include "TK/tk_regk.h"

#include <vector>

#include "TK/tk_trace.h"

using compat::ERROR_SUCCESS;
using compat::reg_status;

tk_reg_key::tk_reg_key(std::string key_path) : key_path_(std::move(key_path)) {}

reg_status tk_reg_key::open(const compat::reg_root* root, std::string_view sub_key, uint32_t* disposition) {
    if (!root) tk_fail(tk_where::regk, 64);
    compat::reg_key fresh;
    uint32_t how = 0;
    reg_status status = fresh.create(*root, sub_key, &how);
    if (status != ERROR_SUCCESS) return status;
    key_ = std::move(fresh);
    if (disposition) *disposition = how;
    return ERROR_SUCCESS;
}

reg_status tk_reg_key::close() { return key_.is_open() ? key_.close() : ERROR_SUCCESS; }

reg_status tk_reg_key::get_value(uint32_t& value, const char* name) {
    if (!name) tk_fail(tk_where::regk, 98);
    tk_log::log(2, "tk_reg_key::get_value(ulong, %s)", name);
    uint32_t type = compat::REG_NONE, size = 0;
    reg_status status = key_.query_dword(name, value, &type, &size);
    tk_log::log(1, "type=%d, size=%d", type, size);
    return status;
}

reg_status tk_reg_key::get_value(char* buffer, const char* name, uint32_t* size) {
    if (!size) tk_fail(tk_where::regk, 115);
    if (!name) tk_fail(tk_where::regk, 116);
    tk_log::log(2, "tk_reg_key::get_value(LPSTR, %s)", name);
    uint32_t type = compat::REG_NONE;
    reg_status status = key_.query_string(name, buffer, *size, &type);
    tk_log::log(1, "type=%d, size=%d", type, *size);
    return status;
}

reg_status tk_reg_key::get_value(compat::wchar* buffer, const compat::wchar* name, uint32_t* size) {
    if (!size) tk_fail(tk_where::regk, 132);
    if (!name) tk_fail(tk_where::regk, 133);
    tk_log::log(2, u"tk_reg_key::get_value(LPWSTR, %s)", name);
    uint32_t type = compat::REG_NONE;
    reg_status status = key_.query_wstring(name, buffer, *size, &type);
    tk_log::log(1, "type=%d, size=%d", type, *size);
    return status;
}

reg_status tk_reg_key::get_value(const char* name, std::string& value) {
    uint32_t size = 0;
    reg_status status = get_value(static_cast<char*>(nullptr), name, &size);
    if (status != ERROR_SUCCESS) return status;
    std::vector<char> buf(size);
    status = get_value(buf.data(), name, &size);
    if (status == ERROR_SUCCESS) value.assign(buf.data(), size ? size - 1 : 0);
    return status;
}

reg_status tk_reg_key::get_value(const compat::wchar* name, compat::wstring& value) {
    uint32_t size = 0;
    reg_status status = get_value(static_cast<compat::wchar*>(nullptr), name, &size);
    if (status != ERROR_SUCCESS) return status;
    std::vector<compat::wchar> buf(size / sizeof(compat::wchar));
    status = get_value(buf.data(), name, &size);
    if (status == ERROR_SUCCESS) value.assign(buf.data(), size >= 2 ? size / 2 - 1 : 0);
    return status;
}

reg_status tk_reg_key::set_value(uint32_t value, const char* name) {
    if (!key_.is_open()) tk_fail(tk_where::regk, 149);
    return key_.set_dword(name ? name : "", value);
}

reg_status tk_reg_key::set_value(std::string_view text, const char* name) {
    if (!key_.is_open()) tk_fail(tk_where::regk, 157);
    return key_.set_string(name ? name : "", text);
}

reg_status tk_reg_key::set_value(compat::wstring_view text, const compat::wchar* name) {
    if (!key_.is_open()) tk_fail(tk_where::regk, 165);
    return key_.set_wstring(name ? compat::wstring_view(name) : compat::wstring_view(), text);
}

bool tk_reg_key::exchange(const char* name, int& value, bool store) {
    if (!key_.is_open()) return false;
    if (store) return set_value(static_cast<uint32_t>(value), name) == ERROR_SUCCESS;
    uint32_t read = 0;
    if (get_value(read, name) != ERROR_SUCCESS) return false;
    value = static_cast<int>(read);
    return true;
}

bool tk_reg_key::exchange(const char* name, bool& value, bool store) {
    if (!key_.is_open()) return false;
    if (store) return set_value(uint32_t{value ? 1u : 0u}, name) == ERROR_SUCCESS;
    uint32_t read = 0;
    if (get_value(read, name) != ERROR_SUCCESS) return false;
    value = read != 0;
    return true;
}

bool tk_reg_key::exchange(const char* name, std::string& value, bool store) {
    if (!key_.is_open()) return false;
    if (store) return set_value(std::string_view(value), name) == ERROR_SUCCESS;
    uint32_t size = 0;
    if (get_value(static_cast<char*>(nullptr), name, &size) != ERROR_SUCCESS || size == 0) return false;
    std::vector<char> buf(size);
    if (get_value(buf.data(), name, &size) != ERROR_SUCCESS) return false;
    value = buf.data();  // up to the terminator
    return true;
}

bool tk_reg_key::exchange(const compat::wchar* name, compat::wstring& value, bool store) {
    if (!key_.is_open()) return false;
    if (store) return set_value(compat::wstring_view(value), name) == ERROR_SUCCESS;
    uint32_t size = 0;
    if (get_value(static_cast<compat::wchar*>(nullptr), name, &size) != ERROR_SUCCESS || size == 0) return false;
    std::vector<compat::wchar> buf(size / sizeof(compat::wchar) + 1, u'\0');
    if (get_value(buf.data(), name, &size) != ERROR_SUCCESS) return false;
    value = buf.data();
    return true;
}
