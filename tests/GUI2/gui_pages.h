// The first half of the wizard as the program builds it (welcome, Oracle, dump options,
// MySQL, destination pages on the shell), over a converter with private settings and
// ocilite stores.
#pragma once

#include "GUI2/g_ora_pg.h"
#include "GUI2/g_sel_file.h"
#include "GUI2/g_sql_pg.h"
#include "GUI2/g_welcome.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"
#include "common/sql_dump.h"
#include "tests/GUI2/gui_fixture.h"
#include "tests/app/app_fixture.h"

// A store with one user and two small tables.
extern const char* const pages_schema;

class gui_pages : public gui_fixture {
protected:
    gui_pages();
    void add_all_pages();
    int current_id();
    // Fills the Oracle page with the store's service and scott/tiger.
    void fill_oracle(const std::u16string& service, const std::u16string& password = u"tiger");
    void next();
    void back();

    quarnel_convertor conv_;
    welcome_page welcome_{u"qrn"};
    oracle_settings_page oracle_{50};
    sql_dump_page dump_;
    sql_settings_page2 mysql_;
    sel_file_page dest_;
};
