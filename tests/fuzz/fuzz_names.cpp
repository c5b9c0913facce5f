// The MySQL name validators on arbitrary names (UTF-8 in, UTF-16 inside): no crash, the
// safe name of any name is acceptable and not taken, an acceptable name that is free is
// kept as it is, and the backquoted form reads back as the name.
#include <cstdint>
#include <memory>
#include <string>

#include "SQL/sql_esc.h"
#include "SQL/sql_vali.h"
#include "compat/text/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// A backquoted identifier read back: the text between the outer backquotes with each
// doubled backquote made single; false when the text is not one such identifier.
bool unquote(const compat::wstring& q, compat::wstring& name) {
    if (q.size() < 2 || q.front() != u'`' || q.back() != u'`') return false;
    name.clear();
    for (size_t i = 1; i + 1 < q.size(); ++i) {
        if (q[i] == u'`') {
            if (i + 2 >= q.size() || q[i + 1] != u'`') return false;
            ++i;
        }
        name += q[i];
    }
    return true;
}

void check(const udb_validator& v, const compat::wstring& name, const std::string& utf8) {
    const compat::wstring safe = v.get_safe_name(name);
    MG_FUZZ_CHECK(v.is_acceptable(safe), utf8 + " -> " + compat::utf16_to_utf8(safe));
    MG_FUZZ_CHECK(!v.is_duplicated(safe), utf8 + " -> " + compat::utf16_to_utf8(safe));
    if (v.is_acceptable(name) && !v.is_duplicated(name))
        MG_FUZZ_CHECK(safe == name, utf8 + " -> " + compat::utf16_to_utf8(safe));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = mg_fuzz::split_nul(data, size, 4);
    const std::string& utf8 = parts[0];
    const compat::wstring name = compat::utf8_to_utf16(utf8);
    // The other parts are names already taken in the destination.
    sql_names taken;
    for (size_t i = 1; i < parts.size(); ++i) taken.push_back(compat::utf8_to_utf16(parts[i]));

    check(sql_new_validator(), name, utf8);
    check(sql_new_validator(sql_new_validator::field_illegal), name, utf8);
    check(sql_new_tn_validator(taken, taken), name, utf8);
    check(sql_old_validator(), name, utf8);
    check(sql_old_dn_validator(), name, utf8);
    check(sql_old_tn_validator(taken, taken), name, utf8);

    compat::wstring back;
    MG_FUZZ_CHECK(unquote(sql::backquote(name), back) && back == name, utf8);
    return 0;
}
