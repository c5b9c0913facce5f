// Tokens of Oracle SQL text (UTF-8). Unquoted identifiers come out folded to upper case, quoted
// ones exactly as written; string literals come out with their '' doubling undone. Every token
// keeps its byte range and line, so callers can quote the source (view texts, defaults) and name
// the line of an error.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ocilite {

enum class token_kind {
    identifier,         // unquoted: text is folded to upper case
    quoted_identifier,  // "Name": text is the name inside the quotes
    string,             // 'text': text is the value
    nstring,            // N'text'
    number,             // 12, .5, 1e10, 1.5E-3 (text as written)
    bind,               // :name or :1 (text without the colon)
    symbol,             // ( ) , . ; + - * / || = <> != ^= < <= > >= := etc.
    script_end,         // a line holding only '/': ends a statement in a script
    end,                // end of input
};

struct token {
    token_kind kind = token_kind::end;
    std::string text;
    size_t begin = 0;  // byte offsets into the source
    size_t end = 0;
    int line = 1;

    bool is_word(std::string_view upper) const { return kind == token_kind::identifier && text == upper; }
    bool is_symbol(std::string_view s) const { return kind == token_kind::symbol && text == s; }
};

// Thrown for text that cannot be cut into tokens (an unterminated literal, a stray character).
struct lex_error {
    int code;  // Oracle error number: 1756 unterminated string, 1740 missing double quote, 911 invalid character
    std::string message;
    int line;
};

// Oracle's limit on a text literal of a SQL statement, in bytes of the database character set
// (AL32UTF8 here); PL/SQL allows longer ones.
inline constexpr size_t max_literal_bytes = 4000;

// The first text literal of tokens longer than max_literal_bytes, or null.
const token* overlong_literal(const std::vector<token>& tokens);

// Cuts the whole text into tokens, the last one of kind end. Comments (-- and /* */) are dropped.
std::vector<token> tokenize(std::string_view sql);
// As above, but stops at unreadable text instead of throwing: the tokens before it are returned
// (ending with an end token) and *error describes it. *failed tells whether it happened.
std::vector<token> tokenize_prefix(std::string_view sql, lex_error* error, bool* failed);

}  // namespace ocilite
