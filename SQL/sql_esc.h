// Escaping of what goes into MySQL statement texts: the body of a quoted literal, a
// backquoted identifier, and text that sits in a dump file's comment line. Nothing a value
// or a name holds may change the statement around it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "compat/text/text.h"

namespace sql {

// The MySQL client's rules (mysql_real_escape_string): NUL, LF, CR, Ctrl-Z, backslash,
// apostrophe and double quote get a backslash form. Safe on UTF-8, whose multi-byte
// sequences hold no ASCII byte.
std::string escape_text(std::string_view text);
compat::wstring escape_text(compat::wstring_view text);
// The same escaping of bytes appended to out: the body of a literal built in place.
void append_escaped(std::string& out, std::string_view bytes);
// The same escaping of UTF-16 text, converted to UTF-8 and appended to out: the writers of
// INSERT texts build their values in place instead of in temporaries.
void append_escaped_utf8(std::string& out, compat::wstring_view text);
// What mysql_real_escape_string writes while the server reports NO_BACKSLASH_ESCAPES:
// every apostrophe doubled, nothing else changed (safe on UTF-8 likewise), for bytes and for
// UTF-16 text converted to UTF-8.
void append_quotes_doubled(std::string& out, std::string_view bytes);
void append_quotes_doubled_utf8(std::string& out, compat::wstring_view text);

// Literals that read the same whatever character set the loading client tokenizes in
// (gbk, big5, sjis and cp932 take some ASCII bytes, the backslash and the apostrophe among
// them, as the second byte of a character, so an escape there can be swallowed):
// - bytes as a hexadecimal literal, 0x and two digits per byte; no bytes give '';
// - text whose every unit is ASCII quoted with the escapes above (nothing in it can pair
//   with a byte before it), any other text as its UTF-8 bytes in hexadecimal behind the
//   introducer (for example "_utf8mb4 "), so that the server reads it as that text.
void append_hex_literal(std::string& out, std::string_view bytes);
void append_text_literal(std::string& out, compat::wstring_view text, std::string_view introducer);
void append_text_literal(std::string& out, std::string_view utf8, std::string_view introducer);
compat::wstring text_literal(compat::wstring_view text, std::string_view introducer);

// Where text goes, piece by piece.
using text_sink = std::function<void(std::string_view)>;
// The same literals handed to out a piece at a time, so that a large value's literal is
// never held whole; the pieces joined are what the append forms give.
void write_hex_literal(std::string_view bytes, const text_sink& out);
void write_text_literal(compat::wstring_view text, std::string_view introducer, const text_sink& out);

// The name in backquotes, a backquote inside it doubled.
compat::wstring backquote(compat::wstring_view name);

// Text for a "#" comment line, in printable ASCII: line breaks become blanks, so the rest
// cannot become SQL; a backslash is doubled, other characters are written \uXXXX (or
// \UXXXXXXXX beyond the Basic Multilingual Plane), so no client character set misreads
// the line.
std::string comment_text(std::string_view text);

}  // namespace sql
