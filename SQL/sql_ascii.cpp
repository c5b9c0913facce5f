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

void write_hex(std::string_view bytes, counted_sink& out) {
    constexpr size_t piece = 32768;
    std::string hex;
    for (size_t at = 0; at < bytes.size(); at += piece) {
        hex.clear();
        append_hex_literal(hex, bytes.substr(at, piece));
        // "0x" only before the first piece
        out(at == 0 ? std::string_view(hex) : std::string_view(hex).substr(2));
    }
}

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
    counted_sink out(sink);
    // "M!..." is MariaDB's own form, which MySQL reads as a comment
    const std::string open = gate.empty()             ? std::string()
                             : gate.starts_with("M!") ? "/*" + std::string(gate) + " "
                                                      : "/*!" + std::string(gate) + " ";
    const std::string close = gate.empty() ? std::string() : " */";
    if (is_ascii(statement)) {
        out(open);
        out(statement);
        out(close);
        const size_t length = out.take();
        out(";");
        out(eol);
        return length;
    }
    out(open);
    if (gate.empty()) {
        const size_t head = end_of_last_non_ascii(statement);
        const std::string_view tail = statement.substr(head);
        out(tail.empty() ? "SET @s = /*!50503 _utf8mb4*/" : "SET @s = CONCAT(/*!50503 _utf8mb4*/");
        write_hex(statement.substr(0, head), out);
        if (!tail.empty()) {
            out(", '");
            write_escaped(tail, out);
            out("')");
        }
    } else {
        // inside the gate the server has utf8mb4
        out("SET @s = _utf8mb4 ");
        write_hex(statement, out);
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
