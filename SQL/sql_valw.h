// How a statement writes its text and byte values. A dump writes them as hexadecimal
// literals, which read the same whatever character set the loading client takes the file
// in; a live connection takes them in its own escaped form, about half that size, so that
// one value may fill nearly the whole packet the server accepts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "SQL/sql_ascii.h"
#include "compat/text/text.h"

namespace sql {

class sql_connection;

class value_writer {
public:
    virtual ~value_writer() = default;
    // The literal of a text that is not empty (an empty one is the writers' empty-string
    // token), appended to out.
    virtual void append_text(std::string& out, compat::wstring_view text) const = 0;
    // The literal of bytes, '' for none.
    virtual void append_bytes(std::string& out, std::string_view bytes) const = 0;
};

// Hexadecimal literals: bytes as 0x..., text beyond ASCII behind the engine's introducer
// (ASCII text stays quoted, where no character set can misread it).
class hex_value_writer final : public value_writer {
public:
    void append_text(std::string& out, compat::wstring_view text) const override;
    void append_bytes(std::string& out, std::string_view bytes) const override;
};

// The connection's escaped form: text quoted in the connection's character set, bytes
// quoted behind _binary (servers before 4.1 know no introducer).
class escaped_value_writer final : public value_writer {
public:
    // The form is the session's as it stands now (NO_BACKSLASH_ESCAPES or not): values are
    // escaped here, without the connection, which may be sending a statement meanwhile.
    explicit escaped_value_writer(sql_connection& connection);
    void append_text(std::string& out, compat::wstring_view text) const override;
    void append_bytes(std::string& out, std::string_view bytes) const override;

private:
    bool backslash_escapes_;
};

// The hexadecimal writer of a dump's large values: a text or bytes whose literal alone is
// longer than `large` bytes is left out of the text and kept as a part that writes its
// literal while the statement is written, so that the value is never held in hexadecimal.
// The parts refer to the values: they serve until the record changes.
class deferring_hex_writer final : public value_writer {
public:
    explicit deferring_hex_writer(size_t large) : large_(large) {}
    void append_text(std::string& out, compat::wstring_view text) const override;
    void append_bytes(std::string& out, std::string_view bytes) const override;

    // Some value was left out since the last clear().
    bool deferred() const { return !deferred_.empty(); }
    // head, then text (what this writer appended to, from its start) with the values left
    // out at their places.
    std::vector<statement_part> parts(std::string_view head, std::string_view text) const;
    void clear() { deferred_.clear(); }

private:
    struct left_out {
        size_t offset;  // into the text
        statement_part part;
    };
    size_t large_;
    // Writing a value is const for the writers; this one notes the values it leaves out.
    mutable std::vector<left_out> deferred_;
};

// The hexadecimal writer, for writers that have no connection.
const value_writer& hex_values();

}  // namespace sql
