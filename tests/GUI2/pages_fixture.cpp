#include "tests/GUI2/pages_fixture.h"

#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <cctype>

#include "tests/GUI2/wizard_driver.h"
#include "tests/app/app_fixture.h"

namespace {
int prepare_settings() {
    app_test::private_settings();
    return 0;
}
}  // namespace

std::string utf8(const compat::wstring& text) { return compat::utf16_to_utf8(text); }

pages_fixture::pages_fixture() : settings_ready_(prepare_settings()), conv_(front_) {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    service_ = std::string("W") + std::to_string(::getpid()) + "_" + (info ? info->name() : "x");
    // A parameterized test's name holds a '/'.
    for (char& c : service_)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
}

pages_fixture::~pages_fixture() = default;

void pages_fixture::connect_source(const std::string& oracle_sql) {
    app_test::build_store(service_, oracle_sql);
    conv_.store_oracle_settings(u"", u"scott", u"tiger", u"");
    conv_.connect_oracle_server(compat::utf8_to_utf16(service_));
}

QListWidget* pages_fixture::list(const compat::ui::surface& s, int list_id) const {
    return qobject_cast<QListWidget*>(s.control(list_id));
}

std::vector<std::string> pages_fixture::entries(const compat::ui::surface& s, int list_id) const {
    std::vector<std::string> out;
    for (int i = 0; i < s.list_count(list_id); ++i) out.push_back(utf8(s.list_entry(list_id, i)));
    return out;
}

void pages_fixture::double_click(const compat::ui::surface& s, int list_id, int row) {
    wizard_test::double_click_entry(list(s, list_id), row);
}

std::function<bool(QWidget*)> pages_fixture::dialog_titled(const std::string& caption) {
    return [caption](QWidget* w) {
        return qobject_cast<QDialog*>(w) && !qobject_cast<QMessageBox*>(w) && w->windowTitle().toStdString() == caption;
    };
}

compat::ui::page* pages_fixture::current_page() { return shell_->sheet().current(); }
