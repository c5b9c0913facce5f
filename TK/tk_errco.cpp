#include "TK/tk_errco.h"

#include "TK/tk_excep.h"
#include "TK/tk_log.h"

namespace {

constexpr const char* messages[TK_MSG_COUNT] = {
    "mailto:support@marrowgate.example",
    "",
    "Unknown exception",
    "Bad path or busy with another process",
    "Error opening file",
    "Error reading from file",
    "Cannot write into file",
    "Internal error: \ncode=",
    "Logfile name specifies an existing read-only file.",
    "Logfile path does not exist.\nPlease verify the correct path was given.",
};

}  // namespace

const char* tk_message(int index) { return index >= 0 && index < TK_MSG_COUNT ? messages[index] : ""; }

tk_error_converter::tk_error_converter(int count, const tk_error_row* rows) {
    tk_log::log(2, "tk_error_converter::ctor (map size=%d)", count);
    load_map(count, rows);
}

void tk_error_converter::load_map(int count, const tk_error_row* rows) {
    tk_log::log(2, "tk_error_converter::load_map (map size=%d)", count);
    if (!rows) throw tk_mail_assertion(tk_where::errco, 43);
    for (int i = 0; i < count; ++i) map_.emplace(rows[i].code, rows[i].text ? rows[i].text : "");
}

std::string tk_error_converter::convert(int code) const {
    tk_log::log(2, "tk_error_converter::convert(%d)", code);
    auto it = map_.find(code);
    if (it == map_.end()) {
        tk_log::log(1, "Error message not found!");
        return {};
    }
    tk_log::log(1, "Error message has been found: %s", it->second);
    return it->second;
}
