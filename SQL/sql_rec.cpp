#include "SQL/sql_rec.h"

#include <cstring>
#include <memory>

#include "SQL/sql_engi.h"
#include "SQL/sql_result.h"
#include "SQL/sql_util.h"
#include "TK/tk_trace.h"

namespace {

bool is_blob_type(unsigned t) { return t >= MYSQL_TYPE_TINY_BLOB && t <= MYSQL_TYPE_BLOB; }

}  // namespace

sql_field::sql_field(const compat::wstring& name, unsigned mysql_type, unsigned long length, unsigned flags,
                     const compat::wstring& text)
    : udb_field(name, static_cast<int>(length),
                ::get_variant(mysql_type, flags, static_cast<unsigned>(length), text.c_str()), false, false) {
    tk_log::log(1, u"sql_field::ctor1(%s,%d,%d)", name, static_cast<int>(mysql_type), static_cast<int>(length));
}

sql_field::sql_field(const compat::wstring& name, unsigned mysql_type, unsigned long length, unsigned flags,
                     const char* cell)
    : udb_field(name, static_cast<int>(length), ::get_variant(mysql_type, flags, static_cast<unsigned>(length), cell),
                false, false) {
    tk_log::log(1, u"sql_field::ctor2(%s,%d,%d)", name, static_cast<int>(mysql_type), static_cast<int>(length));
}

sql_record::sql_record(unsigned n_fields, const MYSQL_FIELD* fields, const unsigned long* lengths, MYSQL_ROW row) {
    tk_log::log(1, "sql_record::ctor (n_fields=%d)", static_cast<int>(n_fields));
    if (!fields) tk_fail(tk_where::sql_rec, 17);
    const bool blob_as_text = sql_engine::instance().blob_as_text();
    for (unsigned i = 0; i < n_fields; ++i) {
        const MYSQL_FIELD& f = fields[i];
        const unsigned flags = sql_live::effective_flags(f);
        tk_log::log(1, "field #%d has type %d", static_cast<int>(i), static_cast<int>(f.type));
        tk_log::log(1, "BINARY FLAG=%d", static_cast<int>(flags & sql_live::flag_binary));
        const char* cell = row ? row[i] : nullptr;
        const unsigned long len = lengths ? lengths[i] : 0;
        const compat::wstring name = compat::utf8_to_utf16(f.name ? f.name : "");
        const bool text = cell && (f.type == MYSQL_TYPE_VAR_STRING || f.type == MYSQL_TYPE_STRING ||
                                   (is_blob_type(f.type) && (!(flags & sql_live::flag_binary) || blob_as_text)));
        std::unique_ptr<udb_field> field;
        if (text) {
            tk_log::log(1, "Extract as Unicode");
            // a text cell ends at its first zero byte
            const compat::wstring value = compat::utf8_to_utf16(std::string_view(cell, strnlen(cell, len)));
            field = std::make_unique<sql_field>(name, f.type, value.size(), flags, value);
        } else {
            tk_log::log(1, "Extract as ANSI");
            field = std::make_unique<sql_field>(name, f.type, len, flags, cell);
        }
        push_back(std::move(field));
    }
}
