#include "SQL/sql_fk_parser.h"

#include "TK/tk_trace.h"

sql_fk_parser::sql_fk_parser(const compat::wstring& table_name, std::string_view create_text)
    : table_name_(table_name) {
    tk_log::log(2, "sql_fk_parser::ctor(%s)", create_text);
    const size_t zero = create_text.find('\0');
    if (zero != std::string_view::npos) create_text = create_text.substr(0, zero);
    if (create_text.empty()) return;
    size_t begin = 0;
    for (;;) {
        const size_t lf = create_text.find('\n', begin);
        if (lf == std::string_view::npos) {
            chunks_.emplace_back(create_text.substr(begin));
            break;
        }
        chunks_.emplace_back(create_text.substr(begin, lf - begin));
        begin = lf + 1;
    }
}

void sql_fk_parser::do_parse(udb_relationships& /*relationships*/) {
    tk_log::log(2, "sql_fk_parser::do_parse");
    tk_log::log(1, "Got %d chunks", static_cast<int>(chunks_.size()));
}
