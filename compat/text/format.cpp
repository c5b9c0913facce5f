#include "compat/text/format.h"

namespace {

// Rewrites a Windows printf format into the form libfmt's printf understands.
std::string translate_format(std::string_view f) {
    std::string out;
    out.reserve(f.size() + 8);
    for (size_t i = 0; i < f.size(); ++i) {
        char c = f[i];
        out += c;
        if (c != '%') continue;
        if (i + 1 < f.size() && f[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // flags, width, precision pass through unchanged
        size_t j = i + 1;
        while (j < f.size() && std::string_view("-+ #0123456789.*").find(f[j]) != std::string_view::npos) out += f[j++];
        // length modifiers: map the Windows ones onto fixed-width meanings
        if (f.compare(j, 3, "I64") == 0) {
            out += "ll";
            j += 3;
        } else if (f.compare(j, 3, "I32") == 0) {
            j += 3;
        } else if (j < f.size() && f[j] == 'l' && j + 1 < f.size() && f[j + 1] == 'l') {
            out += "ll";
            j += 2;
        } else if (j < f.size() && (f[j] == 'l' || f[j] == 'w')) {
            // %ld is 32-bit on Windows; %ls/%ws is a wide string, which args already carry
            ++j;
        } else if (j < f.size() && f[j] == 'h') {
            bool text = j + 1 < f.size() && (f[j + 1] == 's' || f[j + 1] == 'S');
            if (!text) out += 'h';
            ++j;
        }
        if (j < f.size()) {
            char conv = f[j];
            if (conv == 'S') conv = 's';  // %S: the other width's string, converted already
            out += conv;
        }
        i = j;
    }
    return out;
}

}  // namespace

namespace compat {

std::string vformat(std::string_view fmt_text, fmt::printf_args args) {
    return fmt::vsprintf(translate_format(fmt_text), args);
}

}  // namespace compat
