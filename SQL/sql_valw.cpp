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

escaped_value_writer::escaped_value_writer(sql_connection& connection)
    : backslash_escapes_(connection.backslash_escapes()) {}

void escaped_value_writer::append_text(std::string& out, compat::wstring_view text) const {
    reserve_for(out, 3 * text.size());  // a unit gives at most 3 bytes, escaped or not
    out += '\'';
    if (backslash_escapes_)
        append_escaped_utf8(out, text);
    else
        append_quotes_doubled_utf8(out, text);
    out += '\'';
}

void escaped_value_writer::append_bytes(std::string& out, std::string_view bytes) const {
    reserve_for(out, 2 * bytes.size());
    if (sql_engine::instance().version() >= ver_4_1_0) out += "_binary";
    out += '\'';
    if (backslash_escapes_)
        append_escaped(out, bytes);
    else
        append_quotes_doubled(out, bytes);
    out += '\'';
}

void deferring_hex_writer::append_text(std::string& out, compat::wstring_view text) const {
    // the shortest literal of a text is the text quoted
    if (text.size() + 2 <= large_) return hex_values().append_text(out, text);
    deferred_.push_back({out.size(), {{}, [text](const text_sink& sink) {
                                          write_text_literal(text, sql_engine::current_text_introducer(), sink);
                                      }}});
}

void deferring_hex_writer::append_bytes(std::string& out, std::string_view bytes) const {
    if (2 * bytes.size() + 2 <= large_) return hex_values().append_bytes(out, bytes);
    deferred_.push_back({out.size(), {{}, [bytes](const text_sink& sink) { write_hex_literal(bytes, sink); }}});
}

std::vector<statement_part> deferring_hex_writer::parts(std::string_view head, std::string_view text) const {
    std::vector<statement_part> out{{head, {}}};
    size_t at = 0;
    for (const left_out& value : deferred_) {
        out.push_back({text.substr(at, value.offset - at), {}});
        out.push_back(value.part);
        at = value.offset;
    }
    out.push_back({text.substr(at), {}});
    return out;
}

const value_writer& hex_values() {
    static const hex_value_writer writer;
    return writer;
}

}  // namespace sql
