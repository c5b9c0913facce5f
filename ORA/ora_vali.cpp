#include "ORA/ora_vali.h"

#include "ORA/ora_util.h"
#include "TK/tk_trace.h"
#include "UDB/udb_word.h"

namespace {

bool is_letter(compat::wchar c) { return udb::is_alnum(c) && !(c >= u'0' && c <= u'9'); }
bool is_name_char(compat::wchar c) { return udb::is_alnum(c) || c == u'_' || c == u'$' || c == u'#'; }

}  // namespace

ora_validator::ora_validator(unsigned max_bytes) : udb_validator(max_bytes) { tk_log::log(2, "ora_validator::ctor"); }

size_t ora_validator::name_length(const compat::wstring& name) const { return ora::name_bytes(name); }

compat::wstring ora_validator::cut_name(const compat::wstring& name, size_t bytes) const {
    return ora::cut_to_bytes(name, bytes);
}

bool ora_validator::is_acceptable(const compat::wstring& name) const {
    tk_log::log(1, u"ora_validator::is_acceptable(%s)", name);
    if (name.empty() || name_length(name) > max_len_) return false;
    if (!is_letter(name[0])) return false;
    for (compat::wchar c : name) {
        if (!is_name_char(c)) {
            tk_log::log(2, u"Name contains invalid symbol: '%s'", compat::wstring(1, c));
            return false;
        }
    }
    for (const compat::wstring& word : restricted_)
        if (compat::equal_nocase(word, name)) return false;
    // No column takes the pseudo-column's name in upper case (lower case is another name).
    if (column_names_ && name == u"ROWID") return false;
    return true;
}

compat::wstring ora_validator::get_safe_name(const compat::wstring& name) const {
    tk_log::log(1, u"ora_validator::get_safe_name(%s)", name);
    compat::wstring s = name;
    if (s.empty() || !is_letter(s[0])) s = u"A" + s;
    if (name_length(s) > max_len_) s = cut_name(s, max_len_ - 1);
    for (compat::wchar& c : s)
        if (!is_name_char(c)) c = u'_';
    return udb_validator::get_safe_name(s);
}

ora_fn_validator::ora_fn_validator(const udb_schema& schema) {
    tk_log::log(2, "ora_fn_validator::ctor1");
    for (const auto& column : schema) add_existing_name(column->name);
    column_names_ = true;
}

ora_fn_validator::ora_fn_validator(const udb_record& record) {
    tk_log::log(2, "ora_fn_validator::ctor2");
    for (const auto& field : record) add_existing_name(field->name);
    column_names_ = true;
}

void ora_in_validator::load(const udb_indexes& indexes) {
    tk_log::log(2, "ora_in_validator::load");
    for (const udb_index& index : indexes) add_existing_name(index.name);
}
