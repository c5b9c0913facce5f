// Name validator: tells whether a name is acceptable for a destination (length, reserved
// words, illegal characters), whether it is already taken, and builds safe unique names.
// The destination sides derive one validator per kind of name and fill its lists.
#pragma once

#include <vector>

#include "UDB/udb_nmap.h"
#include "compat/text/text.h"

class udb_validator {
public:
    // max_len counts what name_length counts (UTF-16 units here); 0 means no limit.
    explicit udb_validator(unsigned max_len = 0);
    // Derived validators are owned and destroyed through this base.
    virtual ~udb_validator() = default;

    virtual bool is_acceptable(const compat::wstring& name) const;
    virtual bool is_duplicated(const compat::wstring& name) const;
    // A name that is_acceptable and not is_duplicated (through the virtual slots); the
    // validator does not remember it: callers add it to the existing names themselves.
    virtual compat::wstring get_safe_name(const compat::wstring& name) const;

    void add_existing_name(const compat::wstring& name);
    void add_restricted_name(const compat::wstring& name);
    void add_illegal_char(compat::wchar c);
    void add_mapped_pair(const compat::wstring& source, const compat::wstring& mapped);

    unsigned get_max_len() const { return max_len_; }
    const t_names_map& get_mapped_pairs() const { return mapped_; }

protected:
    // A name's length as the destination counts it, and its longest prefix of at most that
    // length; UTF-16 units unless a destination counts otherwise.
    virtual size_t name_length(const compat::wstring& name) const;
    virtual compat::wstring cut_name(const compat::wstring& name, size_t length) const;

    unsigned max_len_;
    t_names_map mapped_;
    std::vector<compat::wchar> illegal_;
    std::vector<compat::wstring> restricted_;
    std::vector<compat::wstring> existing_;
};
