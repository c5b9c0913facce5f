// The later pages of the wizard under test: the shell and front end of every wizard test,
// the converter in the wizard's form with private settings, a fixture Oracle store read
// through the stand-in client library, and helpers for lists, dialogs and pages.
#pragma once

#include <QListWidget>
#include <QWidget>
#include <string>
#include <vector>

#include "GUI2/g_wiz_pg.h"
#include "app/qrn_conv.h"
#include "tests/GUI2/gui_fixture.h"

// A page that only marks a place in the page order.
class stub_page : public wizard_page {
public:
    explicit stub_page(int id, wizard_page_kind kind = wizard_page_kind::interior) : wizard_page(id, kind) {}
    int activations = 0;
    bool page_init() override {
        ++activations;
        return true;
    }
};

class pages_fixture : public gui_fixture {
protected:
    pages_fixture();
    ~pages_fixture() override;

    // Builds the store from Oracle SQL under a service of the test's own and connects the
    // converter's Oracle side to it, as the Oracle page's Next does.
    void connect_source(const std::string& oracle_sql);

    std::vector<std::string> entries(const compat::ui::surface& s, int list_id) const;
    QListWidget* list(const compat::ui::surface& s, int list_id) const;
    void double_click(const compat::ui::surface& s, int list_id, int row);
    // The visible top-level dialog whose caption is `caption`, for when_modal.
    static std::function<bool(QWidget*)> dialog_titled(const std::string& caption);
    // The current page of the shell's sheet.
    compat::ui::page* current_page();

    std::string service_;
    int settings_ready_;
    quarnel_convertor conv_;
};

std::string utf8(const compat::wstring& text);
