// Statements of a dump file in a form that holds only ASCII. A client tokenizing in gbk,
// big5, sjis or cp932 pairs a byte beyond ASCII with the byte after it, and a name's last
// byte paired with its closing backquote would let the text after it run as SQL; ASCII
// alone reads the same in every character set a client can take.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string_view>

#include "SQL/sql_esc.h"

namespace sql {

bool is_ascii(std::string_view text);

// A part of a statement: its text as it stands, or, when literal is set, a value's literal,
// which is ASCII and is handed over piece by piece while the statement is written (a large
// value is then never held as its literal).
struct statement_part {
    std::string_view text;
    std::function<void(const text_sink&)> literal;
};

// Writes one statement (UTF-8, without its ';') and then end: as it stands when it is all
// ASCII, else prepared on the server from its text in hexadecimal:
//   SET @s = CONCAT(/*!50503 _utf8mb4*/0x<head>, '<tail>'); PREPARE s FROM @s; EXECUTE s;
//   DEALLOCATE PREPARE s;
// where head runs to the statement's last byte beyond ASCII and tail, the ASCII rest (most
// of an INSERT: its values), is quoted with escapes instead of doubled in hexadecimal.
// With a version gate ("50503") each statement is enclosed in "/*!gate ... */" ("M!100202":
// in MariaDB's "/*M!100202 ... */") and the text is all hexadecimal, since a quoted tail
// could hold the comment's end.
// Returns the length of the longest statement written, which the loading client sends as
// one packet.
size_t write_ascii_statement(std::string_view statement, std::string_view end, std::string_view gate,
                             const text_sink& sink);
// The same of a statement in parts, written as the parts joined would be.
size_t write_ascii_statement(std::span<const statement_part> statement, std::string_view end, std::string_view gate,
                             const text_sink& sink);

}  // namespace sql
