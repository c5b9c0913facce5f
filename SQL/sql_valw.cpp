#include "SQL/sql_valw.h"

#include "SQL/sql_conn.h"
#include "SQL/sql_engi.h"
#include "SQL/sql_esc.h"
#include "SQL/sql_ver.h"

namespace sql {

namespace {

// Room for the longest literal a value can take is reserved at once (pages never written
// cost no memory): a statement that grew by doubling would hold the old and the new copy of
// a large value for a moment.
void reserve_for(std::string& out, size_t longest) { out.reserve(out.size() + longest + 16); }

}  // namespace

void hex_value_writer::append_text(std::string& out, compat::wstring_view text) const {
    reserve_for(out, 6 * text.size() + 16);  // a unit gives at most 3 bytes, each 2 digits
    append_text_literal(out, text, sql_engine::current_text_introducer());
}

void hex_value_writer::append_bytes(std::string& out, std::string_view bytes) const {
    reserve_for(out, 2 * bytes.size() + 2);
    append_hex_literal(out, bytes);
}

void escaped_value_writer::append_text(std::string& out, compat::wstring_view text) const {
    reserve_for(out, 3 * text.size());  // a unit gives at most 3 bytes, escaped or not
    out += '\'';
    connection_.append_escaped(out, text);
    out += '\'';
}

void escaped_value_writer::append_bytes(std::string& out, std::string_view bytes) const {
    reserve_for(out, 2 * bytes.size());
    if (sql_engine::instance().version() >= ver_4_1_0) out += "_binary";
    out += '\'';
    connection_.append_escaped(out, bytes);
    out += '\'';
}

const value_writer& hex_values() {
    static const hex_value_writer writer;
    return writer;
}

}  // namespace sql
