// Profile file: a whole conversion setup kept as sections of key=value pairs in a UTF-8
// text file (extension qrn).
#pragma once

#include <map>
#include <string>

#include "compat/text/text.h"

// Sections of the generic part of a profile.
inline constexpr const char16_t* udb_sec_queries = u"Available Queries";
inline constexpr const char16_t* udb_sec_tables = u"Selected Tables";
inline constexpr const char16_t* udb_sec_generic = u"Generic settings";

class udb_profile {
public:
    using section = std::map<compat::wstring, compat::wstring>;
    using section_map = std::map<compat::wstring, section>;

    // Holds the empty sections "Available Queries", "Selected Tables", "Generic settings".
    udb_profile();

    // Reads the file into the profile. A missing file raises the level-1 "Profile does not
    // exist" error; an unreadable one (a folder, a file that cannot be opened or read, or
    // one that is not UTF-8 text: a zero byte, UTF-16, binary data) gives false with the
    // profile unchanged; pair lines before any section are skipped and make the result
    // false. After false, load_error() says why.
    bool load(const compat::wstring& path);
    const std::string& load_error() const { return load_error_; }

    // Writes the profile; the file is replaced as a whole (temporary file, then rename),
    // so a failed store leaves an existing profile as it was. False when it failed.
    bool store(const compat::wstring& path) const;

    // The value, or empty text when the section or the key is missing.
    compat::wstring get_value(const compat::wstring& section_name, const compat::wstring& key) const;
    // Creates the section when missing; a key already present keeps its old value.
    void set_value(const compat::wstring& section_name, const compat::wstring& key, const compat::wstring& value);
    void add_section(const compat::wstring& section_name);

    // "Available Queries" and "Selected Tables"; a missing section raises the toolkit's
    // system error, which a profile made by the constructor never does.
    const section& get_queries() const;
    const section& get_selected_tables() const;

    const section_map& get_sections() const { return sections_; }

private:
    const section& get_section(const compat::wstring& name) const;

    section_map sections_;
    std::string load_error_;
};

namespace udb {
// Escaping of keys and values in the file: CR, LF and backslash become \r, \n and \\.
compat::wstring profile_escape(compat::wstring_view text);
compat::wstring profile_unescape(compat::wstring_view text);
}  // namespace udb
