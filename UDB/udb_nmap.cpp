#include "UDB/udb_nmap.h"

#include "TK/tk_trace.h"
#include "UDB/udb_word.h"

using compat::wstring;

namespace {

bool names_equal(const wstring& a, const wstring& b, bool exact) { return exact ? a == b : compat::equal_nocase(a, b); }

bool is_high(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code point that ends just before pos.
char32_t point_before(const wstring& text, size_t pos) {
    char16_t c = text[pos - 1];
    if (is_low(c) && pos >= 2 && is_high(text[pos - 2])) {
        return 0x10000 + ((char32_t(text[pos - 2]) - 0xD800) << 10) + (char32_t(c) - 0xDC00);
    }
    return c;
}

// The code point that starts at pos.
char32_t point_at(const wstring& text, size_t pos) {
    char16_t c = text[pos];
    if (is_high(c) && pos + 1 < text.size() && is_low(text[pos + 1])) {
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[pos + 1]) - 0xDC00);
    }
    return c;
}

}  // namespace

void t_names_map::add(const wstring& source, const wstring& mapped) {
    tk_log::log(1, u"t_names_map::add(%s,%s)", source, mapped);
    map_.emplace(source, mapped);
}

wstring t_names_map::get_mapped_name(const wstring& name, bool exact) const {
    tk_log::log(1, u"t_names_map::get_mapped_name(%s)", name);
    for (const auto& [source, mapped] : map_) {
        if (names_equal(source, name, exact)) {
            tk_log::log(1, u"Got mapped name: %s", mapped);
            return mapped;
        }
    }
    return name;
}

wstring t_names_map::get_orig_name(const wstring& mapped, bool exact) const {
    for (const auto& [source, target] : map_) {
        if (names_equal(target, mapped, exact)) {
            tk_log::log(1, u"Got orignal name: %s", source);
            return source;
        }
    }
    return mapped;
}

void udb_names_map::add_tn_mapping(const wstring& source, const wstring& mapped) {
    tk_log::log(2, u"udb_names_map::add_tn_mapping(%s,%s)", source, mapped);
    tables_.add(source, mapped);
}

void udb_names_map::add_fn_map(const wstring& table, const t_names_map& fields) {
    tk_log::log(2, u"udb_names_map::add_fn_map(%s)", table);
    fields_.emplace(table, fields);
}

wstring udb_names_map::get_tn_mapped_name(const wstring& name, bool exact) const {
    for (const auto& [source, mapped] : tables_) {
        tk_log::log(1, u"Comparing with (%s,%s)", source, mapped);
        if (names_equal(source, name, exact)) {
            tk_log::log(1, u"Got mapped name: %s", mapped);
            return mapped;
        }
    }
    return name;
}

wstring udb_names_map::get_fn_mapped_name(const wstring& table, const wstring& field, bool exact) const {
    auto it = fields_.find(table);
    if (it == fields_.end()) {
        tk_log::log(1, u"Table '%s' not found", table);
        return field;
    }
    return it->second.get_mapped_name(field, exact);
}

wstring udb_names_map::get_fn_orig_name(const wstring& table, const wstring& mapped, bool exact) const {
    auto it = fields_.find(table);
    if (it == fields_.end()) {
        tk_log::log(1, u"Table '%s' not found", table);
        return mapped;
    }
    return it->second.get_orig_name(mapped, exact);
}

wstring udb_names_map::do_global_replace2(const wstring& text, const t_names_map& map, const wstring& before,
                                          const wstring& after) {
    tk_log::log(2, u"udb_names_map::do_global_replace2(%s)", text);
    wstring result = text;
    for (const auto& [source, mapped] : map) {
        tk_log::log(1, u"Testing pair ('%s','%s')", source, mapped);
        if (source.empty()) continue;
        size_t pos = result.find(source);
        while (pos != wstring::npos) {
            tk_log::log(1, u"'%s' was found at pos=%d", source, static_cast<int>(pos));
            size_t end = pos + source.size();
            // '_', '$' and '#' belong to identifiers: ID inside A_ID is part of a longer word.
            bool inside_word = (pos > 0 && udb::is_word_char(point_before(result, pos))) ||
                               (end < result.size() && udb::is_word_char(point_at(result, end)));
            if (inside_word) {
                pos = result.find(source, end);
                continue;
            }
            wstring replacement = before + mapped + after;
            result.replace(pos, source.size(), replacement);
            pos = result.find(source, pos + replacement.size());
        }
    }
    return result;
}

wstring udb_names_map::do_global_replace1(const wstring& text, const wstring& before, const wstring& after) const {
    tk_log::log(2, u"udb_names_map::do_global_replace1(%s)", text);
    wstring result = do_global_replace2(text, tables_, before, after);
    for (const auto& [table, fields] : fields_) {
        result = do_global_replace2(result, fields, before, after);
    }
    return result;
}
