// One open key of the settings store, with typed reads and writes and the exchange
// operations that a settings serialization uses: load a value into a variable (keeping
// the variable's default when the value is missing or of another type) or store it.
//
//   tk_reg_key key("Software\\Vendor\\Product");
//   key.open(compat::reg_current_user(), key.key_path());
//   key.exchange("Port", port, store);
//
// Return codes are the Windows ones of compat/registry/registry.h (ERROR_SUCCESS, ...).
// Misuse (null names, writes without an open key) raises tk_mail_assertion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compat/registry/registry.h"
#include "compat/text/text.h"

class tk_reg_key {
public:
    explicit tk_reg_key(std::string key_path = {});
    tk_reg_key(const tk_reg_key&) = delete;
    tk_reg_key& operator=(const tk_reg_key&) = delete;
    ~tk_reg_key() = default;  // the key closes with its member

    const std::string& key_path() const { return key_path_; }
    bool is_open() const { return key_.is_open(); }

    // Opens sub_key below root, creating it when missing. On failure the previously open
    // key stays open and usable; on success it is replaced. A null root is misuse.
    compat::reg_status open(const compat::reg_root* root, std::string_view sub_key, uint32_t* disposition = nullptr);
    compat::reg_status close();

    // Typed reads. size is in bytes, terminator included; a null buffer asks for the size.
    compat::reg_status get_value(uint32_t& value, const char* name);
    compat::reg_status get_value(char* buffer, const char* name, uint32_t* size);
    compat::reg_status get_value(compat::wchar* buffer, const compat::wchar* name, uint32_t* size);
    // Whole-string reads (the usual form).
    compat::reg_status get_value(const char* name, std::string& value);
    compat::reg_status get_value(const compat::wchar* name, compat::wstring& value);

    // Typed writes (DWORD, narrow REG_SZ, wide REG_SZ).
    compat::reg_status set_value(uint32_t value, const char* name);
    compat::reg_status set_value(std::string_view text, const char* name);
    compat::reg_status set_value(compat::wstring_view text, const compat::wchar* name);

    // store: write the variable; else load the value into it. False when no key is open
    // or the read/write failed; a failed load leaves the variable unchanged.
    bool exchange(const char* name, int& value, bool store);
    bool exchange(const char* name, bool& value, bool store);
    bool exchange(const char* name, std::string& value, bool store);
    bool exchange(const compat::wchar* name, compat::wstring& value, bool store);

private:
    compat::reg_key key_;
    std::string key_path_;
};
