#include "ocilite/sql_lexer.h"

#include "compat/text/text.h"

namespace ocilite {
namespace {

bool is_ident_start(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80; }
bool is_ident_char(unsigned char c) {
    return is_ident_start(c) || (c >= '0' && c <= '9') || c == '_' || c == '$' || c == '#';
}
bool is_digit(char c) { return c >= '0' && c <= '9'; }

class lexer {
public:
    explicit lexer(std::string_view sql) : s_(sql) {}

    std::vector<token> run() {
        std::vector<token> out;
        run_into(out);
        return out;
    }

    void run_into(std::vector<token>& out) {
        while (true) {
            skip_blanks_and_comments();
            token t;
            t.begin = pos_;
            t.line = line_;
            if (pos_ >= s_.size()) {
                t.kind = token_kind::end;
                t.end = pos_;
                out.push_back(std::move(t));
                return;
            }
            read_token(t);
            t.end = pos_;
            out.push_back(std::move(t));
        }
    }

private:
    void skip_blanks_and_comments() {
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == '-' && peek(1) == '-') {
                while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
            } else if (c == '/' && peek(1) == '*') {
                size_t close = s_.find("*/", pos_ + 2);
                size_t stop = close == std::string_view::npos ? s_.size() : close + 2;
                for (size_t i = pos_; i < stop; ++i)
                    if (s_[i] == '\n') ++line_;
                pos_ = stop;
            } else {
                return;
            }
        }
    }

    char peek(size_t ahead) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }

    // A '/' that is the only thing on its line ends a statement in a script (SQL*Plus rule).
    bool slash_alone_on_line() const {
        size_t b = pos_;
        while (b > 0 && (s_[b - 1] == ' ' || s_[b - 1] == '\t')) --b;
        if (b > 0 && s_[b - 1] != '\n') return false;
        size_t e = pos_ + 1;
        while (e < s_.size() && (s_[e] == ' ' || s_[e] == '\t' || s_[e] == '\r')) ++e;
        return e >= s_.size() || s_[e] == '\n';
    }

    void read_token(token& t) {
        token_line_ = line_;
        unsigned char c = static_cast<unsigned char>(s_[pos_]);
        if ((c == 'Q' || c == 'q') && peek(1) == '\'' && pos_ + 2 < s_.size()) {
            // q'[text]': the text as written, up to the closing delimiter and quote.
            ++pos_;
            t.kind = token_kind::string;
            t.text = read_alternative_quoted();
        } else if ((c == 'N' || c == 'n') && (peek(1) == 'Q' || peek(1) == 'q') && peek(2) == '\'' &&
                   pos_ + 3 < s_.size()) {
            pos_ += 2;
            t.kind = token_kind::nstring;
            t.text = read_alternative_quoted();
        } else if ((c == 'N' || c == 'n') && peek(1) == '\'') {
            ++pos_;
            t.kind = token_kind::nstring;
            t.text = read_quoted('\'', 1756, "ORA-01756: quoted string not properly terminated");
        } else if (c == '\'') {
            t.kind = token_kind::string;
            t.text = read_quoted('\'', 1756, "ORA-01756: quoted string not properly terminated");
        } else if (c == '"') {
            t.kind = token_kind::quoted_identifier;
            t.text = read_quoted('"', 1740, "ORA-01740: missing double quote in identifier");
            if (t.text.empty()) fail(1741, "ORA-01741: illegal zero-length identifier");
            // No name holds the null character, quoted or not.
            if (t.text.find('\0') != std::string::npos) fail(911, "ORA-00911: invalid character");
        } else if (is_digit(static_cast<char>(c)) || (c == '.' && is_digit(peek(1)))) {
            t.kind = token_kind::number;
            t.text = read_number();
        } else if (is_ident_start(c)) {
            size_t b = pos_;
            while (pos_ < s_.size() && is_ident_char(static_cast<unsigned char>(s_[pos_]))) ++pos_;
            t.kind = token_kind::identifier;
            t.text = compat::to_upper_utf8(s_.substr(b, pos_ - b));
        } else if (c == ':' && (is_ident_start(static_cast<unsigned char>(peek(1))) || is_digit(peek(1)))) {
            ++pos_;
            size_t b = pos_;
            while (pos_ < s_.size() && is_ident_char(static_cast<unsigned char>(s_[pos_]))) ++pos_;
            t.kind = token_kind::bind;
            t.text = std::string(s_.substr(b, pos_ - b));
        } else if (c == '/' && slash_alone_on_line()) {
            ++pos_;
            t.kind = token_kind::script_end;
            t.text = "/";
        } else {
            t.kind = token_kind::symbol;
            t.text = read_symbol();
        }
    }

    std::string read_quoted(char q, int code, const char* message) {
        std::string value;
        ++pos_;
        while (true) {
            if (pos_ >= s_.size()) fail(code, message);
            char c = s_[pos_++];
            if (c == q) {
                if (pos_ < s_.size() && s_[pos_] == q) {
                    value += q;
                    ++pos_;
                    continue;
                }
                return value;
            }
            if (c == '\n') ++line_;
            value += c;
        }
    }

    // At the quote of q'Xtext X'': [ ] { } < > ( ) pair up, any other character closes itself.
    std::string read_alternative_quoted() {
        ++pos_;
        char open = s_[pos_++];
        char close = open == '[' ? ']' : open == '{' ? '}' : open == '<' ? '>' : open == '(' ? ')' : open;
        std::string value;
        while (true) {
            if (pos_ >= s_.size()) fail(1756, "ORA-01756: quoted string not properly terminated");
            char c = s_[pos_++];
            if (c == close && pos_ < s_.size() && s_[pos_] == '\'') {
                ++pos_;
                return value;
            }
            if (c == '\n') ++line_;
            value += c;
        }
    }

    std::string read_number() {
        size_t b = pos_;
        while (pos_ < s_.size() && is_digit(s_[pos_])) ++pos_;
        if (pos_ < s_.size() && s_[pos_] == '.' && peek(1) != '.') {
            ++pos_;
            while (pos_ < s_.size() && is_digit(s_[pos_])) ++pos_;
        }
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            size_t e = pos_ + 1;
            if (e < s_.size() && (s_[e] == '+' || s_[e] == '-')) ++e;
            if (e < s_.size() && is_digit(s_[e])) {
                pos_ = e;
                while (pos_ < s_.size() && is_digit(s_[pos_])) ++pos_;
            }
        }
        return std::string(s_.substr(b, pos_ - b));
    }

    std::string read_symbol() {
        static const char* const two[] = {"||", "<=", ">=", "<>", "!=", "^=", "=>", ":="};
        for (const char* op : two) {
            if (s_.substr(pos_, 2) == op) {
                pos_ += 2;
                return op;
            }
        }
        char c = s_[pos_];
        static const std::string_view one = "()+-*/,.;=<>%@[]";
        if (one.find(c) == std::string_view::npos) fail(911, "ORA-00911: invalid character");
        ++pos_;
        return std::string(1, c);
    }

    // An unterminated literal is reported at the line it starts on.
    [[noreturn]] void fail(int code, const char* message) const { throw lex_error{code, message, token_line_}; }

    std::string_view s_;
    size_t pos_ = 0;
    int line_ = 1;
    int token_line_ = 1;
};

}  // namespace

std::vector<token> tokenize(std::string_view sql) { return lexer(sql).run(); }

const token* overlong_literal(const std::vector<token>& tokens) {
    for (const token& t : tokens)
        if ((t.kind == token_kind::string || t.kind == token_kind::nstring) && t.text.size() > max_literal_bytes)
            return &t;
    return nullptr;
}

std::vector<token> tokenize_prefix(std::string_view sql, lex_error* error, bool* failed) {
    std::vector<token> out;
    *failed = false;
    try {
        lexer(sql).run_into(out);
    } catch (const lex_error& e) {
        *error = e;
        *failed = true;
        token end;
        end.kind = token_kind::end;
        end.begin = end.end = out.empty() ? 0 : out.back().end;
        end.line = e.line;
        out.push_back(end);
    }
    return out;
}

}  // namespace ocilite
