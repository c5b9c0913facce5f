// Drives the whole wizard as the program builds it (qrn_run_wizard) through its real
// widgets: waits for a page with a time limit, types into edits and clicks controls of the
// current page and the sheet's buttons, answers the file and overwrite dialogs. A sheet is
// never left open: when a script ends early (a failed assertion), the wizard is closed.
// What goes wrong (a page that does not come, a missing control) goes to the failure
// handler: the tests make it a test failure, the screenshot program a missing picture.
#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>

#include "GUI2/g_wiz_pg.h"

class qrn_front_end;

namespace wizard_test {

// Where the driver's failures go (the default writes them to standard error).
void set_failure_handler(std::function<void(const std::string&)> handler);
void fail(const std::string& what);

// How long a page may take to come: a connect, a whole run of a small schema.
inline constexpr int page_timeout_ms = 60000;
// How long one wizard may stay open before the driver closes its windows.
inline constexpr int wizard_timeout_ms = 120000;

// Runs the wizard for the command line (empty: the interactive wizard) and the script
// inside its event loop once the sheet shows. A sheet still open when the script returns
// is a failure and is closed; so is, past wizard_timeout_ms, any window left waiting. Returns qrn_run_wizard's result.
int run_wizard(qrn_front_end& front, const std::string& command_line, const std::function<void()>& script);

// The current page once it shows and `is_it` accepts it; null (and a failure naming
// `what`) when it does not come in time.
wizard_page* wait_for_page_where(const std::function<bool(wizard_page*)>& is_it, const std::string& what,
                                 int timeout_ms = page_timeout_ms);
// ... the page with the dialog id.
wizard_page* wait_for_page(int dialog_id, int timeout_ms = page_timeout_ms);
// ... the page of the class (the tables and views pages share their dialog id).
template <class Page>
Page* wait_for(int timeout_ms = page_timeout_ms) {
    return static_cast<Page*>(wait_for_page_where([](wizard_page* p) { return dynamic_cast<Page*>(p) != nullptr; },
                                                  typeid(Page).name(), timeout_ms));
}
wizard_page* current_page();
// A control of the current page.
QWidget* control(int id);
// Replaces the text of an edit of the current page by typing it.
void type(int id, const std::string& text);
// Clicks a control of the current page, or a button of the sheet (compat::ui::id_next, ...).
void click_control(int id);
void click_sheet(int button_id);
// Ticks or clears a check box of the current page by clicking it when it differs.
void set_check(int id, bool on);
// Chooses the road on the welcome page (its radio id), goes on to the Oracle page and fills
// it in for a store on this machine; Next is left to the caller.
void welcome_and_oracle(int road, const std::string& service, const std::string& user, const std::string& password);
// Double-clicks the entry of a list box as the user does (a click, then the double click).
void double_click_entry(QWidget* list, int row);

// Matches a dialog window (not a message box) that holds the control itself, for
// test_support::when_modal: a page's sheet holds its dialogs' controls too, as their owner.
std::function<bool(QWidget*)> dialog_with(int control_id);
// Types the entry name and the SELECT text into the tables page's query dialog and presses
// OK.
void fill_query_dialog(QWidget* dialog, const std::string& name, const std::string& query);
// Answers the next file dialog with the path (empty: Cancel); the dialog's title and name
// filters go where asked.
void answer_file_dialog(const std::string& path, std::string* title = nullptr, QStringList* filters = nullptr);
// Answers the next overwrite dialog with the caption: checks the radio (0: none) and
// presses the button. Each dialog is answered once, after it has been initialised.
void answer_overwrite(const std::string& caption, int radio, int button);

// Counts the ticks of a timer on the user-interface thread: they go on only while that
// thread processes its events (the window repaints and answers).
class ui_ticks {
public:
    ui_ticks();
    int count() const { return count_; }

private:
    std::unique_ptr<QTimer> timer_;
    int count_ = 0;
};

// What the wait dialog showed while it was up: its text, how many ticks the interface made
// in half a second, and whether the wait was still going after that.
struct seen_wait {
    std::string text;
    int ticks = 0;
    bool still_waiting = false;
};
// Once the wait dialog shows `text`: notes what it saw into `seen`, then `then` ends the
// wait (lets the server answer).
void while_waiting(const char16_t* text, seen_wait& seen, const ui_ticks& ticks, std::function<void()> then);

}  // namespace wizard_test
