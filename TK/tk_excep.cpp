#include "TK/tk_excep.h"

#include <cstring>

#include "TK/tk_errco.h"
#include "TK/tk_log.h"
#include "compat/text/format.h"

namespace {

std::string or_unknown(std::string_view text) {
    return text.empty() ? std::string(tk_message(TK_MSG_UNKNOWN_EXCEPTION)) : std::string(text);
}

}  // namespace

tk_exception::tk_exception(int level) : tk_exception(std::string_view(), level) {}

tk_exception::tk_exception(std::string_view message, int level) : message_(or_unknown(message)), level_(level) {}

tk_exception::tk_exception(compat::wstring_view message, int level)
    : message_(compat::utf16_to_ansi(message)), level_(level) {}

tk_exception::tk_exception(std::string_view message, int code, int level)
    : message_(or_unknown(message)), code_(code), level_(level) {}

tk_exception_ex::tk_exception_ex(int error) : tk_exception(1) {
    tk_log::log(2, "tk_exception_ex::ctor");
    set_code(error);
    if (error == 0) return;  // no failure recorded: keep "Unknown exception"
    char buf[256];
    const char* text = ::strerror_r(error, buf, sizeof buf);  // GNU form: may return a static text
    if (text && *text) {
        set_message(text);
        tk_log::log(2, "GetLastError: %s", text);
    }
}

tk_mail_assertion::tk_mail_assertion(const char* source_file, int line)
    : tk_exception(tk_assertion_text(source_file, line), 2) {
    tk_log::log(2, "tk_mail_assertion::ctor(%s)", source_file ? source_file : "");
}

tk_final_exception::tk_final_exception() { tk_log::log(2, "tk_final_exception::ctor"); }

std::string tk_assertion_text(const char* source_file, int line) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string where = compat::format("%s\\%d", source_file ? source_file : "", line);
    if (where.size() > 275) where.resize(275);
    std::string text = tk_message(TK_MSG_INTERNAL_ERROR);
    for (char c : where) {
        auto u = static_cast<unsigned char>(c);  // unsigned: a non-ASCII byte is two digits too
        text += hex[u >> 4];
        text += hex[u & 15];
    }
    return text;
}
