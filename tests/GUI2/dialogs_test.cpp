// The error dialogs and the file dialogs with real widgets: captions before and after the
// shell shows its title, Copy to clipboard holding exactly the message until it is taken,
// Send bug opening a new mail to support, the report kept in a file, the continue-or-abort
// dialog asked from the conversion thread, both dialogs living and dying on the UI thread
// when a worker raises them, and the file dialogs' filters, titles, initial folder and
// default-extension rule.
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "GUI2/g_err_dlg.h"
#include "GUI2/g_f_dlg.h"
#include "TK/tk_excep.h"
#include "app/qrn_conv.h"
#include "compat/desktop/desktop.h"
#include "tests/GUI2/pages_fixture.h"
#include "tests/app/app_fixture.h"
#include "tests/support/files.h"

namespace ui = compat::ui;
using compat::wstring;
using test_support::click;
using test_support::wait_until;
using test_support::when_modal;

namespace {

class Dialogs : public pages_fixture {};

struct seen_dialog {
    std::string caption, text;
};

// Notes the error dialog that is about to open and presses the button.
void press_in_error_dialog(seen_dialog& seen, const char* button) {
    when_modal(
        [](QWidget* w) {
            return qobject_cast<QDialog*>(w) && w->findChild<QLabel*>("1320", Qt::FindDirectChildrenOnly);
        },
        [&seen, button](QWidget* w) {
            seen.caption = w->windowTitle().toStdString();
            seen.text = w->findChild<QLabel*>("1320")->text().toStdString();
            click(w->findChild<QWidget*>(button));
        });
}

}  // namespace

TEST_F(Dialogs, InternalErrorDialogCopiesTheMessageAndSendsABugReport) {
    const wstring message = u"Internal error\n\u00E9 at g_wiz_sh line 223 & more";
    seen_dialog copy, mail;
    press_in_error_dialog(copy, "1108");
    const int copied = dlg_error_ex::show(message);
    EXPECT_EQ(copied, dlg_error_ex::id_copy);
    EXPECT_EQ(copy.caption, "Error");  // the shell has not shown its title yet
    EXPECT_EQ(copy.text, utf8(message));
    EXPECT_EQ(compat::desktop::clipboard_text(), message);

    // Once the sheet shows, the caption carries the title and the mail its subject.
    stub_page page(103, wizard_page_kind::welcome);
    shell_->add_page(page);
    int sent = 0;
    run_sheet([&] {
        press_in_error_dialog(mail, "1112");
        sent = dlg_error_ex::show(message);
        shell_->sheet().close();
    });
    EXPECT_EQ(sent, dlg_error_ex::id_send_bug);
    EXPECT_EQ(mail.caption, "Marrowgate Test Error");
    ASSERT_TRUE(wait_until([&] { return opened_urls().size() == 1; }, 10000));
    const std::vector<std::string> urls = opened_urls();
    EXPECT_EQ(urls[0], compat::desktop::mailto_url("support@marrowgate.example", "Bug report on Marrowgate Test",
                                                   utf8(message)));
}

TEST_F(Dialogs, ContinueDialogAskedFromTheConversionThread) {
    struct row {
        const char* button;
        bool tick;
        int answer;
    } rows[] = {{"2", false, dlg_error_continue::id_continue},
                {"2", true, dlg_error_continue::id_continue},
                {"1", false, dlg_error_continue::id_abort}};
    for (const row& r : rows) {
        seen_dialog seen;
        bool ticked = false;
        when_modal(
            [](QWidget* w) {
                return qobject_cast<QDialog*>(w) && w->findChild<QLabel*>("1320", Qt::FindDirectChildrenOnly);
            },
            [&](QWidget* w) {
                seen.caption = w->windowTitle().toStdString();
                seen.text = w->findChild<QLabel*>("1320")->text().toStdString();
                if (r.tick) click(w->findChild<QWidget*>("1222"));
                ticked = qobject_cast<QAbstractButton*>(w->findChild<QWidget*>("1222"))->isChecked();
                click(w->findChild<QWidget*>(r.button));
            });
        std::atomic<bool> done{false};
        dlg_error_continue::answer answer;
        std::thread worker([&] {
            answer = dlg_error_continue::ask(u"A: ORA-00942: table or view does not exist");
            done = true;
        });
        EXPECT_TRUE(wait_until([&] { return done.load(); }, 10000));
        worker.join();
        EXPECT_EQ(seen.caption, "Error");
        EXPECT_EQ(seen.text, "A: ORA-00942: table or view does not exist");
        EXPECT_EQ(ticked, r.tick);
        EXPECT_EQ(answer.button, r.answer);
        EXPECT_EQ(answer.dont_show, r.tick);
    }
}

// Widgets live on the user-interface thread only: a dialog raised by the conversion or the
// connect thread is built, run and destroyed there, while the worker waits for the answer.
TEST_F(Dialogs, ErrorDialogsRaisedFromAWorkerLiveAndDieOnTheUiThread) {
    const std::function<int()> raise[] = {
        [] { return dlg_error_ex::show(u"Internal error in module \"g_wiz_sh\" at line 223."); },
        [] { return dlg_error_continue::ask(u"A: ORA-00942: table or view does not exist").button; },
    };
    for (const auto& raise_one : raise) {
        std::atomic<int> destroyed_on_ui_thread{-1};
        when_modal(
            [](QWidget* w) {
                return qobject_cast<QDialog*>(w) && w->findChild<QLabel*>("1320", Qt::FindDirectChildrenOnly);
            },
            [&](QWidget* w) {
                QObject::connect(w, &QObject::destroyed, [&destroyed_on_ui_thread] {
                    destroyed_on_ui_thread = ui::application::on_ui_thread() ? 1 : 0;
                });
                click(w->findChild<QWidget*>("1"));  // OK, and Abort
            });
        std::atomic<bool> done{false};
        int answer = 0;
        std::thread worker([&] {
            answer = raise_one();
            done = true;
        });
        EXPECT_TRUE(wait_until([&] { return done.load(); }, 10000));
        worker.join();
        EXPECT_EQ(answer, 1);
        EXPECT_EQ(destroyed_on_ui_thread.load(), 1) << "1: destroyed on the UI thread, 0: on the worker";
    }
}

TEST_F(Dialogs, FileDialogRequestsAndTheDefaultExtensionRule) {
    const wstring filter = profile_filter(u"qrn");
    EXPECT_EQ(filter, wstring(u"Profile Files (.qrn)\0*.qrn\0All Files (*.*)\0*.*\0", 47));

    save_file_dialog dump(nullptr, wstring(u"MySQL Dump Files (.sql)\0*.sql\0All Files (*.*)\0*.*\0", 51),
                          u"Select Dump File", u"/tmp/dumps/orcl.sql", u"sql");
    EXPECT_EQ(dump.request().folder, u"/tmp/dumps/");
    EXPECT_EQ(dump.request().name, u"orcl");
    ASSERT_EQ(dump.request().filters.size(), 2u);
    EXPECT_EQ(dump.request().filters[0].description, u"MySQL Dump Files (.sql)");
    EXPECT_EQ(dump.request().filters[0].pattern, u"*.sql");
    EXPECT_EQ(dump.request().filters[1].pattern, u"*.*");
    EXPECT_EQ(dump.default_extension(), u".sql");

    open_file_dialog profile(nullptr, filter, u"Select Profile File", u"");
    EXPECT_EQ(profile.request().folder, u"");  // the current folder
    EXPECT_EQ(profile.request().name, u"");

    EXPECT_THROW(save_file_dialog(nullptr, filter, u"t", u"", u""), tk_mail_assertion);

    // What the user types, and what the program saves into.
    const std::string dir = app_test::temp_dir();
    struct row {
        const char* typed;
        const char* saved;
    } rows[] = {
        {"name.qrn.bak", "name.qrn.bak"},  // the extension occurs in it: kept
        {"name", "name.qrn"},
        {"name.QRN", "name.QRN.qrn"},  // the test is exact
        {"name.qrn", "name.qrn"},
    };
    for (const row& r : rows) {
        save_file_dialog d(nullptr, filter, u"Select Profile File", u"", u".qrn");
        std::string title;
        when_modal([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; },
                   [&](QWidget* w) {
                       auto* fd = qobject_cast<QFileDialog*>(w);
                       title = fd->windowTitle().toStdString();
                       fd->selectFile(QString::fromStdString(dir + "/" + r.typed));
                       QMetaObject::invokeMethod(fd, "accept", Qt::DirectConnection);
                   });
        ASSERT_TRUE(d.show()) << r.typed;
        EXPECT_EQ(utf8(d.get_path()), dir + "/" + r.saved);
        EXPECT_EQ(title, "Select Profile File");
    }

    // Cancel: nothing chosen.
    open_file_dialog d(nullptr, filter, u"Select Profile File", u"");
    when_modal([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; },
               [](QWidget* w) { QMetaObject::invokeMethod(w, "reject", Qt::DirectConnection); });
    EXPECT_FALSE(d.show());
}

// The continue dialog's message label is built empty; whether it wraps is decided by the
// message it is given: a long one is shown whole, in lines within the dialog.
TEST_F(Dialogs, ContinueDialogShowsALongMessageWhole) {
    const std::string advice =
        "BIG: The MySQL server has gone away: it stopped, or a transferred value was bigger than its "
        "max_allowed_packet. Check that the server is running; if it is, increase max_allowed_packet and try "
        "again. See 'Troubleshooting' article of the product documentation.";
    struct row {
        std::string message;
        bool wraps;
    } rows[] = {{advice, true}, {"A: ORA-00942: table or view does not exist", false}};
    for (const row& r : rows) {
        bool wrapped = !r.wraps, whole = false, inside = false;  // inside the dialog, on the screen
        when_modal(
            [](QWidget* w) {
                return qobject_cast<QDialog*>(w) && w->findChild<QLabel*>("1320", Qt::FindDirectChildrenOnly);
            },
            [&](QWidget* w) {
                test_support::pump(50);
                auto* label = w->findChild<QLabel*>("1320");
                wrapped = label->wordWrap();
                // Every line of the text fits the label as laid out.
                whole = !label->wordWrap() || label->heightForWidth(label->width()) <= label->height();
                inside = w->rect().contains(label->geometry()) &&
                         w->screen()->availableGeometry().width() >= w->frameGeometry().width();
                click(w->findChild<QWidget*>("2"));
            });
        dlg_error_continue::ask(compat::utf8_to_utf16(r.message));
        SCOPED_TRACE(r.message);
        EXPECT_EQ(wrapped, r.wraps);
        EXPECT_TRUE(whole);
        EXPECT_TRUE(inside);
    }
}

// With no mail program and a clipboard that goes with the program, the report must survive
// somewhere: each internal-error dialog writes it into a new file of the user's state
// folder, readable by the user only, and shows where; a folder it cannot write is named.
TEST_F(Dialogs, InternalErrorDialogKeepsTheReportInAFileAndShowsItsPath) {
    namespace fs = std::filesystem;
    const wstring message = u"Internal error in module \"g_wiz_sh\" at line 223.";
    const fs::path folder = fs::path(state_dir_.path()) / "marrowgate";
    // Notes what the next dialog shows of its report file, and presses OK.
    const auto shown_path = [](std::string& shown) {
        when_modal([](QWidget* w) { return qobject_cast<QDialog*>(w) && w->findChild<QLabel*>("1321"); },
                   [&shown](QWidget* w) {
                       shown = w->findChild<QLabel*>("1321")->text().toStdString();
                       click(w->findChild<QWidget*>("1"));
                   });
    };
    std::vector<std::string> paths;
    for (int k = 0; k < 2; ++k) {
        std::string shown;
        shown_path(shown);
        dlg_error_ex::show(message);
        const std::string prefix = "The report is saved in ";
        ASSERT_EQ(shown.rfind(prefix, 0), 0u) << shown;
        paths.push_back(shown.substr(prefix.size()));
    }
    EXPECT_NE(paths[0], paths[1]) << "a second report replaced the first";
    for (const std::string& path : paths) {
        EXPECT_EQ(fs::path(path).parent_path(), folder);
        EXPECT_EQ(fs::path(path).filename().string().rfind("bug-report-", 0), 0u) << path;
        const std::string text = test_support::read_file(path);
        EXPECT_EQ(text.rfind("Bug report on " + utf8(quarnel_convertor::get_title()) + "\n", 0), 0u) << text;
        EXPECT_NE(text.find(utf8(message) + "\n"), std::string::npos) << text;
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    }

    // A state folder that cannot be made is named, with the reason.
    fs::remove_all(folder);
    test_support::write_file(folder.string(), "not a folder");
    std::string refused;
    shown_path(refused);
    dlg_error_ex::show(message);
    EXPECT_EQ(refused.rfind("The report could not be saved in " + folder.string() + ": ", 0), 0u) << refused;
}

// On X11 the clipboard's text lives in the program that put it there: after Copy the dialog
// returns only once another program has taken the text (the program may end right after).
TEST_F(Dialogs, CopyReturnsOnceTheClipboardsTextHasBeenTaken) {
    const wstring message = u"Internal error in module \"g_wiz_sh\" at line 223.";
    bool returned = false, returned_before_taken = true;
    wstring taken;
    QElapsedTimer clock;
    when_modal([](QWidget* w) { return qobject_cast<QDialog*>(w) && w->findChild<QLabel*>("1321"); },
               [&](QWidget* w) {
                   // Another program asks for the text a moment after Copy.
                   QTimer::singleShot(300, [&] {
                       returned_before_taken = returned;
                       taken = compat::desktop::clipboard_text();
                   });
                   clock.start();
                   click(w->findChild<QWidget*>("1108"));
               });
    const int answer = dlg_error_ex::show(message);
    returned = true;
    const qint64 held_ms = clock.elapsed();
    EXPECT_EQ(answer, dlg_error_ex::id_copy);
    EXPECT_FALSE(returned_before_taken) << "the dialog returned before the text was taken";
    EXPECT_EQ(taken, message);
    // It returned on the taking, not on the few seconds' limit.
    EXPECT_LT(held_ms, 4000);
}
