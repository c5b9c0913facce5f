#include "SQL/sql_ascii.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "SQL/sql_esc.h"

namespace sql {

namespace {

constexpr uint64_t high_bits = 0x8080808080808080ull;

// The position after the last byte beyond ASCII; 0 when there is none. Eight bytes a
// step: the tail of a statement that has such a byte is mostly long and ASCII.
size_t end_of_last_non_ascii(std::string_view text) {
    size_t n = text.size();
    while (n >= 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + n - 8, 8);
        if (word & high_bits) break;
        n -= 8;
    }
    while (n > 0 && static_cast<unsigned char>(text[n - 1]) < 0x80) --n;
    return n;
}

// Counts what passes, so that the caller learns each statement's length.
class counted_sink {
public:
    explicit counted_sink(const text_sink& sink) : sink_(sink) {}
    void operator()(std::string_view text) {
        count_ += text.size();
        sink_(text);
    }
    // The length since the last call.
    size_t take() { return std::exchange(count_, 0); }

private:
    const text_sink& sink_;
    size_t count_ = 0;
};

// The text of a part, piece by piece.
void for_each_piece(const statement_part& part, const text_sink& out) {
    if (part.literal)
        part.literal(out);
    else
        out(part.text);
}

// One hexadecimal literal of everything written to it: "0x" before the first digits.
class hex_writer {
public:
    explicit hex_writer(counted_sink& out) : out_(out) {}
    void operator()(std::string_view bytes) {
        constexpr size_t piece = 32768;
        for (size_t at = 0; at < bytes.size(); at += piece) {
            hex_.clear();
            append_hex_literal(hex_, bytes.substr(at, piece));
            out_(started_ ? std::string_view(hex_).substr(2) : std::string_view(hex_));
            started_ = true;
        }
    }

private:
    counted_sink& out_;
    std::string hex_;
    bool started_ = false;
};

void write_escaped(std::string_view ascii, counted_sink& out) {
    constexpr size_t piece = 65536;
    for (size_t at = 0; at < ascii.size(); at += piece) out(escape_text(ascii.substr(at, piece)));
}

}  // namespace

bool is_ascii(std::string_view text) {
    // one pass that the compiler vectorizes: nearly every statement is ASCII
    unsigned char any = 0;
    for (char c : text) any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

size_t write_ascii_statement(std::string_view statement, std::string_view eol, std::string_view gate,
                             const text_sink& sink) {
    const statement_part part{statement, {}};
    return write_ascii_statement(std::span(&part, 1), eol, gate, sink);
}

size_t write_ascii_statement(std::span<const statement_part> statement, std::string_view eol, std::string_view gate,
                             const text_sink& sink) {
    counted_sink out(sink);
    const text_sink plain = [&out](std::string_view text) { out(text); };
    // "M!..." is MariaDB's own form, which MySQL reads as a comment
    const std::string open = gate.empty()             ? std::string()
                             : gate.starts_with("M!") ? "/*" + std::string(gate) + " "
                                                      : "/*!" + std::string(gate) + " ";
    const std::string close = gate.empty() ? std::string() : " */";
    // The last part whose text goes beyond ASCII (literals never do).
    size_t last = statement.size();
    for (size_t i = statement.size(); i-- > 0;) {
        if (!statement[i].literal && !is_ascii(statement[i].text)) {
            last = i;
            break;
        }
    }
    if (last == statement.size()) {
        out(open);
        for (const statement_part& part : statement) for_each_piece(part, plain);
        out(close);
        const size_t length = out.take();
        out(";");
        out(eol);
        return length;
    }
    out(open);
    hex_writer hex(out);
    const text_sink to_hex = [&hex](std::string_view text) { hex(text); };
    if (gate.empty()) {
        const std::string_view split = statement[last].text;
        const size_t head = end_of_last_non_ascii(split);
        bool tail = head < split.size();
        for (size_t i = last + 1; i < statement.size(); ++i)
            tail = tail || statement[i].literal || !statement[i].text.empty();
        out(tail ? "SET @s = CONCAT(/*!50503 _utf8mb4*/" : "SET @s = /*!50503 _utf8mb4*/");
        for (size_t i = 0; i < last; ++i) for_each_piece(statement[i], to_hex);
        hex(split.substr(0, head));
        if (tail) {
            const text_sink escaped = [&out](std::string_view text) { write_escaped(text, out); };
            out(", '");
            write_escaped(split.substr(head), out);
            for (size_t i = last + 1; i < statement.size(); ++i) for_each_piece(statement[i], escaped);
            out("')");
        }
    } else {
        // inside the gate the server has utf8mb4
        out("SET @s = _utf8mb4 ");
        for (const statement_part& part : statement) for_each_piece(part, to_hex);
    }
    out(close);
    const size_t length = out.take();
    out(";");
    for (const char* step : {"PREPARE s FROM @s", "EXECUTE s", "DEALLOCATE PREPARE s"}) {
        out(" ");
        out(open);
        out(step);
        out(close);
        out(";");
    }
    out(eol);
    return length;
}

}  // namespace sql
