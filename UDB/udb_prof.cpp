#include "UDB/udb_prof.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "TK/tk_trace.h"
#include "UDB/udb_word.h"
#include "compat/file/atomic_replace.h"
#include "compat/text/format.h"

using compat::wstring;
using compat::wstring_view;

namespace udb {

// Well-formed UTF-8: no stray continuation byte, no overlong form, no surrogate, nothing
// above U+10FFFF.
bool is_valid_utf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t n = 0;
        char32_t c = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            n = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            n = 2;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            n = 3;
            c = b & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size()) return false;
        for (size_t k = 1; k <= n; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        if ((n == 2 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) || (n == 3 && (c < 0x10000 || c > 0x10FFFF)))
            return false;
        i += n + 1;
    }
    return true;
}

wstring profile_escape(wstring_view text) {
    wstring out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
            case u'\\':
                out += u"\\\\";
                break;
            case u'\r':
                out += u"\\r";
                break;
            case u'\n':
                out += u"\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

wstring profile_unescape(wstring_view text) {
    wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\\' && i + 1 < text.size()) {
            char16_t n = text[i + 1];
            if (n == u'\\' || n == u'r' || n == u'n') {
                out += n == u'\\' ? u'\\' : n == u'r' ? u'\r' : u'\n';
                ++i;
                continue;
            }
        }
        // Any other backslash is kept as written (hand-written files).
        out += c;
    }
    return out;
}

}  // namespace udb

udb_profile::udb_profile() {
    add_section(udb_sec_queries);
    add_section(udb_sec_tables);
    add_section(udb_sec_generic);
}

bool udb_profile::load(const wstring& path) {
    tk_log::log(2, u"udb_profile::load(%s)", path);
    load_error_.clear();
    const std::string file = compat::utf16_to_ansi(path);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        tk_raise("Profile does not exist. Please verify the correct path/name was given.", 1);
    }
    if (std::filesystem::is_directory(file, ec)) {
        load_error_ = "it is a folder";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        load_error_ = std::strerror(errno);
        return false;
    }

    // Parsed into a copy first, so an unreadable file leaves the profile unchanged.
    section_map parsed = sections_;
    section* current = nullptr;
    size_t stray_line = 0;
    size_t number = 0;
    std::string raw;
    while (std::getline(in, raw)) {
        ++number;
        if (number == 1 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
        // Anything but UTF-8 text would be read as mangled names and settings.
        if (raw.find('\0') != std::string::npos || !udb::is_valid_utf8(raw)) {
            load_error_ = compat::format("line %d is not UTF-8 text (a binary or UTF-16 file?)", int(number));
            return false;
        }
        // Files written on Windows end their lines with CR LF.
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        wstring line = udb::trim_blanks(compat::utf8_to_utf16(raw));
        if (line.empty()) continue;
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            current = &parsed[line.substr(1, line.size() - 2)];
            continue;
        }
        wstring key;
        wstring value;
        size_t eq = line.find(u'=');
        if (eq == wstring::npos) {
            key = line;
        } else {
            key = udb::trim_blanks(wstring_view(line).substr(0, eq));
            value = line.substr(eq + 1);
        }
        if (current == nullptr) {
            if (stray_line == 0) stray_line = number;
            continue;
        }
        current->emplace(udb::profile_unescape(key), udb::profile_unescape(value));
    }
    if (in.bad()) {
        load_error_ = std::strerror(errno);
        return false;
    }
    sections_ = std::move(parsed);
    if (stray_line != 0) {
        load_error_ = compat::format("line %d stands before any [section]", int(stray_line));
        return false;
    }
    return true;
}

namespace {

// Read, not set and restored: umask() would change it for every thread for a moment, so a
// file another thread creates meanwhile could come out readable by all.
mode_t current_umask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 077;  // unknown: owner only
}

// The connection sections keep their passwords under the key "password".
bool holds_password(const udb_profile::section_map& sections) {
    for (const auto& [name, pairs] : sections) {
        auto it = pairs.find(u"password");
        if (it != pairs.end() && !it->second.empty()) return true;
    }
    return false;
}

}  // namespace

bool udb_profile::store(const wstring& path) const {
    tk_log::log(2, "udb_profile::store)");
    std::string text;
    for (const auto& [name, pairs] : sections_) {
        text += "[" + compat::utf16_to_utf8(name) + "]\r\n";
        const bool bare_keys = name == udb_sec_tables;
        for (const auto& [key, value] : pairs) {
            text += compat::utf16_to_utf8(udb::profile_escape(key));
            // A bare key that is empty or looks like a section header needs its '=' to
            // read back as a key.
            const bool needs_eq = key.empty() || (key.front() == u'[' && key.back() == u']');
            if (!bare_keys || !value.empty() || needs_eq) {
                text += "=" + compat::utf16_to_utf8(udb::profile_escape(value));
            }
            text += "\r\n";
        }
        text += "\r\n";
    }

    const std::string file = compat::utf16_to_ansi(path);
    struct stat st {};
    mode_t mode = 0;
    if (::stat(file.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    else
        mode = 0666 & ~current_umask();
    // Passwords are kept as plain text: only the owner may read such a profile.
    if (holds_password(sections_)) mode &= 0600;
    return compat::replace_file(file, text, mode) == 0;
}

wstring udb_profile::get_value(const wstring& section_name, const wstring& key) const {
    auto s = sections_.find(section_name);
    if (s == sections_.end()) return {};
    auto v = s->second.find(key);
    return v == s->second.end() ? wstring() : v->second;
}

void udb_profile::set_value(const wstring& section_name, const wstring& key, const wstring& value) {
    sections_[section_name].emplace(key, value);
}

void udb_profile::add_section(const wstring& section_name) { sections_[section_name]; }

const udb_profile::section& udb_profile::get_section(const wstring& name) const {
    auto s = sections_.find(name);
    if (s == sections_.end()) tk_raise_system(ENOENT);
    return s->second;
}

const udb_profile::section& udb_profile::get_queries() const { return get_section(udb_sec_queries); }

const udb_profile::section& udb_profile::get_selected_tables() const { return get_section(udb_sec_tables); }
