#include "GUI2/g_err_text.h"

#include "TK/tk_errco.h"
#include "app/qrn_errh.h"

std::string wizard_error_text(const tk_exception& e, wizard_tables tables) {
    tk_error_converter converter(tables == wizard_tables::mysql ? qrn_mysql_errors() : qrn_oracle_errors());
    if (tables == wizard_tables::both) converter.load_map(qrn_mysql_errors());
    std::string text = converter.convert(e.code());
    return text.empty() ? e.message() : text;
}
