#include "GUI2/g_query.h"

#include "GUI2/g_wait_run.h"
#include "GUI2/g_wiz_sh.h"
#include "TK/tk_errco.h"
#include "TK/tk_log.h"
#include "TK/tk_utils.h"
#include "app/qrn_conv.h"

namespace ui = compat::ui;
using compat::wstring;

namespace {
constexpr int help_topic = 1025;
constexpr char16_t blanks[] = u"\t\n\r ";

// The support address without its URL scheme, for the text of a failed test.
wstring support_address() {
    std::string address = tk_message(TK_MSG_SUPPORT_ADDRESS);
    constexpr std::string_view scheme = "mailto:";
    if (address.rfind(scheme, 0) == 0) address.erase(0, scheme.size());
    return tk_to_wide(address);
}
}  // namespace

wstring strip_leading_blanks(const wstring& text) {
    const size_t first = text.find_first_not_of(blanks);
    return first == wstring::npos ? wstring() : text.substr(first);
}

bool is_not_select(const wstring& text) {
    if (text.empty()) return false;
    const wstring rest = strip_leading_blanks(text);
    return rest.size() < 6 || tk_compare_nocase(rest.substr(0, 6), u"SELECT") != 0;
}

set_query_dlg::set_query_dlg(wstring name, wstring query) : name_(std::move(name)), query_(std::move(query)) {
    tk_log::log(1, "set_query_dlg::set_query_dlg");
}

void set_query_dlg::build() {
    set_size_du(296, 150);
    add_labeled_edit(0, u"Store as Table:", id_name);
    add_text(0, u"Query:");
    add_edit(id_query, ui::edit_multiline);
    begin_row();
    add_button(id_test, u"Test Query");
    add_stretch();
    add_button(ui::id_ok, u"OK", true);
    add_button(ui::id_cancel, u"Cancel");
    add_button(ui::id_help, u"Help");
    end_row();
}

bool set_query_dlg::on_init() {
    tk_log::log(1, "set_query_dlg::on_init");
    set_caption(u"Add Query");
    set_text(id_name, name_);
    set_text(id_query, query_);
    center_on_owner();
    bring_to_top();
    return true;
}

bool set_query_dlg::is_not_select() const { return ::is_not_select(get_text(id_query)); }

void set_query_dlg::on_command(int id, ui::notify what) {
    if (what != ui::notify::clicked) return;
    switch (id) {
        case ui::id_ok:
            on_ok();
            break;
        case ui::id_cancel:
            tk_log::log(1, "set_query_dlg::on_cancel");
            end(ui::id_cancel);
            break;
        case id_test:
            on_test_query();
            break;
        case ui::id_help:
            wizard_shell::display_help(help_topic);
            break;
        default:
            break;
    }
}

// Name and query are read whole: a long query must never reach the source cut short.
void set_query_dlg::on_ok() {
    tk_log::log(1, "set_query_dlg::on_ok");
    const wstring name = get_text(id_name);
    if (name.empty()) {
        wizard_shell::message(u"Table name is empty!");
        return;
    }
    const wstring query = strip_leading_blanks(get_text(id_query));
    if (is_not_select()) {
        wizard_shell::error(u"The query must start with SELECT.");
        return;
    }
    if (query.empty()) {
        wizard_shell::error(u"Query is empty!");
        return;
    }
    name_ = name;
    query_ = query;
    end(ui::id_ok);
}

void set_query_dlg::on_test_query() {
    const wstring text = get_text(id_query);
    if (::is_not_select(text)) {
        wizard_shell::error(u"The query must start with SELECT.");
        return;
    }
    bool correct = false;
    wait_for_work(wait_query_test, [&] { correct = quarnel_convertor::instance().test_query(text); });
    if (correct) {
        wizard_shell::message(u"The query is correct.");
        return;
    }
    wizard_shell::error(
        u"You have an error in your query syntax. Make sure that it is a correct SQL SELECT-statement. "
        u"If the error persists, please contact our support team at " +
        support_address() + u".");
}
