#include "tests/GUI2/gui_pages.h"

const char* const pages_schema = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE EMP (ID NUMBER(10) PRIMARY KEY, NAME VARCHAR2(20));
INSERT INTO EMP VALUES (1, 'one');
CREATE TABLE DEPT (ID NUMBER(10) PRIMARY KEY);
COMMIT;
)";

gui_pages::gui_pages() : conv_((app_test::private_settings(), front_)) {}

void gui_pages::add_all_pages() {
    for (compat::ui::page* p : std::initializer_list<compat::ui::page*>{&welcome_, &oracle_, &dump_, &mysql_, &dest_})
        shell_->add_page(*p);
}

int gui_pages::current_id() {
    compat::ui::page* p = shell_->sheet().current();
    return p ? p->dialog_id() : 0;
}

void gui_pages::fill_oracle(const std::u16string& service, const std::u16string& password) {
    oracle_.set_text(oracle_settings_page::id_host, u"");
    oracle_.set_text(oracle_settings_page::id_port, u"");
    oracle_.set_text(oracle_settings_page::id_database, service);
    oracle_.set_text(oracle_settings_page::id_user, u"scott");
    oracle_.set_text(oracle_settings_page::id_password, password);
}

void gui_pages::next() { test_support::click(sheet_button(compat::ui::id_next)); }
void gui_pages::back() { test_support::click(sheet_button(compat::ui::id_back)); }
