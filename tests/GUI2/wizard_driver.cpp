#include "tests/GUI2/wizard_driver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "GUI2/g_ora_pg.h"
#include "GUI2/g_query.h"
#include "GUI2/g_wait_dlg.h"
#include "GUI2/g_welcome.h"
#include "GUI2/g_wiz_sh.h"
#include "app/qrn_shel.h"
#include "common/over_dlg.h"
#include "tests/support/ui_driver.h"

namespace wizard_test {

namespace {

std::function<void(const std::string&)> failure_handler;

bool sheet_showing() {
    wizard_shell* shell = wizard_shell::try_get();
    return shell && shell->sheet().running() && shell->sheet().native()->isVisible();
}

// The sheet is showing and no dialog stands over it. A script started inside a dialog that
// the run's thread raised would sit within that dialog's modal loop, which could not end
// before the script did: a script waiting for a later page would wait for ever.
bool sheet_on_top() {
    if (!sheet_showing()) return false;
    QWidget* top = QApplication::activeModalWidget();
    return !top || top == wizard_shell::instance().sheet().native();
}

}  // namespace

void set_failure_handler(std::function<void(const std::string&)> handler) { failure_handler = std::move(handler); }

void fail(const std::string& what) {
    if (failure_handler)
        failure_handler(what);
    else
        std::fprintf(stderr, "wizard driver: %s\n", what.c_str());
}

int run_wizard(qrn_front_end& front, const std::string& command_line, const std::function<void()>& script) {
    // Polls for the sheet while the wizard runs; the script runs inside the sheet's event
    // loop.
    QPointer<QTimer> poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, script] {
        if (!sheet_on_top()) return;
        poll->stop();
        // Run from the queue of posted events, not inside the timer's tick: waits inside a
        // tick were seen not to receive what the run's thread posts (its questions).
        QMetaObject::invokeMethod(
            qApp,
            [poll, script] {
                if (!sheet_on_top()) {
                    if (poll) poll->start(5);
                    return;
                }
                script();
                if (sheet_showing()) {
                    fail("the wizard was still open when the script ended; closing it");
                    wizard_shell::instance().sheet().close();
                }
            },
            Qt::QueuedConnection);
    });
    poll->start(5);
    // A window that nobody answers would hold the wizard, and the test, for ever: past the
    // time limit each is closed as its Escape key would, and then the sheet.
    QElapsedTimer clock;
    clock.start();
    QPointer<QTimer> watchdog = new QTimer;
    QObject::connect(watchdog, &QTimer::timeout, watchdog, [clock] {
        if (clock.elapsed() < wizard_timeout_ms) return;
        wizard_shell* shell = wizard_shell::try_get();
        QWidget* sheet = shell ? shell->sheet().native() : nullptr;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != sheet) {
            fail("a window was still waiting for an answer past the time limit: " + modal->windowTitle().toStdString());
            if (auto* d = qobject_cast<QDialog*>(modal))
                d->reject();
            else
                modal->close();
        } else if (shell && sheet->isVisible()) {
            fail("the wizard was still open past the time limit; closing it");
            shell->sheet().close();
        }
    });
    watchdog->start(1000);
    const int result = qrn_run_wizard(front, command_line);
    delete poll.data();
    delete watchdog.data();
    return result;
}

wizard_page* current_page() {
    wizard_shell* shell = wizard_shell::try_get();
    return shell ? dynamic_cast<wizard_page*>(shell->sheet().current()) : nullptr;
}

wizard_page* wait_for_page_where(const std::function<bool(wizard_page*)>& is_it, const std::string& what,
                                 int timeout_ms) {
    auto is_there = [&] {
        wizard_page* p = current_page();
        return p && p->native()->isVisible() && is_it(p);
    };
    if (test_support::wait_until(is_there, timeout_ms)) return current_page();
    wizard_page* p = current_page();
    fail("page " + what + " did not come within " + std::to_string(timeout_ms) + " ms (the current page is " +
         std::to_string(p ? p->dialog_id() : 0) + ")");
    return nullptr;
}

wizard_page* wait_for_page(int dialog_id, int timeout_ms) {
    return wait_for_page_where([dialog_id](wizard_page* p) { return p->dialog_id() == dialog_id; },
                               std::to_string(dialog_id), timeout_ms);
}

QWidget* control(int id) {
    wizard_page* p = current_page();
    return p ? p->control(id) : nullptr;
}

void type(int id, const std::string& text) {
    QWidget* w = control(id);
    if (!w) return fail("no control " + std::to_string(id));
    w->setFocus(Qt::TabFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->selectAll();
    else if (auto* box = qobject_cast<QPlainTextEdit*>(w))
        box->selectAll();
    QTest::keyClick(w, Qt::Key_Delete);
    QTest::keyClicks(w, QString::fromStdString(text));
}

void click_control(int id) {
    QWidget* w = control(id);
    if (!w) return fail("no control " + std::to_string(id));
    test_support::click(w);
}

void click_sheet(int button_id) {
    QWidget* sheet = wizard_shell::instance().sheet().native();
    QWidget* b = sheet->findChild<QWidget*>(QString::number(button_id));
    if (!b) return fail("no sheet button " + std::to_string(button_id));
    test_support::click(b);
}

void set_check(int id, bool on) {
    wizard_page* p = current_page();
    if (!p) return fail("no page");
    if (p->is_checked(id) != on) click_control(id);
    if (p->is_checked(id) != on) fail("check box " + std::to_string(id) + " did not follow the click");
}

void welcome_and_oracle(int road, const std::string& service, const std::string& user, const std::string& password) {
    if (!wait_for_page(welcome_page::dialog_id)) return;
    click_control(road);
    click_sheet(compat::ui::id_next);
    if (!wait_for_page(oracle_settings_page::dialog_id)) return;
    type(oracle_settings_page::id_host, "");
    type(oracle_settings_page::id_port, "");
    type(oracle_settings_page::id_database, service);
    type(oracle_settings_page::id_user, user);
    type(oracle_settings_page::id_password, password);
}

void double_click_entry(QWidget* list, int row) {
    auto* l = qobject_cast<QListWidget*>(list);
    if (!l || !l->item(row)) return fail("no list entry " + std::to_string(row));
    const QRect r = l->visualItemRect(l->item(row));
    QTest::mouseClick(l->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

std::function<bool(QWidget*)> dialog_with(int control_id) {
    return [control_id](QWidget* w) {
        return qobject_cast<QDialog*>(w) && !qobject_cast<QMessageBox*>(w) &&
               w->findChild<QWidget*>(QString::number(control_id), Qt::FindDirectChildrenOnly);
    };
}

void fill_query_dialog(QWidget* dialog, const std::string& name, const std::string& query) {
    auto* name_box = dialog->findChild<QLineEdit*>(QString::number(set_query_dlg::id_name));
    auto* query_box = dialog->findChild<QPlainTextEdit*>(QString::number(set_query_dlg::id_query));
    if (!name_box || !query_box) return fail("not the query dialog");
    name_box->setText(QString::fromStdString(name));
    query_box->setPlainText(QString::fromStdString(query));
    test_support::click(dialog->findChild<QWidget*>(QString::number(compat::ui::id_ok)));
}

void answer_file_dialog(const std::string& path, std::string* title, QStringList* filters) {
    test_support::when_modal([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; },
                             [path, title, filters](QWidget* w) {
                                 auto* d = static_cast<QFileDialog*>(w);
                                 if (title) *title = d->windowTitle().toStdString();
                                 if (filters) *filters = d->nameFilters();
                                 if (path.empty()) return d->reject();
                                 d->selectFile(QString::fromStdString(path));
                                 static_cast<QDialog*>(d)->accept();  // as the Open or Save button does
                             });
}

void answer_overwrite(const std::string& caption, int radio, int button) {
    test_support::when_modal(
        [caption](QWidget* w) {
            // Once its caption is set the dialog has been initialised.
            return w->findChild<QWidget*>(QString::number(overwrite_dlg2::id_sync)) != nullptr &&
                   w->windowTitle().toStdString() == caption && !w->property("answered").toBool();
        },
        [radio, button](QWidget* w) {
            w->setProperty("answered", true);
            if (radio) test_support::press(w->findChild<QWidget*>(QString::number(radio)));
            test_support::press(w->findChild<QWidget*>(QString::number(button)));
        });
}

ui_ticks::ui_ticks() : timer_(std::make_unique<QTimer>()) {
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { ++count_; });
    timer_->start(10);
}

void while_waiting(const char16_t* text, seen_wait& seen, const ui_ticks& ticks, std::function<void()> then) {
    const QString shown = QString::fromUtf16(text).replace("\r\n", "\n");
    const auto label = [](QWidget* w) { return w->findChild<QLabel*>(QString::number(wait_dialog::id_text)); };
    test_support::when_modal([label, shown](QWidget* w) { return label(w) && label(w)->text() == shown; },
                             [label, &seen, &ticks, then = std::move(then)](QWidget* w) {
                                 seen.text = label(w)->text().toStdString();
                                 const int before = ticks.count();
                                 test_support::pump(500);
                                 seen.ticks = ticks.count() - before;
                                 seen.still_waiting = w->isVisible();
                                 then();
                             });
}

}  // namespace wizard_test
